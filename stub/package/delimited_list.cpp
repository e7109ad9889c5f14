#include "stub/package/delimited_list.h"

#include <algorithm>

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

// One left-to-right pass: "d " becomes "d", then " =" becomes "=", so "| key =v" matches "|key=".
std::string NormaliseSpacing(std::string_view text, char delimiter) {
    std::string pass1;
    pass1.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        pass1 += text[i];
        if (text[i] == delimiter && i + 1 < text.size() && text[i + 1] == ' ') ++i;
    }
    std::string pass2;
    pass2.reserve(pass1.size());
    for (size_t i = 0; i < pass1.size(); ++i) {
        if (pass1[i] == ' ' && i + 1 < pass1.size() && pass1[i + 1] == '=') continue;
        pass2 += pass1[i];
    }
    return pass2;
}

}  // namespace

size_t DelimitedList::ItemCount() const {
    if (text_.empty() || text_.back() != text_.front()) return 0;
    return static_cast<size_t>(std::count(text_.begin() + 1, text_.end(), text_.front()));
}

std::string DelimitedList::ItemAt(size_t index, std::string_view fallback) const {
    if (text_.empty()) return std::string(fallback);
    const char delimiter = text_.front();
    size_t start = 1;
    for (size_t i = 0; i < index; ++i) {
        const size_t next = text_.find(delimiter, start);
        if (next == std::string_view::npos) return std::string(fallback);
        start = next + 1;
    }
    if (start > text_.size()) return std::string(fallback);
    const size_t end = std::min(text_.find(delimiter, start), text_.size());
    if (end == start) return std::string(fallback);
    return std::string(text_.substr(start, end - start));
}

std::string DelimitedList::ValueOf(std::string_view key, std::string_view fallback,
                                   std::string_view emptyValue) const {
    if (text_.size() <= 2 || text_.back() != text_.front()) return std::string(fallback);
    const char delimiter = text_.front();
    const std::string list = NormaliseSpacing(text_, delimiter);
    std::string pattern = delimiter + std::string(key);
    if (pattern.back() != '=') pattern += '=';
    const size_t found = LowerAscii(list).find(LowerAscii(pattern));
    if (found == std::string::npos) return std::string(fallback);
    const size_t start = found + pattern.size();
    const size_t end = std::min(list.find(delimiter, start), list.size());
    if (end == start) return std::string(emptyValue);
    return list.substr(start, end - start);
}
