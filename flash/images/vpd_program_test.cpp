// -vpd and -showvpd run by the built tessel-emu: the VPD text programmed into the lab's NVRAM copy
// of manufacturing page 1, shown again by -showvpd, and the refusals that leave the page alone.
#include "flash/lab_test_files.h"
#include "flash/program_test_fixture.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

const std::string kAdvanced = "\tAdvanced Mode Set\n\n";
const std::string kStart = kAdvanced + Selected("T420E(B1)");
const std::string kFailed = kStopped + kUnable;
const std::string kParseOp = "\tExecuting Operation: Parse VPD\n\n";
const std::string kProgrammingFailed = "\t\tERROR:  VPD programming failed!\n\n";
const std::string kRule = "\n" + std::string(79, '=');

// A page 1 whose VPD area holds a marker pattern, so that what -vpd leaves alone shows.
Bytes OldPage() {
    Bytes payload(256);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i ^ 0x5A);
    payload[0] = 0x11;  // not an identifier tag
    return StandardPage(0x09, 1, 1, payload);
}

Bytes PageWithVpd(const Bytes& vpd) {
    Bytes page = OldPage();
    std::copy(vpd.begin(), vpd.end(), page.begin() + 4);
    return page;
}

const std::string kBoardText =
    "; VPD of a test board\n"
    "LR_ID_STRING_TAG = 0x82\n"
    "LR_ID_STRING_LENGTH = 0x0014\n"
    "LR_ID_STRING = \"Kelmar SAS T420E HBA\"\n"
    "LR_VPD_TAG = 0x90\n"
    "LR_VPD_LENGTH = 0x0030\n"
    "VPD_KEYWORD = PN  VPD_LENGTH = 0x0C  VPD_DATA = \"K3-25120-01A\"\n"
    "VPD_KEYWORD = SN  VPD_LENGTH = 0x0B  VPD_DATA = P0051200007\n"
    "VPD_KEYWORD = V3  VPD_LENGTH = 0x0C  VPD_DATA = RESERVED\n"
    "VPD_KEYWORD = RV  VPD_LENGTH = 0x01  VPD_DATA = CHECKSUM\n"
    "LR_VPD_TAG = 0x91\n"
    "LR_VPD_LENGTH = 0x0024\n"
    "VPD_KEYWORD = YA  VPD_LENGTH = 0x05  VPD_DATA = \"rack7\"\n"
    "VPD_KEYWORD = RW  VPD_LENGTH = 0x19  VPD_DATA = RESERVED\n"
    "SR_END_TAG\n";

// The same VPD from the image builder, up to its end tag.
Bytes BoardVpd() {
    imgb::VpdSpec spec;
    spec.identifier = "Kelmar SAS T420E HBA";
    spec.readOnly = {{"PN", "K3-25120-01A"}, {"SN", "P0051200007"}, {"V3", std::string(12, '\0')}};
    spec.writable = {{"YA", "rack7"}};
    spec.rwSize = 25;
    Bytes vpd = imgb::BuildVpd(spec);
    while (!vpd.empty() && vpd.back() == 0) vpd.pop_back();
    return vpd;
}

const std::string kBoardDisplay = kRule +
                                  "\nVITAL PRODUCT DATA "
                                  "\n================== "
                                  "\n (  )  Product Name:             Kelmar SAS T420E HBA "
                                  "\n (PN)  Board Part Number:        K3-25120-01A  "
                                  "\n (SN)  Serial Number:            P0051200007  "
                                  "\n (V3)  Board Firmware Version:     "
                                  "\n (RV)  Checksum:                 0x%02x "
                                  "\n (YA)  Asset Tag:                rack7  "
                                  "\n (RW)  Remaining:                0x19 " +
                                  kRule + "\n";

std::string BoardDisplay(uint8_t checksum) {
    char text[1024];
    std::snprintf(text, sizeof text, kBoardDisplay.c_str(), checksum);
    return text;
}

class VpdTest : public TesselTest {
  protected:
    void SetUp() override {
        WriteController(lab_, 0, "pci_device_id = 0x0058\npci_revision = 2\n");
        WritePage(lab_, 0, "09-1.nvram", OldPage());
        WritePage(lab_, 0, "09-1.current", OldPage());
        WriteController(lab_, 1, "pci_device_id = 0x0054\npci_revision = 1\n");
        WritePage(lab_, 1, "09-1.current", OldPage());
        WriteTextFile(File("board.vpd"), kBoardText);
    }
    Bytes Nvram() { return ReadPage(lab_, 0, "09-1.nvram"); }
};

TEST_F(VpdTest, ProgramThenShow) {
    const Bytes vpd = BoardVpd();
    ASSERT_EQ(0x78, vpd.back());
    const uint8_t checksum = vpd[3 + 20 + 3 + 48 - 1];
    Expect({{"-o", "-vpd", "board.vpd", "-showvpd"},
            kStart + kParseOp +
                "\t\tFile Successfully Parsed\n"
                "\t\tManufacturing Page 1 Read Successfully\n"
                "\t\tManufacturing Page 1 Written Successfully\n" +
                BoardDisplay(checksum) + kFinished,
            0});
    // The VPD bytes are the builder's; the page's bytes after them keep their old values.
    EXPECT_EQ(PageWithVpd(vpd), Nvram());
    // Only the NVRAM copy was written.
    EXPECT_EQ(OldPage(), ReadPage(lab_, 0, "09-1.current"));

    // The bytes through the checksum sum to zero.
    uint8_t sum = 0;
    for (size_t i = 0; i < 3 + 20 + 3 + 48; ++i) sum = uint8_t(sum + vpd[i]);
    EXPECT_EQ(0, sum);

    // A later run shows the same from NVRAM.
    Expect({{"-o", "-showvpd"}, kStart + BoardDisplay(checksum) + kFinished, 0});
}

