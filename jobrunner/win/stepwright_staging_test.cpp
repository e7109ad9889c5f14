// Stepwright.exe staging the job's files: marked files unscrambled, the copies removed after a
// run that succeeded and kept after one that stopped, and the bounds of the file table and paths.
#include <gtest/gtest.h>

#include <cstdio>

#include "jobrunner/win/program_test_support.h"

namespace {

const std::string kNibbleMarker = "#JCRT_QVG#";
const std::string kXorMarker = "\x30\x24\x82\x62\x02\x5A\x05\x4F\x99\x43";

std::string AllBytes() {
    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
    return bytes;
}

class StepwrightStaging : public testing::Test {
  protected:
    void SetUp() override {
        box.MakeDirectory("fw");
        box.MakeDirectory("job");
    }
    ProgramRun Run(const std::string& commands) {
        box.Write("job\\job.arg", ArgumentFile(box.Path("fw"), commands));
        return RunStepwright({box.root(), box.Path("job\\job.arg")}, box.root());
    }
    size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }
    Sandbox box;
};

TEST_F(StepwrightStaging, MarkedFilesAreUnscrambledAndCopiesRemovedAfterSuccess) {
    const struct {
        const char* name;
        std::string source;
        std::string staged;
    } files[] = {
        {"nibble.bin", "abc" + kNibbleMarker, "\x16\x26\x36"},
        // xor 0x96, then the 2-bit groups reversed: 00 -> 96, 01 -> D6, 30 -> 9A, FF -> 69
        {"xor.bin", std::string("\x00\x01\x30\xFF", 4) + kXorMarker, "\x96\xD6\x9A\x69"},
        {"nine.bin", "123456789", "123456789"},  // shorter than a marker
        {"plain.bin", AllBytes(), AllBytes()},
        {"onlymarker.bin", kNibbleMarker, ""},  // nothing to transform: left empty
        {"marker-inside.bin", kNibbleMarker + "x", kNibbleMarker + "x"},
    };
    for (const auto& f : files) box.Write(std::string("fw\\") + f.name, f.source);

    // Stopped by an abort: the copies stay for the next run.
    const ProgramRun stopped = Run("0   - flag abort_ne 0\r\n0   - sw_exit_with 1\r\n");
    EXPECT_EQ(2u, stopped.exitCode);
    for (const auto& f : files) {
        EXPECT_EQ(f.staged, box.Read(std::string("job\\") + f.name)) << f.name;
        EXPECT_EQ(f.source, box.Read(std::string("fw\\") + f.name)) << f.name;
    }
    const std::string log = box.Read("Stepwright.log");
    EXPECT_NE(std::string::npos, log.find("NumberOfFiles : 6\n"));
    EXPECT_NE(std::string::npos, log.find("Copy file from " + box.Path("fw\\nibble.bin") + " to " +
                                          box.Path("job\\nibble.bin") + "\n"));
    EXPECT_EQ(std::string::npos, log.find("delete file"));

    // Run to its end: staged again, then removed; the job's own files stay.
    box.Write("job\\nibble.bin", "changed");
    const ProgramRun finished = Run("0   - sw_snapshot nibble.bin seen.txt\r\n");
    EXPECT_EQ(0u, finished.exitCode);
    EXPECT_EQ("\x16\x26\x36", box.Read("job\\seen.txt"));
    EXPECT_EQ((std::vector<std::string>{"job.arg", "seen.txt"}), box.Files("job"));
    const std::string body = LogBody(box.Read("Stepwright.log"));
    for (const auto& f : files) {
        EXPECT_NE(std::string::npos,
                  body.find(std::string("delete file ") + f.name + " returns 0\n"))
            << body;
    }
}

