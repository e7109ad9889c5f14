// Stepwright.exe running jobs: the file rewritten in place, stopping and resuming, the two
// command sections, the autonomic form, the log, the exit statuses and the failure table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <regex>

#include "jobrunner/win/program_test_support.h"

namespace {

constexpr uint32_t kRunFailed = 0x22030003;

class StepwrightJob : public testing::Test {
  protected:
    void SetUp() override {
        box.MakeDirectory("fw");
        box.MakeDirectory("job");
    }
    std::string FwPath() const { return box.Path("fw"); }
    std::string JobPath() const { return box.Path("job\\job.arg"); }
    void WriteJob(const std::string& commands, const std::string& updateCommands = "") {
        box.Write("job\\job.arg", ArgumentFile(FwPath(), commands, updateCommands));
    }
    std::string Job(const std::string& commands, const std::string& updateCommands = "") const {
        return ArgumentFile(FwPath(), commands, updateCommands);
    }
    ProgramRun Run(std::vector<std::string> options = {},
                   std::vector<std::pair<std::string, std::string>> environment = {}) {
        std::vector<std::string> arguments = {box.root(), JobPath()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return RunStepwright(arguments, box.root(), std::move(environment));
    }
    std::string Log() const { return box.Read("Stepwright.log"); }

    Sandbox box;
};

TEST_F(StepwrightJob, FreshJobRunsToItsEndWithEveryLineRewritten) {
    box.Write("fw\\nine.bat", "@exit /b 9\r\n");
    const std::string snapshot = "sw_snapshot job.arg snapshot.txt";
    const std::string lines =
        "0   - sw_exit_with 0\r\n"
        "# a comment between pending lines\r\n"
        "0   - sw_exit_with 5\r\n"
        "0   - sw_exit_with 42\r\n"
        " 0   - sw_exit_with 1\r\n"
        "1 007 sw_exit_with 99\r\n"
        "\r\n"
        "0   - sw_exit_with -1\r\n"
        "0   - sw_exit_with 666\r\n"
        "0   - sw_exit_with 570621955\r\n"
        "0   - sw_exit_with 1234\r\n"
        "0   - exit 3\r\n"
        "0   - nine.bat\r\n"
        "0   - " +
        snapshot + "\r\n";
    WriteJob(lines);

    const ProgramRun run = Run();
    EXPECT_EQ(0u, run.exitCode);
    const std::string done =
        "1 000 sw_exit_with 0\r\n"
        "# a comment between pending lines\r\n"
        "1 005 sw_exit_with 5\r\n"
        "1 042 sw_exit_with 42\r\n"
        " 0   - sw_exit_with 1\r\n"
        "1 007 sw_exit_with 99\r\n"
        "\r\n"
        "1 0-1 sw_exit_with -1\r\n"
        "1 666 sw_exit_with 666\r\n"
        "1 570 sw_exit_with 570621955\r\n"
        "1 123 sw_exit_with 1234\r\n"
        "1 003 exit 3\r\n"
        "1 009 nine.bat\r\n";
    EXPECT_EQ(Job(done + "1 000 " + snapshot + "\r\n"), box.Read("job\\job.arg"));
    // The running command already saw its own line started, and every earlier code written.
    EXPECT_EQ(Job(done + "1   - " + snapshot + "\r\n"), box.Read("job\\snapshot.txt"));
}

TEST_F(StepwrightJob, StopsOnAbortOrRebootAndResumesAtTheNextPendingLine) {
    WriteJob(
        "0   - flag abort_gt 2 reboot_eq 2\r\n"
        "0   - sw_exit_with 1\r\n"
        "0   - sw_exit_with 3\r\n"
        "0   - sw_exit_with 2\r\n"
        "0   - sw_exit_with 3\r\n"
        "0   - sw_exit_with 4\r\n");
    EXPECT_EQ(2u, Run().exitCode);
    EXPECT_EQ(Job("1 000 flag abort_gt 2 reboot_eq 2\r\n1 001 sw_exit_with 1\r\n"
                  "1 003 sw_exit_with 3\r\n0   - sw_exit_with 2\r\n0   - sw_exit_with 3\r\n"
                  "0   - sw_exit_with 4\r\n"),
              box.Read("job\\job.arg"));

    // The second run knows no thresholds: the flag line is done and is not applied again.
    EXPECT_EQ(0u, Run({"-n"}).exitCode);
    EXPECT_EQ(Job("1 000 flag abort_gt 2 reboot_eq 2\r\n1 001 sw_exit_with 1\r\n"
                  "1 003 sw_exit_with 3\r\n1 002 sw_exit_with 2\r\n1 003 sw_exit_with 3\r\n"
                  "1 004 sw_exit_with 4\r\n"),
              box.Read("job\\job.arg"));

    WriteJob("0   - flag reboot_eq 2\r\n0   - sw_exit_with 2\r\n0   - sw_exit_with 0\r\n");
    EXPECT_EQ(6u, Run({"-n"}).exitCode);  // a restart is called for, "-n" forbids it
    EXPECT_EQ(Job("1 000 flag reboot_eq 2\r\n1 002 sw_exit_with 2\r\n0   - sw_exit_with 0\r\n"),
              box.Read("job\\job.arg"));
    EXPECT_EQ(0u, Run({"-n"}).exitCode);
    EXPECT_EQ(Job("1 000 flag reboot_eq 2\r\n1 002 sw_exit_with 2\r\n1 000 sw_exit_with 0\r\n"),
              box.Read("job\\job.arg"));

    const std::string finished = box.Read("job\\job.arg");
    EXPECT_EQ(0u, Run().exitCode);  // nothing left to do
    EXPECT_EQ(finished, box.Read("job\\job.arg"));
}

TEST_F(StepwrightJob, UpdateAndForceModeRunTheirOwnSections) {
    const std::string update =
        "0   - sw_exit_with 11\r\n0   - update sw_exit_with 12\r\n0   - force sw_exit_with 13\r\n";
    const std::string force =
        "0   - sw_exit_with 21\r\n0   - update sw_exit_with 22\r\n0   - force sw_exit_with 23\r\n";
    const struct {
        std::vector<std::string> options;
        std::string updateAfter;
        std::string forceAfter;
    } cases[] = {
        {{},
         update,
         "1 021 sw_exit_with 21\r\n1 000 update sw_exit_with 22\r\n1 023 force sw_exit_with "
         "23\r\n"},
        {{"-update"}, update, ""},  // three arguments: only "-n" or "-d" is read
        {{"-update", "-n"},
         "1 011 sw_exit_with 11\r\n1 012 update sw_exit_with 12\r\n1 000 force sw_exit_with 13\r\n",
         force},
        {{"-update", "-d", "-n"}, update, ""},  // five: the first option is not read
        {{"-d", "-n", "-update"},
         "1 011 sw_exit_with 11\r\n1 012 update sw_exit_with 12\r\n1 000 force sw_exit_with 13\r\n",
         force},
    };
    for (const auto& c : cases) {
        WriteJob(force, update);
        const ProgramRun run = Run(c.options);
        EXPECT_EQ(0u, run.exitCode);
        const std::string forceAfter =
            c.forceAfter.empty() ? "1 021 sw_exit_with 21\r\n1 000 update sw_exit_with 22\r\n"
                                   "1 023 force sw_exit_with 23\r\n"
                                 : c.forceAfter;
        EXPECT_EQ(Job(forceAfter, c.updateAfter), box.Read("job\\job.arg"))
            << testing::PrintToString(c.options);
    }
    EXPECT_NE(
        std::string::npos,
        LogBody(Log()).find("exec command <sw_exit_with 13>\n . . . skipped! (Sysret = 0)\n"));
}

TEST_F(StepwrightJob, LogHeadAndLines) {
    WriteJob("0   - sw_exit_with 4\r\n0   - flag abort_eq 9\r\n");
    ASSERT_EQ(0u, Run().exitCode);
    const std::string log = Log();
    const std::regex head(
        "\n\\*{9}\\+\\*{9}\\+\\*{9}\\+\\*{9}\\+\\*{9}\\+\\*{10}\\+\\*{10}\\+\\*{6}\n"
        "\\*\\*       Stepwright Log (Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
        "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] "
        "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\n\\*{78}\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(log, match, head)) << log;
    EXPECT_EQ(0, match.position(0));
    EXPECT_EQ("Open argument file " + JobPath() +
                  "\nbasic parameters:\nExecPath : " + box.Path("job") + "\nFwPath : " + FwPath() +
                  "\nNumberOfFiles : 0\n"
                  "exec command <sw_exit_with 4>\n . . . returned 4\n"
                  "exec command <flag abort_eq 9>\n . . . returned 0\n"
                  "Current directory " +
                  box.Path("job") + "\nStepwright returns error 0x0\n",
              LogBody(log));

    // Each run appends its own block.
    Run();
    const std::string twice = Log();
    EXPECT_EQ(0u, twice.find(log));
    const std::string second = twice.substr(log.size());
    EXPECT_TRUE(std::regex_search(second, match, head)) << second;
}

TEST_F(StepwrightJob, ExitStatusCarriesTheDelayedBitAndHardwareResult) {
    const struct {
        const char* lines;
        uint32_t status;
    } cases[] = {
        {"0   - flag Delayed\r\n0   - sw_exit_with 0\r\n", 0x100000},
        {"0   - flag delayed_eq 1 abort_gt 1\r\n0   - sw_exit_with 1\r\n0   - sw_exit_with 2\r\n",
         0x100002},
        {"0   - flag no_adequate_HW 4 abort_ne 0\r\n0   - sw_exit_with 4\r\n", 16},
        {"0   - flag not_supported_OS 3 abort_ne 0\r\n0   - sw_exit_with 3\r\n"
         "0   - sw_exit_with 5\r\n",
         0},
        {"0   - flag abort_ne 0\r\n0   - nosuchprogram\r\n", 2},
    };
    for (const auto& c : cases) {
        WriteJob(c.lines);
        EXPECT_EQ(c.status, Run().exitCode) << c.lines;
    }
}

TEST_F(StepwrightJob, AutonomicFormRunsKdArgInItsWorkingDirectory) {
    const std::string kd = "C:\\ignored";
    const struct {
        const char* lines;
        uint32_t status;
    } cases[] = {
        {"0   - sw_exit_with 0\r\n", 0},
        {"0   - flag abort_gt 0\r\n0   - sw_exit_with 1\r\n", 8},
        {"0   - flag reboot_eq 3\r\n0   - sw_exit_with 3\r\n", 2},  // the caller restarts
        {"0   - flag no_adequate_HW 4 abort_ne 0\r\n0   - sw_exit_with 4\r\n", 16},
        {"0   - flag not_supported_OS 3 abort_ne 0\r\n0   - sw_exit_with 3\r\n", 59},
        {"0   - flag pkg_missing 3 Delayed\r\n0   - sw_exit_with 3\r\n", 21},
        {"0   - flag Delayed\r\n0   - sw_exit_with 0\r\n", 1},
        {"0   - flag StopAgent\r\n", 0},  // no agent: the line records 55
    };
    for (const auto& c : cases) {
        box.Write("job\\kd.arg", ArgumentFile(kd, c.lines));
        const ProgramRun run = RunStepwright({box.Path("job"), "autonomic"}, box.root());
        EXPECT_EQ(c.status, run.exitCode) << c.lines;
        EXPECT_FALSE(box.Exists("job\\Stepwright.log"));  // no log without "-d"
    }
    EXPECT_NE(std::string::npos, box.Read("job\\kd.arg").find("1 055 flag StopAgent\r\n"));

    // With "-d": the log, its argument block, and FwPath = ExecPath = the working directory,
    // whose file table leaves out the runner's own files.
    box.Write("job\\fw.bin", "x");
    box.Write("job\\Stepwright.exe", "not the program");
    box.Write("job\\kd.arg", ArgumentFile(kd, "0   - sw_exit_with 0\r\n"));
    const ProgramRun run = RunStepwright(
        {box.Path("job"), "autonomic", "-d", "-external-variable", "<ExternalVariable>"},
        box.root());
    EXPECT_EQ(0u, run.exitCode);
    const std::string log = box.Read("job\\Stepwright.log");
    EXPECT_NE(
        std::string::npos,
        log.find("** argc: 6 (0): " + BinProgram("Stepwright.exe") + " (1): " + box.Path("job") +
                 " (2): autonomic (3): -d (4): -external-variable\n"
                 "**          (5): <ExternalVariable>\n"
                 "** version: Stepwright Version 1.05.09\n"
                 "** working directory " +
                 box.Path("job") + "\n** external option: ><\n" + std::string(78, '*')))
        << log;
    EXPECT_NE(std::string::npos, log.find("ExecPath : " + box.Path("job") + "\nFwPath : " +
                                          box.Path("job") + "\nNumberOfFiles : 1\n"))
        << log;
    EXPECT_EQ("Jetzt gehts los\n", run.out);
    EXPECT_TRUE(box.Exists("job\\fw.bin"));  // nothing staged, nothing deleted
}

TEST_F(StepwrightJob, AutonomicKeywordAloneRunsInTheProgramsDirectory) {
    box.MakeDirectory("prog");
    ASSERT_TRUE(CopyFileA(BinProgram("Stepwright.exe").c_str(),
                          box.Path("prog\\Stepwright.exe").c_str(), FALSE));
    box.Write("prog\\kd.arg",
              ArgumentFile("x", "0   - sw_exit_with !{EXTVAR}5\r\n0   - cd > where.txt\r\n"));
    Launch launch;
    launch.program = box.Path("prog\\Stepwright.exe");
    launch.arguments = {"autonomic"};
    launch.workingDirectory = box.Path("job");
    EXPECT_EQ(0u, RunProgram(launch).exitCode);
    EXPECT_EQ(box.Path("prog") + "\r\n", box.Read("prog\\where.txt"));
    EXPECT_NE(std::string::npos,
              box.Read("prog\\kd.arg").find("1 005 sw_exit_with !{EXTVAR}5\r\n"));

    // pspmode goes to the program's directory even when a directory is named.
    box.Write("prog\\kd.arg", ArgumentFile("x", "0   - sw_exit_with !{EXTVAR}\r\n"));
    launch.arguments = {box.Path("job"), "pspmode", "-external-variable", " \"7\" "};
    EXPECT_EQ(0u, RunProgram(launch).exitCode);
    EXPECT_NE(std::string::npos, box.Read("prog\\kd.arg").find("1 007 sw_exit_with !{EXTVAR}\r\n"));
}

TEST_F(StepwrightJob, ShortPendingLinesArePassedOver) {
    WriteJob("0\r\n0 x\r\n0   - sw_exit_with 5\r\n");
    EXPECT_EQ(0u, Run().exitCode);
    EXPECT_EQ(Job("0\r\n0 x\r\n1 005 sw_exit_with 5\r\n"), box.Read("job\\job.arg"));
    const std::string body = LogBody(Log());
    EXPECT_NE(std::string::npos,
              body.find("WARNING : command line <0> too short, passed over\n"
                        "WARNING : command line <0 x> too short, passed over\n"));
}

TEST_F(StepwrightJob, CommandLineAndVersion) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"-version"}, {"a", "b", "-n", "-version"}}) {
        const ProgramRun run = RunStepwright(arguments, box.root());
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ("1.5.9.0\n", run.out);
    }
    const ProgramRun lone = RunStepwright({box.root()}, box.root());
    EXPECT_EQ(kRunFailed, lone.exitCode);
    EXPECT_FALSE(box.Exists("Stepwright.log"));
}

