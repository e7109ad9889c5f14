#include "jobrunner/markers.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

std::array<uint8_t, kMarkerSize> Tail(const char* text) {
    std::array<uint8_t, kMarkerSize> tail{};
    for (size_t i = 0; i < kMarkerSize; ++i) tail[i] = static_cast<uint8_t>(text[i]);
    return tail;
}

}  // namespace

TEST(Markers, KindOfTail) {
    EXPECT_EQ(1, markerKind(Tail("#JCRT_QVG#")));
    EXPECT_EQ(2, markerKind(std::array<uint8_t, kMarkerSize>{0x30, 0x24, 0x82, 0x62, 0x02, 0x5A,
                                                             0x05, 0x4F, 0x99, 0x43}));
    EXPECT_EQ(0, markerKind(Tail("#JCRT_QVG$")));  // last byte differs
    EXPECT_EQ(0, markerKind(Tail("#jcrt_qvg#")));  // case matters
    EXPECT_EQ(0, markerKind(std::array<uint8_t, kMarkerSize>{0x30, 0x24, 0x82, 0x62, 0x02, 0x5A,
                                                             0x05, 0x4F, 0x99, 0x42}));
    EXPECT_EQ(0, markerKind(std::array<uint8_t, kMarkerSize>{}));
}

TEST(Markers, TransformsByDefinition) {
    const struct {
        int kind;
        uint8_t in;
        uint8_t out;
    } cases[] = {
        {1, 'a', 0x16},
        {1, 'b', 0x26},
        {1, 'c', 0x36},
        {1, 0xF0, 0x0F},
        {1, 0x00, 0x00},
        // xor 0x96 first, then the four 2-bit groups reversed
        {2, 0x00, 0x96},
        {2, 0x01, 0xD6},
        {2, 0x30, 0x9A},
        {2, 0x96, 0x00},
        {2, 0xFF, 0x69},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.out, TransformByte(c.in, c.kind)) << "kind " << c.kind << " byte " << +c.in;
    }
}

TEST(Markers, EachTransformIsItsOwnInverse) {
    for (int kind : {1, 2}) {
        std::vector<uint8_t> all(256), once(256), twice(256);
        for (int b = 0; b < 256; ++b) all[b] = static_cast<uint8_t>(b);
        ASSERT_EQ(0, transformBytes(all, once, kind));
        ASSERT_EQ(0, transformBytes(once, twice, kind));
        EXPECT_EQ(all, twice) << "kind " << kind;
        EXPECT_NE(all, once) << "kind " << kind;
    }
}

TEST(Markers, TransformBytesChecksAndRepeatsTheLastByte) {
    const std::vector<uint8_t> abc = {'a', 'b', 'c'};
    std::vector<uint8_t> none;
    std::vector<uint8_t> three(3);
    EXPECT_EQ(6, transformBytes(abc, none, 1));
    EXPECT_EQ(10, transformBytes(abc, three, 0));
    EXPECT_EQ(10, transformBytes(abc, three, 3));

    // Past the input's end the last byte read stands in; before any byte, a space.
    std::vector<uint8_t> five(5);
    ASSERT_EQ(0, transformBytes(abc, five, 1));
    EXPECT_EQ((std::vector<uint8_t>{0x16, 0x26, 0x36, 0x36, 0x36}), five);
    ASSERT_EQ(0, transformBytes(none, three, 1));
    EXPECT_EQ((std::vector<uint8_t>{0x02, 0x02, 0x02}), three);
}
