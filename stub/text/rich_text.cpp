#include "stub/text/rich_text.h"

#include <algorithm>

namespace {

constexpr size_t kNone = std::string::npos;

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// First occurrence of an upper-case ASCII tag, ignoring the case of the text.
size_t FindTag(const std::string& text, std::string_view tag, size_t from = 0) {
    for (size_t at = from; at + tag.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < tag.size() && Upper(text[at + i]) == tag[i]) ++i;
        if (i == tag.size()) return at;
    }
    return kNone;
}

void ReplaceExact(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != kNone; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Looks again just before each replacement: removing a tag may join a new one, "<</B>/B>".
void ReplaceTag(std::string& text, std::string_view tag, std::string_view to) {
    for (size_t at = FindTag(text, tag); at != kNone;
         at = FindTag(text, tag, at - std::min(at, tag.size() - 1))) {
        text.replace(at, tag.size(), to);
    }
}

}  // namespace

RichText ApplyMarkup(std::string_view source) {
    RichText result;
    std::string& text = result.plain;
    text = source;
    ReplaceExact(text, "\\\\n", "\r\n");
    ReplaceExact(text, "\\\\t", "\t");
    ReplaceTag(text, "<P>", "\r\n");
    ReplaceTag(text, "<T>", "\t");
    if (text.starts_with("<<b>")) text.erase(0, 1);

    for (size_t open = FindTag(text, "<B>"); open != kNone; open = FindTag(text, "<B>")) {
        text.erase(open, 3);
        // Only the first closing tag counts: one that precedes this run leaves the run unbold.
        const size_t close = FindTag(text, "</B>");
        if (close != kNone && close >= open) {
            text.erase(close, 4);
            result.bold.push_back({open, close});
        }
    }
    ReplaceTag(text, "</B>", "");

    // Runs nested in others were recorded before the inner tags went; keep them inside the text.
    for (BoldRun& run : result.bold) {
        run.end = std::min(run.end, text.size());
        run.start = std::min(run.start, run.end);
    }
    return result;
}
