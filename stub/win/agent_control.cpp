// The X_ agent's side of the control protocol and its per-second tick, and the agent log.
#include <algorithm>
#include <cstdlib>

#include "common/win_handles.h"
#include "stub/package/delimited_list.h"
#include "stub/run/local_time.h"
#include "stub/update/cycle_rules.h"
#include "stub/win/agent_files.h"
#include "stub/win/agent_roles.h"
#include "stub/win/agent_state.h"
#include "stub/win/main_window.h"
#include "stub/win/start_program.h"
#include "stub/win/stub_process.h"
#include "stub/win/trace.h"
#include "stub/win/win_files.h"

namespace {

constexpr char kTestModeKey[] = R"(Software\Marrowind\Wyvern\AutoUpdate)";
constexpr ULONGLONG kTestModeReadEveryMs = 30000;

std::string Pid() {
    return std::to_string(GetCurrentProcessId());
}

std::string RegistryText(HKEY key, const char* name) {
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    return std::string(value);
}

bool ParseDecimal(const std::string& text, long long* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtoll(text.c_str(), &end, 10);
    return end && *end == '\0';
}

// The original file's getters and setters of the command table, by code.
struct FileKey {
    LPARAM getCode;
    LPARAM setCode;
    const char* key;
    const char* readableKey;  // written with the setter, or null
};
constexpr FileKey kFileKeys[] = {
    {8, 12, "ProbeSecondsInterval", nullptr},
    {9, 13, "ReAskSecondsInterval", nullptr},
    {10, 14, "ProbeSecondsLast", "__ProbeSecondsLast"},
    {11, 15, "ReAskSecondsLast", "__ReAskSecondsLast"},
};

LRESULT AgentCommand(WPARAM code, LPARAM argument) {
    AgentState& agent = Agent();
    if (code == 4) return ProfileNumber(OriginalFilePath(), "OriginalSetup", "VersionOriginal", 0);
    if (code == 5) return ProfileNumber(InfoFilePath(), "NewSetup", "VersionNew", 0);
    if (code == 7) return agent.cycleState;
    for (const FileKey& entry : kFileKeys) {
        if (static_cast<LPARAM>(code) == entry.getCode)
            return ProfileNumber(OriginalFilePath(), "OriginalSetup", entry.key, 0);
        if (static_cast<LPARAM>(code) != entry.setCode) continue;
        WriteProfileText(OriginalFilePath(), "OriginalSetup", entry.key, std::to_string(argument));
        if (entry.readableKey)
            WriteProfileText(OriginalFilePath(), "OriginalSetup", entry.readableKey,
                             ReadableTime(TimeFromSeconds1899(argument)));
        return 0;
    }
    if (code >= 20 && code <= 25) {
        agent.transient[code - 20] = static_cast<uint8_t>(argument);
    } else if (code == 30) {
        agent.stopCode = argument;
    } else if (code == 31) {
        agent.cycleRequested = true;
        agent.tickCounter = std::max<int64_t>(agent.tickCounter, 1);
        if (argument == 2) agent.cycleMode = 2;
    } else if (code == 32) {
        agent.infoOnlyRequested = true;
    }
    return 0;
}

}  // namespace

AgentState& Agent() {
    static AgentState state;
    return state;
}

void ApplyTransientList(const std::string& list) {
    const DelimitedList items(list);
    for (int i = 0; i < kTransientCount; ++i) {
        long long value = 0;
        if (ParseDecimal(items.ItemAt(static_cast<size_t>(i)), &value))
            Agent().transient[i] = static_cast<uint8_t>(value);
    }
}

bool ReadTestMode(bool force) {
    AgentState& agent = Agent();
    const ULONGLONG now = GetTickCount64();
    if (!force && agent.testModeRead && now - agent.lastTestModeRead < kTestModeReadEveryMs)
        return agent.testMode;
    agent.testModeRead = true;
    agent.lastTestModeRead = now;
    agent.testMode = false;
    agent.testSource.clear();
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTestModeKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      &opened) != ERROR_SUCCESS)
        return false;
    const RegistryKey key(opened);
    agent.testSource = RegistryText(key.get(), "TestModeURL");
    agent.testMode = RegistryText(key.get(), "TestMode") == "1" &&
                     RegistryText(key.get(), "TestModeDate") == ReadableDate(LocalNow());
    return agent.testMode;
}

void AgentLog(const std::string& line) {
    const StubProcess& stub = Stub();
    if (!stub.agentMode || !stub.ownInfo || !stub.ownInfo->AgentLog()) return;
    const std::string path = AgentDirectory() + "\\" + AgentLogName(StubFileName());
    const std::string text =
        AgentLogLine(LocalNow(), GetCurrentThreadId(), IsXAgent() ? " X " : "   ", line);
    WriteFileData(path, text.data(), text.size(), 0, true);
}

void ReadTestModeSettings() {
    ReadTestMode(true);
    // The plain agent passes its "/TRANSIENT=" list on; the X_ agent is the one that keeps it.
    if (const std::string list = StubSwitchValue("/TRANSIENTx="); !list.empty())
        ApplyTransientList(list);
    TraceLine(Pid() + " TestMode=" + TrueFalse(Agent().testMode));
}

void SetAgentInitialDelay(long long counter) {
    Agent().tickCounter = counter;
}

LRESULT AgentControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    AgentState& agent = Agent();
    switch (message) {
        case kWmShutDown:
            agent.stopCode = static_cast<int64_t>(wParam);
            return 0;
        case kWmLocalMsg:
            agent.peerWindow = reinterpret_cast<HWND>(wParam);
            agent.peerMessage = static_cast<UINT>(lParam);
            PostToPeer(50, reinterpret_cast<LPARAM>(window));
            PostToPeer(51, kWmAgentMsg);
            return 0;
        case kWmAgentMsg:
            return AgentCommand(wParam, lParam);
        default:
            return 0;
    }
}

void PostToPeer(WPARAM code, LPARAM value) {
    const AgentState& agent = Agent();
    if (agent.peerWindow && agent.peerMessage)
        PostMessageA(agent.peerWindow, agent.peerMessage, code, value);
}
