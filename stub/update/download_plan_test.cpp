#include "stub/update/download_plan.h"

#include <gtest/gtest.h>

TEST(DownloadPlan, NamesFromTheUrl) {
    EXPECT_EQ(UrlFileName("http://updates.example/app/v2/setup.exe"), "setup.exe");
    EXPECT_EQ(UrlFileName(R"(http://h/dir\Info.ini)"), "Info.ini");
    EXPECT_EQ(UrlFileName("Info.ini"), "Info.ini");
    EXPECT_EQ(UrlFileName("http://h/"), "");

    EXPECT_EQ(WithHttpScheme("updates.example/x.ini"), "http://updates.example/x.ini");
    EXPECT_EQ(WithHttpScheme("HTTP://h/x"), "HTTP://h/x");
    // A secure address keeps its own scheme.
    EXPECT_EQ(WithHttpScheme("https://h/x"), "https://h/x");

    EXPECT_EQ(PartialFileName(R"(C:\T\a.exe)", 15, 0x5A4B0000), R"(C:\T\a.exe.1514864655)");
    EXPECT_EQ(PartialFileName("a", 0xFFFFFFFF, 2), "a.1");
}

TEST(DownloadPlan, ChunksAndProgressRange) {
    const struct {
        uint32_t size;
        uint32_t chunk;
        uint32_t maximum;
    } cases[] = {
        {0, 1, 1},
        {15, 1, 16},
        {50000, 5000, 11},
        {52428800, 8192, 6401},
        {4294967295u, 8192, 524289},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DownloadChunkSize(c.size), c.chunk) << c.size;
        const ProgressStart start = DownloadProgressStart(0, c.chunk, c.size);
        EXPECT_EQ(start.position, 1u) << c.size;
        EXPECT_EQ(start.maximum, c.maximum) << c.size;
    }
    // Bytes already there count in whole chunks, rounded.
    EXPECT_EQ(DownloadProgressStart(4095, 8192, 81920).position, 1u);
    EXPECT_EQ(DownloadProgressStart(4096, 8192, 81920).position, 2u);
}