TEST_F(StepwrightJob, FailureTable) {
    const std::string fw = FwPath();
    const std::string ending = "Stepwright returns error 0x22030003\n";
    const struct {
        std::string file;
        const char* log;      // the line the failure writes
        const char* console;  // with "-d"
    } cases[] = {
        {"", "ERROR 1006 creating file map\n", ""},
        {"[Version]\r\n04\r\n[Commands]\r\n[Manager]\r\n",
         "ERROR 570621956 reading basic parameters\n", "Can not find RUNTIMESECTION\n"},
        {"[Runtime]\r\n# comment", "ERROR 570621956 reading basic parameters\n",
         "Can't find line without comment\n"},
        {"[Runtime]\r\nFILES=\r\n[Commands]\r\n[Manager]\r\n",
         "ERROR 570621959 reading basic parameters\n", ""},
        {"[Runtime]\r\nFWPATH=\r\n[Commands]\r\n[Manager]\r\n",
         "ERROR 570621956 reading basic parameters\n", "Can't find FWPATHKEY\n"},
        {"[Runtime]\r\nFWPATH=" + fw + "\\missing\r\n[Commands]\r\n[Manager]\r\n",
         "ERROR 570621956 reading basic parameters\n", ""},
        {"[Runtime]\r\nFWPATH=" + fw + "\r\n[Manager]\r\n", "ERROR : command section not found\n",
         ""},
        {"[Runtime]\r\nFWPATH=" + fw + "\r\n[Commands]\r\n0   - sw_exit_with 0\r\n",
         "ERROR : End of command section not found\n", ""},
        {"[Runtime]\r\nFWPATH=" + fw + "\r\n[Commands]\r\n0   - sw_exit_with 0[Manager]",
         "ERROR : corrupted arg file\n", ""},
    };
    for (const auto& c : cases) {
        box.Write("job\\job.arg", c.file);
        std::remove(box.Path("Stepwright.log").c_str());
        const ProgramRun run = Run({"-d"});
        EXPECT_EQ(kRunFailed, run.exitCode) << c.log;
        const std::string body = LogBody(Log());
        EXPECT_NE(std::string::npos, body.find(c.log)) << body;
        EXPECT_NE(std::string::npos, body.find("Current directory ")) << body;
        EXPECT_EQ(ending, body.substr(body.size() - std::min(body.size(), ending.size()))) << body;
        EXPECT_NE(std::string::npos, run.out.find(c.console)) << run.out;
        EXPECT_EQ(c.file, box.Read("job\\job.arg"));  // a failure never rewrites a line
    }

    // An argument file that cannot be opened ends the run before the end sequence.
    std::remove(box.Path("Stepwright.log").c_str());
    std::remove(JobPath().c_str());
    EXPECT_EQ(kRunFailed, Run().exitCode);
    EXPECT_EQ("Open argument file " + JobPath() + "\nopen returned error 2\n", LogBody(Log()));
}

TEST_F(StepwrightJob, OmitListNumberBeyond32BitsEndsTheProcess) {
    WriteJob(
        "0   - flag abort_gt 0 omit_ret_codes 3010, 99999999999;\r\n"
        "0   - sw_exit_with 3010\r\n0   - sw_exit_with 0\r\n");
    const ProgramRun run = Run();
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(std::string("strtoul: ") + std::strerror(ERANGE) + "\n", run.err);
    // It ended while evaluating: the line is started and its code field still fresh.
    EXPECT_EQ(Job("1 000 flag abort_gt 0 omit_ret_codes 3010, 99999999999;\r\n"
                  "1   - sw_exit_with 3010\r\n0   - sw_exit_with 0\r\n"),
              box.Read("job\\job.arg"));
}

}  // namespace
