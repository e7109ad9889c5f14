#include "flash/adapters/listings.h"

#include <gtest/gtest.h>

#include <string>

#include "common/bytes.h"
#include "tools/image_builder/image_builder.h"

namespace {

TEST(CommonBootBlockVersion, TextStaysInsideTheBlock) {
    imgb::CbbSpec spec;
    spec.version = "2.05.10.00.0042";
    spec.size = 0x40;
    const imgb::Bytes good = imgb::BuildCommonBootBlock(spec);
    const struct {
        const char* name;
        void (*damage)(imgb::Bytes*);
        bool valid;
        std::string text;
    } cases[] = {
        {"valid", [](imgb::Bytes*) {}, true, "2.05.10.00.0042"},
        {"no magic", [](imgb::Bytes* b) { (*b)[0x10] = 'b'; }, false, ""},
        {"text offset past the end",
         [](imgb::Bytes* b) { ByteWriter(b->data(), b->size()).U32(0x1C, 0x40); }, false, ""},
        // Without its zero byte the text ends with the block.
        {"unterminated at the end", [](imgb::Bytes* b) { b->resize(0x20 + 6); }, true, "2.05.1"},
        {"header cut short", [](imgb::Bytes* b) { b->resize(0x1E); }, false, ""},
    };
    for (const auto& c : cases) {
        imgb::Bytes block = good;
        c.damage(&block);
        imgb::Bytes exact(block);
        char text[64] = "unchanged";
        EXPECT_EQ(c.valid, CommonBootBlockVersion(exact, text, sizeof text)) << c.name;
        if (c.valid) {
            EXPECT_EQ(c.text, text) << c.name;
        }
    }
    // A short buffer keeps its terminating zero.
    char small[5];
    ASSERT_TRUE(CommonBootBlockVersion(good, small, sizeof small));
    EXPECT_STREQ("2.05", small);
}

TEST(ListingFormats, SasAddressAndEfiParts) {
    char text[32];
    FormatSasAddress(0x5000ABC0, 0x00000100, text, sizeof text);
    EXPECT_STREQ("5000abc-0-0000-0100", text);
    FormatSasAddress(0x5000ABCF, 0xDEADBEEF, text, sizeof text);
    EXPECT_STREQ("5000abc-f-dead-beef", text);
    // Bits 13-15, 8-12, 4-7, 0-3.
    FormatEfiVersion(0x0105E4A7, "%d.%d.%d.%d", text, sizeof text);
    EXPECT_STREQ("7.4.10.7", text);
}

}  // namespace
