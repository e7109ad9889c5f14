// -concat end to end: the built tessel-emu turns firmware images from the image builder and NVDATA
// texts into firmware files. Their bytes are checked where the NVDATA layout fixes them, -f flashes
// them onto an emulated controller of the same chip, and every refusal leaves the output empty.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <utility>

#include "common/bytes.h"
#include "flash/program_test_fixture.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

const std::string kAdvanced = "\tAdvanced Mode Set\n\n";
const std::string kConcatOp = "\tExecuting Operation: Concatenate Firmware Image\n\n";
const std::string kParsed = "\t\tNVDATA File Successfully Parsed. . .\n\n";
const std::string kCreated = "\tFirmware Image Created Successfully!\n\n";
const std::string kNotCreated = "\tFirmware Image Creation Failed!\n\n";
const std::string kParserExit = "\t\tExiting Parser due to Failure.\n\n";
const std::string kMidPage = "\t\tERROR: File should not end on the middle of a page.\n";
const std::string kNoBootloader =
    "\tERROR: Firmware Image does not have a valid BootLoader image.\n";
const std::string kCannotLink =
    "\t\tERROR: The NVDATA image cannot be linked into this firmware image.\n";
const std::string kFailed = kStopped + kUnable;

constexpr uint16_t kT410 = 0x0050;
constexpr uint16_t kT420 = 0x0054;
constexpr uint16_t kT420E = 0x0058;
constexpr uint16_t kT470 = 0x0062;
constexpr uint32_t kLoadAddress = 0x00FF8000;  // NvdataLoadStartAddress of the builder's images
constexpr size_t kExtHeader = 24;
constexpr size_t kOutputBuffer = 0xC0000;

std::string AsText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
Bytes AsBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}
Bytes Slice(const Bytes& bytes, size_t at, size_t count) {
    if (at > bytes.size()) return {};
    count = std::min(count, bytes.size() - at);
    return Bytes(bytes.begin() + at, bytes.begin() + at + count);
}
std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

bool IsCbb(const imgb::ExtendedImage& e) {
    return e.imageType == imgb::kExtTypeInitialization && e.payload.size() >= 0x14 &&
           std::string(e.payload.begin() + 0x10, e.payload.begin() + 0x14) == "BTBL";
}
bool IsInit(const imgb::ExtendedImage& e) {
    return e.imageType == imgb::kExtTypeInitialization && !IsCbb(e);
}
std::function<bool(const imgb::ExtendedImage&)> OfType(uint8_t type) {
    return [type](const imgb::ExtendedImage& e) { return e.imageType == type; };
}

using Tweak = std::function<void(imgb::FirmwareSpec&)>;

// The builder's standard firmware for a chip (bootloader; for a T470 also the initialization
// image and a common boot block; an NVDATA image last), made for NVDATA major version 0x2D00.
Bytes Firmware(uint16_t device, uint8_t revision, const Tweak& tweak = {}) {
    imgb::FirmwareSpec spec;
    EXPECT_TRUE(imgb::StandardFirmwareSpec(device, revision, 0x01200000, &spec));
    spec.nvdataMajorVersion = 0x2D00;
    if (tweak) tweak(spec);
    return imgb::BuildFirmwareImage(spec);
}
Tweak Without(std::function<bool(const imgb::ExtendedImage&)> match) {
    return [match](imgb::FirmwareSpec& spec) { std::erase_if(spec.extendedImages, match); };
}

// A text for the chip with the vendor and product ids of the builder's firmware, so that -f finds
// them matching the running firmware's; `more` follows.
std::string Text(uint16_t device, const std::string& chip, const std::string& more = "") {
    std::string product = "SAS " + chip;
    product.resize(16, ' ');
    return "SASDATA_VERSION_CHECK 0x2D ; the one version\n"
           "SECTION_GENERAL_DATA\n"
           "    USER_VERSION 03\n"
           "    NVDATA_VENDORID \"KELMAR  \"\n"
           "    NVDATA_PRODUCTID \"" +
           product +
           "\"\n"
           "END_SECTION\n"
           "SECTION_IOC_MFG_PAGE_2\n"
           "    DEVICE_ID=0x" +
           Hex4(device) + "\nEND_SECTION\n" + more;
}

