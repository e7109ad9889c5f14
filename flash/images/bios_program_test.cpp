// -b, -biosalt and -biosall run by the built tessel-emu: exact output, the boot services region
// the lab holds afterwards, and the VPD refresh on boards that keep versions there.
#include "flash/lab_test_files.h"
#include "flash/program_test_fixture.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

Bytes X86(uint16_t deviceId, uint16_t codeRevision, uint8_t minor = 0) {
    imgb::RomSpec spec;
    spec.deviceId = deviceId;
    spec.codeRevision = codeRevision;
    spec.versionBytes[1] = minor;
    spec.blocks = 2;
    return imgb::BuildRomImage(spec);
}

Bytes Efi(uint16_t deviceId, uint16_t codeRevision) {
    imgb::RomSpec spec;
    spec.codeType = imgb::kCodeTypeEfi;
    spec.deviceId = deviceId;
    spec.codeRevision = codeRevision;
    spec.blocks = 3;
    return imgb::BuildRomImage(spec);
}

Bytes Region(const std::vector<Bytes>& roms,
             const std::vector<imgb::TrailingRecord>& records = {}) {
    return imgb::BuildBootServicesRegion(roms, records);
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    WriteTextFile(path, std::string(bytes.begin(), bytes.end()));
}

const std::string kValidated =
    "\t\tValidating BIOS Image. . .\n\n\t\tBIOS Header Signature Valid.\n\n"
    "\t\tChecksum Passed: 00000000\n\n\t\tBIOS Image compatible with the SAS Controller.\n\n";
const std::string kAttempt = "\t\tAttempting to Flash BIOS Image. . .\n\n";
const std::string kFlashed = "\t\tBIOS Flash: SUCCESSFUL!\n\n";
const std::string kFlashFailed = "\t\tBIOS Flash: FAILED!\n\n";
const std::string kFlashBios = "\tExecuting Operation: Flash BIOS Image\n\n";
const std::string kFlashAlternate = "\tExecuting Operation: Flash BIOS Alternate Image\n\n";

// Manufacturing page 2 with the board's subsystem vendor at 0x0A.
Bytes Page2(uint16_t vendor) {
    Bytes payload(44);
    payload[0x0A - 4] = static_cast<uint8_t>(vendor);
    payload[0x0B - 4] = static_cast<uint8_t>(vendor >> 8);
    return StandardPage(0x09, 2, 0, payload);
}

imgb::VpdSpec BoardVpd(const std::string& v1, size_t v1Length = 12) {
    imgb::VpdSpec spec;
    spec.identifier = "Kelmar SAS HBA";
    std::string value = v1;
    value.resize(v1Length, '\0');
    spec.readOnly = {
        {"PN", "L3-25116-01A"}, {"V1", value}, {"V3", std::string("01.29.00.00") + '\0'}};
    return spec;
}

Bytes Page1(const imgb::VpdSpec& spec) {
    return StandardPage(0x09, 1, 0, imgb::BuildVpd(spec));
}

// IOC 0: a T420 (B0) answering to 0x0055, IOC 1: a T420E (B1) on a board of subsystem vendor
// 0x103C. Both keep a VPD with version keywords.
class BiosFlashTest : public TesselTest {
  protected:
    void SetUp() override {
        WriteController(lab_, 0, "pci_device_id = 0x0055\npci_revision = 1\npci_bus = 2\n");
        WriteController(lab_, 1,
                        "pci_device_id = 0x0058\npci_revision = 2\npci_bus = 5\n"
                        "subsystem_vendor_id = 0x103C\n");
        WritePage(lab_, 0, "09-2.nvram", Page2(0x1000));
        WritePage(lab_, 0, "09-1.nvram", Page1(BoardVpd("01.00.00.00")));
        WritePage(lab_, 1, "09-2.nvram", Page2(0x103C));
        WritePage(lab_, 1, "09-1.nvram", Page1(BoardVpd("01.00.00.00")));
    }
    Bytes Bios(int ioc) const { return ReadRegion(lab_, ioc, "bios.bin"); }
};

