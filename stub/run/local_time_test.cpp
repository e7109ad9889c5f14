#include "stub/run/local_time.h"

#include <gtest/gtest.h>

TEST(LocalTime, SecondsSince1899AndBackAndTheReadableForm) {
    const struct {
        LocalTime time;
        int64_t seconds;
        const char* readable;
    } cases[] = {
        {{1899, 12, 30, 0, 0, 0}, 0, "30-DEC-1899 00:00:00"},
        {{1899, 12, 29, 23, 59, 59}, -1, "29-DEC-1899 23:59:59"},
        {{2000, 2, 29, 0, 0, 0}, 3160944000, "29-FEB-2000 00:00:00"},
        {{2026, 12, 11, 17, 5, 9}, 4006170309, "11-DEC-2026 17:05:09"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SecondsSince1899(c.time), c.seconds) << c.readable;
        const LocalTime back = TimeFromSeconds1899(c.seconds);
        EXPECT_EQ(ReadableTime(back), c.readable);
        EXPECT_EQ(ReadableTime(c.time), c.readable);
    }
    EXPECT_EQ(ReadableDate({2027, 1, 5, 9, 0, 0}), "05-JAN-2027");
}
