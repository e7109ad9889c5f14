#include "stub/package/language_choice.h"

#include <gtest/gtest.h>

namespace {

std::string Block(std::initializer_list<std::string> sections) {
    std::string block = "\x02";
    for (const auto& s : sections) block += s + "\x02";
    return block;
}

const std::string kGerman =
    "\x01"
    "Deutsch\x01"
    "s0=Titel\x01"
    "empty=\x01";
const std::string kFrench =
    "\x01"
    "Francais\x01"
    "s0=Titre\x01";
const std::string kEnglish =
    "\x01 english \x01"
    "s0=Title\x01";

}  // namespace

TEST(LanguageNameTable, RowsAreScannedInOrderWithASubstringTest) {
    const struct {
        unsigned primary;
        const char* name;
    } cases[] = {
        {9, "ENGLISH"},
        {7, "GERMAN"},
        {1, "ARABIC"},
        {26, "CROATIAN"},
        {52, "CHINESE(SIMPLIFIED)"},
        {20, "NORWEGIAN"},
        {43, "DUTCH(STANDARD)"},
        {99, ""},
        {98, "SERBIAN(CYRILIC)"},
        {0x3FF, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LanguageNameFor(c.primary), c.name) << c.primary;
    EXPECT_EQ(kLanguageNameTable.size(), 51u);
}

TEST(LanguageNameTable, PrimaryLanguageIsTheLowTenBits) {
    EXPECT_EQ(PrimaryLanguageOf(0x0407), 7u);
    EXPECT_EQ(PrimaryLanguageOf(0x0C1A), 26u);
    EXPECT_EQ(PrimaryLanguageOf(0x0400), 9u);  // none given: English
}

TEST(LanguageChoice, SectionByNameThenSingleSectionThenEnglish) {
    const struct {
        std::string block;
        const char* name;
        std::string section;
    } cases[] = {
        {Block({kGerman}), "ENGLISH", kGerman},              // the only section
        {Block({kGerman, kFrench}), "ENGLISH", "*"},         // nothing fits
        {Block({kGerman, kFrench}), "francais", kFrench},    // case-insensitive
        {Block({kGerman, kEnglish}), "CROATIAN", kEnglish},  // English fallback, trimmed
        {Block({kGerman, kEnglish}), "", kEnglish},
        {"", "ENGLISH", "*"},
        {"\x02" + kGerman, "ENGLISH", "*"},  // no closing delimiter: no sections
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseLanguageSection(c.block, c.name), c.section) << c.name;
}

TEST(LanguageChoice, LookupsUseTheSectionChosenFirst) {
    LanguageContext german(7);
    const std::string both = Block({kFrench, "\x01German\x01s0=Titel\x01"});
    EXPECT_EQ(LangStringIn(german.Section(both), "s0", "Default"), "Titel");
    // A later package with other sections still sees the first choice.
    EXPECT_EQ(LangStringIn(german.Section(Block({kFrench})), "s0", "Default"), "Titel");

    LanguageContext english(9);
    const std::string& none = english.Section(Block({kGerman, kFrench}));
    EXPECT_EQ(none, "*");
    EXPECT_EQ(LangStringIn(none, "s0", "Default"), "Default");

    LanguageContext single(9);
    const std::string& section = single.Section(Block({kGerman}));
    EXPECT_EQ(LangStringIn(section, "empty", "Default"), "");  // present but empty
    EXPECT_EQ(LangStringIn(section, "absent", "Default"), "Default");
}
