// The listings run by the built tessel-emu: exact output, the no-image and failure forms, and the
// script output of -detectfw and -detectbsd that bypasses the message path.
#include "flash/lab_test_files.h"
#include "flash/program_test_fixture.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

Bytes Firmware(uint16_t deviceId, uint8_t revision, uint32_t version) {
    imgb::FirmwareSpec spec;
    EXPECT_TRUE(imgb::StandardFirmwareSpec(deviceId, revision, version, &spec));
    return imgb::BuildFirmwareImage(spec);
}

Bytes Rom(uint8_t codeType, uint16_t deviceId, uint16_t codeRevision, uint8_t minor) {
    imgb::RomSpec spec;
    spec.codeType = codeType;
    spec.deviceId = deviceId;
    spec.codeRevision = codeRevision;
    spec.versionBytes[1] = minor;
    spec.blocks = 1;
    return imgb::BuildRomImage(spec);
}

// Manufacturing page 5: the SAS address, low word at 4 and high word at 8.
Bytes SasAddressPage(uint64_t address) {
    Bytes payload(28);
    for (int i = 0; i < 4; ++i) {
        payload[i] = static_cast<uint8_t>(address >> (8 * i));
        payload[4 + i] = static_cast<uint8_t>(address >> (32 + 8 * i));
    }
    return StandardPage(0x09, 5, 2, payload);
}

// SAS IO unit page 0 (extended, 8 dwords) with the default and persistent NVDATA versions.
Bytes SasIoUnitPage(uint16_t defaults, uint16_t persistent) {
    Bytes page = {0x04,
                  0,
                  0,
                  0x0F,
                  8,
                  0,
                  0x10,
                  0,
                  static_cast<uint8_t>(defaults),
                  static_cast<uint8_t>(defaults >> 8),
                  static_cast<uint8_t>(persistent),
                  static_cast<uint8_t>(persistent >> 8),
                  1};
    page.resize(32);
    return page;
}

const std::string kHeader =
    " Num   Ctlr      FW Ver     NVDATA   x86-BIOS     EFI-BSD    PCI Addr\n" +
    std::string(71, '-') + "\n\n";
const std::string kUploadError = "\t\tERROR: Failed to Upload Firmware!\n";
// The failure forms of the firmware, x86-BIOS and EFI-BSD columns.
const std::string kNoUpload =
    "-----------  ----------" + std::string("-----------") + "-----------";

// IOC 0: a T420E (B1) with firmware 1.32, a full BIOS region and its pages. IOC 3: a T420 (B0)
// with firmware 1.29, an empty BIOS region, a SAS address page that refuses to be read and no
// SAS IO unit page. IOC 5: a T470 (C0) whose uploads are refused. IOC 7: a T410E (B0) whose
// controller requests all fail.
class ListingTest : public TesselTest {
  protected:
    void SetUp() override {
        WriteController(lab_, 0, "pci_device_id = 0x0058\npci_revision = 2\npci_bus = 2\n");
        WriteRegion(lab_, 0, "firmware.bin", Firmware(0x0058, 2, 0x01200000));
        WriteRegion(lab_, 0, "bios.bin",
                    imgb::BuildBootServicesRegion({Rom(imgb::kCodeTypeX86, 0x58, 0x0102, 5),
                                                   Rom(imgb::kCodeTypeX86, 0x59, 0x0103, 7),
                                                   Rom(imgb::kCodeTypeEfi, 0x58, 0x2405, 0),
                                                   Rom(imgb::kCodeTypeFcode, 0x58, 0x0004, 1)},
                                                  {}));
        WritePage(lab_, 0, "09-5.nvram", SasAddressPage(0x5000ABC000000100));
        WritePage(lab_, 0, "0f-10-0.current", SasIoUnitPage(0x2D03, 0x2D02));

        WriteController(lab_, 3,
                        "pci_device_id = 0x0054\npci_revision = 1\npci_bus = 5\n"
                        "reply_status = function=0x04 page_type=0x09 page_number=5 "
                        "status=0x0022\n");
        WriteRegion(lab_, 3, "firmware.bin", Firmware(0x0054, 1, 0x011D0000));
        WritePage(lab_, 3, "09-5.nvram", SasAddressPage(0x5000ABC000000300));

        WriteController(lab_, 5,
                        "pci_device_id = 0x0062\npci_revision = 2\npci_bus = 0x0a\n"
                        "reply_status = function=0x12 status=0x0007\n");
        WritePage(lab_, 5, "09-5.nvram", SasAddressPage(0x5000ABC000000500));

        WriteController(lab_, 7,
                        "pci_device_id = 0x0056\npci_revision = 1\npci_bus = 0x0c\n"
                        "fail_ioctl = command\n");
    }
};

