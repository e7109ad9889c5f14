// The walk of a command section with its line execution, against a scripted machine: what runs,
// what the file holds afterwards, what the log says, and in which order things reach the disk.
#include <gtest/gtest.h>

#include <algorithm>

#include "jobrunner/fake_job_host.h"
#include "jobrunner/result_codes.h"
#include "jobrunner/section_walk.h"

namespace {

std::string Job(const std::string& commandLines, const char* header = "[Commands]") {
    return "# generated\r\n[Runtime]\r\nFWPATH=C:\\fw\r\n" + std::string(header) + "\r\n" +
           commandLines + "[Manager]\r\nJobType=1\r\n";
}

struct WalkOutcome {
    uint32_t result;
    std::string file;
};

WalkOutcome Walk(FakeJobHost& host, const std::string& text, RunOptions options = {}) {
    JobText file(text);
    JobRun job{file.view(), options, host};
    const uint32_t result = WalkCommandSection(job);
    EXPECT_EQ(text.size(), file.str().size());
    return {result, file.str()};
}

}  // namespace

TEST(JobWalk, FreshJobRunsToItsEndWithEveryLineRewritten) {
    FakeJobHost host;
    host.codes = {
        {"five", 5}, {"forty-two", 42}, {"minus", -1}, {"big", 570621955}, {"thousands", 1234}};
    host.files.insert("C:\\job\\five.exe");
    const WalkOutcome run = Walk(host, Job("# comment line\r\n0   - zero\r\n0   - five\r\n"
                                           "0   - forty-two\r\n\r\n0   - minus\r\n0   - big\r\n"
                                           "0   - thousands\r\n"));
    EXPECT_EQ(0u, run.result);
    EXPECT_EQ(Job("# comment line\r\n1 000 zero\r\n1 005 five\r\n1 042 forty-two\r\n\r\n"
                  "1 0-1 minus\r\n1 570 big\r\n1 123 thousands\r\n"),
              run.file);
    EXPECT_EQ((std::vector<std::string>{"zero", "five", "forty-two", "minus", "big", "thousands"}),
              host.commandsRun);
    EXPECT_EQ(
        "exec command <zero>\n . . . returned 0\nexec command <five>\n . . . returned 5\n"
        "exec command <forty-two>\n . . . returned 42\nexec command <minus>\n"
        " . . . returned -1\nexec command <big>\n . . . returned 570621955\n"
        "exec command <thousands>\n . . . returned 1234\n",
        host.log);
}

TEST(JobWalk, StateReachesTheDiskBeforeTheCommandAndTheCodeAfterIt) {
    FakeJobHost host;
    host.codes = {{"second", 7}};
    std::vector<std::string> seen;
    const std::string text = Job("0   - first\r\n0   - second\r\n");
    JobText file(text);
    host.onCommand = [&](const std::string&) { seen.push_back(file.str()); };
    JobRun job{file.view(), {}, host};
    ASSERT_EQ(0u, WalkCommandSection(job));

    const size_t first = text.find("0   - first");
    const size_t second = text.find("0   - second");
    EXPECT_EQ((std::vector<std::string>{"persist " + std::to_string(first) + "+1", "run first",
                                        "persist " + std::to_string(first + 2) + "+3",
                                        "persist " + std::to_string(second) + "+1", "run second",
                                        "persist " + std::to_string(second + 2) + "+3"}),
              host.events);
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(Job("1   - first\r\n0   - second\r\n"), seen[0]);
    EXPECT_EQ(Job("1 000 first\r\n1   - second\r\n"), seen[1]);
}

TEST(JobWalk, StopsOnAbortAndResumesAtTheNextPendingLine) {
    const std::string fresh =
        Job("0   - flag abort_gt 0\r\n0   - ok\r\n0   - fails\r\n0   - after\r\n0   - last\r\n");
    FakeJobHost first;
    first.codes = {{"fails", 3}, {"after", 9}};
    const WalkOutcome stopped = Walk(first, fresh);
    EXPECT_EQ(kResultAbort, stopped.result);
    EXPECT_EQ(Job("1 000 flag abort_gt 0\r\n1 000 ok\r\n1 003 fails\r\n0   - after\r\n"
                  "0   - last\r\n"),
              stopped.file);

    // The threshold lived in the first run only: the second starts with empty slots.
    FakeJobHost second;
    second.codes = {{"after", 9}};
    const WalkOutcome resumed = Walk(second, stopped.file);
    EXPECT_EQ(0u, resumed.result);
    EXPECT_EQ((std::vector<std::string>{"after", "last"}), second.commandsRun);
    EXPECT_EQ(Job("1 000 flag abort_gt 0\r\n1 000 ok\r\n1 003 fails\r\n1 009 after\r\n"
                  "1 000 last\r\n"),
              resumed.file);

    FakeJobHost third;
    const WalkOutcome finished = Walk(third, resumed.file);
    EXPECT_EQ(0u, finished.result);
    EXPECT_TRUE(third.commandsRun.empty());
    EXPECT_EQ(resumed.file, finished.file);
}

