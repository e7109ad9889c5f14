#include "flash/images/nvdata_text.h"

#include <cstring>

#include "common/bytes.h"
#include "flash/frontend/messages.h"
#include "flash/frontend/number_parsing.h"

namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// ";" ends a token as well as white space does: "0x62;T470" is the number 0x62 and a comment,
// never a number with the digit value of ";" in it, nor a comment whose words become tokens.
bool EndsToken(char c) {
    return IsWhiteSpace(c) || c == '=' || c == ';';
}

}  // namespace

void NvdataTokenizer::Skip() {
    while (!AtEnd()) {
        const char c = text_[position_];
        if (c == ';') {
            while (!AtEnd() && text_[position_] != '\n') ++position_;
        } else if (IsWhiteSpace(c)) {
            if (c == '\n') ++line_;
            ++position_;
        } else {
            return;
        }
    }
}

NvdataToken NvdataTokenizer::Next() {
    token_[0] = '\0';
    Skip();
    tokenLine_ = line_;
    if (!AtEnd() && text_[position_] == '=') position_ = length_;
    if (AtEnd()) return NvdataToken::kEnd;

    const size_t start = position_;
    if (text_[position_] == '"') {
        ++position_;
        while (!AtEnd() && text_[position_] != '"') {
            if (text_[position_] == '\n') ++line_;
            ++position_;
        }
        if (AtEnd()) return NvdataToken::kUnclosedQuote;
        ++position_;
    }
    while (!AtEnd() && !EndsToken(text_[position_])) ++position_;
    const size_t count = position_ - start;
    if (!AtEnd() && text_[position_] == '=') ++position_;
    if (count >= kNvdataTokenSize) return NvdataToken::kTooLong;
    std::memcpy(token_, text_ + start, count);
    token_[count] = '\0';
    return NvdataToken::kToken;
}

uint16_t NvdataDeviceId(const NvdataPages& pages) {
    static const int section = FindNvdataSection("SECTION_IOC_MFG_PAGE_2");
    return ByteReader(pages.page[section], kNvdataMaxPageLength).U16(0x04);
}

