#include "stub/text/rich_text.h"

#include <gtest/gtest.h>

namespace {

std::string Runs(const RichText& rich) {
    std::string out;
    for (const BoldRun& run : rich.bold)
        out += "[" + std::to_string(run.start) + "," + std::to_string(run.end) + ")";
    return out;
}

}  // namespace

TEST(RichText, MarkupToPlainTextAndBoldRuns) {
    const struct {
        const char* text;
        const char* plain;
        const char* runs;
    } cases[] = {
        {"plain", "plain", ""},
        {"a\\\\nb\\\\tc", "a\r\nb\tc", ""},
        // A single backslash is no markup, and the letters are case-sensitive.
        {"a\\nb\\\\N", "a\\nb\\\\N", ""},
        {"x<P>y<p>z<T>w<t>", "x\r\ny\r\nz\tw\t", ""},
        {"<b>INTERNET DOWNLOAD</b><p><p>Go", "INTERNET DOWNLOAD\r\n\r\nGo", "[0,17)"},
        {"A<B>B", "AB", ""},
        {"a</B>b", "ab", ""},
        {"<B>one</B> and <b>two</B>!", "one and two!", "[0,3)[8,11)"},
        // The first closing tag precedes the opening one: no run.
        {"x</b>y<b>z</b>", "xyz", ""},
        {"<B></B>x", "x", "[0,0)"},
        // Offsets count CR LF as two characters, as the field does.
        {"<P><B>x</B>", "\r\nx", "[2,3)"},
        // Nested: the outer run closes at the inner closing tag.
        {"<B>a<B>b</B>c</B>", "abc", "[0,3)[1,3)"},
        {"<<b>CONFIRM</b><P><P>Sure?<P>", "CONFIRM\r\n\r\nSure?\r\n", "[0,7)"},
        // Only a leading "<<b>" loses its '<'; elsewhere the '<' stays.
        {"x<<b>y</b>", "x<y", "[2,3)"},
        {"<<B>y</B>", "<y", "[1,2)"},
        // Removing a stray closing tag can join another one.
        {"a<</B>/B>b", "ab", ""},
    };
    for (const auto& c : cases) {
        const RichText rich = ApplyMarkup(c.text);
        EXPECT_EQ(rich.plain, c.plain) << c.text;
        EXPECT_EQ(Runs(rich), c.runs) << c.text;
    }
}

TEST(RichText, LongTextKeepsEveryCharacter) {
    const std::string text(2000, 'w');
    const RichText rich = ApplyMarkup("<b>" + text + "</b>");
    EXPECT_EQ(rich.plain, text);
    EXPECT_EQ(Runs(rich), "[0,2000)");
}