TEST(JobWalk, RebootDecisionRequestsTheRestartAfterTheCodeIsWritten) {
    const std::string fresh = Job("0   - flag reboot_eq 3\r\n0   - setup\r\n0   - next\r\n");
    FakeJobHost normal;
    normal.codes = {{"setup", 3}};
    const WalkOutcome run = Walk(normal, fresh);
    EXPECT_EQ(kResultReboot, run.result);
    EXPECT_EQ("restart", normal.events.back());
    EXPECT_EQ("persist " + std::to_string(fresh.find("0   - setup") + 2) + "+3",
              normal.events[normal.events.size() - 2]);
    EXPECT_EQ(Job("1 000 flag reboot_eq 3\r\n1 003 setup\r\n0   - next\r\n"), run.file);

    RunOptions noRestart;
    noRestart.noRestart = true;
    FakeJobHost forbidden;
    forbidden.codes = {{"setup", 3}};
    EXPECT_EQ(kResultRebootForbidden, Walk(forbidden, fresh, noRestart).result);
    RunOptions autonomic;
    autonomic.autonomic = true;
    FakeJobHost caller;
    caller.codes = {{"setup", 3}};
    EXPECT_EQ(2u, Walk(caller, fresh, autonomic).result);
    for (const FakeJobHost* host : {&forbidden, &caller}) {
        EXPECT_EQ(0, std::count(host->events.begin(), host->events.end(), "restart"));
    }
}

TEST(JobWalk, ModeMarkersSkipTheOtherModesLines) {
    const std::string lines =
        "0   - force flag abort_ne 0\r\n0   - update flag abort_ne 1\r\n"
        "0   - force only-force\r\n0   - update only-update\r\n0   - both\r\n";
    FakeJobHost force;
    force.codes = {{"both", 4}};
    // In force mode the force flag line fills its slot, so "both" aborts.
    const WalkOutcome forced = Walk(force, Job(lines));
    EXPECT_EQ(kResultAbort, forced.result);
    EXPECT_EQ((std::vector<std::string>{"only-force", "both"}), force.commandsRun);
    EXPECT_EQ(
        "exec command <flag abort_ne 0>\n . . . returned 0\n"
        "exec command <flag abort_ne 1>\n . . . skipped! (Sysret = 0)\n"
        "exec command <only-force>\n . . . returned 0\n"
        "exec command <only-update>\n . . . skipped! (Sysret = 0)\n"
        "exec command <both>\n . . . returned 4\n",
        force.log);
    EXPECT_EQ(Job("1 000 force flag abort_ne 0\r\n1 000 update flag abort_ne 1\r\n"
                  "1 000 force only-force\r\n1 000 update only-update\r\n1 004 both\r\n"),
              forced.file);

    RunOptions updateMode;
    updateMode.mode = RunMode::kUpdate;
    FakeJobHost update;
    update.codes = {{"both", 4}};
    // The update flag line (abort_ne 1) holds for the skipped force command, evaluated with 0.
    const WalkOutcome updated =
        Walk(update, Job(lines, "[UpdCommands]") + "[Commands]\r\n", updateMode);
    EXPECT_EQ(kResultAbort, updated.result);
    EXPECT_TRUE(update.commandsRun.empty());
}

TEST(JobWalk, ExternalVariableAndFlagTexts) {
    RunOptions options;
    options.externalVariablePresent = true;
    options.externalVariable = "42";
    FakeJobHost host;
    Walk(host, Job("0   - tool /v=!{EXTVAR} !{EXTVAR}\r\n0   - update tool !{EXTVAR}\r\n"),
         options);
    EXPECT_EQ((std::vector<std::string>{"tool /v=42 !{EXTVAR}"}), host.commandsRun);

    FakeJobHost absent;
    Walk(absent, Job("0   - tool /v=!{EXTVAR}.\r\n"));
    EXPECT_EQ((std::vector<std::string>{"tool /v=."}), absent.commandsRun);
}