TEST_F(VpdTest, ParseErrorsWriteNothing) {
    const struct {
        const char* name;
        std::string text;
        std::string lines;
    } rows[] = {
        {"wrong data length",
         "LR_ID_STRING_TAG 0x82 LR_ID_STRING_LENGTH 0x1 LR_ID_STRING X\n"
         "VPD_KEYWORD PN VPD_LENGTH 0x04 VPD_DATA abc\nSR_END_TAG\n",
         "\t\tERROR: VPD Value \"abc\"\n\t\tExpected Length 4 Actual Length 3.\n"
         "\t\tERROR parsing VPD keyword information! abc\n"},
        {"no identifier", "; nothing here\n", "\t\tERROR parsing VPD ID_STRING not found!\n"},
        {"too long", kBoardText + "VPD_KEYWORD V0 VPD_LENGTH 0xFF VPD_DATA RESERVED\n",
         "\t\tERROR: VPD data is longer than 256 bytes.\n"},
        {"long token",
         "LR_ID_STRING_TAG 0x82 LR_ID_STRING_LENGTH 0x40 LR_ID_STRING \"" + std::string(64, 'n') +
             "\"\n",
         "\t\tERROR: VPD token on line 1 is longer than 63 characters.\n"},
    };
    for (const auto& row : rows) {
        WriteTextFile(File("bad.vpd"), row.text);
        Expect({{"-o", "-vpd", "bad.vpd"},
                kStart + kParseOp + row.lines + kProgrammingFailed + kFailed,
                1});
        EXPECT_EQ(OldPage(), Nvram()) << row.name;
    }
    // A page without an NVRAM copy is not written either.
    Expect({{"-o", "-c", "2", "-vpd", "board.vpd"},
            kAdvanced + Selected("T420(B0)") + kParseOp + "\t\tFile Successfully Parsed\n" +
                kProgrammingFailed + kFailed,
            1});
    EXPECT_EQ(OldPage(), ReadPage(lab_, 1, "09-1.current"));
}

TEST_F(VpdTest, ShowWhatThePageHolds) {
    const struct {
        const char* name;
        Bytes vpd;
        std::string output;
        int exitStatus;
    } rows[] = {
        {"not programmed",
         {0x00},
         "\n VPD information is not programmed on this controller \n" + kFinished,
         0},
        // Keywords after the first unlisted one are not shown; "  " is the table's first row.
        {"unlisted keyword ends a resource",
         {0x82, 0x02, 0x00, 'I', 'D', 0x90, 0x10, 0x00, 'S', 'N',  0x02, 'a', 'b',
          ' ',  ' ',  0x01, 'p', 'Z', 'Z',  0x00, 'M',  'N', 0x00, 0x00, 0x78},
         kRule +
             "\nVITAL PRODUCT DATA \n================== \n (  )  Product Name:             ID "
             "\n (SN)  Serial Number:            ab  "
             "\n (  )  Product Name:             p  " +
             kRule + "\n" + kFinished,
         0},
        {"no end tag",
         {0x82, 0x01, 0x00, 'X', 0x90, 0x04, 0x00, 'R', 'V', 0x01, 0x42, 0x00},
         kRule +
             "\nVITAL PRODUCT DATA \n================== \n (  )  Product Name:             X "
             "\n (RV)  Checksum:                 0x42 " +
             kRule + "\n\n VPD information incomplete \n" + kFailed,
         1},
    };
    for (const auto& row : rows) {
        Bytes page = OldPage();
        std::fill(page.begin() + 4, page.end(), 0);
        std::copy(row.vpd.begin(), row.vpd.end(), page.begin() + 4);
        WritePage(lab_, 0, "09-1.nvram", page);
        Expect({{"-o", "-showvpd"}, kStart + row.output, row.exitStatus});
    }
    // Resources that run past the VPD's end.
    Bytes page = OldPage();
    std::fill(page.begin() + 4, page.end(), 0);
    const Bytes start = {0x82, 0x01, 0x00, 'X', 0x91, 0xFC, 0x00};
    std::copy(start.begin(), start.end(), page.begin() + 4);
    WritePage(lab_, 0, "09-1.nvram", page);
    Expect({{"-o", "-showvpd"},
            kStart + kRule +
                "\nVITAL PRODUCT DATA \n================== \n (  )  Product Name:             X " +
                kRule + "\n\n VPD information incomplete \n" + kFailed,
            1});
    // No NVRAM copy: the command fails without a line of its own.
    Expect({{"-o", "-c", "2", "-showvpd"}, kAdvanced + Selected("T420(B0)") + kFailed, 1});
    Expect({{"-showvpd"}, Selected("T420E(B1)") + NotFound("0500000E") + kUnable, 1});
}

}  // namespace