// Values the layout check finds again in the records.
const std::string kRichSections =
    "SECTION_IOC_MFG_PAGE_2\n"
    "    SSID_FCN_0 0x3050\n"
    "    VENDOR_ID_0 0x1000\n"
    "    CC_1_BASE_CLASS 01\n"
    "    AUTODOWNLOAD_CHECKSUM 0x55 ; replaced by the computed one\n"
    "    OPTIONROMOFFSETFUNC1 FFFFFFFF ; past the checksummed bytes\n"
    "END_SECTION\n"
    "SECTION_IO_UNIT_PAGE_1 PAGE_VERSION 0x77 IO_UNIT_PAGE_1_FLAGS AABBCCDD END_SECTION\n"
    "SECTION_SAS_IO_UNIT_1\n"
    "    FORCEUPDATE 1\n"
    "    CONTROLFLAGS= 0x1234\n"
    "END_SECTION\n"
    "SECTION_PERSISTENT_ID FORCEUPDATE 1 PERSISTID_SASADDRESS_LOW_0 0x99 END_SECTION\n"
    "SECTION_MANUFACTURING_PAGE_6 MAN_6_FLAGS 66666666 END_SECTION\n"
    "SECTION_MANUFACTURING_PAGE_8 MAN_8_FLAGS 88888888 END_SECTION\n"
    "SECTION_LOG_0 ALL 0xBEEF END_SECTION\n";

// The record order of the NVDATA image: page type (extended type) / number, page length, header.
struct RecordLayout {
    uint8_t type;
    uint8_t number;
    uint16_t length;
    uint8_t header;
    bool t470Only = false;
};
constexpr uint8_t kPersistentId = 0xEE;
const RecordLayout kRecords[] = {
    {9, 0, 76, 4},        {9, 1, 260, 4},
    {9, 2, 48, 4},        {9, 3, 244, 4},
    {9, 4, 112, 4},       {9, 5, 88, 4},
    {9, 6, 124, 4, true}, {9, 7, 260, 4},
    {9, 8, 36, 4, true},  {0, 0, 12, 4},
    {0, 1, 8, 4},         {0, 2, 32, 4},
    {0, 3, 72, 4},        {0, 4, 20, 4},
    {1, 0, 28, 4},        {1, 1, 16, 4},
    {1, 2, 20, 4},        {1, 3, 12, 4},
    {1, 4, 12, 4},        {1, 5, 16, 4},
    {1, 6, 60, 4},        {16, 0, 144, 8},
    {16, 1, 116, 8},      {16, 2, 20, 8},
    {16, 3, 44, 8},       {17, 0, 36, 8},
    {17, 1, 40, 8},       {18, 0, 36, 8},
    {18, 1, 48, 8},       {18, 2, 20, 8},
    {19, 0, 36, 8},       {19, 1, 28, 8},
    {21, 0, 40, 8},       {kPersistentId, 0, 0, 0},
    {8, 0, 44, 4},        {8, 1, 80, 4},
    {10, 0, 120, 4},      {10, 1, 36, 4},
    {2, 1, 32, 4},        {2, 2, 100, 4},
    {2, 4, 12, 4},        {20, 0, 60, 8},
};

using PageKey = std::pair<int, int>;

// What the layout check found: each record's page data and force-update flag.
struct NvdataView {
    std::map<PageKey, Bytes> data;
    std::map<PageKey, bool> force;
};

uint8_t Sum(const Bytes& bytes) {
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = uint8_t(sum + b);
    return sum;
}

