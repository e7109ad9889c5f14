// The VPD text: how it splits into tokens, the bytes each statement appends, and the exact lines
// of every parse error.
#include "flash/images/vpd_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

TEST(VpdTokenizer, SplitsLikeTheFormatSays) {
    const std::string longest(63, 'A');
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> tokens;
        VpdToken last;
        unsigned lastLine;
    } cases[] = {
        {"separators of every kind",
         "A \tB\r\nC=D==E",
         {"A", "B", "C", "D", "E"},
         VpdToken::kEnd,
         2},
        {"a tab inside a token belongs to it", "A\tB C", {"A\tB", "C"}, VpdToken::kEnd, 1},
        {"comments run to the line end", "; x y\nA ; B C\nD", {"A", "D"}, VpdToken::kEnd, 3},
        {"a semicolon ends the token it touches", "0x0C;len\nB", {"0x0C", "B"}, VpdToken::kEnd, 2},
        {"quotes keep blanks and separators and are dropped",
         "\"a b=c;d\" E",
         {"a b=c;d", "E"},
         VpdToken::kEnd,
         1},
        {"a quoted token ends at its closing quote", "\"ab\"cd", {"ab", "cd"}, VpdToken::kEnd, 1},
        {"an empty quoted text", "\"\" X", {"", "X"}, VpdToken::kEnd, 1},
        {"a zero byte ends the text", std::string("A\0B", 3), {"A"}, VpdToken::kEnd, 1},
        {"the longest token fits", longest + " B", {longest, "B"}, VpdToken::kEnd, 1},
        {"one character more is refused", "A\n" + longest + "B", {"A"}, VpdToken::kTooLong, 2},
        {"a quoted text of 64 characters is refused",
         "\"" + longest + "B\"",
         {},
         VpdToken::kTooLong,
         1},
        {"a quoted text without its end", "A\n\"abc\n def", {"A"}, VpdToken::kUnclosedQuote, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VpdTokenizer tokens(c.text.data(), c.text.size());
        std::vector<std::string> seen;
        VpdToken result;
        while ((result = tokens.Next()) == VpdToken::kToken) seen.push_back(tokens.token());
        EXPECT_EQ(c.tokens, seen);
        EXPECT_EQ(c.last, result);
        EXPECT_EQ(c.lastLine, tokens.line());
    }
}

struct Parsed {
    bool ok = false;
    Bytes vpd;
    std::string output;
};

Parsed Parse(const std::string& text) {
    Parsed p;
    uint8_t vpd[kVpdLength];
    std::fill(std::begin(vpd), std::end(vpd), 0xEE);
    size_t length = 0;
    testing::internal::CaptureStdout();
    p.ok = ParseVpdText(text.data(), text.size(), vpd, &length);
    p.output = testing::internal::GetCapturedStdout();
    if (p.ok) p.vpd.assign(vpd, vpd + length);
    return p;
}

const std::string kIdString =
    "LR_ID_STRING_TAG = 0x82\nLR_ID_STRING_LENGTH = 0x000E\nLR_ID_STRING = \"Kelmar SAS HBA\"\n";

// A board's VPD as a text, and the same VPD from the image builder.
const std::string kBoardText = kIdString +
                               "LR_VPD_TAG 0x90 LR_VPD_LENGTH 0x0021\n"
                               "VPD_KEYWORD PN VPD_LENGTH 0x0C VPD_DATA L3-25116-01A\n"
                               "VPD_KEYWORD =\tSN VPD_LENGTH = 0x0B VPD_DATA = \"P0012345678\"\n"
                               "VPD_KEYWORD RV VPD_LENGTH 0x01 VPD_DATA CHECKSUM ; sums to zero\n"
                               "LR_VPD_TAG 0x91\nLR_VPD_LENGTH 0x0010\n"
                               "VPD_KEYWORD YA VPD_LENGTH 0x02 VPD_DATA ab\n"
                               "VPD_KEYWORD RW VPD_LENGTH 0x08 VPD_DATA RESERVED\n"
                               "SR_END_TAG\n";

Bytes BoardVpd() {
    imgb::VpdSpec spec;
    spec.identifier = "Kelmar SAS HBA";
    spec.readOnly = {{"PN", "L3-25116-01A"}, {"SN", "P0012345678"}};
    spec.writable = {{"YA", "ab"}};
    spec.rwSize = 8;
    Bytes vpd = imgb::BuildVpd(spec);
    // The builder pads to 256 bytes; the text builds up to the end tag.
    while (!vpd.empty() && vpd.back() == 0) vpd.pop_back();
    return vpd;
}

