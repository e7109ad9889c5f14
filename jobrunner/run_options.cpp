#include "jobrunner/run_options.h"

#include <algorithm>
#include <string_view>

namespace {

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

constexpr std::string_view kExternalVariableOption = "-external-variable";

// One argument tested for the four options; force before update, so update wins.
void ReadOption(const std::string& argument, RunOptions& options, bool* force, bool* update) {
    if (StartsWith(argument, "-n")) options.noRestart = true;
    if (StartsWith(argument, "-d")) options.debug = true;
    if (StartsWith(argument, "-force")) *force = true;
    if (StartsWith(argument, "-update")) *update = true;
}

void ReadOptions(const std::vector<std::string>& args, size_t first, size_t last,
                 RunOptions& options) {
    bool force = false;
    bool update = false;
    for (size_t i = first; i <= last; ++i) ReadOption(args[i], options, &force, &update);
    if (force) options.mode = RunMode::kForce;
    if (update) options.mode = RunMode::kUpdate;
}

// Autonomic form with two arguments: only the second, and the first matching option wins.
void ReadSingleOption(const std::string& argument, RunOptions& options) {
    if (StartsWith(argument, "-n")) {
        options.noRestart = true;
    } else if (StartsWith(argument, "-d")) {
        options.debug = true;
    } else if (StartsWith(argument, "-force")) {
        options.mode = RunMode::kForce;
    } else if (StartsWith(argument, "-update")) {
        options.mode = RunMode::kUpdate;
    }
}

}  // namespace

std::optional<std::string> ProgramDirectory(const std::string& argumentZero) {
    const size_t slash = argumentZero.rfind('\\');
    if (slash == std::string::npos) return std::nullopt;
    return argumentZero.substr(0, slash);
}

std::string CleanExternalVariable(const std::string& raw) {
    std::string value = raw.substr(0, kExternalVariableField - 1);
    std::replace_if(
        value.begin(), value.end(), [](char c) { return c == '"' || c == '\t' || c == '\n'; }, ' ');
    const size_t last = value.find_last_not_of(' ');
    value.erase(last == std::string::npos ? 0 : last + 1);
    value.erase(0, value.find_first_not_of(' '));
    if (StartsWith(value, "<ExternalVariable>")) value.clear();
    return value;
}

CommandLine ReadCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    if (std::find(args.begin(), args.end(), "-version") != args.end()) {
        line.printVersion = true;
        return line;
    }
    const size_t n = args.empty() ? 0 : args.size() - 1;
    auto argument = [&](size_t i) -> const std::string* { return i <= n ? &args[i] : nullptr; };
    auto is = [&](size_t i, const char* word) { return argument(i) && *argument(i) == word; };

    RunOptions& options = line.options;
    if (is(2, "pspmode") || is(1, "pspmode")) {
        options.autonomic = options.pspmode = true;
    } else if (is(2, "autonomic") || is(1, "autonomic")) {
        options.autonomic = true;
    }
    if (!options.autonomic && n < 2) {
        line.tooFewArguments = true;
        return line;
    }

    const std::optional<std::string> programDirectory =
        args.empty() ? std::nullopt : ProgramDirectory(args[0]);
    if (!options.autonomic || (n >= 2 && !is(1, "autonomic") && !is(1, "pspmode"))) {
        line.firstDirectory = args[1];
    } else {
        line.firstDirectory = programDirectory;
    }
    if (options.pspmode) line.pspmodeDirectory = programDirectory;

    if (options.autonomic) {
        if (n == 2) {
            ReadSingleOption(args[2], options);
        } else if (n >= 3 && n <= 7) {
            ReadOptions(args, 2, std::min<size_t>(n, 6), options);
            if (StartsWith(args[n - 1], kExternalVariableOption)) {
                options.externalVariablePresent = true;
                options.externalVariable = CleanExternalVariable(args[n]);
            }
        }
    } else {
        line.argumentFile = args[2];
        if (n == 3) {
            if (StartsWith(args[3], "-n")) {
                options.noRestart = true;
            } else if (StartsWith(args[3], "-d")) {
                options.debug = true;
            }
        } else if (n == 4) {
            ReadOptions(args, 3, 4, options);
        } else if (n == 5) {
            ReadOptions(args, 4, 5, options);
        }
    }
    return line;
}
