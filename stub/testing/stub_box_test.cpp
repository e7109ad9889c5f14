// WyvernStub.exe's conversations: the checksum error, the space notice, the prompts for further
// disks and the packages it refuses, each answered through its message box.
#include <gtest/gtest.h>

#include <functional>

#include "common/bytes.h"
#include "stub/package/block_walk.h"
#include "stub/package/package_trailer.h"
#include "stub/testing/screenshot.h"
#include "stub/testing/stub_test_support.h"

namespace {

constexpr DWORD kRunTimeout = 90000;

// Block offsets of a built package file, for breaking it on purpose.
struct Layout {
    TrailerPlace place;
    std::vector<BlockRef> blocks;  // header blocks first
};

Layout ReadLayout(const std::string& bytes) {
    MemoryFileReader file(bytes);
    Layout layout;
    layout.place = ReadTrailer(file);
    BlockWalker walker(file, layout.place, layout.place.trailer.headerBlockCount);
    BlockRef block;
    while (walker.Next(block)) layout.blocks.push_back(block);
    return layout;
}

void PutU32(std::string& bytes, uint64_t offset, uint32_t value) {
    ByteWriter(bytes.data(), bytes.size()).U32(static_cast<size_t>(offset), value);
}

class StubBoxTest : public ::testing::Test {
  protected:
    std::string Record() {
        return sandbox_.Exists("record.txt") ? sandbox_.Read("record.txt") : std::string();
    }
    Sandbox sandbox_;
};

// Every text comes from the package's language block, the program's English otherwise.
TEST_F(StubBoxTest, ChecksumFailureShowsTheBadCrcTextAndStartsNothing) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> strings;
        const char* expectedHead;
        const char* expectedText;
    };
    const Case cases[] = {
        {"english",
         {},
         "ERROR\r\n\r\nBad CRC!\r\n",
         "This indicates that your setup file might be corrupted..."},
        {"own-words",
         {{"s7", "Checksum wrong!<P>Fetch the file again."}, {"Error", "Fault"}},
         "Fault\r\n\r\nChecksum wrong!\r\n",
         "Fetch the file again."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        Manifest manifest = EngineManifest();
        manifest.languages[0].strings = c.strings;
        AddDataEntry(manifest, box, "data.bin", std::string(5000, 'd'));
        const std::string setup = box.Path("setup.exe");
        BuildStubPackage(manifest, setup);
        std::string bytes = box.Read("setup.exe");
        const Layout layout = ReadLayout(bytes);
        ASSERT_EQ(layout.blocks.size(), 4u);
        bytes[layout.blocks[3].dataOffset + 10] ^= 0x40;  // inside the covered range
        box.Write("setup.exe", bytes);

        StubProcessRun stub(setup, "", StubEnvironment(box));
        const BoxRecord seen =
            AnswerBox(stub.pid(), "enter", std::string("stub-bad-crc-") + c.name);
        ASSERT_NE(seen.window, nullptr);
        EXPECT_EQ(seen.text.rfind(c.expectedHead, 0), 0u) << seen.text;
        EXPECT_NE(seen.text.find(c.expectedText), std::string::npos) << seen.text;
        DWORD code = 1;
        ASSERT_TRUE(stub.Wait(kRunTimeout, code));
        EXPECT_EQ(code, 0u);
        EXPECT_FALSE(box.Exists("record.txt"));
    }
}

