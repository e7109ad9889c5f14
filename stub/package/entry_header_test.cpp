#include "stub/package/entry_header.h"

#include <gtest/gtest.h>

TEST(EntryHeader, NameStampAndProgramMark) {
    const struct {
        const char* header;
        const char* item0;
        const char* fileName;
        uint32_t stamp;
        bool starts;
    } cases[] = {
        {"|Engine.exe*|0|", "Engine.exe*", "Engine.exe", 0, true},
        {"|Engine.exe* /S /v|1234|", "Engine.exe* /S /v", "Engine.exe", 1234, true},
        {"|00001#data.cab|1485238543|", "00001#data.cab", "00001#data.cab", 1485238543, false},
        {"|a.txt|-1|", "a.txt", "a.txt", 0xFFFFFFFF, false},  // a stamp past 2043
        {"|a.txt|12ab|", "a.txt", "a.txt", 0, false},
        {"|a.txt|", "a.txt", "a.txt", 0, false},
        {":sub\\b.dll:77:", "sub\\b.dll", "sub\\b.dll", 77, false},
    };
    for (const auto& c : cases) {
        const EntryHeader entry = ParseEntryHeader(c.header);
        EXPECT_EQ(entry.item0, c.item0) << c.header;
        EXPECT_EQ(entry.fileName, c.fileName) << c.header;
        EXPECT_EQ(entry.dosStamp, c.stamp) << c.header;
        EXPECT_EQ(entry.startsProgram, c.starts) << c.header;
    }
}

TEST(EntryHeader, NamesThatLeaveTheDirectoryAreUnsafe) {
    const struct {
        const char* name;
        bool safe;
    } cases[] = {
        {"Engine.exe", true},
        {"sub\\dir/file.txt", true},
        {".\\a", true},
        {"a..b", true},
        {"..a", true},
        {"", false},
        {"\\Windows\\x.dll", false},
        {"/etc/passwd", false},
        {"\\\\server\\share\\x", false},
        {"C:\\x.exe", false},
        {"C:x.exe", false},
        {"a.txt:stream", false},
        {"..", false},
        {"..\\x", false},
        {"a/../../x", false},
        {"a\\..", false},
        {"a\\.. \\x", false},
        {"a\\...\\x", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << c.name;
}

TEST(EntryHeader, DiskNames) {
    EXPECT_EQ(DiskBaseName("D:\\setup.exe.001"), "D:\\setup.exe");
    EXPECT_EQ(DiskBaseName("setup.exe"), "setup.exe");
    EXPECT_EQ(DiskBaseName("setup.001.exe"), "setup.001.exe");
    EXPECT_EQ(DiskFileName("setup.exe", 2), "setup.exe.002");
    EXPECT_EQ(DiskFileName("setup.exe", 12), "setup.exe.012");
    EXPECT_EQ(DiskFileName("setup.exe", 1000), "setup.exe.1000");
}
