#include "flash/emulator/lab_text.h"

#include <gtest/gtest.h>

namespace emu {
namespace {

TEST(LabText, KeyValueLinesSkipCommentsAndKeepLineNumbers) {
    std::vector<KeyValueLine> lines;
    TextProblem problem;
    ASSERT_TRUE(ParseKeyValueText("# head\n\n  a = 1  # note\nb=\ntext = x#y\n", &lines, &problem));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].line, 3u);
    EXPECT_EQ(lines[0].value, "1");
    EXPECT_EQ(lines[1].key, "b");
    EXPECT_EQ(lines[1].value, "");
    EXPECT_EQ(lines[2].value, "x#y") << "a # inside a word is text";
    EXPECT_FALSE(ParseKeyValueText("a = 1\n= 2\n", &lines, &problem));
    EXPECT_EQ(problem.line, 2u);
    EXPECT_FALSE(ParseKeyValueText("my key = 2\n", &lines, &problem));
}

TEST(LabText, NumbersAreDecimalOrPrefixedHexWithinTheirRange) {
    struct Case {
        const char* text;
        uint64_t max;
        bool ok;
        uint64_t value;
    };
    const Case cases[] = {
        {"0", 0xFF, true, 0},
        {"255", 0xFF, true, 255},
        {"256", 0xFF, false, 0},
        {"0xff", 0xFF, true, 255},
        {"0X1A", 0xFF, true, 26},
        {"0x100", 0xFF, false, 0},
        {"0x", 0xFF, false, 0},
        {"", 0xFF, false, 0},
        {"1f", 0xFF, false, 0},
        {"-1", 0xFF, false, 0},
        {"5", 3, false, 0},
        {"0xFFFFFFFF", 0xFFFFFFFF, true, 0xFFFFFFFF},
        {"18446744073709551616", ~0ull, false, 0},
    };
    for (const Case& c : cases) {
        uint64_t value = 0;
        EXPECT_EQ(ParseNumber(c.text, c.max, &value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(LabText, HexBytesReadBackWhatFormatWrites) {
    std::vector<uint8_t> bytes(37);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 29);
    std::vector<uint8_t> read;
    TextProblem problem;
    ASSERT_TRUE(ParseHexBytes(FormatHexBytes(bytes, "a page"), &read, &problem));
    EXPECT_EQ(read, bytes);
    EXPECT_FALSE(ParseHexBytes("00 01\n02 3\n", &read, &problem));
    EXPECT_EQ(problem.line, 2u);
}

TEST(LabText, ReplacingAKeyKeepsEveryOtherLine) {
    std::string text = "# state\nioc_state = fault  # was broken\nother = 1\n";
    EXPECT_EQ(ReplaceKeyValue(text, "ioc_state", "operational"),
              "# state\nioc_state = operational\nother = 1\n");
    EXPECT_EQ(ReplaceKeyValue(text, "pending_firmware", "yes"), text + "pending_firmware = yes\n");
    EXPECT_EQ(ReplaceKeyValue("", "a", "b"), "a = b\n");
}

}  // namespace
}  // namespace emu
