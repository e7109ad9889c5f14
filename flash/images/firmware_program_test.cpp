// Firmware flashing end to end: the built tessel-emu against labs whose regions hold images from
// the image builder. Each case compares the exact text after the banner, the exit status and,
// where a flash happened, the lab's regions afterwards.
#include <cctype>
#include <cstdio>
#include <functional>

#include "common/bytes.h"
#include "flash/program_test_fixture.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

constexpr uint32_t kV128 = 0x011C0000;  // 01.28.00.00
constexpr uint32_t kV130 = 0x011E0000;  // 01.30.00.00
constexpr uint32_t kV132 = 0x01200000;  // 01.32.00.00

const std::string kFlashOp = "\tExecuting Operation: Flash Firmware Image\n\n";
const std::string kDowngradeOp = "\tExecuting Operation: Flash Firmware Downgrade\n\n";
const std::string kOmbraOp = "\tExecuting Operation: Flash Ombra Firmware\n\n";
const std::string kAdvanced = "\tAdvanced Mode Set\n\n";
const std::string kChecksum = "\t\tChecksum Passed: 00000000\n\n";
const std::string kCompatible =
    "\t\tVerifying NVDATA Compatibility. . .\n\t\tNVDATA Versions Compatible\n\n";
const std::string kIdsMatch = "\t\tProduct ID and Vendor ID match verified.\n\n";
const std::string kIdsFailed = "\t\tERROR: Product ID and Vendor ID match FAILED.\n\n";
const std::string kBootloader = "\t\tValid BootLoader Image verified.\n\n";
const std::string kNoBootloader =
    "\tERROR: Firmware Image does not have a valid BootLoader image.\n";
const std::string kNoNvdata =
    "\t\tERROR: Firmware image does not have a NVDATA image concatenated.\n";
const std::string kDownload =
    "\t\tBeginning Firmware Download\n\t\tFirmware Download: SUCCESSFUL!\n\n";
const std::string kAdvancedDownload =
    "\t\tBeginning Firmware Download\n\n\t\tFirmware Download: SUCCESSFUL!\n\n";
const std::string kVerified =
    "\t\tVerifying the image flashed correctly. . . \n\n\t\tFirmware Flash: SUCCESSFUL!\n\n";
const std::string kCorrupt =
    "\t\tVerifying the image flashed correctly. . . \n\n"
    "\t\tERROR: Downloaded image corrupt.\nFirmware Flash: FAILED!\n\n";
const std::string kReset = "\t\tResetting Adapter:\n\t\tAdapter Successfully reset.\n\n";
const std::string kValidated = kChecksum + kCompatible + kIdsMatch + kBootloader;
const std::string kFlashed = kDownload + kVerified + kReset;
const std::string kFailed = kStopped + kUnable;
const std::string kVendorQuestion =
    "\t\tProduct ID and Vendor ID do not match.\n\t\tWould you like to flash anyway [y/n]? ";
const std::string kIrOverItQuestion =
    "\t\tFlashing IR Firmware over IT Firmware!\n\t\tWould you like to flash anyway [y/n]? ";
const std::string kItOverIrQuestion =
    "\t\tFlashing IT Firmware over IR Firmware!\n\t\tWould you like to flash anyway [y/n]? ";
const std::string kTwoMbOnOneMb =
    "\t\tERROR: Cannot flash a 2MB Firmware image on a 1MB Flash!\n\n";

std::string Damaged(const std::string& problem) {
    return "\t\tERROR: Firmware image is damaged: " + problem + ".\n";
}

std::string AsText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// A region or file compared with the bytes it should hold, reported by size and first difference
// instead of a dump.
testing::AssertionResult Holds(const Bytes& expected, const std::string& actual) {
    if (actual == AsText(expected)) return testing::AssertionSuccess();
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && char(expected[at]) == actual[at]) ++at;
    return testing::AssertionFailure()
           << "expected " << expected.size() << " bytes, found " << actual.size()
           << ", first difference at 0x" << std::hex << at;
}

std::string Hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

// The standard image of the builder for a chip, changed by `tweak` before it is built.
struct ImageRecipe {
    uint16_t device = 0x0054;
    uint8_t revision = 1;
    uint32_t version = kV132;
    std::function<void(imgb::FirmwareSpec&, imgb::NvdataSpec&)> tweak = {};
};

Bytes Build(const ImageRecipe& recipe) {
    imgb::FirmwareSpec spec;
    EXPECT_TRUE(imgb::StandardFirmwareSpec(recipe.device, recipe.revision, recipe.version, &spec));
    imgb::NvdataSpec nvdata;
    nvdata.productId = std::string("SAS ") + imgb::FindChipModelByDevice(recipe.device)->name;
    nvdata.loadStartAddress = 0x00FF8000;
    if (recipe.tweak) recipe.tweak(spec, nvdata);
    // The NVDATA image is last in the standard chain; a tweak may have removed it.
    if (!spec.extendedImages.empty() &&
        spec.extendedImages.back().imageType == imgb::kExtTypeNvdata)
        spec.extendedImages.back() = imgb::NvdataImage(nvdata);
    return imgb::BuildFirmwareImage(spec);
}

