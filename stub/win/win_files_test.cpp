#include "stub/win/win_files.h"

#include <gtest/gtest.h>

#include "stub/package/extract_package.h"
#include "stub/package/tg_file_info.h"
#include "stub/win/disk_source.h"
#include "stub/win/files_test_support.h"

namespace {

using filestest::BuildPackage;
using filestest::Noise;

// 2024-04-06 05:32:30 as an MS-DOS date-time.
constexpr uint32_t kStamp = 0x58862C0F;
constexpr uint32_t kOtherStamp = 0x4E2A6B40;

class CountingObserver : public ExtractObserver {
  public:
    int steps = 0;
    int directoryFailures = 0;
    std::vector<std::string> writeFailures;
    void ProgressStep() override { ++steps; }
    void DirectoryFailed() override { ++directoryFailures; }
    void WriteFailed(const std::string& name, uint64_t size) override {
        writeFailures.push_back(name + " " + std::to_string(size));
    }
};

struct Extraction {
    ExtractResult result;
    CountingObserver observer;
};

Extraction Extract(Win32ExtractTarget& target, const std::string& archive,
                   const std::string& agentName = "", uint32_t archiveStamp = 0) {
    Extraction run;
    Win32DiskSource disks(
        "Disk <DISK_NUM>", [](const std::string&) { return false; }, false);
    ExtractCounters counters;
    run.result =
        ExtractPackage({archive, agentName, archiveStamp}, disks, target, run.observer, counters);
    return run;
}

TEST(WriteFileData, AppendsOrReplacesAndStampsCompleteWrites) {
    Sandbox box;
    const std::string path = box.Path("data.bin");
    ASSERT_TRUE(WriteFileData(path, "abc", 3, kStamp, false));
    EXPECT_EQ(box.Read("data.bin"), "abc");
    EXPECT_EQ(FileDosStamp(path), kStamp);

    ASSERT_TRUE(WriteFileData(path, "def", 3, kOtherStamp, true));
    EXPECT_EQ(box.Read("data.bin"), "abcdef");
    EXPECT_EQ(FileDosStamp(path), kOtherStamp);

    // No stamp: the date is what the system set, so it is no longer the old one.
    ASSERT_TRUE(WriteFileData(path, "xy", 2, 0, false));
    EXPECT_EQ(box.Read("data.bin"), "xy");
    EXPECT_NE(FileDosStamp(path), kOtherStamp);

    ASSERT_TRUE(WriteFileData(box.Path("new.bin"), "n", 1, 0, true));
    EXPECT_EQ(box.Read("new.bin"), "n");
    EXPECT_TRUE(WriteFileData(box.Path("empty.bin"), "", 0, kStamp, false));
    EXPECT_EQ(FileDosStamp(box.Path("empty.bin")), kStamp);

    EXPECT_FALSE(WriteFileData(box.Path("missing\\dir\\data.bin"), "abc", 3, 0, false));
}

TEST(WriteFileData, ChunksFollowTheDataSize) {
    struct Case {
        size_t size;
        size_t chunk;
    };
    const Case cases[] = {
        {500, 500},           // below one chunk of 1024
        {5000, 1024},         // a tenth is still below 1024
        {20000, 2000},        // a tenth
        {12 << 20, 1 << 20},  // a tenth would exceed 1 MiB
        {1048577, 104857},    // just over 1 MiB
    };
    Sandbox box;
    for (const Case& c : cases) {
        const std::string data = Noise(c.size, static_cast<unsigned>(c.size));
        std::vector<uint64_t> seen;
        const auto progress = [&](uint64_t total, uint64_t written, bool&) {
            EXPECT_EQ(total, c.size);
            seen.push_back(written);
        };
        const std::string path = box.Path("chunked.bin");
        ASSERT_TRUE(WriteFileData(path, data.data(), data.size(), kStamp, false, progress));
        std::vector<uint64_t> expected{0};
        for (uint64_t at = c.chunk; expected.back() < c.size; at += c.chunk)
            expected.push_back(std::min<uint64_t>(at, c.size));
        EXPECT_EQ(seen, expected) << c.size;
        EXPECT_TRUE(box.Read("chunked.bin") == data) << c.size;
        EXPECT_EQ(FileDosStamp(path), kStamp);
    }
}

TEST(WriteFileData, CancelStopsWritingAndLeavesTheDateAlone) {
    Sandbox box;
    const std::string data = Noise(3 << 20, 7);
    const std::string path = box.Path("cancelled.bin");
    const auto progress = [](uint64_t, uint64_t written, bool& cancel) {
        if (written >= 2 * 314572) cancel = true;
    };
    EXPECT_FALSE(WriteFileData(path, data.data(), data.size(), kStamp, false, progress));
    EXPECT_EQ(box.Read("cancelled.bin"), data.substr(0, 2 * 314572));
    EXPECT_NE(FileDosStamp(path), kStamp);

    // Without a callback a large block goes out whole.
    ASSERT_TRUE(WriteFileData(path, data.data(), data.size(), 0, false));
    EXPECT_TRUE(box.Read("cancelled.bin") == data);
}

TEST(Win32FileReader, ReadsAtPositionsWhileAnotherHandleWrites) {
    Sandbox box;
    const std::string data = Noise(200000, 3);
    box.Write("disk.bin", data);
    UniqueHandle writer(CreateFileA(box.Path("disk.bin").c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    auto reader = Win32FileReader::Open(box.Path("disk.bin"));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Size(), data.size());
    std::string part(70000, '\0');
    ASSERT_TRUE(reader->ReadExact(100000, part.data(), part.size()));
    EXPECT_TRUE(part == data.substr(100000, 70000));
    EXPECT_EQ(reader->ReadAt(199990, part.data(), 100), 10u);
    EXPECT_EQ(part.substr(0, 10), data.substr(199990));
    EXPECT_EQ(reader->ReadAt(300000, part.data(), 100), 0u);

    EXPECT_FALSE(Win32FileReader::Open(box.Path("missing.bin")));
    box.MakeDirectory("folder");
    EXPECT_FALSE(Win32FileReader::Open(box.Path("folder")));
}

TEST(Win32ExtractTarget, ExtractsABuiltPackageWithItsAgentCopy) {
    Sandbox box;
    const std::string engine = Noise(70000, 1);
    const std::string text(100000, 't');
    const std::string archive = BuildPackage(box, {{"Engine.exe* /S", engine, true, kStamp},
                                                   {"data\\text.txt", text, false, kOtherStamp},
                                                   {"log.txt", "first ", true, 0},
                                                   {"log.txt", "second", false, 0},
                                                   {"empty.txt", "", false, 0}});
    Win32ExtractTarget target(box.Path("run\\deep\\out"));
    const Extraction run = Extract(target, archive, "sub\\Agent.exe", kOtherStamp);
    EXPECT_EQ(run.result.status, ExtractStatus::kDone);
    EXPECT_TRUE(run.result.checksumPassed);
    EXPECT_EQ(run.result.runName, "Engine.exe* /S");
    EXPECT_EQ(run.observer.steps, 4);  // one per new file; the second log.txt part appends
    EXPECT_TRUE(run.observer.writeFailures.empty());

    EXPECT_TRUE(box.Read("run\\deep\\out\\Engine.exe") == engine);
    EXPECT_EQ(box.Read("run\\deep\\out\\data\\text.txt"), text);
    EXPECT_EQ(box.Read("run\\deep\\out\\log.txt"), "first second");
    EXPECT_TRUE(box.Exists("run\\deep\\out\\empty.txt"));
    EXPECT_EQ(FileDosStamp(target.PathOf("Engine.exe")), kStamp);
    EXPECT_EQ(FileDosStamp(target.PathOf("data\\text.txt")), kOtherStamp);

    // The agent copy: the stub and its header blocks under the agent's file name, marked.
    auto agent = Win32FileReader::Open(target.PathOf("Agent.exe"));
    ASSERT_TRUE(agent);
    const TGFileInfo info(agent.get());
    EXPECT_TRUE(info.valid());
    EXPECT_TRUE(info.IsAgent());
    LanguageContext english;
    EXPECT_EQ(info.LangString("s0", "", english), "Files Test");
    EXPECT_EQ(FileDosStamp(target.PathOf("Agent.exe")), kOtherStamp);
}

TEST(Win32ExtractTarget, AppendsToAFileAlreadyThere) {
    Sandbox box;
    const std::string archive = BuildPackage(box, {{"a.txt", "new", true, 0}});
    box.MakeDirectory("out");
    box.Write("out\\a.txt", "old ");
    Win32ExtractTarget target(box.Path("out") + "\\");
    const Extraction run = Extract(target, archive);
    EXPECT_EQ(run.result.status, ExtractStatus::kDone);
    EXPECT_EQ(box.Read("out\\a.txt"), "old new");
    EXPECT_EQ(run.observer.steps, 0);
}

TEST(Win32ExtractTarget, ReportsTheSystemReasonOfFailures) {
    Sandbox box;
    box.Write("blocker", "a file where a directory should go");
    Win32ExtractTarget blocked(box.Path("blocker\\out"));
    EXPECT_FALSE(blocked.Prepare());
    const std::string directoryText = blocked.DirectoryFailedText();
    const std::string head = box.Path("blocker\\out") + "<P><P>Unable to create Directory!<P><P>";
    ASSERT_GT(directoryText.size(), head.size());
    EXPECT_EQ(directoryText.substr(0, head.size()), head);

    // An entry whose name is taken by a directory cannot be written; only the first failure is
    // reported and extraction goes on with the next entry.
    const std::string archive = BuildPackage(box, {{"busy", "12 bytes....", false, 0},
                                                   {"busy", "more", false, 0},
                                                   {"fine.txt", "ok", true, 0}});
    box.MakeDirectory("out");
    box.MakeDirectory("out\\busy");
    Win32ExtractTarget target(box.Path("out"));
    const Extraction run = Extract(target, archive);
    EXPECT_EQ(run.result.status, ExtractStatus::kDone);
    EXPECT_EQ(run.observer.writeFailures, std::vector<std::string>{"busy 12"});
    EXPECT_EQ(box.Read("out\\fine.txt"), "ok");

    const std::string text = target.WriteFailedText("busy", 12);
    const std::string start = box.Path("out\\busy") + "<P><P>Unable to save Extracted File!<P><P>";
    EXPECT_EQ(text.substr(0, start.size()), start);
    EXPECT_NE(
        text.find("<P>  Data Size: <T>12 Bytes<P>  File Size:  <T>0 Bytes<P>  Bytes Free: <T>"),
        std::string::npos)
        << text;
    EXPECT_GT(text.find("<P>  Data Size"), start.size());  // the system's reason comes first
}

TEST(LastErrorText, IsTheSystemMessageWithoutLineBreak) {
    const std::string text = LastErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(LastErrorText(), LastErrorText(ERROR_ACCESS_DENIED));
    EXPECT_NE(LastErrorText(), text);
}

}  // namespace
