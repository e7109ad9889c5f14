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

}  // namespace

bool IsPlainAgent() {
    return Stub().agentMode && SameNameNoCase(StubFileName(), AgentExeName());
}

bool IsXAgent() {
    return Stub().agentMode && SameNameNoCase(StubFileName(), "X_" + AgentExeName());
}

HWND XAgentWindow() {
    std::string name = AgentExeName();
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    return FindWindowA((".AutoUpdate.X_" + name).c_str(), nullptr);
}

bool XAgentIsRunning() {
    return XAgentWindow() != nullptr;
}

void ReleaseDownloadLibrary() {
    ReleaseInternetLibrary();
}