uint16_t IrProductId(uint8_t family) {
    return imgb::MakeProductId(imgb::kProtocolSas, imgb::kKindIr, family);
}

void RemoveImages(imgb::FirmwareSpec& spec, uint8_t type) {
    std::erase_if(spec.extendedImages,
                  [&](const imgb::ExtendedImage& e) { return e.imageType == type; });
}

Bytes Cbb(const std::string& version) {
    imgb::CbbSpec spec;
    spec.version = version;
    return imgb::BuildCommonBootBlock(spec);
}

bool IsCbbImage(const imgb::ExtendedImage& e) {
    return e.imageType == imgb::kExtTypeInitialization && e.payload.size() >= 0x14 &&
           std::string(e.payload.begin() + 0x10, e.payload.begin() + 0x14) == "BTBL";
}

// A T470 firmware image carrying a common boot block of that version (none for "").
Bytes T470Image(uint32_t version, const std::string& cbbVersion,
                std::function<void(imgb::FirmwareSpec&, imgb::NvdataSpec&)> tweak = {}) {
    return Build({0x0062, 2, version, [&](imgb::FirmwareSpec& spec, imgb::NvdataSpec& nv) {
                      if (cbbVersion.empty()) {
                          std::erase_if(spec.extendedImages, IsCbbImage);
                      } else {
                          for (auto& e : spec.extendedImages)
                              if (IsCbbImage(e)) e = imgb::CommonBootBlockImage(Cbb(cbbVersion));
                      }
                      if (tweak) tweak(spec, nv);
                  }});
}

std::vector<uint8_t> ParseHex(const std::string& text) {
    std::vector<uint8_t> bytes;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (std::isxdigit(static_cast<unsigned char>(text[i]))) {
            bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
            i += 2;
        } else {
            ++i;
        }
    }
    return bytes;
}

std::string ToHex(const Bytes& bytes) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(byte, sizeof byte, "%02x", bytes[i]);
        text += byte;
        text += (i % 16 == 15) ? '\n' : ' ';
    }
    return text;
}

class FirmwareFlashTest : public TesselTest {
  protected:
    std::string IocPath(int ioc) const { return lab_ + "/ioc" + std::to_string(ioc); }
    void Controller(int ioc, const std::string& conf) { WriteController(lab_, ioc, conf); }
    void PutRegion(int ioc, const std::string& name, const Bytes& bytes) {
        WriteTextFile(IocPath(ioc) + "/regions/" + name, AsText(bytes));
    }
    std::string Region(int ioc, const std::string& name) const {
        return ReadTextFile(IocPath(ioc) + "/regions/" + name);
    }
    void PutFile(const std::string& name, const Bytes& bytes) {
        WriteTextFile(File(name), AsText(bytes));
    }
    std::string Conf(int ioc) const { return ReadTextFile(IocPath(ioc) + "/controller.conf"); }

    // One controller running `running` (firmware and backup region alike).
    void Lab(int ioc, const std::string& conf, const Bytes& running) {
        std::filesystem::remove_all(lab_);
        AddController(ioc, conf, running);
    }
    void AddController(int ioc, const std::string& conf, const Bytes& running) {
        Controller(ioc, conf);
        PutRegion(ioc, "firmware.bin", running);
        PutRegion(ioc, "backup.bin", running);
    }
    // A T420(B0) at IOC 0 running 01.30.00.00 IT firmware.
    void T420Lab(const std::string& extra = "", const Bytes& running = Build({.version = kV130})) {
        Lab(0, "pci_device_id = 0x0054\npci_revision = 1\n" + extra, running);
    }
    // A T470(C0) at IOC 0 running 01.30.00.00 with a common boot block of cbbVersion.
    void T470Lab(const std::string& cbbVersion) {
        Lab(0, "pci_device_id = 0x0062\npci_revision = 2\n", T470Image(kV130, ""));
        if (!cbbVersion.empty()) PutRegion(0, "cbb.bin", Cbb(cbbVersion));
    }

    struct Row {
        const char* name;
        std::function<void()> lab;
        Bytes file;
        std::vector<std::string> arguments;  // "fw.bin" is the file
        std::string input;
        std::string output;
        int exitStatus;
    };
    void ExpectRows(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            row.lab();
            PutFile("fw.bin", row.file);
            const ProcessResult result = Run(row.arguments, row.input);
            EXPECT_EQ(kBanner + row.output, result.out) << row.name;
            EXPECT_EQ(row.exitStatus, result.exitStatus) << row.name;
        }
    }
};

TEST_F(FirmwareFlashTest, FlashLandsInBackupThenFirmwareRegion) {
    T420Lab();
    const Bytes file = Build({});
    PutFile("fw.bin", file);
    Expect(
        {{"-f", "fw.bin"}, Selected("T420(B0)") + kFlashOp + kValidated + kFlashed + kFinished, 0});
    EXPECT_TRUE(Holds(file, Region(0, "backup.bin")));
    EXPECT_TRUE(Holds(file, Region(0, "firmware.bin")));
    EXPECT_NE(std::string::npos, Conf(0).find("pending_firmware = no"));
    EXPECT_NE(std::string::npos, Conf(0).find("ioc_state = operational"));

    // The next run finds the new firmware running: the same file is no longer newer, which only
    // the all-adapters loop refuses.
    Expect(
        {{"-f", "fw.bin"}, Selected("T420(B0)") + kFlashOp + kValidated + kFlashed + kFinished, 0});
}

