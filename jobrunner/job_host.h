// The one seam between the job logic and the operating system. The Windows layer implements it
// with Win32 calls; the unit tests implement it with a scripted machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct InterpreterRun {
    bool started = false;
    int32_t code = -1;   // the interpreter's exit status when started
    uint32_t error = 0;  // system error number of a failed start
};

struct RegistryText {
    enum class Stage { kRead, kKeyMissing, kValueMissing, kReadFailed };
    Stage stage = Stage::kKeyMissing;
    uint32_t error = 0;
    std::string text;
};

class JobHost {
  public:
    virtual ~JobHost() = default;

    // Log lines are written and flushed at once; console lines appear only with "-d".
    virtual void Log(const std::string& text) = 0;
    virtual void Console(const std::string& text) = 0;

    // The bytes changed in the argument file's view at [offset, offset + count) reach the disk
    // before this returns.
    virtual void Persist(size_t offset, size_t count) = 0;

    // COMSPEC "/c" command, in the current directory, waited for.
    virtual InterpreterRun RunInterpreter(const std::string& command) = 0;

    virtual bool IsFile(const std::string& path) = 0;
    virtual std::string CurrentDirectory() = 0;
    virtual std::optional<std::string> Environment(const std::string& name) = 0;
    // "NAME=value" into the runner's own environment, inherited by later commands; 0 or the
    // system error number.
    virtual uint32_t PutEnvironment(const std::string& assignment) = 0;
    // A local-machine value, with the 64-bit registry view as the fallback for the key.
    virtual RegistryText ReadMachineRegistry(const std::string& key,
                                             const std::string& valueName) = 0;

    // The agent service operations: 0 or a system error number (2 for a missing CopyAgent file).
    virtual uint32_t StopAgent() = 0;
    virtual uint32_t StartAgent() = 0;
    virtual uint32_t CopyAgent(const std::string& file) = 0;

    virtual void RequestRestart() = 0;
};
