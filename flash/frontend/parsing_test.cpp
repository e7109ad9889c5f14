#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flash/frontend/command_file.h"
#include "flash/frontend/number_parsing.h"

namespace {

struct HexCase {
    const char* text;
    bool ok;
    uint32_t value;
    uint32_t high;
};

TEST(ParseHexNumber, LengthRulesAndPrefix) {
    const HexCase cases[] = {
        {"", true, 0, 0},
        {"0x", true, 0, 0},
        {"10", true, 0x10, 0},
        {"0x3", true, 3, 0},
        {"0XaBcD", true, 0xABCD, 0},
        {"ffffffff", true, 0xFFFFFFFF, 0},
        // Nine to sixteen characters: the first eight digits are the high word.
        {"1234567890", true, 0x90, 0x12345678},
        {"0x1234567", true, 0, 0x1234567},
        {"0x12345678AB", true, 0xAB, 0x12345678},
        {"1122334455667788", true, 0x55667788, 0x11223344},
        {"11223344556677889", false, 0, 0},
        // Punctuation from 0x2A to 0x3F spells digits 10 to 15.
        {"1.", true, 0x1E, 0},
        {"1:", true, 0x1A, 0},
        {"12g", false, 0, 0},
        {"-1", true, 0xD1, 0},
        {"0x 1", false, 0, 0},
    };
    for (const HexCase& c : cases) {
        uint32_t value = 0xDEAD, high = 0xBEEF;
        testing::internal::CaptureStdout();
        const bool ok = ParseHexNumber(c.text, &value, &high);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(c.ok, ok) << c.text;
        if (ok) {
            EXPECT_EQ(c.value, value) << c.text;
            EXPECT_EQ(c.high, high) << c.text;
            EXPECT_EQ("", printed) << c.text;
        } else {
            EXPECT_EQ(std::string("\tERROR: String ") + c.text + " is not a valid number\n",
                      printed);
        }
    }
}

TEST(ParseDecimalNumber, DigitValuesAboveNineAreAccepted) {
    const struct {
        const char* text;
        bool ok;
        uint32_t value;
    } cases[] = {{"12", true, 12}, {"a", true, 10}, {"1a", true, 20},
                 {"", false, 0},   {"g", false, 0}, {"7 ", false, 0}};
    for (const auto& c : cases) {
        uint32_t value = 0;
        EXPECT_EQ(c.ok, ParseDecimalNumber(c.text, &value)) << c.text;
        if (c.ok) {
            EXPECT_EQ(c.value, value) << c.text;
        }
    }
}

TEST(HexDigitValue, DigitsLettersAndPunctuationRange) {
    const std::pair<char, uint8_t> cases[] = {{'0', 0},   {'9', 9},   {'a', 10},  {'F', 15},
                                              {':', 10},  {'.', 14},  {'*', 10},  {'?', 15},
                                              {')', 255}, {'@', 255}, {'g', 255}, {' ', 255}};
    for (auto [c, v] : cases) EXPECT_EQ(v, HexDigitValue(c)) << c;
}

std::vector<std::string> Tokens(const CommandFileTokens& t) {
    return std::vector<std::string>(t.tokens, t.tokens + t.count);
}

TEST(TokenizeCommandFile, SeparatorsHashesAndTabs) {
    const struct {
        std::string text;
        std::vector<std::string> tokens;
    } cases[] = {
        {"-c 1\n-listall", {"-c", "1", "-listall"}},
        {"\r\n\t  -o\r\n", {"-o"}},
        // "#" is dropped only where a token would start.
        {"#-o -l#x ##", {"-o", "-l#x"}},
        // A tab inside a token belongs to it.
        {"-l\tlog.txt -s", {"-l\tlog.txt", "-s"}},
        {std::string("-o\0-s", 5), {"-o"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        CommandFileTokens tokens;
        ASSERT_EQ(TokenizeResult::kOk, TokenizeCommandFile(c.text, &tokens)) << c.text;
        EXPECT_EQ(c.tokens, Tokens(tokens)) << c.text;
    }
}

TEST(TokenizeCommandFile, BoundsAreRefused) {
    CommandFileTokens tokens;
    std::string fortyNine, fifty;
    for (int i = 0; i < 49; ++i) fortyNine += "-s ";
    fifty = fortyNine + "-o";
    EXPECT_EQ(TokenizeResult::kOk, TokenizeCommandFile(fortyNine, &tokens));
    EXPECT_EQ(49, tokens.count);
    EXPECT_EQ(TokenizeResult::kTooManyTokens, TokenizeCommandFile(fifty, &tokens));

    EXPECT_EQ(TokenizeResult::kOk, TokenizeCommandFile(std::string(255, 'x'), &tokens));
    EXPECT_EQ(std::string(255, 'x'), tokens.tokens[0]);
    EXPECT_EQ(TokenizeResult::kTokenTooLong, TokenizeCommandFile(std::string(256, 'x'), &tokens));
}

}  // namespace
