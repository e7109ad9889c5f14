// The JobHost of the real program: the log, the console, the mapped file and the Win32 calls.
#pragma once

#include "jobrunner/job_host.h"
#include "jobrunner/win/job_file.h"
#include "jobrunner/win/log_file.h"

class WindowsJobHost : public JobHost {
  public:
    WindowsJobHost(LogFile& log, JobFile& file, bool debug)
        : log_(log), file_(file), debug_(debug) {}

    void Log(const std::string& text) override;
    void Console(const std::string& text) override;
    void Persist(size_t offset, size_t count) override;
    InterpreterRun RunInterpreter(const std::string& command) override;
    bool IsFile(const std::string& path) override;
    std::string CurrentDirectory() override;
    std::optional<std::string> Environment(const std::string& name) override;
    uint32_t PutEnvironment(const std::string& assignment) override;
    RegistryText ReadMachineRegistry(const std::string& key, const std::string& valueName) override;
    uint32_t StopAgent() override;
    uint32_t StartAgent() override;
    uint32_t CopyAgent(const std::string& file) override;
    void RequestRestart() override;

  private:
    LogFile& log_;
    JobFile& file_;
    bool debug_;
};

std::string CurrentDirectoryPath();
