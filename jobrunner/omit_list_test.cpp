#include "jobrunner/omit_list.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

TEST(OmitList, ItemsMatchTheReturnCode) {
    const struct {
        const char* list;
        int32_t code;
        bool contains;
    } cases[] = {
        {"3010, 1641", 3010, true},
        {"3010, 1641", 1641, true},
        {"3010, 1641", 5, false},
        {"\"3010\"\t,\n1641 ", 1641, true},  // quotes, tabs and line feeds are spaces
        {" , ,5,", 5, true},
        {" , ,5,", 0, false},  // empty items are passed over, not read as 0
        {"-5", -5, true},
        {"-5", 5, false},
        {"12abc", -1, true},  // trailing characters make the item -1 ...
        {"12abc", 12, false},
        {"-12abc", 1, true},  // ... and with a "-", 1
        {"abc", -1, true},
        {"4294967295", -1, true},  // fits 32 bits unsigned
        {"12 34", -1, true},       // inner space is another character
        {"", 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.contains, OmitListContains(c.list, c.code)) << c.list << " / " << c.code;
    }
}

TEST(OmitListDeathTest, NumberBeyond32BitsEndsTheProcess) {
    const std::string message = std::string("strtoul: ") + std::strerror(ERANGE);
    EXPECT_EXIT(OmitListContains("4294967296", 0), testing::ExitedWithCode(1), message);
    // An earlier item that matches does not spare the run.
    EXPECT_EXIT(OmitListContains("5, -99999999999", 5), testing::ExitedWithCode(1), message);
}
