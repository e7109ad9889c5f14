#include "flash/images/vpd_text.h"

#include <cstring>

#include "flash/frontend/messages.h"
#include "flash/frontend/number_parsing.h"

namespace {

bool Separates(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '=';
}

// ";" ends a token as well: "0x0C;length" is the number 0x0C and a comment, never a number with
// the digit value of ";" (11) in it.
bool EndsToken(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '=' || c == ';';
}

bool Is(const char* token, const char* name) {
    return std::strcmp(token, name) == 0;
}

// Numbers are written with a two-character prefix, which is skipped whatever it is.
const char* NumberDigits(const char* token) {
    return std::strlen(token) >= 2 ? token + 2 : "";
}

class VpdParser {
  public:
    VpdParser(const char* text, size_t length, uint8_t* vpd) : tokens_(text, length), vpd_(vpd) {}

    bool Parse(size_t* length);

  private:
    bool NextToken();
    bool Append(const void* bytes, size_t count);
    bool AppendByte(uint8_t byte) { return Append(&byte, 1); }
    bool AppendLength(uint32_t value);
    bool ParseValue(uint32_t* value);
    bool ParseIdString();
    bool ParseResourceTag();
    bool ParseKeyword();
    bool ParseKeywordData(uint8_t expected);

    VpdTokenizer tokens_;
    uint8_t* vpd_;
    size_t used_ = 0;
    bool aborted_ = false;  // a token or the VPD broke a bound: nothing more is read
};

// False at the end of the text, or after a token that breaks a bound (reported here, once).
bool VpdParser::NextToken() {
    if (aborted_) return false;
    switch (tokens_.Next()) {
        case VpdToken::kToken:
            return true;
        case VpdToken::kEnd:
            return false;
        case VpdToken::kTooLong:
            MessageAt(kLevelError,
                      "\t\tERROR: VPD token on line %u is longer than %u characters.\n",
                      tokens_.line(), unsigned(kVpdTokenSize - 1));
            break;
        case VpdToken::kUnclosedQuote:
            MessageAt(kLevelError, "\t\tERROR: Quoted string on line %u has no closing quote.\n",
                      tokens_.line());
            break;
    }
    aborted_ = true;
    return false;
}

bool VpdParser::Append(const void* bytes, size_t count) {
    if (aborted_) return false;
    if (count > kVpdLength - used_) {
        MessageAt(kLevelError, "\t\tERROR: VPD data is longer than %u bytes.\n",
                  unsigned(kVpdLength));
        aborted_ = true;
        return false;
    }
    std::memcpy(vpd_ + used_, bytes, count);
    used_ += count;
    return true;
}

bool VpdParser::AppendLength(uint32_t value) {
    const uint8_t bytes[] = {uint8_t(value & 0xFF), uint8_t((value >> 8) & 0xFF)};
    return Append(bytes, sizeof bytes);
}

bool VpdParser::ParseValue(uint32_t* value) {
    const char* digits = NumberDigits(tokens_.token());
    uint32_t high = 0;
    if (ParseHexNumber(digits, value, &high)) return true;
    MessageAt(kLevelReport, "\t\tFailed to convert to a number %s\n", digits);
    return false;
}

// Tag, length and text of the identifier string, in this order; tokens that do not fit the
// statement expected next are skipped.
bool VpdParser::ParseIdString() {
    static constexpr const char* kStatement[] = {"LR_ID_STRING_TAG", "LR_ID_STRING_LENGTH",
                                                 "LR_ID_STRING"};
    static constexpr const char* kMissingValue[] = {"\t\tFailed find value after ID_STR_TAG\n",
                                                    "\t\tFailed to find value after ID_STR_LEN\n",
                                                    "\t\tFailed to find value after ID_STR\n"};
    size_t expected = 0;
    while (NextToken()) {
        if (!Is(tokens_.token(), kStatement[expected])) continue;
        if (!NextToken()) {
            if (!aborted_) MessageAt(kLevelReport, "%s", kMissingValue[expected]);
            break;
        }
        if (expected == 2) return Append(tokens_.token(), std::strlen(tokens_.token()));
        uint32_t value = 0;
        if (!ParseValue(&value)) continue;
        if (!(expected == 0 ? AppendByte(uint8_t(value)) : AppendLength(value))) return false;
        ++expected;
    }
    if (!aborted_) MessageAt(kLevelReport, "\t\tERROR parsing VPD ID_STRING not found!\n");
    return false;
}

// After LR_VPD_TAG: the tag value, then LR_VPD_LENGTH and its value. A resource needs both, so an
// unreadable tag value fails the statement once its length is found.
bool VpdParser::ParseResourceTag() {
    if (!NextToken()) {
        if (!aborted_) MessageAt(kLevelReport, "\t\tFailed to VPD Tag Token.\n");
        return false;
    }
    uint32_t tag = 0;
    const bool tagTaken = ParseValue(&tag);
    while (NextToken()) {
        if (!Is(tokens_.token(), "LR_VPD_LENGTH")) {
            MessageAt(kLevelReport, "\t\tFailed to match String %d.\n", tagTaken ? 1 : 0);
            continue;
        }
        uint32_t length = 0;
        if (!NextToken() || !ParseValue(&length) || !tagTaken) return false;
        return AppendByte(uint8_t(tag)) && AppendLength(length);
    }
    return false;
}

// After VPD_KEYWORD: its two characters, then VPD_LENGTH and VPD_DATA with their values, in this
// order. Another statement in between fails the keyword.
bool VpdParser::ParseKeyword() {
    if (!NextToken()) {
        if (!aborted_) MessageAt(kLevelReport, "\t\tERROR: Invalid VPD_KEYWORD - Value pair.\n\n");
        return false;
    }
    // A keyword is two characters in the layout; any other length would shift every byte after it.
    if (std::strlen(tokens_.token()) != 2 || !Append(tokens_.token(), 2)) return false;

    if (!NextToken() || !Is(tokens_.token(), "VPD_LENGTH")) return false;
    if (!NextToken()) {
        if (!aborted_) MessageAt(kLevelReport, "\t\tERROR: Invalid VPD_LENGTH - Value pair.\n\n");
        return false;
    }
    uint32_t length = 0;
    if (!ParseValue(&length)) return false;
    const uint8_t expected = uint8_t(length);
    if (!AppendByte(expected)) return false;

    if (!NextToken() || !Is(tokens_.token(), "VPD_DATA")) return false;
    if (!NextToken()) {
        if (!aborted_) MessageAt(kLevelReport, "\t\tERROR: Invalid LR_ID_STRING - Value pair.\n\n");
        return false;
    }
    return ParseKeywordData(expected);
}

bool VpdParser::ParseKeywordData(uint8_t expected) {
    const char* value = tokens_.token();
    if (Is(value, "RESERVED")) {
        const uint8_t zeros[255] = {};
        return Append(zeros, expected);
    }
    // The checksum is one byte; a keyword that announces another length would not hold it.
    const size_t actual = Is(value, "CHECKSUM") ? 1 : std::strlen(value);
    if (actual != expected) {
        MessageAt(kLevelReport,
                  "\t\tERROR: VPD Value \"%s\"\n\t\tExpected Length %X Actual Length %X.\n", value,
                  unsigned(expected), unsigned(actual));
        return false;
    }
    if (!Is(value, "CHECKSUM")) return Append(value, actual);
    uint8_t sum = 0;
    for (size_t i = 0; i < used_; ++i) sum = uint8_t(sum + vpd_[i]);
    return AppendByte(uint8_t(-sum));
}

bool VpdParser::Parse(size_t* length) {
    if (!ParseIdString()) return false;
    bool failed = false;
    while (NextToken()) {
        const char* token = tokens_.token();
        if (Is(token, "VPD_KEYWORD")) {
            if (ParseKeyword()) continue;
            if (aborted_) break;
            MessageAt(kLevelReport, "\t\tERROR parsing VPD keyword information! %s\n",
                      tokens_.token());
            failed = true;
        } else if (Is(token, "LR_VPD_TAG")) {
            if (ParseResourceTag()) continue;
            if (aborted_) break;
            MessageAt(kLevelReport, "\t\tERROR parsing VPD tag info not found! %s\n",
                      tokens_.token());
            failed = true;
        } else if (Is(token, "SR_END_TAG")) {
            AppendByte(kVpdEndTag);
        } else {
            // A misspelt statement would otherwise end the VPD early and program the rest away.
            MessageAt(kLevelReport, "\t\tERROR parsing VPD unknown statement! %s\n", token);
            failed = true;
            break;
        }
    }
    if (failed || aborted_) return false;
    *length = used_;
    MessageAt(kLevelReport, "\t\tFile Successfully Parsed\n");
    return true;
}

}  // namespace

