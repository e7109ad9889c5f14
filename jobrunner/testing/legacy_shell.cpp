// A command interpreter of the old kind for COMSPEC: it hands "/c command" to the system's
// cmd.exe but answers 1, not 9009, when the command cannot be found.
#include <windows.h>

#include <string>

int main() {
    std::string line = GetCommandLineA();
    const size_t switchAt = line.find(" /c ");
    if (switchAt == std::string::npos) return 2;
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    std::string child = std::string("\"") + system + "\\cmd.exe\"" + line.substr(switchAt);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, child.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 3;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 9009 ? 1 : static_cast<int>(code);
}
