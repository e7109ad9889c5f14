// The default lab's flash holds real images: each controller's firmware fits its chip and says
// what the controller reports, and the boot-services region is a valid ROM chain.
#include <gtest/gtest.h>

#include <string>

#include "common/bytes.h"
#include "flash/emulator/emulator_test_support.h"
#include "tools/image_builder/image_builder.h"

namespace emu_test {
namespace {

Bytes Upload(uint32_t ioc, uint8_t type) {
    CommandOutcome query = SendCommand(
        {.iocNumber = ioc, .message = FirmwareRequest(0x12, type, 0, 0), .replyBytes = 24});
    uint32_t size = ByteReader(query.reply.data(), query.reply.size()).U32(20);
    CommandOutcome upload = SendCommand({.iocNumber = ioc,
                                         .message = FirmwareRequest(0x12, type, 0, size),
                                         .replyBytes = 24,
                                         .dataInBytes = size});
    EXPECT_EQ(ReplyIocStatus(upload.reply), 0u);
    return upload.dataIn;
}

std::string Text(const Bytes& bytes, size_t offset, size_t count) {
    if (offset + count > bytes.size()) return {};
    return std::string(bytes.begin() + offset, bytes.begin() + offset + count);
}

struct Board {
    uint32_t ioc;
    uint16_t deviceId;
    uint8_t revision;
    uint16_t nvdataVersion;
    bool twoMegabyteLayout;
    bool raidOnChip;
};
constexpr Board kBoards[] = {
    {0, 0x0058, 2, 0x2D03, true, false},
    {2, 0x0054, 1, 0x2B01, false, false},
    {5, 0x0062, 2, 0x2D03, true, true},
};

class DefaultLab : public testing::Test {
  protected:
    // A TESSEL_LAB that does not exist yet becomes the default lab.
    void SetUp() override { lab_.Reload(); }
    TempLab lab_;
    std::filesystem::path root_ = lab_.scratch() / "lab";
    ScopedEnv env_{"TESSEL_LAB", root_.c_str()};
};

TEST_F(DefaultLab, FirmwareFitsTheChipAndIsWhatFactsReport) {
    for (const Board& board : kBoards) {
        SCOPED_TRACE(board.ioc);
        Bytes image = Upload(board.ioc, 1);
        ByteReader header(image.data(), image.size());
        ASSERT_EQ(header.U32(0x04), 0x5AEAA55Au);
        EXPECT_EQ(imgb::WordSum(image.data(), image.size()), 0u);
        uint32_t seqCode = 0;
        ASSERT_TRUE(imgb::SeqCodeVersionFor(board.deviceId, board.revision, &seqCode));
        EXPECT_EQ(header.U32(0x28), seqCode);
        const uint16_t productId = header.U16(0x22);
        EXPECT_EQ(productId,
                  imgb::MakeProductId(imgb::kProtocolSas, imgb::kKindIt,
                                      imgb::FindChipModelByDevice(board.deviceId)->family));
        const uint32_t flags = header.U32(0x14);
        EXPECT_TRUE(flags & 0x2) << "answers the flash-size inquiry";
        EXPECT_EQ((flags & 0x1) != 0, board.twoMegabyteLayout);
        EXPECT_EQ(header.U16(0x10), board.nvdataVersion & 0xFF00);
        EXPECT_EQ(Upload(board.ioc, 5), image) << "the backup region holds the same image";

        std::string types;
        for (uint32_t link = header.U32(0x30); link != 0 && types.size() < 8;
             link = header.U32(link + 0x0C)) {
            const uint32_t size = header.U32(link + 0x08);
            ASSERT_LE(uint64_t{link} + size, image.size());
            EXPECT_EQ(imgb::WordSum(image.data() + link, size), 0u) << link;
            types += std::to_string(header.U8(link));
            if (header.U8(link) == 3) {
                EXPECT_EQ(header.U32(link + 0x18), 0x566F726Cu);
                EXPECT_EQ(header.U16(link + 0x20), board.nvdataVersion);
                EXPECT_EQ(header.U32(link + 0x3C), 0x51756962u);
                EXPECT_EQ(Text(image, link + 0x40, 8), "KELMAR  ");
            }
        }
        // Bootloader, for the T470 also the initialization image, then NVDATA; the common boot
        // block has its own region.
        EXPECT_EQ(types, board.raidOnChip ? "453" : "43");

        CommandOutcome facts =
            SendCommand({.iocNumber = board.ioc, .message = FactsRequest(), .replyBytes = 80});
        ByteReader reply(facts.reply.data(), facts.reply.size());
        EXPECT_EQ(reply.U16(30), productId);
        EXPECT_EQ(reply.U32(56), header.U32(0x24));
    }
}

TEST_F(DefaultLab, BootServicesRegionIsAValidRomChainWithItsRecords) {
    for (const Board& board : kBoards) {
        SCOPED_TRACE(board.ioc);
        Bytes region = Upload(board.ioc, 2);
        ByteReader reader(region.data(), region.size());
        std::string codeTypes;
        size_t at = 0;
        for (bool last = false; !last;) {
            ASSERT_EQ(reader.U16(at), 0xAA55);
            const size_t pcir = at + reader.U16(at + 0x18);
            ASSERT_EQ(Text(region, pcir, 4), "PCIR");
            const size_t length = size_t{reader.U16(pcir + 0x10)} * 512;
            ASSERT_LE(at + length, region.size());
            EXPECT_EQ(imgb::ByteSum(region.data() + at, length), 0) << at;
            if (reader.U8(pcir + 0x14) == 0) {
                EXPECT_EQ(reader.U16(pcir + 6), board.deviceId);
            }
            codeTypes += std::to_string(reader.U8(pcir + 0x14));
            last = reader.U8(pcir + 0x15) != 0;
            at += length;
        }
        EXPECT_EQ(codeTypes, "03") << "x86 BIOS, then EFI";
        std::string records;
        for (; reader.Has(at, 0x64) && reader.U16(at) == 0xAA55; at += reader.U32(at + 0x60)) {
            const uint32_t type = reader.U32(at + 0x38);
            records += std::to_string(type >> 28) + ":" + std::to_string(type & 0xFFFF) + " ";
        }
        EXPECT_EQ(records, "1:258 1:272 1:274 1:275 3:258 3:272 3:274 3:275 ");
        EXPECT_EQ(at, region.size());
    }
}

TEST_F(DefaultLab, TheT470HasACommonBootBlockAndAnOmbraRegion) {
    Bytes cbb = Upload(5, 11);
    ByteReader reader(cbb.data(), cbb.size());
    EXPECT_EQ(Text(cbb, 0, 4), "T470");
    EXPECT_EQ(reader.U32(0x10), 0x4C425442u);
    EXPECT_EQ(reader.U32(0x18), cbb.size());
    EXPECT_TRUE(imgb::IsCbbVersionText(Text(cbb, reader.U32(0x1C), 15)));
    EXPECT_EQ(Text(Upload(5, 9), 0, 4), "T470");
    for (uint32_t ioc : {0u, 2u}) {
        CommandOutcome query = SendCommand(
            {.iocNumber = ioc, .message = FirmwareRequest(0x12, 11, 0, 0), .replyBytes = 24});
        EXPECT_EQ(ByteReader(query.reply.data(), query.reply.size()).U32(20), 0u) << ioc;
    }
}

TEST_F(DefaultLab, VpdVersionKeywordsHaveRoomForARefreshAndMatchTheFirmware) {
    for (const Board& board : kBoards) {
        SCOPED_TRACE(board.ioc);
        CommandOutcome page =
            SendCommand({.iocNumber = board.ioc,
                         .message = ConfigRequest({.action = 6, .pageType = 9, .pageNumber = 1}),
                         .replyBytes = 24,
                         .dataInBytes = 260});
        Bytes vpd(page.dataIn.begin() + 4, page.dataIn.end());
        size_t at = 3 + (vpd[1] | vpd[2] << 8);
        ASSERT_EQ(vpd[at], 0x90);
        const size_t end = at + 3 + (vpd[at + 1] | vpd[at + 2] << 8);
        std::string v1, v3;
        for (size_t key = at + 3; key < end; key += 3 + vpd[key + 2]) {
            std::string value = Text(vpd, key + 3, vpd[key + 2]);
            if (Text(vpd, key, 2) == "V1") v1 = value;
            if (Text(vpd, key, 2) == "V3") v3 = value;
        }
        EXPECT_EQ(v1.size(), 12u);
        ASSERT_EQ(v3.size(), 12u);
        Bytes image = Upload(board.ioc, 1);
        EXPECT_EQ(v3,
                  imgb::FormatVersionWord(ByteReader(image.data(), image.size()).U32(0x24)) + '\0');
    }
}

TEST_F(DefaultLab, TheVpdRefreshHappensOnTheBoardWithSubsystemVendor103C) {
    for (const Board& board : kBoards) {
        CommandOutcome page =
            SendCommand({.iocNumber = board.ioc,
                         .message = ConfigRequest({.action = 6, .pageType = 9, .pageNumber = 2}),
                         .replyBytes = 24,
                         .dataInBytes = 48});
        const uint16_t vendor = ByteReader(page.dataIn.data(), page.dataIn.size()).U16(0x0A);
        EXPECT_EQ(vendor == 0x103C, board.ioc == 2) << board.ioc;
    }
}

}  // namespace
}  // namespace emu_test