void VpdTokenizer::Skip() {
    while (!AtEnd()) {
        const char c = text_[position_];
        if (c == ';') {
            while (!AtEnd() && text_[position_] != '\n') ++position_;
        } else if (Separates(c)) {
            if (c == '\n') ++line_;
            ++position_;
        } else {
            return;
        }
    }
}

VpdToken VpdTokenizer::Next() {
    token_[0] = '\0';
    Skip();
    tokenLine_ = line_;
    if (AtEnd()) return VpdToken::kEnd;

    size_t start = position_;
    size_t count;
    if (text_[position_] == '"') {
        start = ++position_;
        while (!AtEnd() && text_[position_] != '"') {
            if (text_[position_] == '\n') ++line_;
            ++position_;
        }
        if (AtEnd()) return VpdToken::kUnclosedQuote;
        count = position_ - start;
        ++position_;  // the closing quote
    } else {
        while (!AtEnd() && !EndsToken(text_[position_])) ++position_;
        count = position_ - start;
    }
    if (count >= kVpdTokenSize) return VpdToken::kTooLong;
    std::memcpy(token_, text_ + start, count);
    token_[count] = '\0';
    return VpdToken::kToken;
}

bool ParseVpdText(const char* text, size_t textLength, uint8_t* vpd, size_t* length) {
    return VpdParser(text, textLength, vpd).Parse(length);
}
