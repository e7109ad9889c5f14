// The VPD text: statements that spell out, byte by byte, the VPD that -vpd programs. The text
// gives every length itself; the parser appends what each statement says, in order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flash/images/vpd_layout.h"

inline constexpr size_t kVpdTokenSize = 64;  // at most 63 characters

enum class VpdToken : uint8_t {
    kToken,          // token() holds it, without quotes
    kEnd,            // end of the text or a zero byte
    kTooLong,        // kVpdTokenSize characters or more
    kUnclosedQuote,  // a quoted text that runs to the end
};

// Splits the text into tokens. Space, tab, carriage return, line feed and "=" separate tokens; ";"
// starts a comment up to the end of the line. A token ends at a space, carriage return, line feed,
// "=" or ";" (a tab inside it belongs to it); a token that starts with a double quote runs to the
// closing quote and is taken without the quotes.
class VpdTokenizer {
  public:
    VpdTokenizer(const char* text, size_t length) : text_(text), length_(text ? length : 0) {}

    VpdToken Next();
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
    char token_[kVpdTokenSize] = {};
};

// Parses the whole text into vpd (kVpdLength bytes), printing the parser's lines. On success
// *length is the number of bytes built and "File Successfully Parsed" has been printed; on failure
// nothing is meant to be written.
bool ParseVpdText(const char* text, size_t textLength, uint8_t* vpd, size_t* length);