TEST(JobWalk, AgentCommandsRecordTheirResult) {
    FakeJobHost host;
    host.agentResult = 1062;
    const std::string lines =
        "0   - flag StopAgent\r\n0   - flag CopyAgent new\\agent.exe\r\n"
        "0   - flag StartAgent now\r\n";
    const WalkOutcome run = Walk(host, Job(lines));
    EXPECT_EQ(0u, run.result);  // flag lines are not evaluated
    EXPECT_EQ((std::vector<std::string>{"stop agent", "copy agent new\\agent.exe", "start agent"}),
              std::vector<std::string>({host.events[1], host.events[4], host.events[7]}));
    EXPECT_EQ(Job("1 106 flag StopAgent\r\n1 106 flag CopyAgent new\\agent.exe\r\n"
                  "1 106 flag StartAgent now\r\n"),
              run.file);

    RunOptions autonomic;
    autonomic.autonomic = true;
    FakeJobHost failing;
    failing.agentResult = 5;
    EXPECT_EQ(Job("1 055 flag StopAgent\r\n1 055 flag CopyAgent new\\agent.exe\r\n"
                  "1 055 flag StartAgent now\r\n"),
              Walk(failing, Job(lines), autonomic).file);
}

TEST(JobWalk, MissingProgramBecomes666ThroughBothInterpreterAnswers) {
    FakeJobHost host;
    host.codes = {
        {"gone -x", 1}, {"gone2", 9009}, {"there -x", 1}, {"there2", 9009}, {"batch.bat", 9009}};
    host.files = {"C:\\job\\there.exe", "C:\\job\\there2.exe", "C:\\job\\batch.bat"};
    host.environment["PATH"] = "C:\\bin";
    const WalkOutcome run = Walk(host, Job("0   - gone -x\r\n0   - gone2\r\n0   - there -x\r\n"
                                           "0   - there2\r\n0   - batch.bat\r\n"));
    EXPECT_EQ(Job("1 666 gone -x\r\n1 666 gone2\r\n1 001 there -x\r\n1 900 there2\r\n"
                  "1 900 batch.bat\r\n"),
              run.file);
    EXPECT_NE(std::string::npos,
              host.log.find("exec command <gone -x>\nunknown command, retval set to 999\n"
                            " . . . returned 666\n"));
}

TEST(JobWalk, InterpreterThatCannotStartGivesMinusOne) {
    FakeJobHost host;
    host.interpreterMissing = true;
    const WalkOutcome run = Walk(host, Job("0   - flag abort_gt 0\r\n0   - tool\r\n"));
    EXPECT_EQ(kResultAbort, run.result);
    EXPECT_EQ(Job("1 000 flag abort_gt 0\r\n1 0-1 tool\r\n"), run.file);
    EXPECT_NE(std::string::npos, host.log.find("... returned -1, errno 2\n . . . returned -1\n"));
}

TEST(JobWalk, QuillonCommandsTryAgainWithThePathFromTheRegistry) {
    const std::string command = "Quillon.exe -install";
    const struct {
        const char* name;
        std::map<std::string, RegistryText> registry;
        const char* code;
        const char* pathAfter;
    } cases[] = {
        {"first key",
         {{"SOFTWARE\\Vostrel\\Lodestar Suite\\Quillon|Path",
           {RegistryText::Stage::kRead, 0, "C:\\Q"}}},
         "000",
         "C:\\bin;C:\\Q"},
        {"second key",
         {{"SOFTWARE\\Vostrel Amrak\\Quillon|Path", {RegistryText::Stage::kRead, 0, "C:\\Q"}}},
         "000",
         "C:\\bin;C:\\Q"},
        {"wrong directory",
         {{"SOFTWARE\\Vostrel\\Lodestar Suite\\Quillon|Path",
           {RegistryText::Stage::kRead, 0, "C:\\elsewhere"}}},
         "666",
         "C:\\bin;C:\\elsewhere"},
        {"no value",
         {{"SOFTWARE\\Vostrel\\Lodestar Suite\\Quillon|Path",
           {RegistryText::Stage::kValueMissing, 2, ""}}},
         "666",
         "C:\\bin"},
    };
    for (const auto& c : cases) {
        FakeJobHost host;
        host.environment["PATH"] = "C:\\bin";
        host.registry = c.registry;
        host.codes = {{command, 9009}};
        // The tool answers 0 once PATH leads to it.
        host.onCommand = [&](const std::string&) {
            if (host.environment["PATH"].find("C:\\Q") != std::string::npos) {
                host.codes[command] = 0;
                host.files.insert("C:\\Q\\Quillon.exe");
            }
        };
        const WalkOutcome run = Walk(host, Job("0   - " + command + "\r\n0   - next\r\n"));
        EXPECT_EQ(Job("1 " + std::string(c.code) + " " + command + "\r\n1 000 next\r\n"), run.file)
            << c.name;
        EXPECT_EQ(c.pathAfter, host.environment["PATH"]) << c.name;
    }

    FakeJobHost logged;
    logged.environment["PATH"] = "C:\\bin";
    logged.codes = {{command, 1}};
    logged.registry = {
        {"SOFTWARE\\Vostrel Amrak\\Quillon|Path", {RegistryText::Stage::kRead, 0, "C:\\Q"}}};
    Walk(logged, Job("0   - " + command + "\r\n"));
    EXPECT_EQ(
        "exec command <Quillon.exe -install>\nunknown command, retval set to 999\n"
        "DoItAgain: try to get Quillon-Path from registry ...\n"
        "Unknown registry key SOFTWARE\\Vostrel\\Lodestar Suite\\Quillon, error 2\n"
        "DoItAgain: try to get Quillon-Path from registry ...\n"
        "DoItAgain: set path from C:\\bin to PATH=C:\\bin;C:\\Q\n"
        "DoItAgain: System(<Quillon.exe -install>) returned 1\n"
        "unknown command, retval set to 999\n . . . returned 666\n",
        logged.log);
}

