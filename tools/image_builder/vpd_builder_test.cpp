#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/bytes.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

struct Keyword {
    uint8_t tag;
    size_t valueOffset;
    std::string value;
};

// The program's resource walk: identifier length + 3, then resources while the tag is above 0x80.
std::map<std::string, Keyword> WalkVpd(const Bytes& vpd, uint8_t* endTag) {
    ByteReader reader(vpd.data(), vpd.size());
    std::map<std::string, Keyword> keywords;
    size_t at = 3 + reader.U16(1);
    while (at < 256 && reader.U8(at) > 0x80) {
        const uint8_t tag = reader.U8(at);
        const size_t end = at + 3 + reader.U16(at + 1);
        for (size_t key = at + 3; key < end; key += 3 + reader.U8(key + 2)) {
            std::string name{static_cast<char>(reader.U8(key)),
                             static_cast<char>(reader.U8(key + 1))};
            keywords[name] = {
                tag, key + 3,
                std::string(vpd.begin() + key + 3, vpd.begin() + key + 3 + reader.U8(key + 2))};
        }
        at = end;
    }
    *endTag = reader.U8(at);
    return keywords;
}

TEST(Vpd, ResourcesKeywordsAndTheChecksumAsTheProgramWalksThem) {
    imgb::VpdSpec spec;
    spec.identifier = "Board";
    spec.readOnly = {{"PN", "K3-25120"}, {"V1", "00.00.00.00 "}, {"V3", "01.32.00.00 "}};
    spec.writable = {{"V9", "x"}};
    spec.rwSize = 20;
    Bytes vpd = imgb::BuildVpd(spec);
    ASSERT_EQ(vpd.size(), 256u);
    EXPECT_EQ(vpd[0], 0x82);
    uint8_t endTag = 0;
    std::map<std::string, Keyword> keywords = WalkVpd(vpd, &endTag);
    EXPECT_EQ(endTag, 0x78);
    EXPECT_EQ(keywords["PN"].value, "K3-25120");
    EXPECT_EQ(keywords["V3"].value, "01.32.00.00 ");
    EXPECT_EQ(keywords["V3"].tag, 0x90);
    EXPECT_EQ(keywords["V9"].tag, 0x91);
    EXPECT_EQ(keywords["RW"].value.size(), 20u);
    ASSERT_EQ(keywords.count("RV"), 1u);
    size_t checksum = keywords["RV"].valueOffset;
    EXPECT_EQ(imgb::ByteSum(vpd.data(), checksum + 1), 0);
    EXPECT_EQ(keywords["RV"].tag, 0x90);
}

TEST(Vpd, WhatDoesNotFitGivesNothing) {
    imgb::VpdSpec spec;
    spec.readOnly = {{"V1", std::string(200, 'a')}, {"V2", std::string(60, 'b')}};
    EXPECT_TRUE(imgb::BuildVpd(spec).empty());
    spec.readOnly = {{"V1", std::string(256, 'a')}};
    spec.size = 4096;
    EXPECT_TRUE(imgb::BuildVpd(spec).empty());
}

}  // namespace