// A board that keeps its versions in the VPD gets the new firmware version written after reset,
// even when the read-back found the flash corrupt; the command still fails.
TEST_F(FirmwareFlashTest, CorruptReadBackStillResetsAndRefreshesVpd) {
    const std::string vpdBoard =
        "subsystem_vendor_id = 0x103C\nsubsystem_device_id = 0x3229\nupload_corrupt = yes\n";
    T420Lab(vpdBoard);
    Bytes page2(48);
    page2[0] = 0x00, page2[1] = 12, page2[2] = 2, page2[3] = 9;
    page2[0x0A] = 0x3C, page2[0x0B] = 0x10;
    imgb::VpdSpec vpd;
    vpd.readOnly = {{"PN", "H3-25566"}, {"SN", "SN0001"}, {"V3", "xx.xx.xx.xx "}};
    const Bytes vpdBytes = imgb::BuildVpd(vpd);
    ASSERT_EQ(256u, vpdBytes.size());
    Bytes page1 = {0x00, 65, 1, 9};
    page1.insert(page1.end(), vpdBytes.begin(), vpdBytes.end());
    WriteTextFile(IocPath(0) + "/pages/09-2.nvram.hex", ToHex(page2));
    WriteTextFile(IocPath(0) + "/pages/09-1.nvram.hex", ToHex(page1));

    const Bytes file = Build({});
    PutFile("fw.bin", file);
    Expect({{"-f", "fw.bin"},
            Selected("T420(B0)") + kFlashOp + kValidated + kDownload + kCorrupt + kReset +
                "\t\tUpdating VPD data!\n\t\tVPD updated successfully.\n\n " + kFailed,
            1});
    // The flash itself is intact; only the read-back was corrupted.
    EXPECT_TRUE(Holds(file, Region(0, "firmware.bin")));
    const std::vector<uint8_t> written =
        ParseHex(ReadTextFile(IocPath(0) + "/pages/09-1.nvram.hex"));
    const std::string text(written.begin(), written.end());
    EXPECT_NE(std::string::npos, text.find(std::string("01.32.00.00\0", 12)));
}

// A download the controller dropped leaves a backup region shorter than the file: the read-back
// reports the corruption without reading past what came back, and the reset still happens.
TEST_F(FirmwareFlashTest, ReadBackShorterThanTheFile) {
    T420Lab("download_writes_nothing = yes\n");
    PutRegion(0, "backup.bin", Bytes(16, 0xFF));
    PutFile("fw.bin", Build({}));
    Expect({{"-f", "fw.bin"},
            Selected("T420(B0)") + kFlashOp + kValidated + kDownload + kCorrupt + kReset + kFailed,
            1});
    EXPECT_TRUE(Holds(Build({.version = kV130}), Region(0, "firmware.bin")));
}

