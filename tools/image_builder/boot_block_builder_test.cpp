#include <gtest/gtest.h>

#include <string>

#include "common/bytes.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

std::string TextAt(const Bytes& bytes, size_t offset, size_t count) {
    return std::string(bytes.begin() + offset, bytes.begin() + offset + count);
}

TEST(CommonBootBlock, HeaderAndVersionTextAtTheirOffsets) {
    imgb::CbbSpec spec;
    spec.version = "1.02.03.04.0005";
    spec.size = 0x1234;
    Bytes block = imgb::BuildCommonBootBlock(spec);
    ByteReader reader(block.data(), block.size());
    ASSERT_EQ(block.size(), 0x1234u);
    EXPECT_EQ(TextAt(block, 0, 4), "T470");
    EXPECT_EQ(reader.U32(0x10), 0x4C425442u);  // "BTBL" read as a word, as the listing tests it
    EXPECT_EQ(reader.U32(0x18), 0x1234u);
    size_t text = reader.U32(0x1C);
    EXPECT_EQ(TextAt(block, text, 16), std::string("1.02.03.04.0005") + '\0');
}

TEST(CommonBootBlock, BadMagicAndATooSmallSizeStillGiveAWholeBlock) {
    imgb::CbbSpec spec;
    spec.badMagic = true;
    spec.size = 1;
    Bytes block = imgb::BuildCommonBootBlock(spec);
    ByteReader reader(block.data(), block.size());
    EXPECT_NE(TextAt(block, 0x10, 4), "BTBL");
    EXPECT_EQ(reader.U32(0x18), block.size());
    EXPECT_GE(block.size(), reader.U32(0x1C) + 16);
}

TEST(CommonBootBlock, VersionTextHasDigitsInFixedPlaces) {
    struct Case {
        const char* text;
        bool ok;
    } cases[] = {{"1.02.03.04.0005", true}, {"9-99-99-99-9999", true},   {"1.2.3.4.5", false},
                 {"1.02.03.04.000", false}, {"1.02.03.04.00050", false}, {"a.02.03.04.0005", false},
                 {"1.02.03.04.000x", false}};
    for (const Case& c : cases) EXPECT_EQ(imgb::IsCbbVersionText(c.text), c.ok) << c.text;
}

// The program's search: offsets 0, 0x20000, ... with "T470" at +0 and "BTBL" at +0x10.
size_t FindOmbraCbb(const Bytes& image) {
    for (size_t at = 0; at < image.size(); at += 0x20000)
        if (at + 0x20 <= image.size() && TextAt(image, at, 4) == "T470" &&
            TextAt(image, at + 0x10, 4) == "BTBL")
            return at;
    return 0;
}

TEST(OmbraImage, BootBlockStartsOnTheNextMultipleOf128KiBAndEndsTheFile) {
    imgb::CbbSpec cbb;
    cbb.size = 0x800;
    struct Case {
        size_t size;
        size_t cbbAt;
    } cases[] = {{0x100, 0x20000}, {0x20000, 0x20000}, {0x20001, 0x40000}};
    for (const Case& c : cases) {
        imgb::OmbraSpec spec;
        spec.size = c.size;
        spec.cbb = imgb::BuildCommonBootBlock(cbb);
        Bytes image = imgb::BuildOmbraImage(spec);
        EXPECT_EQ(TextAt(image, 0, 4), "T470");
        EXPECT_EQ(FindOmbraCbb(image), c.cbbAt) << c.size;
        EXPECT_EQ(image.size(), c.cbbAt + 0x800) << c.size;
    }
}

TEST(OmbraImage, WithoutABootBlockItIsJustItsSize) {
    imgb::OmbraSpec spec;
    spec.size = 0x50000;
    Bytes image = imgb::BuildOmbraImage(spec);
    EXPECT_EQ(image.size(), 0x50000u);
    EXPECT_EQ(TextAt(image, 0, 4), "T470");
    EXPECT_EQ(FindOmbraCbb(image), 0u);
}

}  // namespace
