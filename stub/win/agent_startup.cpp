// The plain agent: it makes and starts the X_ copy and forwards its command line's requests to the
// running X_ agent as window messages.
#include <cstdlib>

#include "stub/package/delimited_list.h"
#include "stub/win/agent_files.h"
#include "stub/win/agent_roles.h"
#include "stub/win/agent_state.h"
#include "stub/win/main_window.h"
#include "stub/win/process_analysis.h"
#include "stub/win/pump.h"
#include "stub/win/start_program.h"
#include "stub/win/stub_process.h"
#include "stub/win/trace.h"
#include "stub/win/win_files.h"

namespace {

constexpr DWORD kStartWaitMs = 3000;
constexpr DWORD kStartCheckMs = 200;

std::string Pid() {
    return std::to_string(GetCurrentProcessId());
}

// Decimal, 0 when not a number.
long long Number(const std::string& text) {
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return end && *end == '\0' && !text.empty() ? value : 0;
}

// Posts to the X_ agent's window: found by its class, which is exact even where the system adds
// windows of its own to the process, else as the main window of the process running the X_ file.
void PostToXAgent(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = XAgentWindow();
    if (!window) window = MainWindowOf(XAgentPath(), true);
    if (window) PostMessageA(window, message, wParam, lParam);
}

}  // namespace

void CreateAndRun_X_Exe() {
    AgentLog("CreateAndRun_X_Exe() --- Start");
    const std::string zz = StubSwitchValue("/_ZZ=");
    TraceLine(Pid() + " CreateAndRun_X_Exe-1 " + zz);
    if (!Stub().agentMode) return;
    if (XAgentIsRunning() && zz != "99") return;
    if (!IsPlainAgent()) return;
    TraceLine(Pid() + " CreateAndRun_X_Exe-2");

    const int64_t wait = StubSwitchNumber("/WAIT=", 0);
    AgentLog("Wait " + std::to_string(wait) + " SEC");
    if (wait > 0) PumpWait(static_cast<DWORD>(std::min<int64_t>(wait, 3600) * 1000));

    const std::string xFile = XAgentPath();
    CopyFileA(Stub().stubPath.c_str(), xFile.c_str(), FALSE);
    AgentLog("Create X_ File ");

    // Both are passed on when both are given.
    std::string extra;
    if (const std::string transient = StubSwitchValue("/TRANSIENT="); !transient.empty())
        extra += " /TRANSIENTx=" + transient;
    if (const std::string delay = StubSwitchValue("/DELAY="); !delay.empty())
        extra += " /SleepX=" + delay;
    AgentLog("WinExec: " + xFile + extra);
    // The X_ file is named apart from its (unquoted) command line.
    if (!StartProgram(xFile, xFile + extra, SW_HIDE))
        TraceLine(Pid() + " X_ agent not started: " + LastErrorText());

    // The forwarded messages need the X_ agent's window, not only its process.
    if (!Stub().parameters.empty()) {
        for (DWORD waited = 0; waited < kStartWaitMs && !XAgentIsRunning(); waited += kStartCheckMs)
            PumpWait(kStartCheckMs);
    }
    AgentLog("CreateAndRun_X_Exe() --- End");
}

void HandleParamOK(bool xAgentWasRunning) {
    AgentLog("HandleParamOK() --- Start");
    const std::string xFile = XAgentPath();
    const bool exists = IsExistingFile(xFile);

    const int64_t stop = StubSwitchNumber("/STOP=", -1);
    if (stop >= 0 && exists) {
        AgentLog("PostProcessMessage(wm_ShutDown) to: " + xFile);
        PostToXAgent(kWmShutDown, static_cast<WPARAM>(stop), 0);
    }
    if (const std::string peer = StubSwitchValue("/WM_MSG="); !peer.empty() && exists) {
        const std::string list = ":" + peer + ":";
        AgentLog("PostProcessMessage(wm_LocalMsg) to: " + xFile + " - " + list);
        const DelimitedList items(list);
        PostToXAgent(kWmLocalMsg, static_cast<WPARAM>(Number(items.ItemAt(0))),
                     static_cast<LPARAM>(Number(items.ItemAt(1))));
    }
    const int64_t test = StubSwitchNumber("/TEST=", -1);
    if (test >= 0 && exists) {
        AgentLog("PostProcessMessage(wm_AgentMsg) to: " + xFile + " - AU_PerformUpdateCycle (" +
                 std::to_string(test) + ")");
        PostToXAgent(kWmAgentMsg, 31, static_cast<LPARAM>(test));
        if (!xAgentWasRunning && test > 0) PostToXAgent(kWmShutDown, 2, 0);
    }
    if (const std::string transient = StubSwitchValue("/TRANSIENTx="); !transient.empty())
        ApplyTransientList(transient);
    AgentLog("HandleParamOK() --- End");
}