TEST_F(FirmwareFlashTest, StrictValidation) {
    const auto t420 = [this] { T420Lab(); };
    const auto runningIr = [this] {
        T420Lab("", Build({.version = kV130, .tweak = [](auto& spec, auto&) {
                               spec.productId = IrProductId(imgb::kFamilyT420);
                           }}));
    };
    const Bytes badChecksum =
        Build({.tweak = [](auto& spec, auto&) { spec.faults.badChecksum = true; }});
    const std::vector<std::string> f = {"-f", "fw.bin"};
    const std::string start = Selected("T420(B0)") + kFlashOp;
    ExpectRows({
        {"bad signature", t420,
         Build({.tweak = [](auto& spec, auto&) { spec.faults.badSignature = true; }}), f, "",
         start + "\tERROR: Firmware Image does not have a valid signature.\n\n" + kFailed, 1},
        {"bad checksum", t420, badChecksum, f, "",
         start + "\t\tChecksum Failed: " +
             Hex8(imgb::WordSum(badChecksum.data(), badChecksum.size())) + "\n\n" + kFailed,
         1},
        {"other chip", t420, Build({.device = 0x0058, .revision = 2}), f, "",
         start + kChecksum +
             "\t\tERROR: The Firmware Image is for a 40e b1 Kelmar SAS Controller,\n"
             "\t\tbut the target adapter is a 420 b0 Kelmar SAS Controller\n\n" +
             kFailed,
         1},
        {"no NVDATA", t420,
         Build({.tweak = [](auto& spec, auto&) { RemoveImages(spec, imgb::kExtTypeNvdata); }}), f,
         "", start + kChecksum + kNoNvdata + kFailed, 1},
        {"NVDATA version 0", t420, Build({.tweak = [](auto&, auto& nv) { nv.version = 0; }}), f, "",
         start + kChecksum + kNoNvdata + kFailed, 1},
        {"NVDATA without first signature", t420,
         Build({.tweak = [](auto&, auto& nv) { nv.corruptFirstSignature = true; }}), f, "",
         start + kChecksum + kNoNvdata + kFailed, 1},
        // The version still counts, but there are no ids to compare.
        {"NVDATA without second signature", t420,
         Build({.tweak = [](auto&, auto& nv) { nv.omitSecondSignature = true; }}), f, "",
         start + kChecksum + kCompatible + kIdsFailed + kFailed, 1},
        {"older NVDATA major", t420, Build({.tweak = [](auto&, auto& nv) { nv.version = 0x2C03; }}),
         f, "",
         start + kChecksum +
             "\t\tVerifying NVDATA Compatibility. . .\n"
             "\t\tERROR: Cannot move backwards from NVDATA version 0x2d03 to 0x2c03.\n\n" +
             kFailed,
         1},
        // Only the major byte is compared.
        {"older NVDATA minor", t420, Build({.tweak = [](auto&, auto& nv) { nv.version = 0x2D01; }}),
         f, "", start + kValidated + kFlashed + kFinished, 0},
        {"other vendor", t420, Build({.tweak = [](auto&, auto& nv) { nv.vendorId = "OTHER"; }}), f,
         "", start + kChecksum + kCompatible + kIdsFailed + kFailed, 1},
        {"other product", t420,
         Build({.tweak = [](auto&, auto& nv) { nv.productId = "SAS T420 IR"; }}), f, "",
         start + kChecksum + kCompatible + kIdsFailed + kFailed, 1},
        {"IR over IT", t420,
         Build(
             {.tweak = [](auto& spec, auto&) { spec.productId = IrProductId(imgb::kFamilyT420); }}),
         f, "y\n",
         start + kValidated + "\tERROR: Cannot Flash IR Firmware over IT Firmware!\n\n" + kFailed,
         1},
        {"IT over IR", runningIr, Build({}), f, "y\n",
         start + kValidated + "\tERROR: Cannot Flash IT Firmware over IR Firmware!\n\n" + kFailed,
         1},
        {"IR over IR", runningIr,
         Build(
             {.tweak = [](auto& spec, auto&) { spec.productId = IrProductId(imgb::kFamilyT420); }}),
         f, "", start + kValidated + kFlashed + kFinished, 0},
        // A missing bootloader fails only after the remaining tests.
        {"no bootloader", t420,
         Build({.tweak = [](auto& spec, auto&) { RemoveImages(spec, imgb::kExtTypeBootloader); }}),
         f, "", start + kChecksum + kCompatible + kIdsMatch + kNoBootloader + kFailed, 1},
        {"running firmware without NVDATA",
         [this] {
             T420Lab("", Build({.version = kV130, .tweak = [](auto& spec, auto&) {
                                    RemoveImages(spec, imgb::kExtTypeNvdata);
                                }}));
         },
         Build({}), f, "",
         start + kChecksum + "\t\tVerifying NVDATA Compatibility. . .\n" + kNoNvdata + kFailed, 1},
        {"truncated", t420,
         Build({.tweak = [](auto& spec, auto&) { spec.faults.truncateTo = 0x30; }}), f, "",
         start + "\tERROR: Firmware Image does not have a valid signature.\n\n" + kFailed, 1},
        // The NVDATA search alone would end before the loop; the chain is refused as a whole.
        {"looping chain", t420,
         Build({.tweak = [](auto& spec, auto&) { spec.faults.chainLoops = true; }}), f, "",
         start + kChecksum + Damaged("the extended-image chain links backwards") + kFailed, 1},
        {"last link past the end", t420,
         Build({.tweak = [](auto& spec, auto&) { spec.faults.lastLinkPastEnd = true; }}), f, "",
         start + kChecksum + Damaged("an extended image header lies past the end of the file") +
             kFailed,
         1},
        {"main image past the end", t420,
         Build({.tweak = [](auto& spec, auto&) { spec.faults.imageSizePastEnd = true; }}), f, "",
         start + kChecksum + Damaged("the main image is longer than the file") + kFailed, 1},
        // A controller that answers no request cannot show its running firmware.
        {"controller in fault", [this] { T420Lab("ioc_state = fault\n"); }, Build({}), f, "",
         start + kChecksum +
             "\t\tVerifying NVDATA Compatibility. . .\n"
             "\t\tERROR: Failed to Upload Firmware!\n" +
             kFailed,
         1},
    });
}

