#include "stub/win/agent_roles.h"

#include <string>

#include "stub/run/text_search.h"
#include "stub/win/http_download.h"
#include "stub/win/stub_process.h"
#include "stub/win/trace.h"

namespace {

bool SameNameNoCase(const std::string& a, const std::string& b) {
    return lstrcmpiA(std::string(TrimBlanks(a)).c_str(), std::string(TrimBlanks(b)).c_str()) == 0;
}

std::string AgentExeName() {
    const StubProcess& stub = Stub();
    return stub.ownInfo ? std::string(FileNamePart(stub.ownInfo->AgentExeName())) : std::string();
}

void NotInThisBuild(const char* what) {
    TraceLine(std::to_string(GetCurrentProcessId()) + " " + what + ": not available in this build");
}

}  // namespace

bool IsPlainAgent() {
    return Stub().agentMode && SameNameNoCase(StubFileName(), AgentExeName());
}

bool IsXAgent() {
    return Stub().agentMode && SameNameNoCase(StubFileName(), "X_" + AgentExeName());
}

bool XAgentIsRunning() {
    std::string name = AgentExeName();
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    return FindWindowA((".AutoUpdate.X_" + name).c_str(), nullptr) != nullptr;
}

void AgentLog(const std::string&) {}
void CreateAndRun_X_Exe() {
    NotInThisBuild("CreateAndRun_X_Exe");
}
void HandleParamOK(bool) {
    NotInThisBuild("HandleParamOK");
}
void ReadTestModeSettings() {
    NotInThisBuild("CheckTestMode");
}
void SetAgentInitialDelay(long long) {}
void AgentCycleTick() {}
LRESULT AgentControlMessage(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
void PostToPeer(WPARAM, LPARAM) {}
void ReleaseDownloadLibrary() {
    ReleaseInternetLibrary();
}
