#include "stub/package/language_choice.h"

#include <cstdio>

#include "stub/package/delimited_list.h"

namespace {

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

std::optional<std::string> FindSection(std::string_view block, std::string_view name) {
    const DelimitedList sections(block);
    const size_t count = sections.ItemCount();
    for (size_t i = 0; i < count; ++i) {
        const std::string section = sections.ItemAt(i);
        if (EqualNoCase(Trim(DelimitedList(section).ItemAt(0)), Trim(name))) return section;
    }
    if (count == 1) return sections.ItemAt(0);
    return std::nullopt;
}

}  // namespace

unsigned PrimaryLanguageOf(unsigned localeId) {
    const unsigned primary = localeId & 0x3FF;
    return primary ? primary : 9;
}

std::string_view LanguageNameFor(unsigned primaryLanguage) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02u", primaryLanguage);
    for (const LanguageNameRow& row : kLanguageNameTable)
        if (row.number.find(digits) != std::string_view::npos) return row.name;
    return {};
}

std::string ChooseLanguageSection(std::string_view languageBlock, std::string_view name) {
    if (auto section = FindSection(languageBlock, name)) return *section;
    if (auto section = FindSection(languageBlock, "English")) return *section;
    return "*";
}

std::string LangStringIn(std::string_view section, std::string_view key,
                         std::string_view fallback) {
    if (section.size() <= 1) return std::string(fallback);
    return DelimitedList(section).ValueOf(key, fallback, "");
}

const std::string& LanguageContext::Section(std::string_view languageBlock) {
    if (!section_)
        section_ = ChooseLanguageSection(languageBlock, LanguageNameFor(primaryLanguage_));
    return *section_;
}

LanguageContext& ProcessLanguage() {
    static LanguageContext context;
    return context;
}
