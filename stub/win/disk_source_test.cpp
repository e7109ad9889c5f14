#include "stub/win/disk_source.h"

#include <gtest/gtest.h>

#include "stub/package/entry_header.h"
#include "stub/package/extract_package.h"
#include "stub/win/files_test_support.h"
#include "stub/win/win_files.h"

namespace {

using filestest::BuildPackage;
using filestest::Noise;

// A package spanned over several small disks; Engine.exe lies wholly on the first.
struct Spanned {
    Sandbox box;
    std::string engine = Noise(1000, 1);
    std::string data = Noise(9000, 2);
    std::string first;
    unsigned disks = 1;

    Spanned() {
        first = BuildPackage(box, {{"Engine.exe*", engine, false, 0}, {"data.bin", data, false, 0}},
                             "setup.exe", 5000);
        while (IsExistingFile(Disk(disks + 1))) ++disks;
    }
    std::string Disk(unsigned n) const { return DiskFileName(box.Path("setup.exe"), n); }

    ExtractResult Extract(Win32DiskSource& disks) {
        Win32ExtractTarget target(box.Path("out"));
        ExtractObserver quiet;
        ExtractCounters counters;
        return ExtractPackage({first, "", 0}, disks, target, quiet, counters);
    }
};

TEST(Win32DiskSource, AsksForAMissingDiskUntilItIsThere) {
    Spanned pkg;
    ASSERT_GE(pkg.disks, 3u);
    ASSERT_TRUE(MoveFileA(pkg.Disk(2).c_str(), pkg.box.Path("held").c_str()));
    std::vector<std::string> asked;
    Win32DiskSource disks(
        "Insert <B>DISK #<DISK_NUM></B>",
        [&](const std::string& text) {
            asked.push_back(text);
            // The first OK comes before the disk is in; the prompt must come again.
            if (asked.size() == 2) MoveFileA(pkg.box.Path("held").c_str(), pkg.Disk(2).c_str());
            return true;
        },
        false);
    const ExtractResult result = pkg.Extract(disks);
    EXPECT_EQ(result.status, ExtractStatus::kDone);
    EXPECT_EQ(result.runName, "Engine.exe*");
    EXPECT_EQ(asked, (std::vector<std::string>{"Insert <B>DISK #2</B>", "Insert <B>DISK #2</B>"}));
    EXPECT_TRUE(pkg.box.Read("out\\data.bin") == pkg.data);
    EXPECT_NE(QueryCancelAutoPlayMessage(), 0u);
    EXPECT_EQ(QueryCancelAutoPlayMessage(), RegisterWindowMessageA("QueryCancelAutoPlay"));
}

TEST(Win32DiskSource, CancelKeepsWhatTheFirstDiskGaveAndStartsNothing) {
    Spanned pkg;
    ASSERT_TRUE(DeleteFileA(pkg.Disk(2).c_str()));
    int asked = 0;
    Win32DiskSource disks(
        "Disk <DISK_NUM>", [&](const std::string&) { return ++asked, false; }, false);
    const ExtractResult result = pkg.Extract(disks);
    EXPECT_EQ(result.status, ExtractStatus::kCancelled);
    EXPECT_EQ(result.runName, "");
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(pkg.box.Read("out\\Engine.exe") == pkg.engine);
}

TEST(Win32DiskSource, ForcePromptAsksForEveryFurtherDisk) {
    Spanned pkg;
    std::vector<std::string> asked;
    Win32DiskSource disks(
        "Disk <disk_num>",
        [&](const std::string& text) {
            asked.push_back(text);
            return true;
        },
        true);
    const ExtractResult result = pkg.Extract(disks);
    EXPECT_EQ(result.status, ExtractStatus::kDone);
    std::vector<std::string> expected;
    for (unsigned n = 2; n <= pkg.disks; ++n) expected.push_back("Disk " + std::to_string(n));
    EXPECT_EQ(asked, expected);
    EXPECT_TRUE(pkg.box.Read("out\\data.bin") == pkg.data);
}

TEST(DiskPromptText, ReplacesTheMacroInAnyCase) {
    struct Case {
        const char* prompt;
        unsigned number;
        const char* text;
    };
    const Case cases[] = {
        {"Please insert <B>DISK #<DISK_NUM></B>", 2, "Please insert <B>DISK #2</B>"},
        {"<disk_num> of <Disk_Num>", 12, "12 of 12"},
        {"no macro", 3, "no macro"},
        {"<DISK_NUM", 4, "<DISK_NUM"},
        {"<<DISK_NUM>>", 5, "<5>"},
    };
    for (const Case& c : cases) EXPECT_EQ(DiskPromptText(c.prompt, c.number), c.text) << c.prompt;
}

TEST(ReadForcePrompt, OnlyTheStringOneCounts) {
    constexpr char kKey[] = "Software\\Marrowind\\Wyvern\\SpanDisk";
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    EXPECT_FALSE(ReadForcePrompt());

    RegistryKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.out(), nullptr),
              ERROR_SUCCESS);
    const auto setString = [&](const char* value) {
        RegSetValueExA(key.get(), "ForcePrompt", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(strlen(value) + 1));
    };
    setString("1");
    EXPECT_TRUE(ReadForcePrompt());
    setString("0");
    EXPECT_FALSE(ReadForcePrompt());
    setString("11");
    EXPECT_FALSE(ReadForcePrompt());
    const DWORD one = 1;
    RegSetValueExA(key.get(), "ForcePrompt", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                   sizeof one);
    EXPECT_FALSE(ReadForcePrompt());
    key.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
}

}  // namespace
