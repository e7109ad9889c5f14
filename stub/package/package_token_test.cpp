#include "stub/package/package_token.h"

#include <gtest/gtest.h>

namespace {
uint32_t FixedRandom() {
    return 123456;
}
}  // namespace

TEST(DecodeToken, DecodesHandMadeTokens) {
    // 10 00 01 'A' 'B' A4 10: key 0, no prefix, one suffix byte, check byte A4.
    EXPECT_EQ(DecodeToken("cbbbbcfcfdsfcb"), "AB");
    // The same token under key 21^01 = 20.
    EXPECT_EQ(DecodeToken("dcdbdchchddhbc"), "AB");
}

TEST(DecodeToken, UndecodableTextsYieldTheRandomNumber) {
    const char* cases[] = {
        "dcdbdchchddibc",  // check byte off by one
        "dcdbdchchddhb",   // odd length
        "dcdbdchchddhbz",  // 'z' is no digit
        "cbbbbcbc",        // four bytes only
        "",
        "cbffbcfcfdsfcb",  // prefix length 0x55 beyond the token
    };
    for (const char* text : cases) {
        EXPECT_EQ(TryDecodeToken(text), std::nullopt) << text;
        EXPECT_EQ(DecodeToken(text, FixedRandom), std::to_string(123456 % 99999)) << text;
    }
}

TEST(DecodeToken, EncodedTokensDecodeAndLookLikePackageTokens) {
    const std::string plains[] = {"", "a", "secret-token-1", "exactly23charactersxxxx",
                                  std::string(40, 'q')};
    for (const std::string& plain : plains) {
        for (uint32_t seed : {1u, 7u, 99u}) {
            const std::string scrambled = EncodeToken(plain, seed);
            EXPECT_EQ(TryDecodeToken(scrambled), plain) << scrambled;
            EXPECT_EQ(scrambled.find_first_not_of("bcdefghijkstuvwx"), std::string::npos);
            if (plain.size() <= 23) {
                EXPECT_EQ(scrambled.size(), 56u);
            }
        }
    }
    EXPECT_NE(EncodeToken("same", 1), EncodeToken("same", 2));
}
