#include "stub/update/inform_file.h"

#include <gtest/gtest.h>

#include "stub/package/package_token.h"

TEST(InformFile, ScrambledContentIsMixedWithItsKeyByPosition) {
    // Key 'A' (65): position 0 mixes with 0+1+65 = 0x42, position 1 with 1+1-65 -> 0xC1.
    EXPECT_EQ(DescrambleInform("Scrambled=01A\x23\xA3"), "ab");
    EXPECT_EQ(DescrambleInform("x|t|y|z|plain"), "x|t|y|z|plain");
    EXPECT_EQ(DescrambleInform("Scrambled=01"), "Scrambled=01");
    EXPECT_EQ(DescrambleInform("Scrambled=01K"), "");
}

TEST(InformFile, FieldsTokenAndText) {
    const std::string token = EncodeToken("update-token", 3);
    const InformFile inform = ParseInform("v2|" + token + "|a|b|<b>New</b> version|with bars");
    EXPECT_EQ(inform.token, token);
    EXPECT_EQ(inform.text, "<b>New</b> version|with bars");
    EXPECT_TRUE(InformBelongsTo(inform, "update-token"));
    EXPECT_FALSE(InformBelongsTo(inform, "another-token"));

    EXPECT_EQ(ParseInform("v2|tok|a|b").text, "");
    EXPECT_EQ(ParseInform("v2|tok").token, "tok");
    EXPECT_EQ(ParseInform("").token, "");

    // The same content scrambled reads the same.
    std::string scrambled = "Scrambled=01\x07";
    const std::string plain = "v2|" + token + "|a|b|Text";
    for (size_t i = 0; i < plain.size(); ++i) {
        const long long mix = static_cast<long long>(i) + 1 + (i % 2 == 0 ? 7 : -7);
        scrambled += static_cast<char>(plain[i] ^ (mix & 0xFF));
    }
    EXPECT_EQ(ParseInform(scrambled).text, "Text");
    EXPECT_EQ(ParseInform(scrambled).token, token);
}