TEST_F(FirmwareFlashTest, AdvancedValidationAsksUnlessSilent) {
    const auto t420 = [this] { T420Lab(); };
    const Bytes otherVendor = Build({.tweak = [](auto&, auto& nv) { nv.vendorId = "OTHER"; }});
    const Bytes ir = Build(
        {.tweak = [](auto& spec, auto&) { spec.productId = IrProductId(imgb::kFamilyT420); }});
    const std::vector<std::string> of = {"-o", "-f", "fw.bin"};
    const std::vector<std::string> osf = {"-o", "-s", "-f", "fw.bin"};
    const std::string start = kAdvanced + Selected("T420(B0)") + kFlashOp;
    const std::string flashed = kAdvancedDownload + kVerified + kReset + kFinished;
    ExpectRows({
        {"good", t420, Build({}), of, "", start + kValidated + flashed, 0},
        // Advanced mode has no version test.
        {"same version", t420, Build({.version = kV130}), of, "", start + kValidated + flashed, 0},
        {"older NVDATA major", t420, Build({.tweak = [](auto&, auto& nv) { nv.version = 0x2C03; }}),
         of, "",
         start + kChecksum +
             "\t\tVerifying NVDATA Compatibility. . .\n"
             "\t\tERROR: Cannot move backwards from NVDATA version 2D03 to 2C03.\n\n" +
             kFailed,
         1},
        {"other vendor, yes", t420, otherVendor, of, "y\n",
         start + kChecksum + kCompatible + kVendorQuestion + "\n" + kBootloader + flashed, 0},
        {"other vendor, Yes", t420, otherVendor, of, "Yes please\n",
         start + kChecksum + kCompatible + kVendorQuestion + "\n" + kBootloader + flashed, 0},
        {"other vendor, no", t420, otherVendor, of, "n\n",
         start + kChecksum + kCompatible + kVendorQuestion + "\n" + kFailed, 1},
        {"other vendor, nobody answers", t420, otherVendor, of, "",
         start + kChecksum + kCompatible + kVendorQuestion + "\n" + kFailed, 1},
        {"other vendor, silent", t420, otherVendor, osf, "y\n",
         start + kChecksum + kCompatible + kIdsFailed + kFailed, 1},
        {"IR over IT, yes", t420, ir, of, "Y\n",
         start + kValidated + kIrOverItQuestion + "\n\n" + flashed, 0},
        {"IR over IT, no", t420, ir, of, "x\n",
         start + kValidated + kIrOverItQuestion + "\n\n" + kFailed, 1},
        {"IR over IT, silent", t420, ir, osf, "y\n",
         start + kValidated + "\tERROR: Cannot Flash IR Firmware over IT Firmware!\n\n" + kFailed,
         1},
        {"IT over IR, yes",
         [this] {
             T420Lab("", Build({.version = kV130, .tweak = [](auto& spec, auto&) {
                                    spec.productId = IrProductId(imgb::kFamilyT420);
                                }}));
         },
         Build({}), of, "y\n", start + kValidated + kItOverIrQuestion + "\n\n" + flashed, 0},
        // Both questions in one run, each reading its own word.
        {"other vendor and IR, yes twice", t420,
         Build({.tweak =
                    [](auto& spec, auto& nv) {
                        nv.vendorId = "OTHER";
                        spec.productId = IrProductId(imgb::kFamilyT420);
                    }}),
         of, "y y\n",
         start + kChecksum + kCompatible + kVendorQuestion + "\n" + kBootloader +
             kIrOverItQuestion + "\n\n" + flashed,
         0},
    });
}

// 2 MB-layout images: the running firmware's layout and the flash size decide.
TEST_F(FirmwareFlashTest, OneToTwoMegabyteMigration) {
    const Bytes twoMb = Build({.tweak = [](auto& spec, auto&) { spec.flashLayoutFlags = 0x3; }});
    const auto running = [](uint32_t flags) {
        return Build({.version = kV130,
                      .tweak = [flags](auto& spec, auto&) { spec.flashLayoutFlags = flags; }});
    };
    const std::string start = Selected("T420(B0)") + kFlashOp + kValidated;
    const std::string migrating = "\t\tFlashing Firmware with 1MB to 2MB Migration.\n";
    const std::string noFwdlb =
        "\t\tFirmware Download Boot Required to get Flash Size\n"
        "\t\t1MB to 2MB Migration of Firmware is not supported\n\t\ton this platform!\n\n";
    const std::string trace = File("trace.log");
    struct MigrationRow {
        const char* name;
        Bytes file;
        uint32_t runningFlags;
        uint32_t flashSize;
        std::string output;
        int exitStatus;
        bool flashSizeAsked;
        bool readBack;
    };
    const MigrationRow rows[] = {
        {"1 MB flash", twoMb, 0x2, 0x100000, start + kTwoMbOnOneMb + kFailed, 1, true, false},
        {"1.5 MB flash", twoMb, 0x2, 0x1FFFFF, start + kTwoMbOnOneMb + kFailed, 1, true, false},
        {"2 MB flash", twoMb, 0x2, 0x200000, start + migrating + kFlashed + kFinished, 0, true,
         false},
        {"running firmware cannot tell the size", twoMb, 0x0, 0x200000, start + noFwdlb + kFailed,
         1, false, false},
        {"already on the 2 MB layout", twoMb, 0x3, 0x100000, start + kFlashed + kFinished, 0, false,
         true},
        {"1 MB image", Build({}), 0x2, 0x100000, start + kFlashed + kFinished, 0, false, true},
    };
    for (const MigrationRow& row : rows) {
        char conf[128];
        std::snprintf(conf, sizeof conf,
                      "pci_device_id = 0x0054\npci_revision = 1\nflash_size = 0x%x\n",
                      row.flashSize);
        Lab(0, conf, running(row.runningFlags));
        PutFile("fw.bin", row.file);
        std::filesystem::remove(trace);
        ProcessRequest request;
        request.program = TESSEL_EMU_PATH;
        request.arguments = {"-f", "fw.bin"};
        request.environment = {{"TESSEL_LAB", lab_}, {"TESSEL_EMU_TRACE", trace}};
        request.workingDirectory = dir_.path();
        const ProcessResult result = RunProcess(request);
        EXPECT_EQ(kBanner + row.output, result.out) << row.name;
        EXPECT_EQ(row.exitStatus, result.exitStatus) << row.name;
        const std::string calls = ReadTextFile(trace);
        EXPECT_EQ(row.flashSizeAsked, calls.find("function 0x12 type 10 ") != std::string::npos)
            << row.name;
        EXPECT_EQ(row.readBack, calls.find("function 0x12 type 5 ") != std::string::npos)
            << row.name;
        EXPECT_TRUE(Holds(row.exitStatus == 0 ? row.file : running(row.runningFlags),
                          Region(0, "firmware.bin")))
            << row.name;
    }
}