TEST(JobWalk, PreinstallationEnvironmentSkipsNetAndArcpeel) {
    RunOptions options;
    options.preinstallation = true;
    FakeJobHost host;
    host.codes = {{"net start HstGate", 2}};
    const WalkOutcome run =
        Walk(host,
             Job("0   - flag abort_ne 0\r\n0   - NET STOP x\r\n"
                 "0   - ArcPeel -y\r\n0   - tool\r\n0   - net start HstGate\r\n"),
             options);
    EXPECT_EQ((std::vector<std::string>{"tool", "net start HstGate"}), host.commandsRun);
    EXPECT_EQ(kResultAbort, run.result);
    EXPECT_NE(std::string::npos, host.log.find("exec command <NET STOP x>\n . . . returned 0\n"));

    FakeJobHost outside;
    Walk(outside, Job("0   - net stop x\r\n0   - arcpeel\r\n"));
    EXPECT_EQ((std::vector<std::string>{"net stop x", "arcpeel"}), outside.commandsRun);
}

TEST(JobWalk, ShortPendingLinesArePassedOverAndLogged) {
    FakeJobHost host;
    const std::string lines = "0\r\n0 x\r\n0   -\r\n0   - ok\r\n";
    const WalkOutcome run = Walk(host, Job(lines));
    EXPECT_EQ(0u, run.result);
    EXPECT_EQ(Job("0\r\n0 x\r\n0   -\r\n1 000 ok\r\n"), run.file);
    EXPECT_EQ(
        "WARNING : command line <0> too short, passed over\n"
        "WARNING : command line <0 x> too short, passed over\n"
        "WARNING : command line <0   -> too short, passed over\n"
        "exec command <ok>\n . . . returned 0\n",
        host.log);
}

TEST(JobWalk, FailuresOfTheSection) {
    const struct {
        std::string text;
        const char* log;
    } cases[] = {
        {"[Runtime]\r\n[Manager]\r\n", "ERROR : command section not found\n"},
        {"[Runtime]\r\n[Commands]\r\n0   - x\r\n", "ERROR : End of command section not found\n"},
        {"[Commands]\r\n0   - x\r\n0   - y [Manager]",
         "exec command <x>\n . . . returned 0\nERROR : corrupted arg file\n"},
    };
    for (const auto& c : cases) {
        FakeJobHost host;
        const WalkOutcome run = Walk(host, c.text);
        EXPECT_EQ(kResultRunFailed, run.result) << c.text;
        EXPECT_EQ(c.log, host.log) << c.text;
    }
}

TEST(JobWalk, DebugConsoleLines) {
    RunOptions options;
    options.debug = true;
    FakeJobHost host;
    Walk(host, Job("0   - flag Delayed\r\n0   - tool\r\n"), options);
    EXPECT_EQ("Command = \"Delayed\" ....\n... Delayed erkannt\ncheck delayed reboot flag found\n",
              host.console);
    FakeJobHost quiet;
    Walk(quiet, Job("0   - flag Delayed\r\n0   - tool\r\n"));
    EXPECT_EQ("", quiet.console);
}