namespace {

void ReportTokenError(const NvdataTokenizer& tokens, NvdataToken result) {
    if (result == NvdataToken::kTooLong) {
        MessageAt(kLevelError, "\t\tERROR: Token on line %u is longer than %u characters.\n",
                  tokens.line(), unsigned(kNvdataTokenSize - 1));
    } else if (result == NvdataToken::kUnclosedQuote) {
        MessageAt(kLevelError, "\t\tERROR: Quoted string on line %u has no closing quote.\n",
                  tokens.line());
    }
}

// Where a field's value goes: its buffer and that buffer's size.
ByteWriter Destination(const NvdataField& field, size_t section, NvdataPages* pages) {
    switch (field.area) {
        case NvdataArea::kHeader:
            return ByteWriter(pages->header, sizeof pages->header);
        case NvdataArea::kIdentity:
            return ByteWriter(pages->identity, sizeof pages->identity);
        default:
            return ByteWriter(pages->page[section], NvdataSections()[section].pageLength);
    }
}

void StoreNumber(const NvdataField& field, size_t section, uint32_t value, NvdataPages* pages) {
    if (field.area == NvdataArea::kForceUpdate) {
        pages->forceUpdate[section] = (value & 1) != 0;
        return;
    }
    ByteWriter out = Destination(field, section, pages);
    switch (field.width) {
        case NvdataWidth::kU16:
            out.U16(field.offset, static_cast<uint16_t>(value));
            break;
        case NvdataWidth::kU32:
            out.U32(field.offset, value);
            break;
        default:  // u8, and the first byte of a text field
            out.U8(field.offset, static_cast<uint8_t>(value));
            break;
    }
}

// The characters between the quotes, cut at the field's extent.
void StoreText(const NvdataField& field, size_t section, const char* quoted, NvdataPages* pages) {
    if (field.area == NvdataArea::kForceUpdate) {
        // A flag has no bytes a text could be copied into.
        MessageAt(kLevelError, "\t\tValue %s had illegal int value\n", field.name);
        return;
    }
    const char* text = quoted + 1;
    const char* end = std::strchr(text, '"');
    size_t length = end ? size_t(end - text) : std::strlen(text);
    if (length > field.extent) {
        MessageAt(kLevelError,
                  "\t\tWARNING: Text for %s is longer than its %u-byte field and was cut.\n",
                  field.name, unsigned(field.extent));
        length = field.extent;
    }
    ByteWriter out = Destination(field, section, pages);
    out.Copy(field.offset, text, length);
    if (field.zeroAfterText) out.U8(field.offset + length, 0);
}

void StoreValue(const NvdataField& field, size_t section, const char* token, NvdataPages* pages) {
    if (token[0] == '"') {
        StoreText(field, section, token, pages);
        return;
    }
    uint32_t value = 0;
    uint32_t high = 0;
    if (!ParseHexNumber(token, &value, &high)) {
        MessageAt(kLevelError, "\t\tValue %s had illegal int value\n", field.name);
        return;
    }
    StoreNumber(field, section, value, pages);
}

// The next token inside a section; false after its line when the text ends or a token is bad.
bool NextInSection(NvdataTokenizer& tokens) {
    const NvdataToken result = tokens.Next();
    if (result == NvdataToken::kToken) return true;
    if (result == NvdataToken::kEnd) {
        MessageAt(kLevelError, "\t\tERROR: File should not end on the middle of a page.\n");
    } else {
        ReportTokenError(tokens, result);
    }
    return false;
}

bool ParseSection(NvdataTokenizer& tokens, size_t section, NvdataPages* pages) {
    for (;;) {
        if (!NextInSection(tokens)) return false;
        if (std::strcmp(tokens.token(), "END_SECTION") == 0) return true;
        const NvdataField* field = FindNvdataField(NvdataSections()[section], tokens.token());
        if (!field) {
            MessageAt(kLevelError, "\t\tERROR: Unable to match field %s in current section\n",
                      tokens.token());
            return false;
        }
        if (!NextInSection(tokens)) return false;
        StoreValue(*field, section, tokens.token(), pages);
    }
}

bool ParseVersionLine(NvdataTokenizer& tokens, NvdataPages* pages) {
    NvdataToken result = tokens.Next();
    if (result == NvdataToken::kToken) {
        if (std::strcmp(tokens.token(), "SASDATA_VERSION_CHECK") != 0) return false;
        result = tokens.Next();
    }
    if (result != NvdataToken::kToken) {
        ReportTokenError(tokens, result);
        return false;
    }
    uint32_t value = 0;
    uint32_t high = 0;
    if (!ParseHexNumber(tokens.token(), &value, &high)) return false;
    const uint16_t version = static_cast<uint16_t>((value & 0xFF) << 8);
    if (version != kNvdataMajorVersion) {
        MessageAt(kLevelError, "\t\tERROR: NVDATA Version mismatch.\n");
        MessageAt(kLevelError, "\t\tExpected version %04x.\n", unsigned(kNvdataMajorVersion));
        MessageAt(kLevelError, "\t\tActual version %04x.\n\n", unsigned(version));
        return false;
    }
    pages->majorVersion = version;
    return true;
}

}  // namespace

bool ParseNvdataText(const char* text, size_t length, NvdataPages* pages) {
    NvdataTokenizer tokens(text, length);
    if (!ParseVersionLine(tokens, pages)) return false;

    unsigned parsed = 0;
    for (;;) {
        const NvdataToken result = tokens.Next();
        if (result == NvdataToken::kEnd) break;
        if (result != NvdataToken::kToken) {
            ReportTokenError(tokens, result);
            MessageAt(kLevelError, "\t\tExiting Parser due to Failure.\n\n");
            return false;
        }
        const int section = FindNvdataSection(tokens.token());
        if (section < 0) {
            if (parsed == 0) {
                MessageAt(kLevelError, "\t\tERROR: Section Name: %s is not valid.\n",
                          tokens.token());
            } else {
                MessageAt(kLevelError, "\t\tExiting Parser due to Failure.\n\n");
            }
            return false;
        }
        if (!ParseSection(tokens, size_t(section), pages)) {
            MessageAt(kLevelError, "\t\tExiting Parser due to Failure.\n\n");
            return false;
        }
        ++parsed;
    }
    MessageAt(kLevelReport, "\t\tNVDATA File Successfully Parsed. . .\n\n");
    return parsed > 0;
}
