#include "flash/adapters/selection.h"

#include <gtest/gtest.h>

namespace {

TEST(ParsePciAddress, FieldRules) {
    const struct {
        const char* text;
        PciAddressParse result;
        uint8_t bus, device, function;
        uint16_t segment;
    } cases[] = {
        // The first field is skipped.
        {"0:2:0:0", PciAddressParse::kOk, 2, 0, 0, 0},
        {"2:0:0", PciAddressParse::kOk, 0, 0xFF, 0xFF, 0},
        {"x:12:1f:7", PciAddressParse::kOk, 0x12, 0x1F, 7, 0},
        {"x:12:1f:7:0003", PciAddressParse::kOk, 0x12, 0x1F, 7, 3},
        // The function keeps its low digit only.
        {"x:1:2:13", PciAddressParse::kOk, 1, 2, 3, 0},
        // After three digits a colon is a digit (10) merged into the low digit, so the field
        // never ends and what it collected becomes the segment.
        {"x:121:0:0", PciAddressParse::kOk, 0xFF, 0xFF, 0xFF, 0x1B},
        {"x:120:4:5", PciAddressParse::kOk, 0xFF, 0xFF, 0xFF, 0x1F},
        {"0:1:2:3:12345", PciAddressParse::kOk, 1, 2, 3, 0x1234},
        {"nocolon", PciAddressParse::kNoColon, 0, 0, 0, 0},
        {"0:1:g:0", PciAddressParse::kBadCharacter, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        PciAddress address;
        ASSERT_EQ(c.result, ParsePciAddress(c.text, &address)) << c.text;
        if (c.result != PciAddressParse::kOk) continue;
        EXPECT_EQ(c.bus, address.bus) << c.text;
        EXPECT_EQ(c.device, address.device) << c.text;
        EXPECT_EQ(c.function, address.function) << c.text;
        EXPECT_EQ(c.segment, address.segment) << c.text;
    }
}

TEST(ParseSsid, FourDigitsEachSide) {
    const struct {
        const char* text;
        SsidParse result;
        uint16_t vendor, device, collected;
    } cases[] = {
        {"1000:3020", SsidParse::kOk, 0x1000, 0x3020, 0},
        {"103c:ABCD", SsidParse::kOk, 0x103C, 0xABCD, 0},
        {"3020", SsidParse::kOk, 0xFFFF, 0x3020, 0},
        // Three digits fill the top three nibbles.
        {"100:3020", SsidParse::kIllegalVendor, 0, 0, 0x1000},
        {"1000:302", SsidParse::kIllegalDevice, 0, 0, 0x3020},
        {"10000:3020", SsidParse::kIllegalVendor, 0, 0, 0x1000},
        {"1000:", SsidParse::kIllegalDevice, 0, 0, 0},
        {"10g0:3020", SsidParse::kIllegalVendor, 0, 0, 0x1000},
    };
    for (const auto& c : cases) {
        SsidCheck check;
        uint16_t collected = 0xFFFF;
        ASSERT_EQ(c.result, ParseSsid(c.text, &check, &collected)) << c.text;
        if (c.result == SsidParse::kOk) {
            EXPECT_EQ(c.vendor, check.vendor) << c.text;
            EXPECT_EQ(c.device, check.device) << c.text;
        } else {
            EXPECT_EQ(c.collected, collected) << c.text;
        }
    }
}

}  // namespace
