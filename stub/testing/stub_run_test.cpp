// WyvernStub.exe end to end: packages built by the kit's builder around the test engine, run
// under Windows with a temporary directory of their own.
#include <gtest/gtest.h>

#include "stub/package/block_walk.h"
#include "stub/package/package_trailer.h"
#include "stub/testing/stub_test_support.h"

namespace {

constexpr DWORD kRunTimeout = 90000;

class StubRunTest : public ::testing::Test {
  protected:
    std::string Build(const Manifest& manifest, const std::string& name = "setup.exe") {
        const std::string output = sandbox_.Path(name);
        BuildStubPackage(manifest, output);
        return output;
    }
    std::string Record(const std::string& name = "record.txt") {
        return sandbox_.Exists(name) ? sandbox_.Read(name) : std::string();
    }
    std::vector<std::string> SetupDirs() {
        std::vector<std::string> found;
        for (const std::string& name : Subdirectories(StubTemp(sandbox_)))
            if (name.rfind("SETUP_", 0) == 0) found.push_back(name);
        return found;
    }

    Sandbox sandbox_;
};

TEST_F(StubRunTest, EngineRunsWithTheHandOverAndItsExitCodeBecomesTheStubs) {
    Manifest manifest = EngineManifest();
    AddDataEntry(manifest, sandbox_, "readme.txt", "read me\r\n");
    AddDataEntry(manifest, sandbox_, "data\\blob.bin", std::string(300000, '\x5A'), false);
    const std::string setup = Build(manifest);
    Environment environment = StubEnvironment(sandbox_);
    environment.push_back({"WYVERN_ENGINE_EXIT", "3010"});
    environment.push_back({"WYVERN_ENGINE_ATOM", "delete"});
    environment.push_back({"WYVERN_ENGINE_COPY_TO", sandbox_.Path("copied")});

    StubProcessRun stub(setup, "", environment);
    DWORD code = 0;
    ASSERT_TRUE(stub.Wait(kRunTimeout, code));
    EXPECT_EQ(code, 3010u);

    const std::string record = Record();
    const std::string directory = RecordValue(record, "Directory");
    EXPECT_EQ(directory.rfind(StubTemp(sandbox_) + "\\SETUP_", 0), 0u) << directory;
    const std::string command = RecordValue(record, "CommandLine");
    const std::string prefix = directory + "\\Engine.exe /TH_ID=_";
    ASSERT_EQ(command.rfind(prefix, 0), 0u) << command;
    const size_t tidEnd = command.find(' ', prefix.size());
    const std::string tid = command.substr(prefix.size() - 1, tidEnd - prefix.size() + 1);
    EXPECT_EQ(command.substr(tidEnd), " /OriginExe=\"" + setup + "\"");
    EXPECT_EQ(RecordValue(record, "AtomFound"), "1");
    EXPECT_EQ(RecordValue(record, "ShowWindow"), std::to_string(SW_SHOW));

    EXPECT_EQ(sandbox_.Read("copied\\readme.txt"), "read me\r\n");
    EXPECT_TRUE(SetupDirs().empty());
    EXPECT_EQ(GlobalFindAtomA(("AutoUpdateAtomTokenByWyvern" + tid).c_str()), 0);
}

// Success is the engine deleting its atom: only then are the shortcuts the information file
// names removed.
TEST_F(StubRunTest, ShortcutsAreRemovedOnlyWhenTheEngineDeletedItsAtom) {
    for (const bool deleteAtom : {true, false}) {
        SCOPED_TRACE(deleteAtom);
        Sandbox box;
        Manifest manifest = EngineManifest();
        manifest.infoFile = "product.info";
        const std::string setup = box.Path("setup.exe");
        BuildStubPackage(manifest, setup);
        box.Write("startup.lnk", "link");
        box.Write("update.lnk", "link");
        box.Write("product.original", "[UnInstall]\r\nStartUpLink=" + box.Path("startup.lnk") +
                                          "\r\nCheckforNewUpdateLink=" + box.Path("update.lnk") +
                                          "\r\n");
        box.Write("product.info", "[NewSetup]\r\nRemoveStartUpShortcut=1\r\n");
        Environment environment = StubEnvironment(box);
        environment.push_back({"WYVERN_ENGINE_EXIT", "7"});
        if (deleteAtom) environment.push_back({"WYVERN_ENGINE_ATOM", "delete"});

        StubProcessRun stub(setup, "", environment);
        DWORD code = 0;
        ASSERT_TRUE(stub.Wait(kRunTimeout, code));
        EXPECT_EQ(code, 7u);
        EXPECT_EQ(box.Exists("startup.lnk"), !deleteAtom);
        EXPECT_TRUE(box.Exists("update.lnk"));  // its switch is not set
    }
}

// A copy re-run for a spanned package: both span switches leave the engine's command line, the
// origin it was given stays, and the copy deletes itself and its directory at the end.
TEST_F(StubRunTest, SpanSwitchesAreRemovedAndTheCopyDeletesItself) {
    sandbox_.MakeDirectory("copy");
    const std::string setup = Build(EngineManifest(" /S"), "copy\\setup.exe");
    const std::string parameters =
        "/X /SpanCdLvl=2 /SpanDiskFName1=\"" + setup + "\" /OriginExe=\"C:\\from\\media.exe\"";
    StubProcessRun stub(setup, parameters, StubEnvironment(sandbox_));
    DWORD code = 0;
    ASSERT_TRUE(stub.Wait(kRunTimeout, code));

    const std::string record = Record();
    const std::string directory = RecordValue(record, "Directory");
    const std::string command = RecordValue(record, "CommandLine");
    const std::string head = directory +
                             "\\Engine.exe /X /OriginExe=\"C:\\from\\media.exe\" /S "
                             "/TH_ID=_";
    EXPECT_EQ(command.rfind(head, 0), 0u) << command;
    EXPECT_EQ(command.find(' ', head.size()), std::string::npos) << command;
    EXPECT_TRUE(WaitForPath(setup, false, 20000));
    EXPECT_TRUE(WaitForPath(sandbox_.Path("copy"), false, 20000));
}

TEST_F(StubRunTest, HiddenRunsShowNoSpaceNoticeAndStartTheEngineHidden) {
    struct Case {
        bool runHidden;
        const char* parameters;
    };
    for (const Case& c : {Case{true, ""}, Case{false, "/hide"}}) {
        SCOPED_TRACE(c.parameters);
        Sandbox box;
        Manifest manifest = EngineManifest();
        manifest.runHidden = c.runHidden;
        manifest.flags = kShowSpaceNotice;  // a foreground run would ask first
        const std::string setup = box.Path("setup.exe");
        BuildStubPackage(manifest, setup);
        StubProcessRun stub(setup, c.parameters, StubEnvironment(box));
        DWORD code = 0;
        ASSERT_TRUE(stub.Wait(kRunTimeout, code)) << "waited on a box?";
        EXPECT_EQ(RecordValue(box.Read("record.txt"), "ShowWindow"), std::to_string(SW_HIDE));
    }
}

TEST_F(StubRunTest, EngineDialogOutlivingItsProcessIsWaitedFor) {
    const std::string setup = Build(EngineManifest());
    Environment environment = StubEnvironment(sandbox_);
    environment.push_back({"WYVERN_ENGINE_DIALOG_MS", "4000"});
    environment.push_back({"WYVERN_ENGINE_DIALOG_DONE", sandbox_.Path("dialog-closed")});
    StubProcessRun stub(setup, "", environment);
    DWORD code = 0;
    ASSERT_TRUE(stub.Wait(kRunTimeout, code));
    EXPECT_TRUE(sandbox_.Exists("dialog-closed"));
}

TEST_F(StubRunTest, SecondStartWhileTheFirstWindowExistsDoesNothing) {
    const std::string setup = Build(EngineManifest());
    Environment first = StubEnvironment(sandbox_);
    first.push_back({"WYVERN_ENGINE_WAIT_FILE", sandbox_.Path("go")});
    first.push_back({"WYVERN_ENGINE_EXIT", "5"});
    StubProcessRun one(setup, "", first);
    ASSERT_TRUE(WaitForPath(sandbox_.Path("record.txt"), true, kRunTimeout));

    Environment second = StubEnvironment(sandbox_);
    second.push_back({"WYVERN_ENGINE_RECORD", sandbox_.Path("record-2.txt")});
    StubProcessRun two(setup, "", second);
    DWORD code = 1;
    ASSERT_TRUE(two.Wait(30000, code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(sandbox_.Exists("record-2.txt"));

    sandbox_.Write("go", "");
    ASSERT_TRUE(one.Wait(kRunTimeout, code));
    EXPECT_EQ(code, 5u);
}

TEST_F(StubRunTest, DebugViewerReceivesTheRunsTrace) {
    const std::string setup = Build(EngineManifest());
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "WyvernStubTestViewerReady");
    const std::string output = sandbox_.Path("trace.txt");
    StubProcessRun viewer(BinProgram("wyvern_debug_viewer.exe"),
                          "\"" + output + "\" 120000 WyvernStubTestViewerReady", {});
    ASSERT_EQ(WaitForSingleObject(ready, 30000), WAIT_OBJECT_0);
    CloseHandle(ready);

    StubProcessRun stub(setup, "/Z", StubEnvironment(sandbox_));
    DWORD code = 0;
    ASSERT_TRUE(stub.Wait(kRunTimeout, code));
    PostMessageA(FindWindowA(".WyvernDebug.", nullptr), WM_CLOSE, 0, 0);
    ASSERT_TRUE(viewer.Wait(30000, code));

    const std::string trace = sandbox_.Read("trace.txt");
    const std::string pid = std::to_string(stub.pid());
    EXPECT_NE(trace.find(pid + " ==== STUB START ====> \"" + setup + "\" /Z<\r\n"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("FileInfo.FilesCount=1\r\n"), std::string::npos);
    EXPECT_NE(trace.find(" ==== WinExec(Engine.exe) >>"), std::string::npos);
    EXPECT_NE(trace.find(pid + " ==== STUB END ====> "), std::string::npos);
}

// The same files packed by the kit's builder and by a package maker written with Python's zlib
// from the format alone unpack to the same bytes.
TEST_F(StubRunTest, PackagesOfTheBuilderAndOfAnIndependentZlibUserUnpackIdentically) {
    const std::string interop = BinDirectory() + "\\interop";
    const std::vector<std::string> names = {"empty.dat", "notes.txt", "random.bin", "split.txt",
                                            "zeros.bin"};
    Manifest manifest = EngineManifest();
    for (const char* name : {"empty.dat", "notes.txt", "random.bin", "zeros.bin"}) {
        ManifestEntry entry;
        entry.name = name;
        entry.source = interop + "\\expected\\" + name;
        entry.compressed = std::string(name) != "random.bin";
        entry.dosStamp = 0;
        manifest.entries.push_back(entry);
    }
    for (const auto& [source, compressed] :
         {std::pair{"split-first.bin", false}, std::pair{"split-part.bin", true}}) {
        ManifestEntry entry;
        entry.name = "split.txt";
        entry.source = interop + "\\" + source;
        entry.compressed = compressed;
        entry.dosStamp = 0;
        manifest.entries.push_back(entry);
    }
    const std::string kitSetup = Build(manifest, "kit-setup.exe");
    const std::string pythonSetup = sandbox_.Path("python-setup.exe");
    ASSERT_TRUE(CopyFileA((interop + "\\python-setup.exe").c_str(), pythonSetup.c_str(), FALSE));

    for (const std::string& setup : {kitSetup, pythonSetup}) {
        SCOPED_TRACE(setup);
        const std::string out = setup + ".out";
        Environment environment = StubEnvironment(sandbox_);
        environment.push_back({"WYVERN_ENGINE_COPY_TO", out});
        StubProcessRun stub(setup, "", environment);
        DWORD code = 0;
        ASSERT_TRUE(stub.Wait(kRunTimeout, code));
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            ASSERT_NE(GetFileAttributesA((out + "\\" + name).c_str()), INVALID_FILE_ATTRIBUTES);
            const std::string expected = ReadFileBytes(interop + "\\expected\\" + name);
            EXPECT_TRUE(ReadFileBytes(out + "\\" + name) == expected)
                << "differs, expected " << expected.size() << " bytes";
        }
    }
}

// An installer that leaves an auto-update agent behind writes a copy of the stub with the header
// blocks and a trailer saying IsAgent, but none of the entries.
TEST_F(StubRunTest, AgentCopyCarriesTheStubAndHeadersButNoEntries) {
    Manifest manifest = EngineManifest();
    manifest.makeAgentCopy = 1;
    manifest.agentExe = "tools\\UpdateAgent.exe";
    AddDataEntry(manifest, sandbox_, "big.bin", std::string(100000, 'b'));
    const std::string setup = Build(manifest);
    Environment environment = StubEnvironment(sandbox_);
    environment.push_back({"WYVERN_ENGINE_COPY_TO", sandbox_.Path("copied")});
    StubProcessRun stub(setup, "", environment);
    DWORD code = 0;
    ASSERT_TRUE(stub.Wait(kRunTimeout, code));

    const std::string agent = ReadFileBytes(sandbox_.Path("copied\\UpdateAgent.exe"));
    const std::string stubImage = ReadFileBytes(BinProgram("WyvernStub.exe"));
    ASSERT_GT(agent.size(), stubImage.size());
    EXPECT_TRUE(agent.compare(0, 248, stubImage, 0, 248) == 0);
    EXPECT_EQ(agent.substr(248, 8), std::string(8, '\0'));
    MemoryFileReader file(agent);
    const TrailerPlace place = ReadTrailer(file);
    ASSERT_TRUE(place.ok());
    EXPECT_EQ(place.trailerEnd, agent.size());
    EXPECT_EQ(place.trailer.isAgent, 1);
    EXPECT_EQ(place.trailer.trailerLength, kTrailerSize);
    EXPECT_EQ(place.trailer.packageStart, stubImage.size());
    // Only the language and update blocks lie between the stub image and the trailer.
    BlockWalker walker(file, place, place.trailer.headerBlockCount);
    BlockRef block;
    unsigned blocks = 0;
    while (walker.Next(block)) ++blocks;
    EXPECT_EQ(walker.error(), BlockError::kNone);
    EXPECT_EQ(blocks, 2u);
    EXPECT_EQ(walker.position(), place.trailerStart);
}

// A library planted beside a downloaded stub under the name of one it preloads is never loaded.
TEST_F(StubRunTest, LibraryPlantedBesideTheStubIsNotLoaded) {
    const std::string setup = Build(EngineManifest());
    ASSERT_TRUE(CopyFileA((BinDirectory() + "\\planted\\MSLS31.dll").c_str(),
                          sandbox_.Path("MSLS31.dll").c_str(), FALSE));
    StubProcessRun stub(setup, "", StubEnvironment(sandbox_));
    DWORD code = 0;
    ASSERT_TRUE(stub.Wait(kRunTimeout, code));
    EXPECT_TRUE(sandbox_.Exists("record.txt"));
    EXPECT_FALSE(sandbox_.Exists("MSLS31.loaded"));
}

// A signature after the trailer (found through the trailer end the builder records in the stub's
// DOS area) and a third header block do not disturb a run.
TEST_F(StubRunTest, SignedPackagesAndWebHeadersRun) {
    struct Case {
        const char* name;
        uint64_t signatureSize;
        bool web;
    };
    for (const Case& c :
         {Case{"signed", 6000, false}, Case{"web-header", 0, true}, Case{"both", 512, true}}) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        Manifest manifest = EngineManifest();
        manifest.signatureSize = c.signatureSize;
        manifest.hasWeb = c.web;
        manifest.packageUrl = "http://updates.example/";
        manifest.packageFile = "package.bin";
        AddDataEntry(manifest, box, "notes.txt", "notes");
        const std::string setup = box.Path("setup.exe");
        BuildStubPackage(manifest, setup);
        Environment environment = StubEnvironment(box);
        environment.push_back({"WYVERN_ENGINE_EXIT", "12"});
        StubProcessRun stub(setup, "", environment);
        DWORD code = 0;
        ASSERT_TRUE(stub.Wait(kRunTimeout, code));
        EXPECT_EQ(code, 12u);
        EXPECT_TRUE(box.Exists("record.txt"));
    }
}

}  // namespace
