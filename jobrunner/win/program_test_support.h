// Support for the program tests that run Stepwright.exe under Windows (Wine in CI): a throwaway
// directory, starting programs with CreateProcess and their full 32-bit exit code, the registry
// and the agent service of the test's machine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The directory of the test program, where Stepwright.exe and the helper programs are built.
std::string BinDirectory();
std::string BinProgram(const char* name);

class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& root() const { return root_; }
    std::string Path(const std::string& relative) const { return root_ + "\\" + relative; }
    void MakeDirectory(const std::string& relative) const;
    void Write(const std::string& relative, std::string_view bytes) const;
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // Names of the files (not directories) in a directory, sorted.
    std::vector<std::string> Files(const std::string& relative) const;

  private:
    std::string root_;
};

struct Launch {
    std::string program;
    std::vector<std::string> arguments;  // after the program name
    std::string workingDirectory;
    // Added to the test's own environment; the bin directory leads PATH unless PATH is given.
    std::vector<std::pair<std::string, std::string>> environment;
    bool underDebugger = false;  // collect the program's debug strings
    std::string argumentZero;    // as written on the command line; default the quoted program
};

struct ProgramRun {
    uint32_t exitCode = 0;
    std::string out;
    std::string err;
    std::vector<std::string> debugStrings;
};

ProgramRun RunProgram(const Launch& launch);

// Stepwright.exe with these arguments, started in workingDirectory.
ProgramRun RunStepwright(const std::vector<std::string>& arguments,
                         const std::string& workingDirectory,
                         std::vector<std::pair<std::string, std::string>> environment = {});

// An argument file as the job generator writes it.
std::string ArgumentFile(const std::string& fwPath, const std::string& commands,
                         const std::string& updateCommands = "");

// The log without its head block(s): what the run wrote after the last line of stars.
std::string LogBody(const std::string& log);

void SetMachineString(const std::string& key, const std::string& value, const std::string& data);
void CreateMachineKey(const std::string& key);

// "StillForge" registered with the service control manager for one test, removed at its end.
class RegisteredAgent {
  public:
    explicit RegisteredAgent(const std::string& programPath);
    ~RegisteredAgent();
    bool Start();
    DWORD State();
    // Waits until the service reaches the state, up to a few seconds.
    bool WaitFor(DWORD state);

  private:
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
};
