#include "jobrunner/win/program_test_support.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "common/win_handles.h"

namespace {

std::string LastErrorText(const char* what) {
    return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

// The command-line quoting that the C runtime's argument parser undoes.
std::string Quote(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

// Environment names compare without case, and the block is kept in that order.
struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const {
        return _stricmp(a.c_str(), b.c_str()) < 0;
    }
};

std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& overrides) {
    std::map<std::string, std::string, NoCase> variables;
    char* block = GetEnvironmentStringsA();
    for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) {
        const std::string text(entry);
        const size_t equals = text.find('=', 1);  // "=C:=C:\dir" entries start with '='
        if (equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    FreeEnvironmentStringsA(block);
    variables["PATH"] = BinDirectory() + ";" + variables["PATH"];
    for (const auto& [name, value] : overrides) variables[name] = value;
    std::string out;
    for (const auto& [name, value] : variables) out += name + "=" + value + '\0';
    return out + '\0';
}

void RemoveTree(const std::string& directory) {
    WIN32_FIND_DATAA entry;
    FindHandle find(FindFirstFileA((directory + "\\*").c_str(), &entry));
    if (find) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = directory + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find.get(), &entry));
    }
    find.reset();
    RemoveDirectoryA(directory.c_str());
}

UniqueHandle InheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return UniqueHandle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the debug loop until the debuggee ends, keeping the strings it sends to a debugger.
void DebugUntilExit(HANDLE process, std::vector<std::string>& strings) {
    for (;;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, INFINITE)) return;
        DWORD continueStatus = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
                break;
            case OUTPUT_DEBUG_STRING_EVENT: {
                const OUTPUT_DEBUG_STRING_INFO& info = event.u.DebugString;
                std::string text(info.nDebugStringLength, '\0');
                SIZE_T read = 0;
                ReadProcessMemory(process, info.lpDebugStringData, text.data(), text.size(), &read);
                text.resize(std::min<size_t>(read, text.find('\0')));
                strings.push_back(text);
                break;
            }
            case EXCEPTION_DEBUG_EVENT:
                if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                    continueStatus = DBG_EXCEPTION_NOT_HANDLED;
                }
                break;
            default:
                break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) return;
    }
}

}  // namespace

std::string BinDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path, length);
    return program.substr(0, program.rfind('\\'));
}

std::string BinProgram(const char* name) {
    return BinDirectory() + "\\" + name;
}

Sandbox::Sandbox() {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "sw" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    RemoveTree(root_);
    if (!CreateDirectoryA(root_.c_str(), nullptr)) {
        throw std::runtime_error(LastErrorText("CreateDirectory"));
    }
}

Sandbox::~Sandbox() {
    RemoveTree(root_);
}

void Sandbox::MakeDirectory(const std::string& relative) const {
    CreateDirectoryA(Path(relative).c_str(), nullptr);
}

void Sandbox::Write(const std::string& relative, std::string_view bytes) const {
    std::ofstream out(Path(relative), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Sandbox::Read(const std::string& relative) const {
    return ReadWhole(Path(relative));
}

bool Sandbox::Exists(const std::string& relative) const {
    return GetFileAttributesA(Path(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Sandbox::Files(const std::string& relative) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    FindHandle find(FindFirstFileA((Path(relative) + "\\*").c_str(), &entry));
    if (!find) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    } while (FindNextFileA(find.get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
}

ProgramRun RunProgram(const Launch& launch) {
    Sandbox io;
    UniqueHandle out = InheritableFile(io.Path("out.txt"));
    UniqueHandle err = InheritableFile(io.Path("err.txt"));
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueHandle in(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, nullptr));

    std::string line = launch.argumentZero.empty() ? Quote(launch.program) : launch.argumentZero;
    for (const std::string& argument : launch.arguments) line += " " + Quote(argument);
    std::string environment = EnvironmentBlock(launch.environment);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    const DWORD flags = launch.underDebugger ? DEBUG_ONLY_THIS_PROCESS : 0;
    if (!CreateProcessA(launch.program.c_str(), line.data(), nullptr, nullptr, TRUE, flags,
                        environment.data(),
                        launch.workingDirectory.empty() ? nullptr : launch.workingDirectory.c_str(),
                        &startup, &process)) {
        throw std::runtime_error(LastErrorText("CreateProcess"));
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    ProgramRun run;
    if (launch.underDebugger) DebugUntilExit(processHandle.get(), run.debugStrings);
    WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(processHandle.get(), &code);
    run.exitCode = code;
    out.reset();
    err.reset();
    run.out = io.Read("out.txt");
    run.err = io.Read("err.txt");
    return run;
}

ProgramRun RunStepwright(const std::vector<std::string>& arguments,
                         const std::string& workingDirectory,
                         std::vector<std::pair<std::string, std::string>> environment) {
    Launch launch;
    launch.program = BinProgram("Stepwright.exe");
    launch.arguments = arguments;
    launch.workingDirectory = workingDirectory;
    launch.environment = std::move(environment);
    return RunProgram(launch);
}

std::string ArgumentFile(const std::string& fwPath, const std::string& commands,
                         const std::string& updateCommands) {
    return "# job generated for the tests\r\n# second comment\r\n[Version]\r\n04\r\n"
           "[Autoexec]\r\nrem nothing\r\n[Config]\r\nrem nothing\r\n"
           "[Runtime]\r\n# files of the job\r\nFILES=a,b\r\nFWPATH=" +
           fwPath + "\r\n[UpdCommands]\r\n# update commands\r\n" + updateCommands +
           "[Commands]\r\n# force commands\r\n" + commands +
           "[Manager]\r\nJobType=1\r\nProdId=7\r\nObjCnt=1\r\nObj.0=fw\r\n";
}

std::string LogBody(const std::string& log) {
    const std::string stars = std::string(78, '*') + "\n";
    const size_t at = log.rfind(stars);
    return at == std::string::npos ? log : log.substr(at + stars.size());
}

void SetMachineString(const std::string& key, const std::string& value, const std::string& data) {
    RegistryKey handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        handle.out(), nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("RegCreateKeyEx " + key);
    }
    RegSetValueExA(handle.get(), value.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
}

void CreateMachineKey(const std::string& key) {
    RegistryKey handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        handle.out(), nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("RegCreateKeyEx " + key);
    }
}

RegisteredAgent::RegisteredAgent(const std::string& programPath) {
    manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager_) throw std::runtime_error(LastErrorText("OpenSCManager"));
    service_ = CreateServiceA(manager_, "StillForge", "StillForge", SERVICE_ALL_ACCESS,
                              SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                              programPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!service_) throw std::runtime_error(LastErrorText("CreateService"));
}

RegisteredAgent::~RegisteredAgent() {
    SERVICE_STATUS status{};
    ControlService(service_, SERVICE_CONTROL_STOP, &status);
    WaitFor(SERVICE_STOPPED);
    DeleteService(service_);
    CloseServiceHandle(service_);
    CloseServiceHandle(manager_);
}

bool RegisteredAgent::Start() {
    return StartServiceA(service_, 0, nullptr) != 0;
}

DWORD RegisteredAgent::State() {
    SERVICE_STATUS status{};
    return QueryServiceStatus(service_, &status) ? status.dwCurrentState : 0;
}

bool RegisteredAgent::WaitFor(DWORD state) {
    for (int i = 0; i < 100; ++i) {
        if (State() == state) return true;
        Sleep(50);
    }
    return false;
}