// Header, identity signature, directory and records, from the record order alone.
NvdataView CheckNvdataImage(const Bytes& nv, bool t470) {
    NvdataView view;
    ByteReader r(nv.data(), nv.size());
    const uint32_t entries = t470 ? 42 : 40;
    EXPECT_EQ(t470 ? 3032u : 2856u, nv.size());
    EXPECT_EQ(0x566F726Cu, r.U32(0x00));
    EXPECT_EQ(0xF8, r.U8(0x04));
    EXPECT_EQ(0, r.U8(0x05));
    EXPECT_EQ(nv.size(), r.U16(0x06)) << "length field";
    EXPECT_EQ(0x2D03, r.U16(0x08)) << "USER_VERSION OR 0x2D00";
    EXPECT_EQ(0, r.U16(0x0A));
    EXPECT_EQ((Bytes{0x09, 0x02, 0x01, 0x10}), Slice(nv, 0x0C, 4));
    EXPECT_EQ(entries, r.U32(0x10));
    EXPECT_EQ(t470 ? 21u : 19u, r.U32(0x14));
    EXPECT_EQ(Bytes(12, 0), Slice(nv, 0x18, 12));
    EXPECT_EQ(0x51756962u, r.U32(0x24));

    size_t directory = 0x64;
    size_t data = 0x64 + 8 * entries;
    for (const RecordLayout& record : kRecords) {
        if (record.t470Only && !t470) continue;
        const PageKey key{record.type, record.number};
        SCOPED_TRACE("record " + std::to_string(key.first) + "/" + std::to_string(key.second));
        const uint8_t byte3 = r.U8(directory + 3);
        view.force[key] = (byte3 & 0x10) != 0;
        EXPECT_EQ(0, byte3 & 0xE0);
        EXPECT_EQ(record.number, byte3 & 0x0F);
        EXPECT_EQ(record.type, r.U8(directory + 2));
        EXPECT_EQ(0, r.U16(directory + 6));
        if (record.type == kPersistentId) {
            EXPECT_EQ(0x003C, r.U16(directory));
            EXPECT_EQ(0x7FFF, r.U16(directory + 4));
            directory += 8;
            continue;
        }
        const size_t length = record.length - record.header;
        EXPECT_EQ((length / 4) << 4 | 0xC, r.U16(directory));
        EXPECT_EQ(data / 4, r.U16(directory + 4));
        EXPECT_EQ(0xFC, r.U8(data));
        EXPECT_EQ(0x7FFF, r.U16(data + 2));
        const Bytes page = Slice(nv, data + 4, length);
        EXPECT_EQ(0, uint8_t(Sum(page) + r.U8(data + 1))) << "record checksum";
        view.data[key] = page;
        directory += 8;
        data += 4 + length;
    }
    EXPECT_EQ(nv.size(), data) << "records end the image without gaps";
    return view;
}

struct ChainImage {
    size_t offset;
    uint32_t size;
};
// The input's extended images, walked from its main header.
std::vector<ChainImage> Chain(const Bytes& firmware) {
    ByteReader r(firmware.data(), firmware.size());
    std::vector<ChainImage> chain;
    for (size_t at = r.U32(0x30); at != 0 && chain.size() < 16; at = r.U32(at + 0x0C))
        chain.push_back({at, r.U32(at + 0x08)});
    return chain;
}

// The output: the input's main image and its first `kept` extended images, unchanged but for the
// link and checksum of the last one when it ended the chain, then the new NVDATA extended image.
NvdataView CheckOutput(const Bytes& firmware, const Bytes& out, size_t kept, bool patched,
                       bool t470) {
    const std::vector<ChainImage> chain = Chain(firmware);
    size_t nvdataAt = ByteReader(firmware.data(), firmware.size()).U32(0x2C);
    for (size_t i = 0; i < kept; ++i) nvdataAt += chain[i].size;
    const size_t nvdataLength = t470 ? 3032 : 2856;
    EXPECT_EQ(nvdataAt + kExtHeader + nvdataLength, out.size());
    ByteReader r(out.data(), out.size());

    Bytes expectedHead = Slice(firmware, 0, nvdataAt);
    if (patched) {
        const ChainImage& last = chain[kept - 1];
        EXPECT_EQ(0u, ByteReader(firmware.data(), firmware.size()).U32(last.offset + 0x0C));
        EXPECT_EQ(nvdataAt, r.U32(last.offset + 0x0C)) << "link to the new NVDATA";
        EXPECT_EQ(0u, imgb::WordSum(out.data() + last.offset, last.size)) << "its checksum";
        // Link and checksum aside, it is the input's image.
        ByteWriter(expectedHead.data(), expectedHead.size()).U32(last.offset + 0x0C, nvdataAt);
        ByteWriter(expectedHead.data(), expectedHead.size())
            .U32(last.offset + 0x04, r.U32(last.offset + 0x04));
    }
    EXPECT_EQ(expectedHead, Slice(out, 0, nvdataAt)) << "main image and kept images";

    EXPECT_EQ(3, r.U8(nvdataAt));
    EXPECT_EQ((Bytes{0, 0, 0}), Slice(out, nvdataAt + 1, 3));
    EXPECT_EQ(kExtHeader + nvdataLength, r.U32(nvdataAt + 0x08));
    EXPECT_EQ(0u, r.U32(nvdataAt + 0x0C));
    EXPECT_EQ(kLoadAddress, r.U32(nvdataAt + 0x10));
    EXPECT_EQ(0u, r.U32(nvdataAt + 0x14));
    EXPECT_EQ(0u, imgb::WordSum(out.data() + nvdataAt, kExtHeader + nvdataLength))
        << "extended header checksum";
    EXPECT_EQ(0u, imgb::WordSum(out.data(), out.size())) << "whole file";
    return CheckNvdataImage(Slice(out, nvdataAt + kExtHeader, nvdataLength), t470);
}