TEST_F(StubBoxTest, SpaceNoticeAnswersDecideWhetherSetupGoesOn) {
    for (const char* answer : {"n", "y"}) {
        SCOPED_TRACE(answer);
        Sandbox box;
        Manifest manifest = EngineManifest();
        manifest.flags = kShowSpaceNotice;
        const std::string setup = box.Path("setup.exe");
        BuildStubPackage(manifest, setup);
        Environment environment = StubEnvironment(box);
        environment.push_back({"WYVERN_ENGINE_EXIT", "4"});
        StubProcessRun stub(setup, "", environment);
        const BoxRecord seen =
            AnswerBox(stub.pid(), answer, std::string("stub-space-notice-") + answer);
        ASSERT_NE(seen.window, nullptr);
        EXPECT_EQ(seen.caption, "CONFIRM");  // a known caption is set in capitals
        EXPECT_NE(seen.text.find("Wyvern will extract files to your Temp Drive (C:)\r\n"),
                  std::string::npos)
            << seen.text;
        EXPECT_NE(seen.text.find("Estimated space required on your Temp drive is: \t  "),
                  std::string::npos);
        EXPECT_NE(seen.text.find("Continue with Setup?"), std::string::npos);
        DWORD code = 1;
        ASSERT_TRUE(stub.Wait(kRunTimeout, code));
        const bool yes = std::string(answer) == "y";
        EXPECT_EQ(code, yes ? 4u : 0u);
        EXPECT_EQ(box.Exists("record.txt"), yes);
    }
}

// A spanned package: the first start copies itself to the temporary directory and the copy reads
// the disk files beside the original, asking for a disk that is not there.
TEST_F(StubBoxTest, MissingDiskIsAskedForAndOkOrCancelDecides) {
    for (const char* answer : {"o", "c"}) {
        SCOPED_TRACE(answer);
        Sandbox box;
        Manifest manifest = EngineManifest();
        manifest.flags = kRelaunchFromCopy;
        manifest.diskSize = 700000;  // the stub alone takes about 400 KB of the first
        std::string random(1500000, '\0');
        uint32_t seed = 12345;
        for (char& c : random) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 24);
        AddDataEntry(manifest, box, "payload.bin", random, false);
        const std::string setup = box.Path("setup.exe");
        const std::vector<std::string> files = BuildStubPackage(manifest, setup);
        ASSERT_GE(files.size(), 4u);  // the stub and at least three disks
        const std::string disk2 = setup + ".002";
        ASSERT_TRUE(MoveFileA(disk2.c_str(), box.Path("away.002").c_str()));

        Environment environment = StubEnvironment(box);
        environment.push_back({"WYVERN_ENGINE_EXIT", "9"});
        environment.push_back({"WYVERN_ENGINE_COPY_TO", box.Path("copied")});
        StubProcessRun stub(setup, "", environment);
        DWORD code = 1;
        ASSERT_TRUE(stub.Wait(kRunTimeout, code));  // the first start only relaunches
        EXPECT_EQ(code, 0u);

        HWND prompt = WaitForBox(0, 60000);
        ASSERT_NE(prompt, nullptr);
        const bool ok = std::string(answer) == "o";
        if (ok) {
            ASSERT_TRUE(MoveFileA(box.Path("away.002").c_str(), disk2.c_str()));
        }
        std::string mainClass;
        for (const std::string& name : Subdirectories(StubTemp(box)))
            if (name.rfind("SETUP_", 0) == 0)
                mainClass = StubTemp(box) + "\\" + name + "\\Y_setup.exe";
        if (HWND main = FindWindowA(mainClass.c_str(), nullptr); main && ok) {
            // The main window half way through the package, with the prompt put aside a moment.
            ShowWindow(prompt, SW_HIDE);
            Sleep(500);
            SaveWindowPng(main, ScreenshotPath("stub-main-window-extracting"));
            ShowWindow(prompt, SW_SHOWNA);
        }
        const BoxRecord seen = AnswerBox(0, answer, ok ? "stub-disk-prompt" : "");
        ASSERT_NE(seen.window, nullptr);
        EXPECT_EQ(seen.caption, "ATTENTION");
        EXPECT_NE(seen.text.find("Please insert DISK #2 and press OK to continue"),
                  std::string::npos)
            << seen.text;

        if (ok) {
            ASSERT_TRUE(WaitForPath(box.Path("record.txt"), true, kRunTimeout));
            ASSERT_TRUE(WaitForPath(box.Path("copied\\payload.bin"), true, 30000));
            EXPECT_TRUE(ReadFileBytes(box.Path("copied\\payload.bin")) == random);
            const std::string command = RecordValue(box.Read("record.txt"), "CommandLine");
            EXPECT_NE(command.find(" /OriginExe=\"" + setup + "\""), std::string::npos) << command;
            EXPECT_EQ(command.find("/SpanDiskFName1="), std::string::npos) << command;
        }
        // The copy ends by deleting itself and its directory.
        EXPECT_TRUE(WaitForPath(mainClass, false, kRunTimeout)) << mainClass;
        if (!ok) {
            EXPECT_FALSE(box.Exists("record.txt"));
        }
    }
}

