// The update sequence's choices: its questions, how the running program is stopped and whether it
// is started again.
#pragma once

#include <string>
#include <string_view>

struct UpdateTexts {
    std::string s11, s12, s13, s14, s18, s19, s20;
};

// s11 + (s13 when the install is asked separately, else s12); with a forced download notice s19
// or s18 in their place. PROG_NAME replaced.
std::string DownloadQuestion(const UpdateTexts& texts, bool confirmInstall, bool downloadForce,
                             std::string_view programName);
// s14, or s20 for a forced install notice; PROG_NAME replaced.
std::string InstallQuestion(const UpdateTexts& texts, bool installForce,
                            std::string_view programName);

enum class ShutDownMethod { kMessageBox, kClose, kQuit, kTerminate, kDontShutDown, kWaitOnly };
// "ShutDownMethod" compared exactly; any other value only waits.
ShutDownMethod ParseShutDownMethod(std::string_view value);

// 0: the program was not running; 2: it has ended; 1: it still runs.
int RestartState(bool wasRunning, bool stillRunning);