// The values of kRichSections, found again.
void CheckRichValues(const NvdataView& view, uint16_t device) {
    const bool t470 = device == kT470;
    const Bytes& mfg2 = view.data.at({9, 2});  // page offset p is data offset p - 4
    EXPECT_EQ((Bytes{uint8_t(device), uint8_t(device >> 8)}), Slice(mfg2, 0, 2));
    EXPECT_EQ((Bytes{0x50, 0x30}), Slice(mfg2, 0x08 - 4, 2));
    uint8_t autoDownload = 0xA5;
    for (size_t p = 0x08; p <= 0x25; ++p) autoDownload = uint8_t(autoDownload + mfg2[p - 4]);
    EXPECT_EQ(0, autoDownload) << "AUTODOWNLOAD_CHECKSUM";
    EXPECT_NE(0x55, mfg2[0x12 - 4]);

    EXPECT_EQ((Bytes{0xDD, 0xCC, 0xBB, 0xAA}), view.data.at({0, 1})) << "no page header";
    EXPECT_EQ((Bytes{0x34, 0x12}), Slice(view.data.at({16, 1}), 0, 2));
    EXPECT_TRUE(view.force.at({16, 1}));
    EXPECT_TRUE(view.force.at({kPersistentId, 0}));
    EXPECT_FALSE(view.force.at({16, 0}));
    EXPECT_EQ((Bytes{0xEF, 0xBE}), Slice(view.data.at({20, 0}), 0x10 - 8, 2));
    if (t470) {
        EXPECT_EQ((Bytes{0x66, 0x66, 0x66, 0x66}), Slice(view.data.at({9, 6}), 0x08 - 4, 4));
        EXPECT_EQ((Bytes{0x88, 0x88, 0x88, 0x88}), Slice(view.data.at({9, 8}), 0, 4));
    }
}

class ConcatTest : public TesselTest {
  protected:
    std::string IocPath(int ioc) const { return lab_ + "/ioc" + std::to_string(ioc); }
    // An empty lab: a machine without the control driver.
    void NoControllerLab() {
        std::filesystem::remove_all(lab_);
        std::filesystem::create_directories(lab_);
    }
    // One controller of the chip running the builder's standard firmware.
    void ControllerLab(uint16_t device, uint8_t revision) {
        std::filesystem::remove_all(lab_);
        WriteController(lab_, 0,
                        "pci_device_id = 0x" + Hex4(device) +
                            "\npci_revision = " + std::to_string(revision) + "\n");
        imgb::FirmwareSpec running;
        ASSERT_TRUE(imgb::StandardFirmwareSpec(device, revision, 0x011E0000, &running));
        const std::string image = AsText(imgb::BuildFirmwareImage(running));
        WriteTextFile(IocPath(0) + "/regions/firmware.bin", image);
        WriteTextFile(IocPath(0) + "/regions/backup.bin", image);
    }
    std::string Region(const std::string& name) const {
        return ReadTextFile(IocPath(0) + "/regions/" + name);
    }
    void Inputs(const Bytes& firmware, const std::string& text) {
        WriteTextFile(File("fw.bin"), AsText(firmware));
        WriteTextFile(File("nv.txt"), text);
        std::filesystem::remove(File("out.bin"));
    }
    Bytes Output() const { return AsBytes(ReadTextFile(File("out.bin"))); }
    ProcessResult Concat() { return Run({"-o", "-concat", "fw.bin", "nv.txt", "out.bin"}); }
};

// The flash of a built file, as -f reports it on a controller running older firmware.
const std::string kValidated =
    "\t\tChecksum Passed: 00000000\n\n"
    "\t\tVerifying NVDATA Compatibility. . .\n\t\tNVDATA Versions Compatible\n\n"
    "\t\tProduct ID and Vendor ID match verified.\n\n"
    "\t\tValid BootLoader Image verified.\n\n";
const std::string kFlashOp = "\tExecuting Operation: Flash Firmware Image\n\n";

