#include "common/bytes.h"

#include <gtest/gtest.h>

TEST(Bytes, LittleEndianRoundTripAndBounds) {
    uint8_t buf[8] = {};
    ByteWriter w(buf, sizeof buf);
    w.U32(0, 0x11223344);
    w.U16(4, 0xA1B2);
    w.U8(6, 0x7F);
    EXPECT_TRUE(w.ok());
    const uint8_t expect[8] = {0x44, 0x33, 0x22, 0x11, 0xB2, 0xA1, 0x7F, 0x00};
    EXPECT_EQ(0, memcmp(buf, expect, 8));

    w.U32(6, 0xFFFFFFFF);  // straddles the end: refused whole
    EXPECT_FALSE(w.ok());
    EXPECT_EQ(0x7F, buf[6]);
    EXPECT_EQ(0x00, buf[7]);

    ByteReader r(buf, sizeof buf);
    EXPECT_EQ(0x11223344u, r.U32(0));
    EXPECT_EQ(0xA1B2u, r.U16(4));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(0u, r.U32(SIZE_MAX - 1));  // offset arithmetic must not wrap
    EXPECT_FALSE(r.ok());
}