TEST_F(FirmwareFlashTest, AllAdaptersGoOnPastAFailure) {
    const Bytes file = Build({});
    const auto lab = [&] {
        std::filesystem::remove_all(lab_);
        AddController(0, "pci_device_id = 0x0054\npci_revision = 1\n", Build({.version = kV130}));
        AddController(1, "pci_device_id = 0x0058\npci_revision = 2\n",
                      Build({.device = 0x0058, .revision = 2, .version = kV130}));
        AddController(3, "pci_device_id = 0x0054\npci_revision = 1\n", file);
    };
    const std::string body =
        "\n\tAttempting to flash firmware to Kelmar SAS T420(B0):\n\n" + kFlashOp + kValidated +
        kFlashed + "\n\tAttempting to flash firmware to Kelmar SAS T420E(B1):\n\n" + kFlashOp +
        kChecksum +
        "\t\tERROR: The Firmware Image is for a 420 b0 Kelmar SAS Controller,\n"
        "\t\tbut the target adapter is a 40e b1 Kelmar SAS Controller\n\n" +
        "\n\tAttempting to flash firmware to Kelmar SAS T420(B0):\n\n" + kFlashOp + kValidated +
        "\tFW Version in flash: 01.32.00.00\n\tFW Version from file: 01.32.00.00\n"
        "\tWill not flash since file version is not greater than current.\n\n" +
        kFinished;
    const std::string ignoring = "\tIgnoring All other commands except for output flags\n";
    PutFile("fw.bin", file);
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"-fwall", "fw.bin", "-c", "2"}, {"-o", "-fwall", "fw.bin"}}) {
        lab();
        const bool advanced = arguments[0] == "-o";
        const ProcessResult result = Run(arguments);
        EXPECT_EQ(kBanner + ignoring + (advanced ? kAdvanced : "") + body, result.out);
        EXPECT_EQ(0, result.exitStatus);
        EXPECT_TRUE(Holds(file, Region(0, "firmware.bin")));
        EXPECT_TRUE(Holds(Build({.device = 0x0058, .revision = 2, .version = kV130}),
                          Region(1, "firmware.bin")));
    }
}

TEST_F(FirmwareFlashTest, Downgrade) {
    const auto t420 = [this] { T420Lab(); };
    const std::vector<std::string> fd = {"-fwdown", "fw.bin"};
    const std::string start = Selected("T420(B0)") + kDowngradeOp;
    const std::string failed = "\t\tFirmware Downgrade FAILED!\n\n" + kFailed;
    const std::string notValidated = "\t\tFailed to validate firmware image to flash!\n\n" + failed;
    ExpectRows({
        // The downgrade check, then the whole standard flash with its own validation.
        {"same NVDATA major", t420, Build({.version = kV128}), fd, "",
         start + kChecksum + kIdsMatch + kBootloader + kValidated + kFlashed +
             "\t\tFirmware Downgrade Successful!\n\n" + kFinished,
         0},
        {"lower NVDATA major needs an erase", t420,
         Build({.version = kV128, .tweak = [](auto&, auto& nv) { nv.version = 0x2C03; }}), fd, "",
         start + kChecksum + kIdsMatch + kBootloader +
             "\t\tErasing existing firmware image information\n\n"
             "\t\tErase Flash Command not Supported on this platform.\n\n" +
             failed,
         1},
        {"no NVDATA", t420,
         Build({.version = kV128,
                .tweak = [](auto& spec, auto&) { RemoveImages(spec, imgb::kExtTypeNvdata); }}),
         fd, "",
         start + kChecksum + kNoNvdata + "\t\tNo Valid NVDATA concatenated to image!\n\n" +
             notValidated,
         1},
        {"other vendor", t420,
         Build({.version = kV128, .tweak = [](auto&, auto& nv) { nv.vendorId = "OTHER"; }}), fd, "",
         start + kChecksum + kIdsFailed + notValidated, 1},
        // The downgrade check leaves IR/IT alone; the standard flash that follows does not.
        {"IR over IT", t420,
         Build(
             {.version = kV128,
              .tweak = [](auto& spec, auto&) { spec.productId = IrProductId(imgb::kFamilyT420); }}),
         fd, "",
         start + kChecksum + kIdsMatch + kBootloader + kValidated +
             "\tERROR: Cannot Flash IR Firmware over IT Firmware!\n\n" + failed,
         1},
        {"empty file",
         t420,
         {},
         fd,
         "",
         start + "\t\tERROR: file size is zero or invalid.\n" + failed,
         1},
        {"T470 with an erase", [this] { T470Lab(""); },
         T470Image(kV128, "1.00.00.00.0000", [](auto&, auto& nv) { nv.version = 0x2C03; }), fd, "",
         Selected("T470(C0)") + kDowngradeOp + kChecksum + kIdsMatch + kBootloader +
             "\t\tERROR: Firmware Downgrade with Erase not supported in SAST470!\n\n" + failed,
         1},
    });
    // Nothing was erased or flashed.
    EXPECT_TRUE(Holds(T470Image(kV130, ""), Region(0, "firmware.bin")));
}

