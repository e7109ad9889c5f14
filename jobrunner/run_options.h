// RunOptions and the reading of both command-line forms.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

enum class RunMode { kForce, kUpdate };

constexpr size_t kExternalVariableField = 512;  // terminator included

struct RunOptions {
    bool autonomic = false;
    bool pspmode = false;
    RunMode mode = RunMode::kForce;
    bool noRestart = false;
    bool debug = false;
    bool externalVariablePresent = false;
    std::string externalVariable;
    bool preinstallation = false;  // found by the platform layer, not on the command line
};

// What the run sequence does with a command line, before it touches the file system.
struct CommandLine {
    bool printVersion = false;
    bool tooFewArguments = false;  // normal form with fewer than two arguments
    RunOptions options;
    // Directory to enter first; unset means going back to the directory current at start.
    std::optional<std::string> firstDirectory;
    // pspmode enters the program's own directory afterwards, whatever happened before.
    std::optional<std::string> pspmodeDirectory;
    std::string argumentFile;  // normal form: the second argument
};

// arguments[0] is the program as written on the command line.
CommandLine ReadCommandLine(const std::vector<std::string>& arguments);

// Quotes, tabs and line feeds become spaces, both ends are trimmed, and the placeholder left by a
// caller with nothing to fill in empties the value. The result fits the 512-character field.
std::string CleanExternalVariable(const std::string& raw);

// argument zero up to its last backslash, or nothing when it holds none.
std::optional<std::string> ProgramDirectory(const std::string& argumentZero);