const std::vector<imgb::TrailingRecord> kFlashRecords = {{1, 0x102, 0x80}, {3, 0x112, 0x80}};

TEST_F(BiosFlashTest, PrimaryAndAlternatePlacement) {
    const Bytes primary = X86(0x0054, 0x0100);
    const Bytes alternate = X86(0x0055, 0x0100);
    const Bytes efi = Efi(0x0054, 0x2000);
    WriteFile(File("bios.rom"), X86(0x0054, 0x0200));
    const Bytes inFlash = Region({primary, alternate, efi}, kFlashRecords);

    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string mode;  // shown before the adapter choice
        std::string operation;
        Bytes before;
        Bytes after;
    } cases[] = {
        {"-b replaces the primary and keeps the alternate",
         {"-b", "bios.rom"},
         "",
         kFlashBios,
         inFlash,
         Region({X86(0x0054, 0x0200), alternate, efi}, kFlashRecords)},
        // The adapter answers to 0x0055, so the file is written as that id.
        {"-biosalt keeps the primary and puts the file behind it",
         {"-o", "-biosalt", "bios.rom"},
         "\tAdvanced Mode Set\n\n",
         kFlashAlternate,
         inFlash,
         Region({primary, X86(0x0055, 0x0200), efi}, kFlashRecords)},
        {"-b into an empty region writes the file alone",
         {"-b", "bios.rom"},
         "",
         kFlashBios,
         Bytes(),
         Region({X86(0x0054, 0x0200)})},
    };
    for (const auto& c : cases) {
        WriteRegion(lab_, 0, "bios.bin", c.before);
        Expect({c.arguments,
                c.mode + Selected("T420(B0)") + c.operation + kValidated + kAttempt + kFlashed +
                    kFinished,
                0});
        EXPECT_EQ(c.after, Bios(0)) << c.name;
    }
    // A board of another vendor keeps its VPD as it was.
    EXPECT_EQ(Page1(BoardVpd("01.00.00.00")), ReadPage(lab_, 0, "09-1.nvram"));
}

TEST_F(BiosFlashTest, BiosAllSkipsAnEqualVersionAndGoesOn) {
    const Bytes first = Region({X86(0x0054, 0x0107, 3), Efi(0x0054, 0x2000)});
    const Bytes second = Region({X86(0x0058, 0x0106, 9), Efi(0x0058, 0x2000)});
    WriteRegion(lab_, 0, "bios.bin", first);
    WriteRegion(lab_, 1, "bios.bin", second);
    WriteFile(File("bios.rom"), X86(0x0054, 0x0107, 3));
    Expect({{"-biosall", "bios.rom", "-c", "1"},
            "\tIgnoring All other commands except for output flags\n"
            "\n\tAttempting to flash Boot Service to Kelmar SAS T420(B0):\n\n" +
                kValidated + kAttempt +
                "\t\tBIOS Version in flash: 01070003\n"
                "\t\tBIOS Version from file: 01070003\n"
                "\t\tSkipping flash since file version is not greater than existing.\n\n" +
                kFlashFailed + "\n\tAttempting to flash Boot Service to Kelmar SAS T420E(B1):\n\n" +
                kValidated + kAttempt + kFlashed +
                // The file has no EFI image, so there is no version for V1.
                "\t\tUpdating VPD data!\n\t\tVPD update not needed\n\n " + kFinished,
            0});
    EXPECT_EQ(first, Bios(0));
    EXPECT_EQ(Region({X86(0x0058, 0x0107, 3), Efi(0x0058, 0x2000)}), Bios(1));
    EXPECT_EQ(Page1(BoardVpd("01.00.00.00")), ReadPage(lab_, 1, "09-1.nvram"));
}