TEST_F(StepwrightStaging, CopiesStayAfterEveryStopAndGoAfterSuccess) {
    box.Write("fw\\a.bin", "a");
    const struct {
        const char* lines;
        uint32_t status;
        bool kept;
    } cases[] = {
        {"0   - flag abort_ne 0\r\n0   - sw_exit_with 1\r\n", 2, true},
        {"0   - flag reboot_ne 0\r\n0   - sw_exit_with 1\r\n", 6, true},  // "-n" below
        {"0   - flag no_adequate_HW 1 abort_ne 0\r\n0   - sw_exit_with 1\r\n", 16, true},
        {"[broken", 0x22030003, true},
        {"0   - sw_exit_with 1\r\n", 0, false},
        {"0   - flag Delayed\r\n0   - sw_exit_with 0\r\n", 0x100000, false},
    };
    for (const auto& c : cases) {
        std::remove(box.Path("job\\a.bin").c_str());
        const std::string file = std::string(c.lines) == "[broken"
                                     ? "[Runtime]\r\nFWPATH=" + box.Path("fw") + "\r\n"
                                     : ArgumentFile(box.Path("fw"), c.lines);
        box.Write("job\\job.arg", file);
        const ProgramRun run =
            RunStepwright({box.root(), box.Path("job\\job.arg"), "-n"}, box.root());
        EXPECT_EQ(c.status, run.exitCode) << c.lines;
        EXPECT_EQ(c.kept, box.Exists("job\\a.bin")) << c.lines;
    }
}

TEST_F(StepwrightStaging, FileTableTakesFiftyOneNamesAndTheRestIsLogged) {
    for (int i = 0; i < 53; ++i) box.Write("fw\\f" + std::to_string(i) + ".bin", "x");
    box.MakeDirectory("fw\\subdir");
    EXPECT_EQ(2u, Run("0   - flag abort_ne 0\r\n0   - sw_exit_with 1\r\n").exitCode);
    const std::string log = box.Read("Stepwright.log");
    EXPECT_NE(std::string::npos, log.find("NumberOfFiles : 51\n"));
    EXPECT_EQ(2u, Count(log, "WARNING : file table full (51 names), "));
    EXPECT_EQ(51u, Count(log, "Copy file from "));
    EXPECT_EQ(52u, box.Files("job").size());  // the 51 copies and job.arg
}

TEST_F(StepwrightStaging, PathsBeyondTheBuffersAreRefused) {
    // FwPath + "\" + name must fit 255 characters; the file itself still fits MAX_PATH.
    const std::string fw = box.Path("fw");
    const std::string longName = std::string(254 - fw.size(), 'n') + ".b";
    ASSERT_LT(fw.size() + 1 + longName.size(), static_cast<size_t>(MAX_PATH));
    box.Write("fw\\" + longName, "long");
    box.Write("fw\\short.bin", "short");
    EXPECT_EQ(0u, Run("0   - sw_snapshot short.bin seen.txt\r\n").exitCode);
    EXPECT_EQ("short", box.Read("job\\seen.txt"));
    const std::string log = box.Read("Stepwright.log");
    EXPECT_NE(std::string::npos, log.find("WARNING : path of " + longName +
                                          " longer than 255 characters, not copied\n"))
        << log;
    EXPECT_EQ(std::string::npos, log.find("delete file " + longName));
    EXPECT_NE(std::string::npos, log.find("delete file short.bin returns 0\n"));
}

TEST_F(StepwrightStaging, RelativeFwPathAndArgumentFileWithoutBackslash) {
    box.Write("fw\\a.bin", "a");
    // FWPATH relative to the directory named first; the argument file named without a
    // backslash makes ExecPath "/tmp".
    box.Write("job.arg", ArgumentFile("fw", "0   - sw_exit_with 0\r\n"));
    const ProgramRun run = RunStepwright({box.root(), "job.arg"}, box.Path("job"));
    EXPECT_EQ(0u, run.exitCode);
    const std::string log = box.Read("Stepwright.log");
    EXPECT_NE(std::string::npos, log.find("ExecPath : /tmp\nFwPath : fw\nNumberOfFiles : 1\n"
                                          "Copy file from fw\\a.bin to /tmp\\a.bin\n"))
        << log;
    RemoveDirectoryA("C:\\tmp");
}

}  // namespace
