// Running programs found, reached, waited for and ended by the path of their executable, under
// Wine with real processes.
#include "stub/win/process_analysis.h"

#include <gtest/gtest.h>

#include "jobrunner/win/program_test_support.h"

namespace {

// A started program, ended by the test or killed at the end.
class Started {
  public:
    // With `readyFile`, waits until the program has made it.
    explicit Started(const std::string& commandLine, const std::string& readyFile = "") {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string command = commandLine;
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process_)) {
            CloseHandle(process_.hThread);
            for (int i = 0; !readyFile.empty() && i < 500; ++i) {
                if (GetFileAttributesA(readyFile.c_str()) != INVALID_FILE_ATTRIBUTES) break;
                Sleep(20);
            }
        }
    }
    ~Started() {
        if (!process_.hProcess) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hProcess);
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    DWORD id() const { return process_.dwProcessId; }
    bool Ended(DWORD milliseconds) const {
        return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
    }

  private:
    PROCESS_INFORMATION process_{};
};

// A freshly started process lists its modules only once it is loaded.
bool Listed(const std::string& program, DWORD id) {
    for (int i = 0; i < 500; ++i) {
        if (FindProcessByPath(program, true) == id) return true;
        Sleep(20);
    }
    return false;
}

}  // namespace

TEST(ProcessAnalysis, ProgramsAreFoundByFullOrFileName) {
    Sandbox box;
    const std::string program = BinProgram("wyvern_window_program.exe");
    Started started("\"" + program + "\" " + box.Path("record.txt") + " " + box.Path("ready"),
                    box.Path("ready"));
    ASSERT_NE(started.id(), 0u);

    EXPECT_EQ(FindProcessByPath(program, true), started.id());
    EXPECT_EQ(FindProcessByPath("WYVERN_window_program.exe", false), started.id());
    // With the full path only, a bare file name matches nothing.
    EXPECT_EQ(FindProcessByPath("wyvern_window_program.exe", true), 0u);
    EXPECT_TRUE(IsRunning(" \"" + program + "\" "));
    EXPECT_TRUE(IsRunning("wyvern_window_program.exe"));
    EXPECT_FALSE(IsRunning(box.Path("wyvern_window_program.exe")));
    EXPECT_FALSE(IsRunning("no_such_program.exe"));
}

TEST(ProcessAnalysis, TheMainWindowGetsTheMessageAndTheEndIsWaitedFor) {
    Sandbox box;
    const std::string program = BinProgram("wyvern_window_program.exe");
    Started started("\"" + program + "\" " + box.Path("record.txt") + " " + box.Path("ready"),
                    box.Path("ready"));
    ASSERT_NE(started.id(), 0u);

    EXPECT_FALSE(PostToMainWindow("wyvern_window_program.exe", WM_CLOSE, true));
    ASSERT_TRUE(PostToMainWindow(program, WM_CLOSE, true));
    WaitUntilEnded(program, 20000);
    EXPECT_TRUE(started.Ended(0));
    EXPECT_EQ(box.Read("record.txt"), "main 16\n");
    EXPECT_FALSE(IsRunning(program));
}

TEST(ProcessAnalysis, WindowlessProgramsHaveNoMainWindowAndCanBeTerminated) {
    const std::string program = BinProgram("sw_sleep.exe");
    Started started("\"" + program + "\" 60000");
    ASSERT_TRUE(Listed(program, started.id()));
    EXPECT_FALSE(PostToMainWindow(program, WM_CLOSE, true));
    EXPECT_TRUE(TerminateByPath(program, true));
    EXPECT_TRUE(started.Ended(10000));
    EXPECT_FALSE(TerminateByPath(program, true));

    // Waiting for a program that does not run returns at once (after the first second).
    const ULONGLONG start = GetTickCount64();
    WaitUntilEnded(program, 0);
    EXPECT_LT(GetTickCount64() - start, 5000u);
}

TEST(ProcessAnalysis, WaitingStopsAtItsLimit) {
    const std::string program = BinProgram("sw_sleep.exe");
    Started started("\"" + program + "\" 60000");
    ASSERT_TRUE(Listed(program, started.id()));
    const ULONGLONG start = GetTickCount64();
    WaitUntilEnded(program, 2500);
    const ULONGLONG waited = GetTickCount64() - start;
    EXPECT_GE(waited, 2500u);
    EXPECT_LT(waited, 10000u);
    EXPECT_FALSE(started.Ended(0));
}
