#include "jobrunner/win/windows_job_host.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "jobrunner/win/agent_service.h"
#include "jobrunner/win/command_interpreter.h"
#include "jobrunner/win/machine_registry.h"
#include "jobrunner/win/machine_restart.h"

std::string CurrentDirectoryPath() {
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    std::string path(needed, '\0');
    const DWORD length = GetCurrentDirectoryA(needed, path.data());
    path.resize(length < needed ? length : 0);
    return path;
}

void WindowsJobHost::Log(const std::string& text) {
    log_.Write(text);
}

void WindowsJobHost::Console(const std::string& text) {
    if (!debug_) return;
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void WindowsJobHost::Persist(size_t offset, size_t count) {
    file_.Persist(offset, count);
}

InterpreterRun WindowsJobHost::RunInterpreter(const std::string& command) {
    return RunThroughInterpreter(command);
}

bool WindowsJobHost::IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WindowsJobHost::CurrentDirectory() {
    return CurrentDirectoryPath();
}

std::optional<std::string> WindowsJobHost::Environment(const std::string& name) {
    return EnvironmentValue(name);
}

uint32_t WindowsJobHost::PutEnvironment(const std::string& assignment) {
    const size_t equals = assignment.find('=');
    const std::string name = assignment.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : assignment.substr(equals + 1);
    // The process block is what later commands inherit; the C runtime keeps a copy of its own.
    if (!SetEnvironmentVariableA(name.c_str(), value.c_str())) return GetLastError();
    if (_putenv(assignment.c_str()) != 0) return static_cast<uint32_t>(errno);
    return 0;
}

RegistryText WindowsJobHost::ReadMachineRegistry(const std::string& key,
                                                 const std::string& valueName) {
    return ReadMachineString(key, valueName);
}

uint32_t WindowsJobHost::StopAgent() {
    return StopAgentService();
}
uint32_t WindowsJobHost::StartAgent() {
    return StartAgentService();
}
uint32_t WindowsJobHost::CopyAgent(const std::string& file) {
    return CopyAgentProgram(file);
}
void WindowsJobHost::RequestRestart() {
    RequestMachineRestart();
}
