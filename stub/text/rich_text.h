// The small markup of the stub's texts: line breaks, tabs and bold runs, written in the language
// strings and turned into plain text plus bold ranges for the message box's rich-text field.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Character offsets into the plain text, end exclusive.
struct BoldRun {
    size_t start;
    size_t end;
};

struct RichText {
    std::string plain;
    std::vector<BoldRun> bold;
};

// "\\n" and "\\t" (three characters each), then <P> and <T> in any case, become CR LF and TAB; a
// leading "<<b>" loses its first character; every <B> ... </B> pair becomes a bold run and is
// removed, unpaired tags are dropped.
RichText ApplyMarkup(std::string_view text);
