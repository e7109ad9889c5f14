#include "jobrunner/code_field.h"

#include <gtest/gtest.h>

#include <string>

TEST(CodeField, FitsDecimalTextIntoThreeColumns) {
    const struct {
        int32_t code;
        const char* field;
    } cases[] = {
        {0, "000"},     {5, "005"},         {42, "042"},   {-1, "0-1"},
        {666, "666"},   {570621955, "570"}, {1234, "123"}, {-12, "-12"},
        {-1234, "-12"}, {100, "100"},       {9009, "900"}, {INT32_MIN, "-21"},
    };
    for (const auto& c : cases) {
        const std::array<char, 3> field = FitCodeField(c.code);
        EXPECT_EQ(c.field, std::string(field.begin(), field.end())) << c.code;
    }
}
