#include "jobrunner/win/command_interpreter.h"

#include <cstdio>

#include "common/win_handles.h"

std::optional<std::string> EnvironmentValue(const std::string& name) {
    const DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::string value(needed, '\0');
    const DWORD length = GetEnvironmentVariableA(name.c_str(), value.data(), needed);
    value.resize(length < needed ? length : 0);
    return value;
}

InterpreterRun RunThroughInterpreter(const std::string& command) {
    // As the C runtime's system() does when COMSPEC is not set.
    const std::string interpreter = EnvironmentValue("COMSPEC").value_or("cmd.exe");
    std::string line = "\"" + interpreter + "\" /c " + command;
    // Console lines written so far come before the command's own output.
    std::fflush(stdout);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    InterpreterRun run;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        run.error = GetLastError();
        return run;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(processHandle.get(), &code);
    run.started = true;
    run.code = static_cast<int32_t>(code);
    return run;
}