// Damaged and hostile packages: nothing is written outside the extraction directory, a corrupt
// chain writes nothing, a zlib error names zlib's complaint; the checksum is switched off so the
// damage itself is what the stub meets.
TEST_F(StubBoxTest, BadPackagesAreRefused) {
    using Mutation = std::function<void(std::string & bytes, const Layout& layout)>;
    struct Case {
        const char* name;
        const char* entryName;  // of the data entry
        Mutation mutate;
        const char* expectedText;
        bool engineRuns;
    };
    const Case cases[] = {
        {"dotdot", "..\\escaped.txt", nullptr, "Unable to save Extracted File!", true},
        {"absolute", "C:\\escaped.txt", nullptr, "Unable to save Extracted File!", true},
        {"length-past-end", "data.bin",
         [](std::string& b, const Layout& l) { PutU32(b, l.blocks[3].dataOffset - 4, 0x7FFFFF00); },
         "Bad CRC!", false},
        {"length-minimum", "data.bin",
         [](std::string& b, const Layout& l) { PutU32(b, l.blocks[3].dataOffset - 4, 0x80000000); },
         "Bad CRC!", false},
        {"trailer-length-3", "data.bin",
         [](std::string& b, const Layout&) { PutU32(b, b.size() - 4, 3); }, "Bad CRC!", false},
        {"package-start-outside", "data.bin",
         [](std::string& b, const Layout& l) {
             PutU32(b, l.place.trailerStart + 4, static_cast<uint32_t>(b.size() + 100));
         },
         "Bad CRC!", false},
        {"zlib-error", "data.bin",
         [](std::string& b, const Layout& l) {
             // Past the entry's header, so the box can name the file.
             const uint64_t middle = l.blocks[3].dataOffset + l.blocks[3].size / 2;
             for (uint64_t i = 0; i < 64; ++i) b[middle + i] = '\xFF';
         },
         "data.bin\r\n\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        Manifest manifest = EngineManifest();
        manifest.checksumPassAll = true;
        std::string data;
        for (int i = 0; i < 4000; ++i) data += "line " + std::to_string(i) + "\r\n";
        AddDataEntry(manifest, box, c.entryName, data);
        if (std::string(c.name) == "absolute") AddDataEntry(manifest, box, "..\\second.txt", "x");
        const std::string setup = box.Path("setup.exe");
        BuildStubPackage(manifest, setup);
        if (c.mutate) {
            std::string bytes = box.Read("setup.exe");
            c.mutate(bytes, ReadLayout(bytes));
            box.Write("setup.exe", bytes);
        }
        Environment environment = StubEnvironment(box);
        environment.push_back({"WYVERN_ENGINE_EXIT", "6"});
        StubProcessRun stub(setup, "", environment);
        const BoxRecord seen =
            AnswerBox(stub.pid(), "enter", std::string("stub-refused-") + c.name);
        ASSERT_NE(seen.window, nullptr);
        EXPECT_NE(seen.text.find(c.expectedText), std::string::npos) << seen.text;
        // Refusals are shown once: a second bad name raises no second box.
        EXPECT_EQ(WaitForBox(stub.pid(), 3000), nullptr);
        DWORD code = 1;
        ASSERT_TRUE(stub.Wait(kRunTimeout, code));
        EXPECT_EQ(code, c.engineRuns ? 6u : 0u);
        EXPECT_EQ(box.Exists("record.txt"), c.engineRuns);
        EXPECT_FALSE(box.Exists("escaped.txt"));
        EXPECT_FALSE(box.Exists("temp\\escaped.txt"));
        EXPECT_FALSE(box.Exists("temp\\second.txt"));
        EXPECT_FALSE(WaitForPath("C:\\escaped.txt", true, 0));
    }
}

}  // namespace
