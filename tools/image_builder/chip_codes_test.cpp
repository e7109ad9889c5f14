#include <gtest/gtest.h>

#include "flash/images/firmware_image.h"
#include "tools/image_builder/image_builder.h"

namespace {

TEST(VersionWord, ParsesFourDecimalPartsAndRefusesEverythingElse) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t word;
    } cases[] = {
        {"1.32.0.0", true, 0x01200000},
        {"255.255.255.255", true, 0xFFFFFFFF},
        {"0.0.0.0", true, 0},
        {"01.29.00.07", true, 0x011D0007},
        {"1.32.0", false, 0},
        {"1.32.0.0.0", false, 0},
        {"1.256.0.0", false, 0},
        {"1..0.0", false, 0},
        {"1.32.0.0 ", false, 0},
        {"0x1.2.3.4", false, 0},
        {"", false, 0},
        {"1.2.3.0004", false, 0},
    };
    for (const Case& c : cases) {
        uint32_t word = 0xDEADBEEF;
        EXPECT_EQ(imgb::ParseVersionWord(c.text, &word), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(word, c.word) << c.text;
        }
    }
    EXPECT_EQ(imgb::FormatVersionWord(0x01200000), "01.32.00.00");
}

TEST(ChipCodes, EveryListedRevisionGivesTheChipCodeAndSteppingTheProgramExpects) {
    struct Case {
        uint16_t device;
        uint8_t revision;
        uint32_t seqCode;
    } cases[] = {
        {0x0050, 1, uint32_t{kChipCodeT410} << 8 | 0xA2},
        {0x0051, 3, uint32_t{kChipCodeT410} << 8 | 0xA4},
        {0x0054, 0, uint32_t{kChipCodeT420} << 8 | 0xA0},
        {0x0055, 2, uint32_t{kChipCodeT420} << 8 | 0xB1},
        {0x0056, 4, uint32_t{kChipCodeT4x0E} << 8 | 0xB2},
        {0x0058, 2, uint32_t{kChipCodeT4x0E} << 8 | 0xB1},
        {0x0059, 0x10, uint32_t{kChipCodeT4x0E} << 8 | 0xC0},
        {0x0060, 1, uint32_t{kChipCodeT470} << 8 | 0xB0},
        {0x0062, 4, uint32_t{kChipCodeT470} << 8 | 0xC2},
    };
    for (const Case& c : cases) {
        uint32_t seqCode = 0;
        ASSERT_TRUE(imgb::SeqCodeVersionFor(c.device, c.revision, &seqCode)) << c.device;
        EXPECT_EQ(seqCode, c.seqCode) << std::hex << c.device << " rev " << int{c.revision};
    }
}

TEST(ChipCodes, UnlistedRevisionsAndUnknownDevicesHaveNoCode) {
    struct Case {
        uint16_t device;
        uint8_t revision;
    } cases[] = {{0x0050, 0}, {0x0054, 3}, {0x0058, 3}, {0x0062, 0},
                 {0x0062, 5}, {0x005C, 0}, {0x0040, 1}};
    for (const Case& c : cases) {
        uint32_t seqCode = 0x55;
        EXPECT_FALSE(imgb::SeqCodeVersionFor(c.device, c.revision, &seqCode)) << c.device;
        EXPECT_EQ(seqCode, 0x55u);
    }
}

TEST(ChipCodes, ModelsByNameAndDeviceAgreeWithTheProgramsFamilies) {
    struct Case {
        const char* name;
        uint16_t device;
        uint8_t family;
    } cases[] = {{"T410", 0x0051, kChipFamilyT410},
                 {"t420", 0x0055, kChipFamilyT420},
                 {"T410E", 0x0057, kChipFamilyT4x0E},
                 {"T420E", 0x0059, kChipFamilyT4x0E},
                 {"T470", 0x0060, kChipFamilyT470}};
    for (const Case& c : cases) {
        const imgb::ChipModel* byName = imgb::FindChipModel(c.name);
        ASSERT_NE(byName, nullptr) << c.name;
        EXPECT_EQ(imgb::FindChipModelByDevice(c.device), byName) << c.name;
        EXPECT_EQ(byName->family, c.family) << c.name;
    }
    EXPECT_EQ(imgb::FindChipModel("T480"), nullptr);
    EXPECT_EQ(imgb::FindChipModelByDevice(0x005C), nullptr);
}

TEST(ProductId, PacksProtocolKindAndFamilyAsTheProgramUnpacksThem) {
    uint16_t it = imgb::MakeProductId(imgb::kProtocolSas, imgb::kKindIt, kChipFamilyT4x0E);
    EXPECT_EQ(it, 0x2204);
    EXPECT_EQ(ChipFamily(it), kChipFamilyT4x0E);
    EXPECT_EQ(it >> 12, kProductProtocolSas);
    uint16_t ir = imgb::MakeProductId(imgb::kProtocolSas, imgb::kKindIr, kChipFamilyT470);
    EXPECT_EQ(ir, 0x2403);
    EXPECT_EQ((ir >> 8) & 0xF, 4);  // one of the IR kinds
}

TEST(Sums, ATrailingPartialWordCountsWithZerosAfterIt) {
    const uint8_t bytes[] = {0x01, 0x00, 0x00, 0x80, 0x02, 0x03};
    EXPECT_EQ(imgb::WordSum(bytes, sizeof bytes), 0x80000001u + 0x0302u);
    EXPECT_EQ(imgb::WordSum(bytes, 0), 0u);
    EXPECT_EQ(imgb::ByteSum(bytes, sizeof bytes), 0x86);
}

}  // namespace