TEST_F(ConcatTest, T420FileWithControllerPresentThenFlashed) {
    // The bootloader ends the chain: its link is patched to the new NVDATA.
    const Bytes firmware = Firmware(kT420, 1, Without(OfType(imgb::kExtTypeNvdata)));
    ControllerLab(kT420, 1);
    Inputs(firmware, Text(kT420, "T420", kRichSections));
    Expect({{"-o", "-concat", "fw.bin", "nv.txt", "out.bin"},
            kAdvanced + kConcatOp + kParsed + kCreated + kFinished,
            0});
    const Bytes out = Output();
    CheckRichValues(CheckOutput(firmware, out, 1, true, false), kT420);

    Expect({{"-f", "out.bin"},
            Selected("T420(B0)") + kFlashOp + kValidated +
                "\t\tBeginning Firmware Download\n\t\tFirmware Download: SUCCESSFUL!\n\n"
                "\t\tVerifying the image flashed correctly. . . \n\n"
                "\t\tFirmware Flash: SUCCESSFUL!\n\n"
                "\t\tResetting Adapter:\n\t\tAdapter Successfully reset.\n\n" +
                kFinished,
            0});
    EXPECT_EQ(AsText(out), Region("firmware.bin"));
}

TEST_F(ConcatTest, T470FileWithoutControllerThenFlashed) {
    // Bootloader, initialization image, common boot block, old NVDATA: the last two are dropped,
    // and the initialization image already links to where the new NVDATA goes.
    const Bytes firmware = Firmware(kT470, 2);
    NoControllerLab();
    Inputs(firmware, Text(kT470, "T470", kRichSections));
    Expect({{"-concat", "fw.bin", "nv.txt", "out.bin", "-o"},
            kNoAdapters + kAdvanced + kConcatOp + kParsed + kCreated + kFinished,
            0});
    const Bytes out = Output();
    CheckRichValues(CheckOutput(firmware, out, 2, false, true), kT470);

    ControllerLab(kT470, 2);
    WriteTextFile(File("out.bin"), AsText(out));
    Expect({{"-f", "out.bin"},
            Selected("T470(C0)") + kFlashOp + kValidated +
                "\t\tBeginning Firmware Download\n\t\tFirmware Download: SUCCESSFUL!\n"
                "\t\tResetting Adapter:\n\t\tAdapter Successfully reset.\n\n" +
                kFinished,
            0});
    EXPECT_EQ(AsText(out), Region("firmware.bin"));
}

TEST_F(ConcatTest, ChainLayouts) {
    struct Row {
        const char* name;
        uint16_t device;
        uint8_t revision;
        Tweak tweak;
        size_t kept;
        bool patched;
        std::string extraLines;  // after the parser's line
    };
    const Row rows[] = {
        {"bootloader followed by an old NVDATA keeps its link", kT420, 1, {}, 1, false, ""},
        {"T4x0E with a common boot block after the bootloader", kT420E, 2,
         [](imgb::FirmwareSpec& spec) {
             spec.extendedImages.insert(spec.extendedImages.begin() + 1,
                                        imgb::CommonBootBlockImage(imgb::BuildCommonBootBlock({})));
         },
         1, false, ""},
        {"T470 whose initialization image ends the chain", kT470, 2,
         [](imgb::FirmwareSpec& spec) {
             std::erase_if(spec.extendedImages, IsCbb);
             std::erase_if(spec.extendedImages, OfType(imgb::kExtTypeNvdata));
         },
         2, true, ""},
        {"no bootloader: the old NVDATA's place after the main image", kT410, 1,
         Without(OfType(imgb::kExtTypeBootloader)), 0, false, kNoBootloader},
    };
    NoControllerLab();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes firmware = Firmware(row.device, row.revision, row.tweak);
        const bool t470 = row.device == kT470;
        const char* chip = t470 ? "T470" : "T420";
        Inputs(firmware, Text(row.device, chip, kRichSections));
        const ProcessResult result = Concat();
        EXPECT_EQ(kBanner + kNoAdapters + kAdvanced + kConcatOp + kParsed + row.extraLines +
                      kCreated + kFinished,
                  result.out);
        EXPECT_EQ(0, result.exitStatus);
        CheckRichValues(CheckOutput(firmware, Output(), row.kept, row.patched, t470), row.device);
    }
}

// Every refusal: the exact lines, exit status 1, and an output file that stays empty.
struct Refusal {
    const char* name;
    Bytes firmware;
    std::string text;
    std::string lines;   // between the operation line and the creation-failed line
    bool quiet = false;  // no creation-failed line either
};

