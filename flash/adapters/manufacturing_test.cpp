// The bar-code filter of SAS address texts.
#include "flash/adapters/manufacturing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ApplyScanChar, KeepsWhatFollowsTheFirstMatch) {
    const struct {
        char scanChar;
        std::string text;
        bool found;
        std::string result;
        std::string output;
    } cases[] = {
        {'*', "ABC*5000000080000000", true, "5000000080000000", ""},
        {'*', "*A*B", true, "A*B", ""},
        {'*', "ABC*", true, "", ""},
        {'#', "5000000080000000", false, "5000000080000000",
         "\tUnable to find matching character (#) in sas address string (5000000080000000)!\n"},
        {'*', "", false, "", "\tUnable to find matching character (*) in sas address string ()!\n"},
    };
    for (const auto& c : cases) {
        char text[64];
        snprintf(text, sizeof text, "%s", c.text.c_str());
        testing::internal::CaptureStdout();
        EXPECT_EQ(c.found, ApplyScanChar(c.scanChar, text)) << c.text;
        EXPECT_EQ(c.output, testing::internal::GetCapturedStdout()) << c.text;
        EXPECT_EQ(c.result, text) << c.text;
    }
}

}  // namespace