// Patches the version-text offset of the CBB inside a built image and rebalances the main
// checksum, so only the block is wrong.
Bytes WithCbbVersionOutside(Bytes image) {
    const size_t magic = AsText(image).find("BTBL");
    EXPECT_NE(std::string::npos, magic);
    const size_t field = magic - 0x10 + 0x1C;
    ByteReader r(image.data(), image.size());
    const uint32_t old = r.U32(field);
    const uint32_t checksum = r.U32(0x1C);
    ByteWriter w(image.data(), image.size());
    w.U32(field, 0x7FC);
    w.U32(0x1C, checksum + old - 0x7FC);
    return image;
}

TEST_F(FirmwareFlashTest, RaidOnChipFirmwareAndItsBootBlock) {
    const std::string start = Selected("T470(C0)") + kFlashOp;
    const std::string downloaded =
        "\t\tFirmware Download: SUCCESSFUL!\n\t\tResetting Adapter:\n"
        "\t\tAdapter Successfully reset.\n\n" +
        kFinished;
    const std::string begin = "\t\tBeginning Firmware Download\n";
    const std::string cbbUpdated = "\t\tUpdating Common Boot Block Image...SUCCESS\n";
    const std::string init = "\t\tValid Initialization Image verified.\n\n";
    const Bytes packed = T470Image(kV132, "");
    struct T470Row {
        const char* name;
        std::string controllerCbb;  // "" for an empty CBB region
        Bytes file;
        std::vector<std::string> arguments;
        std::string output;
        int exitStatus;
        std::string cbbAfter;  // cbb.bin afterwards
        Bytes firmwareAfter;   // firmware.bin afterwards
    };
    const std::vector<std::string> f = {"-f", "fw.bin"};
    const std::vector<std::string> of = {"-o", "-f", "fw.bin"};
    const T470Row rows[] = {
        {"newer block", "1.05.00.00.0000", T470Image(kV132, "1.06.00.00.0000"), f,
         start + kValidated + begin + cbbUpdated + downloaded, 0, "1.06.00.00.0000", packed},
        {"older block", "1.05.00.00.0000", T470Image(kV132, "1.04.99.99.9999"), f,
         start + kValidated + begin + downloaded, 0, "1.05.00.00.0000", packed},
        {"same block", "1.05.00.00.0000", T470Image(kV132, "1.05.00.00.0000"), f,
         start + kValidated + begin + downloaded, 0, "1.05.00.00.0000", packed},
        {"controller without a block", "", T470Image(kV132, "1.00.00.00.0000"), f,
         start + kValidated + begin + cbbUpdated + downloaded, 0, "1.00.00.00.0000", packed},
        {"image without a block", "1.05.00.00.0000", packed, f,
         start + kValidated + begin + downloaded, 0, "1.05.00.00.0000", packed},
        {"advanced", "1.05.00.00.0000", T470Image(kV132, "2.00.00.00.0000"), of,
         kAdvanced + start + kValidated + init + begin + cbbUpdated + downloaded, 0,
         "2.00.00.00.0000", packed},
        // A T470 image uses advanced validation in advanced mode, even in the all-adapters loop.
        {"all adapters, advanced",
         "1.05.00.00.0000",
         T470Image(kV130, "2.00.00.00.0000"),
         {"-o", "-fwall", "fw.bin"},
         "\tIgnoring All other commands except for output flags\n" + kAdvanced +
             "\n\tAttempting to flash firmware to Kelmar SAS T470(C0):\n\n" + kFlashOp +
             kValidated + init + begin + cbbUpdated + downloaded,
         0,
         "2.00.00.00.0000",
         T470Image(kV130, "")},
        {"advanced, no initialization image",
         "1.05.00.00.0000",
         T470Image(kV132, "2.00.00.00.0000",
                   [](auto& spec, auto&) {
                       std::erase_if(spec.extendedImages, [](const imgb::ExtendedImage& e) {
                           return e.imageType == imgb::kExtTypeInitialization && !IsCbbImage(e);
                       });
                   }),
         of,
         kAdvanced + start + kValidated +
             "\tERROR: Firmware Image does not have a valid Initialization image.\n" + kFailed,
         1,
         "1.05.00.00.0000",
         {}},
        {"image for every revision", "1.05.00.00.0000",
         T470Image(kV132, "", [](auto& spec, auto&) { spec.seqCodeVersion = 1; }), f,
         start + kValidated + begin + downloaded, 0, "1.05.00.00.0000",
         T470Image(kV132, "", [](auto& spec, auto&) { spec.seqCodeVersion = 1; })},
        {"damaged block",
         "1.05.00.00.0000",
         WithCbbVersionOutside(T470Image(kV132, "1.06.00.00.0000")),
         f,
         start + kValidated +
             "\t\tERROR: Firmware image is damaged: the common boot block's version text is "
             "missing or not decimal.\n" +
             kFailed,
         1,
         "1.05.00.00.0000",
         {}},
    };
    for (const T470Row& row : rows) {
        T470Lab(row.controllerCbb);
        PutFile("fw.bin", row.file);
        const ProcessResult result = Run(row.arguments);
        EXPECT_EQ(kBanner + row.output, result.out) << row.name;
        EXPECT_EQ(row.exitStatus, result.exitStatus) << row.name;
        EXPECT_TRUE(Holds(Cbb(row.cbbAfter), Region(0, "cbb.bin"))) << row.name;
        const Bytes firmware = row.firmwareAfter.empty() ? T470Image(kV130, "") : row.firmwareAfter;
        EXPECT_TRUE(Holds(firmware, Region(0, "firmware.bin"))) << row.name;
    }
}

