#include "stub/package/delimited_list.h"

#include <gtest/gtest.h>

TEST(DelimitedList, ItemCountNeedsTheClosingDelimiter) {
    const struct {
        const char* list;
        size_t count;
    } cases[] = {
        {"", 0}, {"|", 0}, {"||", 1}, {"|a|b|", 2}, {"|a|b", 0}, {":a::c:", 3}, {"\x01x\x01", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(DelimitedList(c.list).ItemCount(), c.count) << c.list;
}

TEST(DelimitedList, ItemAtYieldsTheDefaultForEmptyOrMissingItems) {
    const struct {
        const char* list;
        size_t index;
        const char* item;
    } cases[] = {
        {"|a|b|", 0, "a"},  {"|a|b|", 1, "b"},     {"|a|b|", 2, "dflt"}, {"|a||c|", 1, "dflt"},
        {"|a||c|", 2, "c"}, {"|a|b", 0, "a"},      {"|a|b", 1, "b"},     {"", 0, "dflt"},
        {"|", 0, "dflt"},   {":x|y:z:", 0, "x|y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DelimitedList(c.list).ItemAt(c.index, "dflt"), c.item)
            << c.list << " #" << c.index;
}

TEST(DelimitedList, ValueOfMatchesWholeKeysAndNormalisesSpacing) {
    const struct {
        const char* list;
        const char* key;
        const char* value;
    } cases[] = {
        {"|s1=one|s10=ten|", "s1", "one"},
        {"|s10=ten|", "s1", "dflt"},  // the '=' keeps s1 from matching s10
        {"|s10=ten|s1=one|", "s1", "one"},
        {"|S1=one|", "s1", "one"},      // keys are case-insensitive
        {"|s1=one|", "s1=", "one"},     // a key may bring its own '='
        {"| s1 =one|", "s1", "one"},    // "| " and " =" are squeezed before matching
        {"|  s1=one|", "s1", "dflt"},   // only one space after the delimiter goes
        {"|s1= one |", "s1", " one "},  // the value itself is not trimmed
        {"|s1=|", "s1", "empty"},       // present but empty
        {"|s1=a=b|", "s1", "a=b"},
        {"|s1=one", "s1", "dflt"},  // no closing delimiter
        {"||", "s1", "dflt"},       // too short
        {"\x01"
         "English\x01"
         "FontSize=10\x01",
         "fontsize", "10"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DelimitedList(c.list).ValueOf(c.key, "dflt", "empty"), c.value)
            << c.list << " key " << c.key;
}