TEST_F(BiosFlashTest, EfiDriverVersionGoesIntoTheVpd) {
    const Bytes x86 = X86(0x0058, 0x0106);
    WriteRegion(lab_, 1, "bios.bin", Region({x86, Efi(0x0058, 0x2000)}));
    // Code revision 0x2405: parts 1, 4, 0, 5.
    WriteFile(File("efi.rom"), Efi(0x0054, 0x2405));
    Expect({{"-c", "2", "-b", "efi.rom"},
            Selected("T420E(B1)") + kFlashBios + kValidated + kAttempt + kFlashed +
                "\t\tUpdating VPD data!\n\t\tVPD updated successfully.\n\n " + kFinished,
            0});
    EXPECT_EQ(Region({x86, Efi(0x0058, 0x2405)}), Bios(1));
    // The version text with its zero, and the checksum made good again.
    EXPECT_EQ(Page1(BoardVpd("01.04.00.05")), ReadPage(lab_, 1, "09-1.nvram"));

    // A V1 too short for the text is left alone.
    WritePage(lab_, 1, "09-1.nvram", Page1(BoardVpd("1.0", 8)));
    Expect({{"-c", "2", "-b", "efi.rom"},
            Selected("T420E(B1)") + kFlashBios + kValidated + kAttempt + kFlashed +
                "\t\tUpdating VPD data!\n\t\tVPD update not needed\n\n " + kFinished,
            0});
    EXPECT_EQ(Page1(BoardVpd("1.0", 8)), ReadPage(lab_, 1, "09-1.nvram"));

    // On the other vendor's board nothing is said about the VPD.
    WriteRegion(lab_, 0, "bios.bin", Region({X86(0x0054, 0x0106), Efi(0x0054, 0x2000)}));
    Expect({{"-b", "efi.rom"},
            Selected("T420(B0)") + kFlashBios + kValidated + kAttempt + kFlashed + kFinished,
            0});
    EXPECT_EQ(Page1(BoardVpd("01.00.00.00")), ReadPage(lab_, 0, "09-1.nvram"));
}

TEST_F(BiosFlashTest, FailuresLeaveTheRegionAsItWas) {
    const Bytes inFlash = Region({X86(0x0054, 0x0100), Efi(0x0054, 0x2000)});
    WriteRegion(lab_, 0, "bios.bin", inFlash);
    imgb::RomSpec foreign;
    foreign.deviceId = 0x0070;
    WriteFile(File("foreign.rom"), imgb::BuildRomImage(foreign));
    WriteFile(File("empty.rom"), {});
    WriteFile(File("bios.rom"), X86(0x0054, 0x0200));
    const std::string failed = kStopped + kUnable;
    const Case cases[] = {
        {{"-b", "foreign.rom"},
         Selected("T420(B0)") + kFlashBios +
             "\t\tValidating BIOS Image. . .\n\n\t\tBIOS Header Signature Valid.\n\n"
             "\t\tChecksum Passed: 00000000\n\n"
             "\t\tERROR: BIOS Image not compatible with the SAS Controller.\n\n" +
             failed,
         1},
        {{"-b", "empty.rom"},
         Selected("T420(B0)") + kFlashBios + "\t\tERROR: BIOS Image file is empty.\n\n" + failed,
         1},
        // Only the advanced table knows -biosalt.
        {{"-biosalt", "bios.rom"}, Selected("T420(B0)") + NotFound("04000029") + kUnable, 1},
    };
    for (const Case& c : cases) Expect(c);
    EXPECT_EQ(inFlash, Bios(0));

    // The region cannot be read: nothing is downloaded in its place.
    WriteController(lab_, 0,
                    "pci_device_id = 0x0055\npci_revision = 1\npci_bus = 2\n"
                    "reply_status = function=0x12 status=0x0007\n");
    Expect({{"-b", "bios.rom"},
            Selected("T420(B0)") + kFlashBios + kValidated + kAttempt +
                "\t\tERROR: Unable to read the boot services region from the controller.\n" +
                kFlashFailed + failed,
            1});
    EXPECT_EQ(inFlash, Bios(0));
}

}  // namespace
