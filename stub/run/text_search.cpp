#include "stub/run/text_search.h"

namespace {

// ASCII letters only: switch names are ASCII, and folding other code-page letters would depend
// on the machine's locale.
char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

size_t FindNoCase(std::string_view text, std::string_view needle, size_t from) {
    if (from > text.size() || needle.size() > text.size() - from) return std::string_view::npos;
    for (size_t at = from; at + needle.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < needle.size() && Fold(text[at + i]) == Fold(needle[i])) ++i;
        if (i == needle.size()) return at;
    }
    return std::string_view::npos;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}
