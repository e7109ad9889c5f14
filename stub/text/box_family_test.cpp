#include "stub/text/box_family.h"

#include <gtest/gtest.h>

#include "stub/text/rich_text.h"

TEST(BoxFamily, OwnerZeroPutsTheCaptionInBoldOnTop) {
    const FamilyBox box = PrepareFamilyBox(kConfirmBox, 0, "Continue?", "", 0, "");
    EXPECT_EQ(box.caption, "CONFIRM");
    EXPECT_EQ(box.text, "<<b>CONFIRM</b><P><P>Continue?<P>");
    const RichText shown = ApplyMarkup(box.text);
    EXPECT_EQ(shown.plain, "CONFIRM\r\n\r\nContinue?\r\n");
    ASSERT_EQ(shown.bold.size(), 1u);
    EXPECT_EQ(shown.bold[0].start, 0u);
    EXPECT_EQ(shown.bold[0].end, 7u);
}

TEST(BoxFamily, CaptionsAndFlags) {
    const struct {
        FamilyKind kind;
        intptr_t owner;
        const char* caption;
        int charset;
        const char* wantCaption;
        unsigned wantFlags;
        const char* wantText;
    } cases[] = {
        {kErrorBox, 0, "", 0, "ERROR", 0x52010, "<<b>ERROR</b><P><P>t<P>"},
        {kAttentionBox, 0, "", 0, "ATTENTION", 0x52030, "<<b>ATTENTION</b><P><P>t<P>"},
        {kOkCancelBox, 0, "", 0, "CONFIRM", 0x52021, "<<b>CONFIRM</b><P><P>t<P>"},
        // A translated caption keeps its case; a piece of the list does not.
        {kErrorBox, 0, "Fehler", 0, "Fehler", 0x52010, "<<b>Fehler</b><P><P>t<P>"},
        {kErrorBox, 0, "Err", 0, "ERR", 0x52010, "<<b>ERR</b><P><P>t<P>"},
        {kErrorBox, 0, "error", 0, "error", 0x52010, "<<b>error</b><P><P>t<P>"},
        // A real owner window leaves the text alone.
        {kConfirmBox, 0x1234, "", 0, "Confirm", 0x52024, "t"},
        {kConfirmBox, 1, "", 0, "Confirm", 0x52024, "t"},
        {kConfirmBox, 2, "Q", 0, "Q", 0x10052024, "t"},
        {kErrorBox, 0x1234, "", 177, "Error", 0x1D2010, "t"},
        {kErrorBox, 0x1234, "", 178, "Error", 0x1D2010, "t"},
        {kErrorBox, 0x1234, "", 179, "Error", 0x52010, "t"},
    };
    for (const auto& c : cases) {
        const FamilyBox box = PrepareFamilyBox(c.kind, c.owner, "t", c.caption, c.charset, "");
        EXPECT_EQ(box.caption, c.wantCaption) << c.kind << " " << c.caption;
        EXPECT_EQ(box.flags, c.wantFlags) << c.kind << " " << c.caption;
        EXPECT_EQ(box.text, c.wantText) << c.kind << " " << c.caption;
    }
}

TEST(BoxFamily, ButtonListDefaultsOnlyWhenEmpty) {
    EXPECT_EQ(PrepareFamilyBox(kErrorBox, 1, "t", "", 0, "").buttons, kDefaultButtonList);
    EXPECT_EQ(PrepareFamilyBox(kErrorBox, 1, "t", "", 0, "|&Gut|").buttons, "|&Gut|");
}