TEST_F(FirmwareFlashTest, OmbraFirmwareWithAndWithoutBootBlock) {
    const std::string start = kAdvanced + Selected("T470(C0)") + kOmbraOp;
    const std::string signature = "\t\tFirmware Image has a Valid Signature\n\n";
    const std::string flashed =
        "\t\tBeginning Ombra Firmware Download\n\n\t\tOmbra Firmware Flash: SUCCESSFUL!\n\n" +
        kFinished;
    const std::string failed = "\t\tOmbra Firmware Flash: FAILED!\n\n" + kFailed;
    const Bytes newer = Cbb("1.06.00.00.0000");
    const Bytes withBlock = imgb::BuildOmbraImage({0x8000, newer});
    const Bytes body(withBlock.begin(), withBlock.begin() + 0x20000);
    const Bytes plain = imgb::BuildOmbraImage({0x9000, {}});
    Bytes unsigned_ = plain;
    unsigned_[0] = 'X';
    Bytes pastEnd = withBlock;
    pastEnd[0x20000 + 0x18 + 1] ^= 0x10;  // the block's length word grows by 0x1000
    const std::vector<std::string> ofw = {"-o", "-fwombra", "fw.bin"};
    struct OmbraRow {
        const char* name;
        Bytes file;
        std::vector<std::string> arguments;
        std::string output;
        int exitStatus;
        Bytes ombraAfter;
        std::string cbbAfter;
    };
    const OmbraRow rows[] = {
        {"newer block", withBlock, ofw,
         start + signature + "\t\tUpdating Common Boot Block Image...SUCCESS\n" + flashed, 0, body,
         "1.06.00.00.0000"},
        {"older block", imgb::BuildOmbraImage({0x8000, Cbb("1.04.00.00.0000")}), ofw,
         start + signature + flashed, 0, body, "1.05.00.00.0000"},
        {"no block", plain, ofw, start + signature + flashed, 0, plain, "1.05.00.00.0000"},
        {"no signature",
         unsigned_,
         ofw,
         start + "\tERROR: Firmware Image does not have a valid signature.\n\n" + failed,
         1,
         {},
         "1.05.00.00.0000"},
        {"block past the end",
         pastEnd,
         ofw,
         start + signature +
             "\t\tERROR: Firmware image is damaged: the common boot block runs past the end of "
             "the file.\n" +
             failed,
         1,
         {},
         "1.05.00.00.0000"},
        {"empty file", {}, ofw, start + kFailed, 1, {}, "1.05.00.00.0000"},
        {"without advanced mode",
         withBlock,
         {"-fwombra", "fw.bin"},
         Selected("T470(C0)") + NotFound("04000035") + kUnable,
         1,
         {},
         "1.05.00.00.0000"},
    };
    const Bytes ombraBefore = imgb::BuildOmbraImage({0x400, {}});
    for (const OmbraRow& row : rows) {
        T470Lab("1.05.00.00.0000");
        PutRegion(0, "ombra.bin", ombraBefore);
        PutFile("fw.bin", row.file);
        const ProcessResult result = Run(row.arguments);
        EXPECT_EQ(kBanner + row.output, result.out) << row.name;
        EXPECT_EQ(row.exitStatus, result.exitStatus) << row.name;
        EXPECT_TRUE(
            Holds(row.ombraAfter.empty() ? ombraBefore : row.ombraAfter, Region(0, "ombra.bin")))
            << row.name;
        EXPECT_TRUE(Holds(Cbb(row.cbbAfter), Region(0, "cbb.bin"))) << row.name;
    }

    T420Lab();
    PutFile("fw.bin", withBlock);
    Expect({ofw,
            kAdvanced + Selected("T420(B0)") + kOmbraOp +
                "\tERROR: Adapter does not support flashing Ombra firmware!\n\n" + kFailed,
            1});
}

}  // namespace