TEST_F(ListingTest, ListAll) {
    const std::string table =
        kHeader +
        "1   T420E(B1)  01.32.00.00  2d.03  01.02.00.05  01.04.00.05  00:02:00:00\n"
        "2   T420(B0)  01.29.00.00  2d.03   No Image     No Image   00:05:00:00\n"
        "3   T470(C0) " +
        kNoUpload + " 00:0a:00:00\n" + kUploadError + kUploadError + kUploadError +
        "4   T410E(B0) " + kNoUpload + " 00:0c:00:00\n\n";
    Expect({{"-listall"}, Selected("T420E(B1)") + table + kFinished, 0});
    // The adapter current before the listing is current again afterwards.
    Expect({{"-o", "-listall", "-listsasadd"},
            "\tAdvanced Mode Set\n\n" + Selected("T420E(B1)") + table +
                "\tThe SAS Address for the controller is: 5000abc-0-0000-0100\n\n" + kFinished,
            0});
}

TEST_F(ListingTest, ListOneController) {
    const std::string full =
        "Controller Number:     \t\t1\n"
        "Controller:            \t\tT420E(B1)\n"
        "PCI Address:           \t\t00:02:00:00\n"
        "SAS Address:           \t\t5000abc-0-0000-0100\n"
        "NVDATA Version (Default):   \t0x2d03\n"
        "NVDATA Version (Persistent):\t0x2d02\n"
        "Product ID:            \t\t0x2204\n"
        "Firmware Version:      \t\t01.32.00.00\n"
        "NVDATA Vendor:         \t\tKELMAR  \n"
        "NVDATA Product ID:     \t\tSAS T420E       \n"
        "BIOS Version:          \t\t01.02.00.05\n"
        "BIOS Alternate Version:         01.03.00.07\n"
        "EFI BSD Version:       \t\t01.04.00.05\n"
        "FCODE Version:          \t\t00.04.00.01\n";
    const std::string undetermined =
        "Controller Number:     \t\t2\n"
        "Controller:            \t\tT420(B0)\n"
        "PCI Address:           \t\t00:05:00:00\n"
        "SAS Address:               \t\tUndetermined\n"
        "NVDATA Version (Default):  \tUndetermined\n"
        "NVDATA Version (Persistant):  \tUndetermined\n"
        "Product ID:            \t\t0x2202\n"
        "Firmware Version:      \t\t01.29.00.00\n"
        "NVDATA Vendor:         \t\tKELMAR  \n"
        "NVDATA Product ID:     \t\tSAS T420        \n"
        "BIOS Version:          \t\tN/A\n"
        "BIOS Alternate Version:         N/A\n"
        "EFI BSD Version:       \t\tN/A\n"
        "FCODE Version:         \t\tN/A\n";
    const std::string noImages =
        "Controller Number:     \t\t3\n"
        "Controller:            \t\tT470(C0)\n"
        "PCI Address:           \t\t00:0a:00:00\n"
        "SAS Address:           \t\t5000abc-0-0000-0500\n"
        "NVDATA Version (Default):  \tUndetermined\n"
        "NVDATA Version (Persistant):  \tUndetermined\n"
        "Firmware information could not be retrieved\n"
        "BIOS information could not be retrieved\n";
    const Case cases[] = {
        {{"-list"}, Selected("T420E(B1)") + full + kFinished, 0},
        // Everything is printed, then the unknown address fails the command.
        {{"-c", "2", "-list"}, Selected("T420(B0)") + undetermined + kStopped + kUnable, 1},
        {{"-c", "3", "-list"}, Selected("T470(C0)") + noImages + kStopped + kUnable, 1},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(ListingTest, SasAddress) {
    const Case cases[] = {
        {{"-o", "-listsasadd"},
         "\tAdvanced Mode Set\n\n" + Selected("T420E(B1)") +
             "\tThe SAS Address for the controller is: 5000abc-0-0000-0100\n\n" + kFinished,
         0},
        {{"-o", "-c", "2", "-listsasadd"},
         "\tAdvanced Mode Set\n\n" + Selected("T420(B0)") +
             "\tERROR: The SAS Address for the controller could not be determined.\n\n" + kStopped +
             kUnable,
         1},
        {{"-listsasadd"}, Selected("T420E(B1)") + NotFound("06000017") + kUnable, 1},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(ListingTest, DetectForScripts) {
    const std::string advanced = "\tAdvanced Mode Set\n\n";
    const Case cases[] = {
        // IOC 5 and IOC 7 have no firmware to show, so two lines for four controllers.
        {{"-o", "-detectfw"},
         advanced + Selected("T420E(B1)") + kUploadError + "1.32.0.0\n1.29.0.0" + kFinished,
         0},
        {{"-o", "-s", "-detectfw"},
         advanced + Selected("T420E(B1)") + kUploadError + "1.32.0.0\n1.29.0.0" + kFinished,
         0},
        // Only IOC 0 has an EFI driver.
        {{"-o", "-detectbsd"},
         advanced + Selected("T420E(B1)") + kUploadError + "1.4.0.5" + kFinished,
         0},
        // The previously current adapter is current again afterwards.
        {{"-o", "-detectbsd", "-listsasadd"},
         advanced + Selected("T420E(B1)") + kUploadError + "1.4.0.5" +
             "\tThe SAS Address for the controller is: 5000abc-0-0000-0100\n\n" + kFinished,
         0},
        {{"-detectfw"}, Selected("T420E(B1)") + NotFound("06000037") + kUnable, 1},
    };
    for (const Case& c : cases) Expect(c);

    // Nothing of the script output goes into the log.
    EXPECT_EQ(0, Run({"-o", "-l", "run.log", "-detectfw"}).exitStatus);
    const std::string log = ReadTextFile(File("run.log"));
    EXPECT_EQ(Selected("T420E(B1)") + kUploadError + kFinished, log);
}

// A T470, whose flash also holds a common boot block.
class RaidOnChipListingTest : public TesselTest {
  protected:
    void SetUp() override {
        WriteController(lab_, 0, "pci_device_id = 0x0062\npci_revision = 2\n");
        WriteRegion(lab_, 0, "firmware.bin", Firmware(0x0062, 2, 0x01200000));
        WritePage(lab_, 0, "09-5.nvram", SasAddressPage(0x5000ABC000000600));
        WritePage(lab_, 0, "0f-10-0.current", SasIoUnitPage(0x2D03, 0x2D03));
    }
    std::string Expected(const std::string& cbbLine) const {
        return Selected("T470(C0)") +
               "Controller Number:     \t\t1\n"
               "Controller:            \t\tT470(C0)\n"
               "PCI Address:           \t\t00:00:00:00\n"
               "SAS Address:           \t\t5000abc-0-0000-0600\n"
               "NVDATA Version (Default):   \t0x2d03\n"
               "NVDATA Version (Persistent):\t0x2d03\n"
               "Product ID:            \t\t0x2203\n"
               "Firmware Version:      \t\t01.32.00.00\n" +
               cbbLine +
               "NVDATA Vendor:         \t\tKELMAR  \n"
               "NVDATA Product ID:     \t\tSAS T470        \n"
               "BIOS Version:          \t\tN/A\n"
               "BIOS Alternate Version:         N/A\n"
               "EFI BSD Version:       \t\tN/A\n"
               "FCODE Version:         \t\tN/A\n" +
               kFinished;
    }
};

TEST_F(RaidOnChipListingTest, CommonBootBlockLine) {
    imgb::CbbSpec spec;
    spec.version = "1.05.00.00.0012";
    WriteRegion(lab_, 0, "cbb.bin", imgb::BuildCommonBootBlock(spec));
    Expect({{"-list"}, Expected("Common Boot Block Version:    \t1.05.00.00.0012\n"), 0});

    spec.badMagic = true;
    WriteRegion(lab_, 0, "cbb.bin", imgb::BuildCommonBootBlock(spec));
    Expect({{"-list"}, Expected("Common Boot Block Version:    \tInvalid CBB Image\n"), 0});
}

}  // namespace
