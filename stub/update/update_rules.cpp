#include "stub/update/update_rules.h"

#include "stub/update/cycle_rules.h"

std::string DownloadQuestion(const UpdateTexts& texts, bool confirmInstall, bool downloadForce,
                             std::string_view programName) {
    const std::string& second = confirmInstall ? (downloadForce ? texts.s19 : texts.s13)
                                               : (downloadForce ? texts.s18 : texts.s12);
    return WithProgramName(texts.s11 + second, programName);
}

std::string InstallQuestion(const UpdateTexts& texts, bool installForce,
                            std::string_view programName) {
    return WithProgramName(installForce ? texts.s20 : texts.s14, programName);
}

ShutDownMethod ParseShutDownMethod(std::string_view value) {
    static constexpr struct {
        std::string_view name;
        ShutDownMethod method;
    } kMethods[] = {
        {"Issue a Message Box", ShutDownMethod::kMessageBox},
        {"Using WM_CLOSE", ShutDownMethod::kClose},
        {"Using WM_QUIT", ShutDownMethod::kQuit},
        {"Using Terminate Process", ShutDownMethod::kTerminate},
        {"Don't Shut Down", ShutDownMethod::kDontShutDown},
    };
    for (const auto& entry : kMethods)
        if (entry.name == value) return entry.method;
    return ShutDownMethod::kWaitOnly;
}

int RestartState(bool wasRunning, bool stillRunning) {
    if (!wasRunning) return 0;
    return stillRunning ? 1 : 2;
}
