// The built tessel-image, run as a user would: the files it writes and what it says.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "common/bytes.h"
#include "flash/images/firmware_image.h"
#include "testing/process_runner.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

ProcessResult RunTool(std::vector<std::string> arguments) {
    return RunProcess({TESSEL_IMAGE_PATH, std::move(arguments), {}, {}, {}});
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(TesselImage, FirmwareFromOptionsCarriesEveryField) {
    TempDir dir;
    ProcessResult result = RunTool(
        {"firmware", "--chip",      "T420E",     "--revision",       "2",      "--product-id",
         "0x2204",   "--version",   "1.32.0.0",  "--nvdata-version", "0x2d03", "--vendor",
         "KELMAR",   "--product",   "SAS T420E", "--bootloader",     "4096",   "--size",
         "0x40000",  "--flash-2mb", "--out",     dir.File("fw.bin")});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    Bytes file = ReadBytes(dir.File("fw.bin"));
    ByteReader reader(file.data(), file.size());
    EXPECT_EQ(imgb::WordSum(file.data(), file.size()), 0u);
    EXPECT_EQ(reader.U16(kFwProductIdOffset), 0x2204);
    EXPECT_EQ(reader.U32(kFwVersionOffset), 0x01200000u);
    EXPECT_EQ(reader.U32(kFwSeqCodeVersionOffset), uint32_t{kChipCodeT4x0E} << 8 | 0xB1);
    EXPECT_EQ(reader.U32(kFwFlashLayoutFlagsOffset), kFlashLayout2Mb | kFlashAnswersSizeInquiry);
    EXPECT_EQ(reader.U16(kFwNvdataMajorVersionOffset), 0x2D00);
    EXPECT_EQ(reader.U32(kFwImageSizeOffset), 0x40000u);
    size_t bootloader = reader.U32(kFwNextImageHeaderOffset);
    EXPECT_EQ(bootloader, 0x40000u);
    EXPECT_EQ(reader.U8(bootloader), MPI_EXT_IMAGE_TYPE_BOOTLOADER);
    EXPECT_EQ(reader.U32(bootloader + kExtImageSizeOffset), 24u + 4096);
    size_t nvdata = reader.U32(bootloader + kExtNextImageHeaderOffset);
    EXPECT_EQ(reader.U8(nvdata), MPI_EXT_IMAGE_TYPE_NVDATA);
    EXPECT_EQ(reader.U16(nvdata + kNvdataVersionOffset), 0x2D03);
    EXPECT_EQ(std::string(file.begin() + nvdata + kNvdataProductIdOffset,
                          file.begin() + nvdata + kNvdataProductIdOffset + 16),
              "SAS T420E       ");

    ProcessResult info = RunTool({"info", dir.File("fw.bin")});
    EXPECT_EQ(info.exitStatus, 0);
    EXPECT_NE(info.out.find("type 4 bootloader"), std::string::npos) << info.out;
}

TEST(TesselImage, RegionFromRomFilesAndRecords) {
    TempDir dir;
    ASSERT_EQ(RunTool({"rom", "--type", "x86", "--device", "0x0058", "--bios-version", "7.21.0.3",
                       "--out", dir.File("a.rom")})
                  .exitStatus,
              0);
    ASSERT_EQ(RunTool({"rom", "--type", "efi", "--device", "0x0058", "--efi-version", "2.3.4.5",
                       "--out", dir.File("b.rom")})
                  .exitStatus,
              0);
    ProcessResult result =
        RunTool({"region", "--rom", dir.File("a.rom"), "--rom", dir.File("b.rom"), "--record",
                 "1:0x102", "--record", "3:0x110:0x80", "--out", dir.File("bios.bin")});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    Bytes region = ReadBytes(dir.File("bios.bin"));
    ASSERT_EQ(region.size(), 2 * 2048u + 0x80 + 0x80);
    ByteReader reader(region.data(), region.size());
    size_t pcir = reader.U16(0x18);
    EXPECT_EQ(reader.U16(pcir + 0x12), 0x0715);  // 7.21 as the code revision
    EXPECT_EQ(reader.U8(pcir + 0x1C), 0);
    EXPECT_EQ(reader.U8(pcir + 0x1D), 3);
    EXPECT_EQ(reader.U8(pcir + 0x15), 0);  // no longer the last image
    size_t efiPcir = 2048 + reader.U16(2048 + 0x18);
    EXPECT_EQ(reader.U16(efiPcir + 0x12), 2 << 13 | 3 << 8 | 4 << 4 | 5);
    EXPECT_EQ(reader.U32(4096 + 0x80 + 0x38), 3u << 28 | 0x110);
    EXPECT_EQ(imgb::ByteSum(region.data(), 2048), 0);
}

TEST(TesselImage, BadInvocationsSayWhatIsWrong) {
    TempDir dir;
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{}, "Usage: tessel-image COMMAND"},
        {{"flash"}, "unknown command \"flash\""},
        {{"firmware", "--chip", "T999", "--out", "x"}, "unknown chip \"T999\""},
        {{"firmware", "--chip", "T420", "--out", "x"}, "give --revision"},
        {{"firmware", "--chip", "T420", "--revision", "7", "--out", "x"},
         "PCI revision 7 is not listed"},
        {{"firmware", "--chip", "T420", "--revision"}, "--revision needs N"},
        {{"firmware", "--chip", "T420", "--revision", "1", "--version", "1.2"}, "is not a version"},
        {{"firmware", "--chip", "T420", "--revision", "1"}, "--out FILE is required"},
        {{"cbb", "--version", "1.2.3", "--out", "x"}, "is not like 1.02.03.04.0005"},
        {{"rom", "--type", "arm", "--out", "x"}, "--type is x86, efi, fcode or a number"},
        {{"rom", "--blocks", "0x10000", "--out", "x"}, "--blocks: \"0x10000\" is not a number"},
        {{"region", "--record", "1:0x102:0x20", "--out", "x"}, "LENGTH at least 0x64"},
        {{"region", "--rom", dir.File("missing.rom"), "--out", "x"}, "cannot read"},
        {{"info", "--verbose"}, "unknown option --verbose"},
    };
    for (const Case& c : cases) {
        ProcessResult result = RunTool(c.arguments);
        EXPECT_EQ(result.exitStatus, 2) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

TEST(TesselImage, T470WithoutARevisionFitsEveryRevision) {
    TempDir dir;
    ASSERT_EQ(RunTool({"firmware", "--chip", "T470", "--out", dir.File("fw.bin")}).exitStatus, 0);
    Bytes file = ReadBytes(dir.File("fw.bin"));
    EXPECT_EQ(ByteReader(file.data(), file.size()).U32(kFwSeqCodeVersionOffset),
              imgb::kSeqCodeAnyT470);
}

}  // namespace