class ConcatRefusalTest : public ConcatTest {
  protected:
    void ExpectRefusals(const std::vector<Refusal>& rows) {
        NoControllerLab();
        for (const Refusal& row : rows) {
            SCOPED_TRACE(row.name);
            Inputs(row.firmware, row.text);
            const ProcessResult result = Concat();
            EXPECT_EQ(kBanner + kNoAdapters + kAdvanced + kConcatOp + row.lines +
                          (row.quiet ? "" : kNotCreated) + kFailed,
                      result.out);
            EXPECT_EQ(1, result.exitStatus);
            ASSERT_TRUE(std::filesystem::exists(File("out.bin")));
            EXPECT_EQ(0u, std::filesystem::file_size(File("out.bin")));
        }
    }
};

TEST_F(ConcatRefusalTest, ParseErrors) {
    const Bytes fw = Firmware(kT420, 1);
    const std::string v = "SASDATA_VERSION_CHECK 2D\n";
    const std::string section = "SECTION_IOC_MFG_PAGE_2\n";
    const std::string longName(96, 'F');
    ExpectRefusals({
        {"empty text", fw, "", "", true},
        {"no version line", fw, "SECTION_GENERAL_DATA END_SECTION\n", ""},
        {"version line without its number", fw, "SASDATA_VERSION_CHECK", ""},
        {"version number not hexadecimal", fw, "SASDATA_VERSION_CHECK 0x2G\n",
         "\tERROR: String 0x2G is not a valid number\n"},
        {"another version", fw, "SASDATA_VERSION_CHECK 2C\n",
         "\t\tERROR: NVDATA Version mismatch.\n\t\tExpected version 2d00.\n"
         "\t\tActual version 2c00.\n\n"},
        {"only the version line", fw, v, kParsed},
        {"unknown first section", fw, v + "SECTION_BOGUS\n",
         "\t\tERROR: Section Name: SECTION_BOGUS is not valid.\n"},
        {"quoted section name", fw, v + "\"SECTION_BIOS_1\" END_SECTION\n",
         "\t\tERROR: Section Name: \"SECTION_BIOS_1\" is not valid.\n"},
        {"unknown section after a good one", fw,
         v + "SECTION_BIOS_1 END_SECTION\nSECTION_BOGUS END_SECTION\n", kParserExit},
        {"section without END_SECTION", fw, v + section + "DEVICE_ID 54\n", kMidPage + kParserExit},
        {"value missing at the end", fw, v + section + "DEVICE_ID\n", kMidPage + kParserExit},
        {"blank before the equals sign", fw, v + section + "DEVICE_ID = 54\nEND_SECTION\n",
         kMidPage + kParserExit},
        {"field of another section", fw, v + section + "CHIP_NAME \"x\"\nEND_SECTION\n",
         "\t\tERROR: Unable to match field CHIP_NAME in current section\n" + kParserExit},
        {"field names keep their case", fw, v + section + "device_id 54\nEND_SECTION\n",
         "\t\tERROR: Unable to match field device_id in current section\n" + kParserExit},
        {"section name in place of a field", fw, v + section + "SECTION_BIOS_1\nEND_SECTION\n",
         "\t\tERROR: Unable to match field SECTION_BIOS_1 in current section\n" + kParserExit},
        {"quoted value without its end", fw,
         v + "SECTION_MANUFACTURING_PAGE_0\nCHIP_NAME \"T420\nEND_SECTION\n",
         "\t\tERROR: Quoted string on line 3 has no closing quote.\n" + kParserExit},
        {"quoted string without its end where a section starts", fw, v + "\n\"SECTION",
         "\t\tERROR: Quoted string on line 3 has no closing quote.\n" + kParserExit},
        {"field name longer than the token buffer", fw,
         v + section + "\n" + longName + " 1\nEND_SECTION\n",
         "\t\tERROR: Token on line 4 is longer than 95 characters.\n" + kParserExit},
        {"version number longer than the token buffer", fw,
         "SASDATA_VERSION_CHECK " + std::string(100, '0') + "2D\n",
         "\t\tERROR: Token on line 1 is longer than 95 characters.\n"},
        {"quoted value longer than the token buffer", fw,
         v + "SECTION_MANUFACTURING_PAGE_1 VPD \"" + std::string(94, 'v') + "\" END_SECTION\n",
         "\t\tERROR: Token on line 2 is longer than 95 characters.\n" + kParserExit},
    });
}

