// WyvernStub: the program at the front of a self-extracting package. It checks and extracts the
// package appended to it and starts the installer engine inside; an installed copy acts as the
// auto-update agent.
#include <windows.h>

#include <string>

#include "stub/package/language_choice.h"
#include "stub/run/command_line.h"
#include "stub/run/engine_command.h"
#include "stub/win/agent_roles.h"
#include "stub/win/main_window.h"
#include "stub/win/stub_process.h"
#include "stub/win/system_libraries.h"
#include "stub/win/temp_dirs.h"
#include "stub/win/trace.h"

namespace {

std::string Pid() {
    return std::to_string(GetCurrentProcessId());
}

std::string ModulePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Schedules the deletion of this executable (and its directory) once it has exited.
void DeleteMySelf(bool removeDirectory) {
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return;
    const std::string directory(temp, length);
    const std::string script = directory + "_DEL_ME_.BAT";
    const std::string text = DeleteScriptText(Stub().stubPath, script, removeDirectory);
    SetCurrentDirectoryA(directory.c_str());
    HANDLE file = CreateFileA(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    WinExec(script.c_str(), SW_HIDE);
}

// A spanned package started from its first medium runs on from a temporary copy, so the medium
// can be changed while it extracts.
void RelaunchFromCopy() {
    StubProcess& stub = Stub();
    const std::string copy = SetupDir() + "\\Y_" + StubFileName();
    CopyFileA(stub.stubPath.c_str(), copy.c_str(), FALSE);
    std::string command = RelaunchCommandLine(copy, stub.parameters, stub.stubPath);
    TraceLine(Pid() + " ==== Relaunch >>" + command + "<<");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    // The copy's path goes unquoted on its command line; naming the program apart keeps a space
    // in the temporary path from misleading the system.
    if (CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void DoRunStubWin() {
    StubProcess& stub = Stub();
    AgentLog("DoRunStubWin() --- Start");
    stub.windowClassName = WindowClassName(stub.stubPath, stub.agentMode);
    const bool xRunning = XAgentIsRunning();
    AgentLog(std::string("X_ExeIsRunning=") + TrueFalse(xRunning));
    AgentLog(std::string("ThisIs_Plain_AutoUpdate_Exe=") + TrueFalse(IsPlainAgent()));
    AgentLog(std::string("ThisIs_X_AutoUpdate_Exe=") + TrueFalse(IsXAgent()));
    if (!FindWindowA(stub.windowClassName.c_str(), nullptr)) {
        const int64_t spanLevel = StubSwitchNumber("/SpanCdLvl=", 1);
        if (IsPlainAgent()) {
            CreateAndRun_X_Exe();
        } else if (IsXAgent()) {
            AgentLog("CheckTestMode");
            ReadTestModeSettings();
            AgentLog("WinMain");
            wyvern::WinMain();
            AgentLog("DeleteMySelf");
            DeleteMySelf(false);
        } else if (stub.ownInfo->RelaunchFromCopy() && spanLevel == 1) {
            RelaunchFromCopy();
        } else {
            wyvern::WinMain();
            if (spanLevel == 2) DeleteMySelf(true);
        }
    }
    if (IsPlainAgent()) HandleParamOK(xRunning);
    AgentLog("DoRunStubWin() --- End");
}

void StubMain() {
    StubProcess& stub = Stub();
    stub.stubPath = ModulePath();
    stub.rawCommandLine = GetCommandLineA();
    stub.parameters = ParameterText(stub.rawCommandLine, stub.stubPath);
    TraceLine(Pid() + " ==== STUB START ====> " + stub.rawCommandLine + "<");
    stub.ownInfo = LoadPackageInfo(stub.stubPath);
    stub.agentMode = stub.ownInfo->IsAgent();
    AgentLog("");
    AgentLog("");
    AgentLog("=== START === " + stub.stubPath);
    AgentLog("CommandLine=" + stub.rawCommandLine);
    AgentLog("Agent Version=" + StubFileVersion());
    TraceLine(Pid() + " ==== ThisIs_AutoUpdateProg=" + TrueFalse(stub.agentMode));
    DoRunStubWin();
    stub.ownInfo.reset();
    TraceLine(Pid() + " ==== STUB END ====> " + stub.rawCommandLine + "<");
    TraceLine();
    AgentLog("=== EXIT === " + stub.stubPath);
    AgentLog("");
    ExitProcess(stub.exitCode);
}

}  // namespace

int main() {
    // Before anything is loaded by name: a planted DLL beside a downloaded stub stays unused.
    RestrictLibrarySearch();
    TraceStart();
    LoadStartupLibraries();
    ProcessLanguage().SetPrimaryLanguage(PrimaryLanguageOf(GetThreadLocale()));
    StubMain();
    return 0;
}
