#include "stub/text/box_buttons.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kItems = {"&OK",    "&Cancel", "&Yes",   "&No",
                                         "&Abort", "&Retry",  "&Ignore"};

std::string Describe(const std::vector<BoxButton>& buttons) {
    std::string out;
    for (const BoxButton& b : buttons) out += b.caption + "=" + std::to_string(b.result) + " ";
    return out;
}

}  // namespace

TEST(BoxButtons, SetsLeftToRightWithResults) {
    const struct {
        unsigned flags;
        const char* buttons;
    } cases[] = {
        {0x0, "&OK=1 "},
        {0x1, "&OK=1 &Cancel=2 "},
        {0x2, "&Abort=3 &Retry=4 &Ignore=5 "},
        {0x3, "&Yes=6 &No=7 &Cancel=2 "},
        {0x4, "&Yes=6 &No=7 "},
        {0x5, "&Retry=4 &Cancel=2 "},
        {0x6, ""},
        {0xF, ""},
        // Icon, default button and the other bits do not change the set.
        {0x10052324, "&Yes=6 &No=7 "},
    };
    for (const auto& c : cases) EXPECT_EQ(Describe(BoxButtons(c.flags, kItems)), c.buttons);
}

TEST(BoxButtons, MissingCaptionItemsAreEmpty) {
    const std::vector<std::string> shortList = {"&Ja", "&Abbrechen"};
    EXPECT_EQ(Describe(BoxButtons(0x3, shortList)), "=6 =7 &Abbrechen=2 ");
}

TEST(BoxButtons, DefaultButtonIsModuloTheCount) {
    EXPECT_EQ(DefaultButton(0x000, 2), 0);
    EXPECT_EQ(DefaultButton(0x100, 2), 1);
    EXPECT_EQ(DefaultButton(0x200, 2), 0);
    EXPECT_EQ(DefaultButton(0x204, 3), 2);
    EXPECT_EQ(DefaultButton(0xF00, 1), 0);
    EXPECT_EQ(DefaultButton(0x100, 0), -1);
}

TEST(BoxButtons, TypedCharacterChoosesLeftmostMatch) {
    const std::vector<BoxButton> yesNo = BoxButtons(0x4, kItems);
    EXPECT_EQ(ButtonForCharacter(yesNo, 'y'), 0);
    EXPECT_EQ(ButtonForCharacter(yesNo, 'Y'), 0);
    EXPECT_EQ(ButtonForCharacter(yesNo, 'n'), 1);
    EXPECT_EQ(ButtonForCharacter(yesNo, 'o'), -1);
    EXPECT_EQ(ButtonForCharacter(yesNo, '&'), -1);

    const std::vector<BoxButton> same = {{"&Retry", kResultRetry}, {"&Rerun", kResultOk}};
    EXPECT_EQ(ButtonForCharacter(same, 'r'), 0);
    // A lower-case letter after '&' matches only itself; the caption's second character counts
    // even without the '&'.
    const std::vector<BoxButton> odd = {{"&x", kResultOk}, {"Go", kResultCancel}, {"", kResultNo}};
    EXPECT_EQ(ButtonForCharacter(odd, 'x'), 0);
    EXPECT_EQ(ButtonForCharacter(odd, 'X'), -1);
    EXPECT_EQ(ButtonForCharacter(odd, 'o'), 1);
}

TEST(BoxButtons, LetterKeyComparesUpperCasedCaption) {
    const std::vector<BoxButton> buttons = {{"&ok", kResultOk}, {"&Cancel", kResultCancel}};
    EXPECT_EQ(ButtonForKey(buttons, 'O'), 0);
    EXPECT_EQ(ButtonForKey(buttons, 'C'), 1);
    EXPECT_EQ(ButtonForKey(buttons, 'c'), -1);  // virtual keys of letters are upper-case
    EXPECT_EQ(ButtonForKey(buttons, 0x0D), -1);
}

TEST(BoxButtons, FocusWrapsBothWays) {
    const struct {
        size_t current, count;
        int step;
        size_t next;
    } cases[] = {
        {0, 3, +1, 1}, {2, 3, +1, 0}, {0, 3, -1, 2}, {1, 3, -1, 0}, {0, 1, +1, 0}, {0, 1, -1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MoveFocus(c.current, c.count, c.step), c.next) << c.current << " " << c.step;
}