TEST_F(ConcatRefusalTest, FirmwareAndTextDoNotBelongTogether) {
    const std::string t420Text = Text(kT420, "T420");
    const std::string incompatible = "\t\tERROR: NVDATA File and Firmware File incompatible!\n";
    const Bytes t420 = Firmware(kT420, 1);
    ExpectRefusals({
        {"not SAS firmware",
         Firmware(kT420, 1,
                  [](imgb::FirmwareSpec& s) {
                      s.productId = imgb::MakeProductId(1, imgb::kKindIt, imgb::kFamilyT420);
                  }),
         t420Text, kParsed + "\t\tERROR: Not a SAS Firmware Image!\n\n"},
        {"T420 firmware, T470 text", t420, Text(kT470, "T470"),
         kParsed + incompatible + "\t\tFirmware File intended for a Kelmar SAS T420.\n" +
             "\t\tNVDATA File intended for a Kelmar SAS T470.\n\n"},
        {"T4x0E firmware, T420 text", Firmware(kT420E, 2), t420Text,
         kParsed + incompatible + "\t\tFirmware File intended for a Kelmar SAS T4x0E.\n" +
             "\t\tNVDATA File intended for a Kelmar SAS T420.\n\n"},
        {"T410 firmware, T410E text", Firmware(kT410, 1), Text(0x0056, "T410E"),
         kParsed + incompatible + "\t\tFirmware File intended for a Kelmar SAS T410.\n" +
             "\t\tNVDATA File intended for a Kelmar SAS T410E.\n\n"},
        {"T470 firmware, text without DEVICE_ID", Firmware(kT470, 2),
         "SASDATA_VERSION_CHECK 2D SECTION_BIOS_1 END_SECTION",
         kParsed + incompatible + "\t\tFirmware File intended for a Kelmar SAS T470.\n"},
        {"firmware for another NVDATA major version",
         Firmware(kT420, 1, [](imgb::FirmwareSpec& s) { s.nvdataMajorVersion = 0x2D; }), t420Text,
         kParsed + "\t\tERROR: FW Image is for NVDATA Major Version 002D.\n\n" +
             "\t\tERROR: NVDATA Major Version of NVDATA file is 2D00.\n\n"},
        {"every test fails",
         Firmware(kT420, 1,
                  [](imgb::FirmwareSpec& s) {
                      s.productId = imgb::MakeProductId(3, imgb::kKindIt, 7);
                      s.nvdataMajorVersion = 0x2C00;
                  }),
         Text(0x0077, "T999"),
         kParsed + "\t\tERROR: Not a SAS Firmware Image!\n\n" + incompatible +
             "\t\tERROR: FW Image is for NVDATA Major Version 2C00.\n\n" +
             "\t\tERROR: NVDATA Major Version of NVDATA file is 2D00.\n\n"},
    });
}

TEST_F(ConcatRefusalTest, FirmwareThatCannotTakeTheNvdata) {
    const std::string t420Text = Text(kT420, "T420");
    const std::string t470Text = Text(kT470, "T470");
    // The bootloader of the standard image is 0x1018 bytes; the NVDATA extended image 2880.
    const size_t fitting = kOutputBuffer - 0x1018 - kExtHeader - 2856;
    auto mainSize = [](size_t size) {
        return [size](imgb::FirmwareSpec& s) { s.mainImageSize = size; };
    };
    ExpectRefusals({
        {"T470 without a bootloader", Firmware(kT470, 2, Without(OfType(imgb::kExtTypeBootloader))),
         t470Text, kParsed + kNoBootloader + "\t\tERROR: No Valid Bootloader image found!\n"},
        {"T470 without an initialization image", Firmware(kT470, 2, Without(IsInit)), t470Text,
         kParsed + "\tERROR: Firmware Image does not have a valid Initialization image.\n"},
        {"no extended image to link from",
         Firmware(kT420, 1, [](imgb::FirmwareSpec& s) { s.extendedImages.clear(); }), t420Text,
         kParsed + kNoBootloader + kCannotLink},
        {"bootloader not right after the main image",
         Firmware(
             kT420, 1,
             [](imgb::FirmwareSpec& s) { std::swap(s.extendedImages[0], s.extendedImages[1]); }),
         t420Text, kParsed + kCannotLink},
        {"a chain that runs past the file",
         Firmware(kT420, 1, [](imgb::FirmwareSpec& s) { s.faults.truncateTo = 0x4100; }), t420Text,
         kParsed +
             "\t\tERROR: Firmware image is damaged: an extended image runs past the end of the "
             "file.\n"},
        {"output one word larger than its buffer", Firmware(kT420, 1, mainSize(fitting + 4)),
         t420Text,
         kParsed + "\t\tERROR: Firmware image with NVDATA would be " +
             std::to_string(kOutputBuffer + 4) + " bytes, more than " +
             std::to_string(kOutputBuffer) + ".\n"},
    });

    // Exactly the buffer's size still fits.
    Inputs(Firmware(kT420, 1, mainSize(fitting)), t420Text);
    EXPECT_EQ(0, Concat().exitStatus);
    EXPECT_EQ(kOutputBuffer, Output().size());
}

