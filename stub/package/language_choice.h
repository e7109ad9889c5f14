// Which language section of a package's LanguageBlock the stub speaks, and LangString lookups in
// it. The section is chosen once per process (first lookup) and reused for every package object.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

struct LanguageNameRow {
    std::string_view name;
    std::string_view number;  // decimal primary language id, or a full language id
};

// Scanned in order with a substring test, so earlier rows shadow later ones (CROATIAN before
// SERBIAN, both 26) and a primary id can hit a four-digit full id (52 -> CHINESE(SIMPLIFIED)).
inline constexpr std::array<LanguageNameRow, 51> kLanguageNameTable = {{
    {"AFRIKAANS", "54"},
    {"ALBANIAN", "28"},
    {"ARABIC", "01"},
    {"BASQUE", "45"},
    {"BELARUSIAN", "35"},
    {"BULGARIAN", "02"},
    {"CATALAN", "03"},
    {"CHINESE", "04"},
    {"CROATIAN", "26"},
    {"CZECH", "05"},
    {"DANISH", "06"},
    {"DUTCH", "19"},
    {"ENGLISH", "09"},
    {"ESTONIAN", "37"},
    {"FAEROESE", "56"},
    {"FARSI", "41"},
    {"FINNISH", "11"},
    {"FRENCH", "12"},
    {"GERMAN", "07"},
    {"GREEK", "08"},
    {"HEBREW", "13"},
    {"HUNGARIAN", "14"},
    {"ICELANDIC", "15"},
    {"INDONESIAN", "33"},
    {"ITALIAN", "16"},
    {"JAPANESE", "17"},
    {"KOREAN", "18"},
    {"LATVIAN", "38"},
    {"LITHUANIAN", "39"},
    {"NORWEGIAN", "20"},
    {"POLISH", "21"},
    {"PORTUGUESE", "22"},
    {"ROMANIAN", "24"},
    {"RUSSIAN", "25"},
    {"SERBIAN", "26"},
    {"SLOVAK", "27"},
    {"SLOVENIAN", "36"},
    {"SPANISH", "10"},
    {"SWEDISH", "29"},
    {"THAI", "30"},
    {"TURKISH", "31"},
    {"UKRAINIAN", "34"},
    {"VIETNAMESE", "42"},
    {"CHINESE(SIMPLIFIED)", "2052"},
    {"CHINESE(TRADITIONAL)", "1028"},
    {"DUTCH(FLEMISH)", "2067"},
    {"DUTCH(STANDARD)", "1043"},
    {"PORTUGUESE(PORTUGAL)", "2070"},
    {"PORTUGUESE(BRAZIL)", "1046"},
    {"SERBIAN(LATIN)", "2074"},
    {"SERBIAN(CYRILIC)", "3098"},
}};

// The primary language of a locale identifier: its low 10 bits, 9 (English) when there is none.
unsigned PrimaryLanguageOf(unsigned localeId);
// The name LanguageNameTable gives a primary language id; empty when no row holds its digits.
std::string_view LanguageNameFor(unsigned primaryLanguage);
// The section of `languageBlock` for `name`, then the single section, then "English"; "*" when
// none fits.
std::string ChooseLanguageSection(std::string_view languageBlock, std::string_view name);
// A key's value in a chosen section: the default unless the section is real; a present but
// empty value yields "".
std::string LangStringIn(std::string_view section, std::string_view key, std::string_view fallback);

// Holds the choice made by the first lookup. The stub keeps one per process (ProcessLanguage);
// tests make their own.
class LanguageContext {
  public:
    explicit LanguageContext(unsigned primaryLanguage = 9) : primaryLanguage_(primaryLanguage) {}
    // Sets the language to choose by; has no effect once a section was chosen.
    void SetPrimaryLanguage(unsigned primaryLanguage) { primaryLanguage_ = primaryLanguage; }
    const std::string& Section(std::string_view languageBlock);

  private:
    unsigned primaryLanguage_;
    std::optional<std::string> section_;
};

// The process-wide choice; the Windows stub sets the thread locale's primary language at start.
LanguageContext& ProcessLanguage();