TEST(ParseVpdText, BuildsTheLayoutTheWalkReads) {
    const Parsed p = Parse(kBoardText);
    ASSERT_TRUE(p.ok) << p.output;
    EXPECT_EQ("\t\tFile Successfully Parsed\n", p.output);
    EXPECT_EQ(BoardVpd(), p.vpd);
    // Everything up to and including the checksum byte sums to zero.
    uint8_t sum = 0;
    for (size_t i = 0; i <= 17 + 3 + 15 + 14 + 3; ++i) sum = uint8_t(sum + p.vpd[i]);
    EXPECT_EQ(0, sum);
}

TEST(ParseVpdText, NumbersLoseTheirFirstTwoCharacters) {
    // "82" has no prefix, so its digits are read from the third character on: nothing, which is 0.
    // "$$90" is 0x90 whatever the prefix is; the length keeps its low 16 bits, low byte first.
    const Parsed p = Parse(
        "LR_ID_STRING_TAG 82 LR_ID_STRING_LENGTH 0x12340001 LR_ID_STRING X\n"
        "LR_VPD_TAG $$90 LR_VPD_LENGTH 0x0\n"
        "VPD_KEYWORD V0 VPD_LENGTH 0x102 VPD_DATA RESERVED SR_END_TAG");
    ASSERT_TRUE(p.ok) << p.output;
    EXPECT_EQ((Bytes{0x00, 0x01, 0x00, 'X', 0x90, 0x00, 0x00, 'V', '0', 0x02, 0, 0, 0x78}), p.vpd);
}

TEST(ParseVpdText, IdentifierStatementsFoundAmongOthers) {
    // Tokens before and between the identifier statements are skipped, and a value that is no
    // number leaves the statement expected.
    const Parsed p = Parse(
        "junk LR_ID_STRING \"early\" LR_ID_STRING_TAG 0xZZ LR_ID_STRING_TAG 0x82 "
        "LR_ID_STRING_LENGTH 0x2 LR_ID_STRING ok SR_END_TAG");
    ASSERT_TRUE(p.ok) << p.output;
    EXPECT_EQ(
        "\tERROR: String ZZ is not a valid number\n"
        "\t\tFailed to convert to a number ZZ\n"
        "\t\tFile Successfully Parsed\n",
        p.output);
    EXPECT_EQ((Bytes{0x82, 0x02, 0x00, 'o', 'k', 0x78}), p.vpd);
}