// Lines that report a value problem and go on; the file is still built.
TEST_F(ConcatTest, ValueProblemsAreReportedAndParsingGoesOn) {
    struct Row {
        const char* name;
        std::string sections;
        std::string lines;  // before the parser's closing line
    };
    const Row rows[] = {
        {"bad number", "SECTION_IOC_MFG_PAGE_2 SSID_FCN_0 30G0",
         "\tERROR: String 30G0 is not a valid number\n"
         "\t\tValue SSID_FCN_0 had illegal int value\n"},
        {"number longer than 16 characters", "SECTION_BIOS_1 BIOSOPTIONS 0x0000000000000001",
         "\tERROR: String 0x0000000000000001 is not a valid number\n"
         "\t\tValue BIOSOPTIONS had illegal int value\n"},
        {"text longer than its field", "SECTION_MANUFACTURING_PAGE_0 CHIP_REVISION \"B0 rev 02\"x",
         "\t\tWARNING: Text for CHIP_REVISION is longer than its 8-byte field and was cut.\n"},
        {"text for a number field", "SECTION_IOC_MFG_PAGE_2 PCI_REVISION \"01\"",
         "\t\tWARNING: Text for PCI_REVISION is longer than its 1-byte field and was cut.\n"},
        {"text for the force-update flag", "SECTION_BIOS_2 FORCEUPDATE \"1\"",
         "\t\tValue FORCEUPDATE had illegal int value\n"},
        {"T4x0E firmware takes either T4x0E id", "SECTION_IOC_MFG_PAGE_2 DEVICE_ID 0x0056", ""},
    };
    NoControllerLab();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const bool t4x0e = std::string(row.name).starts_with("T4x0E");
        Inputs(Firmware(t4x0e ? kT420E : kT420, t4x0e ? 2 : 1),
               Text(t4x0e ? kT420E : kT420, "T420", row.sections + "\nEND_SECTION\n"));
        const ProcessResult result = Concat();
        EXPECT_EQ(kBanner + kNoAdapters + kAdvanced + kConcatOp + row.lines + kParsed + kCreated +
                      kFinished,
                  result.out);
        EXPECT_EQ(0, result.exitStatus);
        EXPECT_EQ(Firmware(kT420, 1).size() - 0x118 + kExtHeader + 2856, Output().size());
    }
}

// A write that fails half way leaves an empty file, not the first part of an image.
TEST_F(ConcatTest, FailedWriteLeavesTheOutputEmpty) {
    NoControllerLab();
    Inputs(Firmware(kT420, 1), Text(kT420, "T420"));
    ProcessRequest request;
    request.program = "/bin/sh";
    // Files may grow to 8 blocks of 512 bytes; past that, writes fail instead of killing the run.
    request.arguments = {"-c",
                         "ulimit -f 8; trap '' XFSZ; exec \"$0\" \"$@\"",
                         TESSEL_EMU_PATH,
                         "-o",
                         "-concat",
                         "fw.bin",
                         "nv.txt",
                         "out.bin"};
    request.environment = {{"TESSEL_LAB", lab_}};
    request.workingDirectory = dir_.path();
    const ProcessResult result = RunProcess(request);
    EXPECT_EQ(kBanner + kNoAdapters + kAdvanced + kConcatOp + kParsed + "\tFile Write Failed.\n" +
                  kNotCreated + kFailed,
              result.out);
    EXPECT_EQ(1, result.exitStatus);
    EXPECT_EQ(0u, std::filesystem::file_size(File("out.bin")));
}

}  // namespace
