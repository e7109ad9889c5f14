#include "flash/emulator/default_lab.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "flash/emulator/default_pages.h"
#include "flash/emulator/lab.h"
#include "flash/emulator/lab_description.h"
#include "flash/emulator/lab_files.h"
#include "flash/emulator/page_files.h"
#include "tools/image_builder/image_builder.h"

namespace emu {
namespace {

struct DefaultController {
    unsigned iocNumber;
    uint16_t pciDeviceId;
    uint8_t pciRevision;
    uint16_t subsystemDeviceId;
    uint8_t pciBus;
    uint16_t msgVersion;
    uint32_t fwVersion;
    uint32_t flashSize;
    uint8_t numberOfPorts;
    bool raidOnChip;       // has the Ombra and common boot block regions
    uint32_t x86Version;   // code revision << 16 | the two version bytes
    uint16_t efiRevision;  // the EFI driver's code revision, four parts in 3, 5, 4 and 4 bits
    BoardFacts board;
};

// clang-format off
constexpr DefaultController kDefaultControllers[] = {
    {0, 0x0058, 0x02, 0x3050, 0x02, 0x0105, 0x01200000, 0x200000, 1, false, 0x07150003, 0x4301,
     {"Kelmar SAS T420E 8-port HBA", "K3-25120-01A", "P0051200001", "01.32.00.00", "02.03.00.01",
      0x1000, 0x5000ABC000000100, 0x2D03, {9, 9, 9, 9, 0, 0, 0, 0}}},
    {2, 0x0054, 0x01, 0x3229, 0x05, 0x0104, 0x011D0000, 0x100000, 1, false, 0x07130000, 0x4010,
     {"Kelmar SAS T420 8-port HBA", "K3-25080-02B", "P0050800002", "01.29.00.00", "02.00.01.00",
      0x103C, 0x5000ABC000000200, 0x2B01, {8, 8, 9, 9, 1, 0, 0, 0}}},
    {5, 0x0062, 0x02, 0x3060, 0x0A, 0x0105, 0x01200000, 0x200000, 2, true, 0x07150003, 0x4301,
     {"Kelmar SAS T470 RAID-on-chip", "K3-25470-01A", "P0054700005", "01.32.00.00", "02.03.00.01",
      0x1000, 0x5000ABC000000500, 0x2D03, {9, 9, 9, 9, 9, 9, 9, 9}}},
};
// clang-format on

constexpr uint8_t kHostId = 7;
constexpr char kCommonBootBlockVersion[] = "1.02.03.04.0005";

const imgb::ChipModel& Model(const DefaultController& c) {
    return *imgb::FindChipModelByDevice(c.pciDeviceId);
}

uint16_t ProductId(const DefaultController& c) {
    return imgb::MakeProductId(imgb::kProtocolSas, imgb::kKindIt, Model(c).family);
}

std::string AsText(const imgb::Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

// The running firmware as a flash by the program leaves it: its common boot block, if it had
// one, lives in its own region.
std::string FirmwareRegion(const DefaultController& c) {
    imgb::FirmwareSpec spec;
    if (!imgb::StandardFirmwareSpec(c.pciDeviceId, c.pciRevision, c.fwVersion, &spec)) return {};
    std::erase_if(spec.extendedImages, [](const imgb::ExtendedImage& ext) {
        return ext.payload.size() > 0x14 &&
               std::string_view(reinterpret_cast<const char*>(ext.payload.data()) + 0x10, 4) ==
                   "BTBL";
    });
    imgb::NvdataSpec nvdata;
    nvdata.version = c.board.nvdataVersion;
    nvdata.productId = std::string("SAS ") + Model(c).name;
    nvdata.loadStartAddress = spec.nvdataLoadStartAddress;
    spec.extendedImages.back() = imgb::NvdataImage(nvdata);
    spec.nvdataMajorVersion = c.board.nvdataVersion & 0xFF00;
    spec.flashLayoutFlags = 0x2 | (c.flashSize >= 0x200000 ? 0x1 : 0x0);
    return AsText(imgb::BuildFirmwareImage(spec));
}

// x86 BIOS for the primary device id, the EFI driver, and the class 1 and 3 records after them.
std::string BiosRegion(const DefaultController& c) {
    imgb::RomSpec x86;
    x86.deviceId = Model(c).deviceId;
    x86.codeRevision = static_cast<uint16_t>(c.x86Version >> 16);
    x86.versionBytes[0] = static_cast<uint8_t>(c.x86Version >> 8);
    x86.versionBytes[1] = static_cast<uint8_t>(c.x86Version);
    imgb::RomSpec efi = x86;
    efi.codeType = imgb::kCodeTypeEfi;
    efi.codeRevision = c.efiRevision;
    efi.versionBytes[0] = efi.versionBytes[1] = 0;
    std::vector<imgb::TrailingRecord> records;
    for (uint8_t recordClass : {1, 3}) {
        for (uint16_t identifier : {0x102, 0x110, 0x112, 0x113})
            records.push_back({recordClass, identifier, 0x80});
    }
    return AsText(imgb::BuildBootServicesRegion(
        {imgb::BuildRomImage(x86), imgb::BuildRomImage(efi)}, records));
}

std::string Hex(uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string ControllerText(const DefaultController& c) {
    std::string rates;
    for (uint8_t rate : c.board.linkRates)
        rates += (rates.empty() ? "" : " ") + std::to_string(rate);
    std::string text = "# " + std::string(c.board.name) + " (keys and defaults: LAB.md)\n";
    auto line = [&](std::string_view key, const std::string& value, std::string_view note = {}) {
        text.append(key).append(" = ").append(value);
        if (!note.empty()) text.append("    # ").append(note);
        text += '\n';
    };
    line("pci_device_id", Hex(c.pciDeviceId, 4));
    line("pci_revision", Hex(c.pciRevision, 2));
    line("subsystem_vendor_id", Hex(c.board.subsystemVendorId, 4));
    line("subsystem_device_id", Hex(c.subsystemDeviceId, 4));
    line("pci_bus", Hex(c.pciBus, 2));
    line("pci_device", "0");
    line("pci_function", "0");
    line("host_id", std::to_string(kHostId));
    line("driver_version", "3.04.20");
    line("msg_version", Hex(c.msgVersion, 4));
    // Facts report the running image's own values while the firmware region holds one.
    line("product_id", Hex(ProductId(c), 4));
    line("fw_version", Hex(c.fwVersion, 8), c.board.fwVersionText);
    line("number_of_ports", std::to_string(c.numberOfPorts));
    line("flash_size", Hex(c.flashSize, 6));
    line("phy_link_rates", rates, "8 = 1.5 Gbps, 9 = 3.0 Gbps, 0 and 1 = link down");
    text += "\n# State, rewritten by the emulator.\n";
    line("ioc_state", "operational");
    line("pending_firmware", "no");
    return text;
}

bool WriteFile(const std::filesystem::path& path, std::string_view contents) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    return !error && WriteFileAtomically(path, contents);
}

bool WritePage(const Controller& controller, PageKey key, const std::vector<uint8_t>& current,
               const std::vector<uint8_t>& defaults) {
    return SavePageCopy(controller, key, PageCopy::kCurrent, current) &&
           SavePageCopy(controller, key, PageCopy::kNvram, current) &&
           SavePageCopy(controller, key, PageCopy::kDefault, defaults);
}

bool WriteController(const std::filesystem::path& root, const DefaultController& c) {
    Controller controller;
    controller.iocNumber = c.iocNumber;
    controller.dir = root / ("ioc" + std::to_string(c.iocNumber));
    std::string firmware = FirmwareRegion(c);
    bool written =
        !firmware.empty() && WriteFile(controller.dir / "controller.conf", ControllerText(c)) &&
        WriteFile(controller.dir / "regions/firmware.bin", firmware) &&
        WriteFile(controller.dir / "regions/backup.bin", firmware) &&
        WriteFile(controller.dir / "regions/bios.bin", BiosRegion(c)) &&
        WritePage(controller, {kManufacturingPageType, 0, 0}, ManufacturingPage0(c.board, true),
                  ManufacturingPage0(c.board, false)) &&
        WritePage(controller, {kManufacturingPageType, 0, 1}, ManufacturingPage1(c.board),
                  ManufacturingPage1(c.board)) &&
        WritePage(controller, {kManufacturingPageType, 0, 2}, ManufacturingPage2(c.board),
                  ManufacturingPage2(c.board)) &&
        WritePage(controller, {kManufacturingPageType, 0, 5}, ManufacturingPage5(c.board, true),
                  ManufacturingPage5(c.board, false)) &&
        WritePage(controller, {kExtendedPageType, kSasIoUnitExtType, 0}, SasIoUnitPage0(c.board),
                  SasIoUnitPage0(c.board));
    if (written && c.raidOnChip) {
        imgb::CbbSpec cbb;
        cbb.version = kCommonBootBlockVersion;
        written =
            WriteFile(controller.dir / "regions/ombra.bin",
                      AsText(imgb::BuildOmbraImage(imgb::OmbraSpec{}))) &&
            WriteFile(controller.dir / "regions/cbb.bin", AsText(imgb::BuildCommonBootBlock(cbb)));
    }
    return written;
}

}  // namespace

std::filesystem::path LabPath() {
    if (const char* lab = std::getenv("TESSEL_LAB"); lab && *lab) return lab;
    std::filesystem::path state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/') {
        state = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        state = std::filesystem::path(home) / ".local/state";
    } else {
        return {};
    }
    return state / "tessel-emu/default-lab";
}

std::filesystem::path PrepareLabDirectory() {
    std::filesystem::path root = LabPath();
    if (root.empty()) {
        ReportLabProblem("TESSEL_LAB", 0, "is not set and there is no HOME for the default lab",
                         "the machine has no controllers");
        return root;
    }
    std::error_code error;
    if (!std::filesystem::exists(root, error) && !CreateDefaultLab(root)) {
        ReportLabProblem(root, 0, "cannot be made into the default lab",
                         "the machine has no controllers");
    }
    return root;
}

bool CreateDefaultLab(const std::filesystem::path& root) {
    std::error_code error;
    std::filesystem::path parent = root.parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, error);
    // Built beside its place and renamed into it, so that nobody sees half a lab.
    std::filesystem::path building = root;
    building += ".building." + std::to_string(::getpid());
    std::filesystem::remove_all(building, error);
    bool written = WriteFile(building / "machine.conf", FormatMachineDescription(Machine{}));
    for (const DefaultController& c : kDefaultControllers) {
        written = written && WriteController(building, c);
    }
    if (written) std::filesystem::rename(building, root, error);
    if (!written || error) {
        std::filesystem::remove_all(building, error);
        // Another run may have made it in the meantime.
        return std::filesystem::is_directory(root, error);
    }
    return true;
}

}  // namespace emu