TEST(ParseVpdText, ErrorsWithTheirExactLines) {
    const std::string id = kIdString;
    const std::string longToken(64, 'T');
    const struct {
        const char* name;
        std::string text;
        std::string output;
    } cases[] = {
        {"empty text", "", "\t\tERROR parsing VPD ID_STRING not found!\n"},
        {"no identifier text", "LR_ID_STRING_TAG 0x82 LR_ID_STRING_LENGTH 0x1\n",
         "\t\tERROR parsing VPD ID_STRING not found!\n"},
        {"tag without value", "LR_ID_STRING_TAG",
         "\t\tFailed find value after ID_STR_TAG\n\t\tERROR parsing VPD ID_STRING not found!\n"},
        {"length without value", "LR_ID_STRING_TAG 0x82 LR_ID_STRING_LENGTH",
         "\t\tFailed to find value after ID_STR_LEN\n"
         "\t\tERROR parsing VPD ID_STRING not found!\n"},
        {"text without value", "LR_ID_STRING_TAG 0x82 LR_ID_STRING_LENGTH 0x1 LR_ID_STRING",
         "\t\tFailed to find value after ID_STR\n\t\tERROR parsing VPD ID_STRING not found!\n"},
        {"keyword without value", id + "VPD_KEYWORD",
         "\t\tERROR: Invalid VPD_KEYWORD - Value pair.\n\n"
         "\t\tERROR parsing VPD keyword information! \n"},
        {"length without value", id + "VPD_KEYWORD PN VPD_LENGTH",
         "\t\tERROR: Invalid VPD_LENGTH - Value pair.\n\n"
         "\t\tERROR parsing VPD keyword information! \n"},
        {"data without value", id + "VPD_KEYWORD PN VPD_LENGTH 0x1 VPD_DATA",
         "\t\tERROR: Invalid LR_ID_STRING - Value pair.\n\n"
         "\t\tERROR parsing VPD keyword information! \n"},
        {"text of the wrong length", id + "VPD_KEYWORD PN VPD_LENGTH 0x0C VPD_DATA \"L3-25116\"",
         "\t\tERROR: VPD Value \"L3-25116\"\n\t\tExpected Length C Actual Length 8.\n"
         "\t\tERROR parsing VPD keyword information! L3-25116\n"},
        {"checksum announced longer than its byte",
         id + "VPD_KEYWORD RV VPD_LENGTH 0x02 VPD_DATA CHECKSUM",
         "\t\tERROR: VPD Value \"CHECKSUM\"\n\t\tExpected Length 2 Actual Length 1.\n"
         "\t\tERROR parsing VPD keyword information! CHECKSUM\n"},
        {"keyword of three characters", id + "VPD_KEYWORD PNX VPD_LENGTH 0x1 VPD_DATA a",
         "\t\tERROR parsing VPD keyword information! PNX\n"
         "\t\tERROR parsing VPD unknown statement! VPD_LENGTH\n"},
        {"statements out of order", id + "VPD_KEYWORD PN VPD_DATA a VPD_LENGTH 0x1",
         "\t\tERROR parsing VPD keyword information! VPD_DATA\n"
         "\t\tERROR parsing VPD unknown statement! a\n"},
        {"length not a number", id + "VPD_KEYWORD PN VPD_LENGTH 0xQ1 VPD_DATA a",
         "\tERROR: String Q1 is not a valid number\n\t\tFailed to convert to a number Q1\n"
         "\t\tERROR parsing VPD keyword information! 0xQ1\n"
         "\t\tERROR parsing VPD unknown statement! VPD_DATA\n"},
        // Parsing goes on after a failed keyword, so later errors are reported too.
        {"two failed keywords",
         id + "VPD_KEYWORD PN VPD_LENGTH 0x2 VPD_DATA abc VPD_KEYWORD SN VPD_LENGTH 0x1 "
              "VPD_DATA xy SR_END_TAG",
         "\t\tERROR: VPD Value \"abc\"\n\t\tExpected Length 2 Actual Length 3.\n"
         "\t\tERROR parsing VPD keyword information! abc\n"
         "\t\tERROR: VPD Value \"xy\"\n\t\tExpected Length 1 Actual Length 2.\n"
         "\t\tERROR parsing VPD keyword information! xy\n"},
        {"resource tag without value", id + "LR_VPD_TAG",
         "\t\tFailed to VPD Tag Token.\n\t\tERROR parsing VPD tag info not found! \n"},
        {"resource without length", id + "LR_VPD_TAG 0x90 VPD_KEYWORD",
         "\t\tFailed to match String 1.\n\t\tERROR parsing VPD tag info not found! \n"},
        {"resource tag not a number", id + "LR_VPD_TAG 0x9G LR_VPD_LENGTH 0x10",
         "\tERROR: String 9G is not a valid number\n\t\tFailed to convert to a number 9G\n"
         "\t\tERROR parsing VPD tag info not found! 0x10\n"},
        {"tokens between tag and length", id + "LR_VPD_TAG 0x9G x LR_VPD_LENGTH 0x10",
         "\tERROR: String 9G is not a valid number\n\t\tFailed to convert to a number 9G\n"
         "\t\tFailed to match String 0.\n"
         "\t\tERROR parsing VPD tag info not found! 0x10\n"},
        {"misspelt statement", id + "VPD_KEYWROD PN SR_END_TAG",
         "\t\tERROR parsing VPD unknown statement! VPD_KEYWROD\n"},
        {"token of 64 characters", id + "VPD_KEYWORD PN VPD_LENGTH 0x40 VPD_DATA " + longToken,
         "\t\tERROR: VPD token on line 4 is longer than 63 characters.\n"},
        {"quoted text without its end", "LR_ID_STRING_TAG 0x82\n\"abc",
         "\t\tERROR: Quoted string on line 2 has no closing quote.\n"},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.text);
        EXPECT_FALSE(p.ok) << c.name;
        EXPECT_EQ(c.output, p.output) << c.name;
    }
}

TEST(ParseVpdText, RefusesAVpdLongerThan256Bytes) {
    // Identifier (3 + 40) and four reserved keywords of 3 + 40 bytes: 215 bytes.
    std::string text = "LR_ID_STRING_TAG 0x82 LR_ID_STRING_LENGTH 0x28 LR_ID_STRING " +
                       std::string(40, 'i') + "\n";
    for (int i = 0; i < 4; ++i)
        text += "VPD_KEYWORD V" + std::to_string(i) + " VPD_LENGTH 0x28 VPD_DATA RESERVED\n";
    Parsed p = Parse(text);
    ASSERT_TRUE(p.ok) << p.output;
    EXPECT_EQ(43u + 4 * 43u, p.vpd.size());

    // A fifth one would make 258 bytes.
    p = Parse(text + "VPD_KEYWORD V5 VPD_LENGTH 0x28 VPD_DATA RESERVED\n");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ("\t\tERROR: VPD data is longer than 256 bytes.\n", p.output);

    // Exactly 256 bytes fit; one byte more is refused.
    const std::string full = text + "VPD_KEYWORD V5 VPD_LENGTH 0x25 VPD_DATA RESERVED\n";
    p = Parse(full + "SR_END_TAG");
    ASSERT_TRUE(p.ok) << p.output;
    EXPECT_EQ(256u, p.vpd.size());
    EXPECT_EQ(0x78, p.vpd.back());
    p = Parse(full + "SR_END_TAG SR_END_TAG");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ("\t\tERROR: VPD data is longer than 256 bytes.\n", p.output);
}

}  // namespace
