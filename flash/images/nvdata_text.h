// The NVDATA text: a version line, then sections of field name / value pairs that fill the page
// buffers the NVDATA image is built from.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flash/images/nvdata_catalogue.h"

inline constexpr uint16_t kNvdataMajorVersion = 0x2D00;
inline constexpr size_t kNvdataTokenSize = 96;  // at most 95 characters

// What the text wrote; all zero before parsing.
struct NvdataPages {
    uint8_t header[kNvdataHeaderSize];
    uint8_t identity[kNvdataIdentitySize];
    uint8_t page[kNvdataSectionCount][kNvdataMaxPageLength];  // by section index
    bool forceUpdate[kNvdataSectionCount];
    uint16_t majorVersion;  // from the version line
};

// DEVICE_ID of SECTION_IOC_MFG_PAGE_2: which chip the text is for.
uint16_t NvdataDeviceId(const NvdataPages& pages);

enum class NvdataToken : uint8_t {
    kToken,          // token() holds it, quotes kept
    kEnd,            // end of the text, a zero byte, or a "=" where a token should start
    kTooLong,        // more than kNvdataTokenSize - 1 characters
    kUnclosedQuote,  // a quoted string that runs to the end of the text
};

// Splits the text into tokens. White space and ";" comments separate tokens; a token ends at
// white space, "=" (consumed with it), ";" or the end; a token that starts with a double quote
// runs at least to the next double quote.
class NvdataTokenizer {
  public:
    NvdataTokenizer(const char* text, size_t length) : text_(text), length_(length) {}

    NvdataToken Next();
    const char* token() const { return token_; }
    // The line (from 1) where the last token, or the failed one, started.
    unsigned line() const { return tokenLine_; }

  private:
    bool AtEnd() const { return position_ >= length_ || text_[position_] == '\0'; }
    void Skip();

    const char* text_;
    size_t length_;
    size_t position_ = 0;
    unsigned line_ = 1;
    unsigned tokenLine_ = 1;
    char token_[kNvdataTokenSize] = {};
};

// Parses the whole text into pages (which the caller zeroed), printing the parser's lines. True
// only when the version line was right and at least one section was parsed.
bool ParseNvdataText(const char* text, size_t length, NvdataPages* pages);
