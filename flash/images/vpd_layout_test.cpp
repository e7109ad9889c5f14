#include "flash/images/vpd_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/bytes.h"
#include "flash/images/vpd_version.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

// Resources as "90@17+49[PN:12 V1:12]", then how the walk ended.
std::string Describe(const Bytes& vpd) {
    std::string text;
    char item[48];
    VpdResourceWalk resources(vpd.data(), vpd.size());
    VpdResource resource;
    while (resources.Next(&resource)) {
        std::snprintf(item, sizeof item, "%02x@%zu+%u[", resource.tag, resource.offset,
                      resource.length);
        text += item;
        VpdKeywordWalk keywords(vpd.data(), vpd.size(), resource);
        VpdKeyword keyword;
        bool first = true;
        while (keywords.Next(&keyword)) {
            // Every visited value lies inside the VPD.
            EXPECT_LE(keyword.valueOffset + keyword.valueLength, vpd.size());
            std::snprintf(item, sizeof item, "%s%c%c:%u", first ? "" : " ", keyword.name[0],
                          keyword.name[1], keyword.valueLength);
            text += item;
            first = false;
        }
        text += "] ";
    }
    switch (resources.end()) {
        case VpdWalkEnd::kEndTag:
            return text + "end";
        case VpdWalkEnd::kOtherTag:
            return text + "other";
        case VpdWalkEnd::kPastEnd:
            return text + "past";
    }
    return text;
}

imgb::VpdSpec BoardVpd() {
    imgb::VpdSpec spec;
    spec.identifier = "Kelmar SAS HBA";  // 14 characters: the VPD-R starts at 17
    spec.readOnly = {{"PN", "L3-25116-01A"},
                     {"V1", std::string("01.00.00.00") + '\0'},
                     {"V3", std::string("01.29.00.00") + '\0'}};
    spec.writable = {{"XY", "ab"}};
    spec.rwSize = 8;
    return spec;
}

TEST(VpdWalk, ResourcesAndKeywordsOfABoard) {
    const Bytes vpd = imgb::BuildVpd(BoardVpd());
    ASSERT_EQ(kVpdLength, vpd.size());
    EXPECT_EQ("90@17+49[PN:12 V1:12 V3:12 RV:1] 91@69+16[XY:2 RW:8] end", Describe(vpd));
    EXPECT_EQ(14u, VpdIdentifierLength(vpd.data(), vpd.size()));
}

TEST(VpdWalk, DamagedLayoutsEndInsideTheVpd) {
    const struct {
        const char* name;
        void (*damage)(Bytes*);
        std::string expected;
    } cases[] = {
        {"blank", [](Bytes* v) { std::fill(v->begin(), v->end(), 0); }, "other"},
        {"erased", [](Bytes* v) { std::fill(v->begin(), v->end(), 0xFF); }, "past"},
        {"identifier longer than the VPD", [](Bytes* v) { (*v)[2] = 0x01; }, "past"},
        {"no end tag", [](Bytes* v) { (*v)[88] = 0x00; },
         "90@17+49[PN:12 V1:12 V3:12 RV:1] 91@69+16[XY:2 RW:8] other"},
        // The value length of V3 runs past the resource: the keywords end before it.
        {"keyword value past its resource", [](Bytes* v) { (*v)[17 + 3 + 30 + 2] = 0xF0; },
         "90@17+49[PN:12 V1:12] 91@69+16[XY:2 RW:8] end"},
        // Behind RW the bytes read as a keyword whose value does not fit.
        {"resource longer than the VPD",
         [](Bytes* v) {
             ByteWriter(v->data(), v->size()).U16(70, 0x1000);
             std::fill(v->begin() + 88, v->end(), 0xFF);
         },
         "90@17+49[PN:12 V1:12 V3:12 RV:1] 91@69+4096[XY:2 RW:8] past"},
        // A tag in the last two bytes has no room for its length.
        {"tag at the very end",
         [](Bytes* v) {
             ByteWriter(v->data(), v->size()).U16(70, 254 - 72);
             std::fill(v->begin() + 88, v->end(), 0xFF);
             (*v)[254] = 0x91;
         },
         "90@17+49[PN:12 V1:12 V3:12 RV:1] 91@69+182[XY:2 RW:8] past"},
        {"cut to two bytes", [](Bytes* v) { v->resize(2); }, "past"},
    };
    for (const auto& c : cases) {
        Bytes vpd = imgb::BuildVpd(BoardVpd());
        c.damage(&vpd);
        Bytes exact(vpd);
        EXPECT_EQ(c.expected, Describe(exact)) << c.name;
    }
}

TEST(VpdWalk, ZeroLengthResourcesStillMoveOn) {
    Bytes vpd(kVpdLength);
    for (size_t i = 3; i + 2 < vpd.size(); i += 3) vpd[i] = 0x81;
    VpdResourceWalk resources(vpd.data(), vpd.size());
    VpdResource resource;
    size_t count = 0;
    while (resources.Next(&resource)) ++count;
    EXPECT_EQ(84u, count);
    EXPECT_EQ(VpdWalkEnd::kOtherTag, resources.end());
}

TEST(SetVpdChecksum, SumsTheBytesThroughRvToZero) {
    Bytes vpd = imgb::BuildVpd(BoardVpd());
    const size_t rv = 17 + 3 + 45 + 3;  // after PN, V1, V3 and the RV header
    ASSERT_EQ(0, imgb::ByteSum(vpd.data(), rv + 1));
    vpd[17 + 3 + 15 + 3 + 1] = '7';  // a digit of V1
    ASSERT_NE(0, imgb::ByteSum(vpd.data(), rv + 1));
    EXPECT_TRUE(SetVpdChecksum(vpd.data(), vpd.size()));
    EXPECT_EQ(0, imgb::ByteSum(vpd.data(), rv + 1));

    Bytes blank(kVpdLength);
    EXPECT_FALSE(SetVpdChecksum(blank.data(), blank.size()));
    EXPECT_EQ(Bytes(kVpdLength), blank);
}

TEST(VpdVersionText, FirmwareAndBiosForms) {
    const struct {
        uint32_t version;
        const char* firmware;
        const char* bios;
    } cases[] = {
        {0x01200000, "01.32.00.00", "00.00.00.00"},
        {0x0A0B0C0D, "10.11.12.13", "00.0<.00.0="},
        // From the low 16 bits: v >> 13, bit 12, (v >> 8) & 0xF, (v >> 4) & 0xF, v & 0xF.
        {0x00001234, "00.00.18.52", "00.12.03.04"},
        {0x00002405, "00.00.36.05", "01.04.00.05"},
        // Parts above 9 follow '9' in the character set, as the refresh writes them.
        {0x0000FFFF, "00.00.255.255", "07.1?.0?.0?"},
        {0xFF000000, "255.00.00.00", "00.00.00.00"},
    };
    for (const auto& c : cases) {
        char text[20];
        VpdFirmwareVersionText(c.version, text, sizeof text);
        EXPECT_STREQ(c.firmware, text) << std::hex << c.version;
        VpdBiosVersionText(c.version, text, sizeof text);
        EXPECT_STREQ(c.bios, text) << std::hex << c.version;
    }
}

}  // namespace
