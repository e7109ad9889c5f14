// Stepwright.exe and the machine around it: command interpreters and missing programs, the
// registry (DoItAgain, the preinstallation environment), the agent service and the restart.
#include <gtest/gtest.h>

#include <cstdio>

#include "jobrunner/win/program_test_support.h"

namespace {

class StepwrightMachine : public testing::Test {
  protected:
    void SetUp() override {
        box.MakeDirectory("fw");
        box.MakeDirectory("job");
    }
    ProgramRun Run(const std::string& commands,
                   std::vector<std::pair<std::string, std::string>> environment = {},
                   bool underDebugger = false) {
        box.Write("job\\job.arg", ArgumentFile(box.Path("fw"), commands));
        Launch launch;
        launch.program = BinProgram("Stepwright.exe");
        launch.arguments = {box.root(), box.Path("job\\job.arg")};
        launch.workingDirectory = box.root();
        launch.environment = std::move(environment);
        launch.underDebugger = underDebugger;
        return RunProgram(launch);
    }
    std::string JobFile() const { return box.Read("job\\job.arg"); }
    std::string Expected(const std::string& commands) const {
        return ArgumentFile(box.Path("fw"), commands);
    }
    std::string Body() const { return LogBody(box.Read("Stepwright.log")); }

    Sandbox box;
};

TEST_F(StepwrightMachine, MissingProgramGives666ThroughEitherInterpreterAnswer) {
    const std::string lines =
        "0   - nosuchprogram -x\r\n"
        "0   - C:\\nowhere\\tool.exe -x\r\n"
        "0   - sw_exit_with 1\r\n"
        "0   - sw_exit_with 9009\r\n";
    const struct {
        const char* interpreter;
        std::string comspec;
        std::string codes;  // of the four lines
    } cases[] = {
        // cmd.exe answers 9009 for a command it cannot find
        {"cmd.exe", "", "666666001900"},
        // the old kind answers 1, and so does a program that exists
        {"legacy shell", BinProgram("sw_legacy_shell.exe"), "666666001001"},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::string>> environment;
        if (!c.comspec.empty()) environment.push_back({"COMSPEC", c.comspec});
        EXPECT_EQ(0u, Run(lines, environment).exitCode) << c.interpreter;
        EXPECT_EQ(Expected("1 " + c.codes.substr(0, 3) + " nosuchprogram -x\r\n1 " +
                           c.codes.substr(3, 3) + " C:\\nowhere\\tool.exe -x\r\n1 " +
                           c.codes.substr(6, 3) + " sw_exit_with 1\r\n1 " + c.codes.substr(9, 3) +
                           " sw_exit_with 9009\r\n"),
                  JobFile())
            << c.interpreter;
        const std::string body = Body();
        EXPECT_NE(std::string::npos,
                  body.find("exec command <nosuchprogram -x>\n"
                            "unknown command, retval set to 999\n . . . returned 666\n"))
            << body;
        EXPECT_NE(std::string::npos, body.find("unknown absolut command C:\\nowhere\\tool.exe or "
                                               "C:\\nowhere\\tool.exe.exe, retval set to 999\n"))
            << body;
    }

    // An interpreter that cannot be started gives -1.
    const ProgramRun run =
        Run("0   - flag abort_gt 0\r\n0   - sw_exit_with 0\r\n", {{"COMSPEC", "C:\\no\\cmd.exe"}});
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_EQ(Expected("1 000 flag abort_gt 0\r\n1 0-1 sw_exit_with 0\r\n"), JobFile());
    EXPECT_NE(std::string::npos, Body().find("exec command <sw_exit_with 0>\n"
                                             "... returned -1, errno 2\n . . . returned -1\n"));
}

TEST_F(StepwrightMachine, DoItAgainFindsTheToolThroughTheRegistry) {
    box.MakeDirectory("tool");
    ASSERT_TRUE(CopyFileA(BinProgram("sw_exit_with.exe").c_str(),
                          box.Path("tool\\Quillon.exe").c_str(), FALSE));
    const std::string first = "SOFTWARE\\Vostrel\\Lodestar Suite\\Quillon";
    const std::string second = "SOFTWARE\\Vostrel Amrak\\Quillon";
    SetMachineString(second, "Path", box.Path("tool"));

    const std::string lines = "0   - Quillon.exe 4\r\n0   - quillon.exe 5\r\n";
    EXPECT_EQ(0u, Run(lines).exitCode);
    EXPECT_EQ(Expected("1 004 Quillon.exe 4\r\n1 005 quillon.exe 5\r\n"), JobFile());
    const std::string body = Body();
    const std::string path = box.Path("tool");
    EXPECT_NE(std::string::npos,
              body.find("exec command <Quillon.exe 4>\nunknown command, retval set to 999\n"
                        "DoItAgain: try to get Quillon-Path from registry ...\n"
                        "Unknown registry key " +
                        first +
                        ", error 2\n"
                        "DoItAgain: try to get Quillon-Path from registry ...\n"
                        "DoItAgain: set path from "))
        << body;
    EXPECT_NE(std::string::npos, body.find(";" + path +
                                           "\nDoItAgain: System(<Quillon.exe 4>) "
                                           "returned 4\n . . . returned 4\n"))
        << body;
    // The extended PATH stays for the rest of the run: the second line needs no second try.
    EXPECT_NE(std::string::npos, body.find("exec command <quillon.exe 5>\n . . . returned 5\n"))
        << body;

    // The first key is tried first; its directory lacks the tool, so the second follows.
    SetMachineString(first, "Path", box.Path("fw"));
    EXPECT_EQ(0u, Run(lines).exitCode);
    EXPECT_EQ(Expected("1 004 Quillon.exe 4\r\n1 005 quillon.exe 5\r\n"), JobFile());
    EXPECT_NE(std::string::npos, Body().find("DoItAgain: System(<Quillon.exe 4>) returned 9009\n"
                                             "unknown command, retval set to 999\n"
                                             "DoItAgain: try to get Quillon-Path from registry"));

    // Neither directory holds the tool: 666 stays.
    DeleteFileA(box.Path("tool\\Quillon.exe").c_str());
    EXPECT_EQ(0u, Run(lines).exitCode);
    EXPECT_EQ(Expected("1 666 Quillon.exe 4\r\n1 666 quillon.exe 5\r\n"), JobFile());
}

TEST_F(StepwrightMachine, AgentServiceIsStoppedReplacedAndStarted) {
    box.MakeDirectory("agent");
    const std::string program = box.Path("agent\\StillForge.exe");
    ASSERT_TRUE(CopyFileA(BinProgram("sw_agent_service_a.exe").c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BinProgram("sw_agent_service_b.exe").c_str(),
                          box.Path("fw\\agent-b.exe").c_str(), FALSE));
    RegisteredAgent agent(program);
    ASSERT_TRUE(agent.Start());
    ASSERT_TRUE(agent.WaitFor(SERVICE_RUNNING));

    // CopyAgent names a staged file, relative to ExecPath where the commands run. The second
    // StartAgent follows a stop that is still pending and has to wait for it; the third finds
    // the service running.
    EXPECT_EQ(0u, Run("0   - flag StopAgent\r\n"
                      "0   - sw_sleep 1000\r\n"
                      "0   - flag CopyAgent agent-b.exe\r\n"
                      "0   - flag StartAgent\r\n"
                      "0   - flag StopAgent\r\n"
                      "0   - flag StartAgent\r\n"
                      "0   - flag StartAgent\r\n"
                      "0   - flag CopyAgent missing.exe\r\n")
                      .exitCode);
    EXPECT_TRUE(agent.WaitFor(SERVICE_RUNNING));
    // 1056: the service is already running; 2: no such file.
    EXPECT_EQ(Expected("1 000 flag StopAgent\r\n1 000 sw_sleep 1000\r\n"
                       "1 000 flag CopyAgent agent-b.exe\r\n1 000 flag StartAgent\r\n"
                       "1 000 flag StopAgent\r\n1 000 flag StartAgent\r\n"
                       "1 105 flag StartAgent\r\n1 002 flag CopyAgent missing.exe\r\n"),
              JobFile());
    // After the copy the service manager started the replaced program file.
    EXPECT_EQ("A start\nA stop\nB start\nB stop\nB start\n", box.Read("agent\\agent-status.txt"));
}

TEST_F(StepwrightMachine, AgentCommandsWithoutTheServiceRecordTheError) {
    EXPECT_EQ(0u, Run("0   - flag StopAgent\r\n0   - flag StartAgent\r\n").exitCode);
    // ERROR_SERVICE_DOES_NOT_EXIST
    EXPECT_EQ(Expected("1 106 flag StopAgent\r\n1 106 flag StartAgent\r\n"), JobFile());
}

TEST_F(StepwrightMachine, RestartIsRequestedWithTheShutdownPrivilege) {
    const ProgramRun run =
        Run("0   - flag Reboot\r\n0   - sw_exit_with 0\r\n0   - sw_exit_with 1\r\n", {}, true);
    EXPECT_EQ(5u, run.exitCode);
    EXPECT_EQ(Expected("1 000 flag Reboot\r\n1 000 sw_exit_with 0\r\n0   - sw_exit_with 1\r\n"),
              JobFile());
    // Wine accepts the request without ending anything; the runner reports the answer to a
    // debugger. The test's own prefix (this process included) is still alive.
    ASSERT_EQ(1u, run.debugStrings.size());
    EXPECT_EQ(0u, run.debugStrings[0].find("Stepwright: restart requested, accepted 1, error "))
        << run.debugStrings[0];

    // The next start goes on with the remaining line.
    const ProgramRun resumed = RunStepwright({box.root(), box.Path("job\\job.arg")}, box.root());
    EXPECT_EQ(0u, resumed.exitCode);
    EXPECT_EQ(Expected("1 000 flag Reboot\r\n1 000 sw_exit_with 0\r\n1 001 sw_exit_with 1\r\n"),
              JobFile());
}

TEST_F(StepwrightMachine, PreinstallationEnvironmentSkipsNetAndArcpeel) {
    // Stand-ins found in ExecPath before the system's own programs; each records its call.
    box.Write("fw\\net.bat", "@echo net %*>> trace.txt\r\n@exit /b 7\r\n");
    box.Write("fw\\arcpeel.bat", "@echo arcpeel %*>> trace.txt\r\n@exit /b 7\r\n");
    const std::string lines =
        "0   - net stop Other\r\n"
        "0   - NET START HstGate\r\n"
        "0   - net start hstgate\r\n"
        "0   - ArcPeel -x\r\n"
        "0   - arcpeel.bat -y\r\n"
        "0   - sw_snapshot trace.txt trace-copy.txt\r\n";

    const ProgramRun outside = Run(lines);
    EXPECT_EQ(0u, outside.exitCode);
    EXPECT_EQ(
        "net stop Other\r\nnet START HstGate\r\nnet start hstgate\r\narcpeel -x\r\n"
        "arcpeel -y\r\n",
        box.Read("job\\trace-copy.txt"));

    CreateMachineKey("SYSTEM\\CurrentControlSet\\Control\\MiniNT");
    std::remove(box.Path("job\\trace.txt").c_str());
    EXPECT_EQ(0u, Run(lines).exitCode);
    EXPECT_EQ("net START HstGate\r\nnet start hstgate\r\n", box.Read("job\\trace-copy.txt"));
    EXPECT_EQ(Expected("1 000 net stop Other\r\n1 007 NET START HstGate\r\n"
                       "1 007 net start hstgate\r\n1 000 ArcPeel -x\r\n1 000 arcpeel.bat -y\r\n"
                       "1 000 sw_snapshot trace.txt trace-copy.txt\r\n"),
              JobFile());
    EXPECT_NE(std::string::npos, Body().find("exec command <net stop Other>\n . . . returned 0\n"));
}

}  // namespace
