#include "stub/update/bytes_rate.h"

#include <gtest/gtest.h>

TEST(BytesRate, AmountInBytesKbOrMbByTheTotal) {
    const struct {
        uint64_t total;
        uint64_t soFar;
        const char* text;
    } cases[] = {
        {15, 3, "3/15 Bytes"},
        {102400, 5, "5/102400 Bytes"},
        {102401, 0, "0.0/100.0 KB"},
        {2000000, 1000000, "976.6/1,953.1 KB"},
        {10485760, 10485760, "10,240.0/10,240.0 KB"},
        {52428800, 13107200, "12.5/50.0 MB"},
        {4294967295u, 1048576, "1.0/4,096.0 MB"},
    };
    for (const auto& c : cases) {
        TBytesRate rate(c.total);
        EXPECT_EQ(rate.ProgressText(c.soFar, 100, 1000), c.text) << c.total;
    }
}

TEST(BytesRate, RateFromTheFifthChunkOnAtMostEveryHalfSecond) {
    TBytesRate rate(52428800);
    uint64_t soFar = 0;
    std::string text;
    const auto chunk = [&](uint32_t now) {
        soFar += 8192;
        text = rate.ProgressText(soFar, 8192, now);
    };
    for (uint32_t now : {1000u, 1100u, 1200u, 1300u}) {
        chunk(now);
        EXPECT_EQ(text.find("KB/Sec"), std::string::npos) << now;
    }
    // Four chunks of 8 KiB over the 400 ms since the oldest of the five calls: 80 KB/s.
    chunk(1400);
    EXPECT_EQ(text, "0.0/50.0 MB   -   80.00 KB/Sec");
    // Within 500 ms of that computation the old rate stands, though the chunks came faster.
    chunk(1410);
    EXPECT_EQ(text, "0.0/50.0 MB   -   80.00 KB/Sec");
    // 1410..1950 spans 540 ms for 32 KiB.
    for (uint32_t now : {1700u, 1800u, 1900u}) chunk(now);
    chunk(1950);
    EXPECT_EQ(text, "0.1/50.0 MB   -   59.26 KB/Sec");
}

TEST(BytesRate, GroupsThousandsLeftOfTheDecimalPoint) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{0, "0.0"},
                 {12.5, "12.5"},
                 {999.96, "1,000.0"},
                 {1953.125, "1,953.1"},
                 {1234567.89, "1,234,567.9"}};
    for (const auto& c : cases) EXPECT_EQ(GroupedOneDecimal(c.value), c.text) << c.value;
}
