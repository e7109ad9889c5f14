// The texts and codes the self-tests compare against: version texts and link rate names.
#include "flash/adapters/self_tests.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ParseVersionText, FourDecimalPartsOfEightBitsEach) {
    const struct {
        const char* text;
        uint32_t value;
    } cases[] = {
        {"01.32.00.00", 0x01200000},
        {"1.2.3.4", 0x01020304},
        {"7.21.0.3", 0x07150003},
        // A letter counts as a digit of value 10 to 15: "1a" is 1 * 10 + 10.
        {"1a.0.0.B", 0x14000000 | 0x0B},
        // Each part keeps its low 8 bits: 256 is 0, 300 is 44, and a long part wraps the same way.
        {"256.300.0.1", 0x002C0001},
        {"4294967297.0.0.0", 0x01000000},
        {"00000000001.0.0.0", 0x01000000},
        // Every text that breaks the form answers the invalid value.
        {"01.02.03", kInvalidVersionText},
        {"1.2.3.4.5", kInvalidVersionText},
        {"1..3.4", kInvalidVersionText},
        {".1.2.3", kInvalidVersionText},
        {"1.2.3.", kInvalidVersionText},
        {"", kInvalidVersionText},
        {"1.2.3.4 ", kInvalidVersionText},
        {"1.2.3.g", kInvalidVersionText},
        {"1:2:3:4", kInvalidVersionText},
        {"+1.2.3.4", kInvalidVersionText},
        // Valid in form, but indistinguishable from the invalid answer.
        {"255.255.255.255", kInvalidVersionText},
    };
    for (const auto& c : cases) EXPECT_EQ(c.value, ParseVersionText(c.text)) << c.text;
}

TEST(LinkRateName, NamesByNegotiatedRate) {
    const struct {
        uint8_t rate;
        std::string name;
    } cases[] = {
        {0, "Link Down"}, {1, "Link Down"}, {2, "Link Down"}, {3, "Unknown!"},    {7, "Unknown!"},
        {8, "1.5 Gbps"},  {9, "3.0 Gbps"},  {10, "Unknown!"}, {0xFF, "Unknown!"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.name, LinkRateName(c.rate)) << int(c.rate);
}

}  // namespace
