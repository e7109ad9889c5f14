// The agent service for the tests: a real service of its own process that answers stop and
// start. Every start and stop is appended, with the build's letter, to "agent-status.txt" beside
// the program file, so a test sees which program file ran after CopyAgent replaced it.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

SERVICE_STATUS_HANDLE statusHandle;
SERVICE_STATUS status;
HANDLE stopRequested;

void Record(const char* event) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string file(path, length);
    file = file.substr(0, file.rfind('\\') + 1) + "agent-status.txt";
    if (FILE* out = std::fopen(file.c_str(), "ab")) {
        std::fprintf(out, "%s %s\n", AGENT_BUILD, event);
        std::fclose(out);
    }
}

void Report(DWORD state) {
    status.dwCurrentState = state;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(stopRequested);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, char**) {
    statusHandle = RegisterServiceCtrlHandlerExA("StillForge", Control, nullptr);
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwControlsAccepted = SERVICE_ACCEPT_STOP;
    Report(SERVICE_RUNNING);
    Record("start");
    WaitForSingleObject(stopRequested, INFINITE);
    // A short stop-pending phase, so that a start right after the stop has to wait for it.
    Sleep(300);
    Record("stop");
    Report(SERVICE_STOPPED);
}

}  // namespace

int main() {
    stopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char name[] = "StillForge";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
