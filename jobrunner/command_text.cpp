#include "jobrunner/command_text.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

constexpr std::string_view kExternalVariablePlaceholder = "!{EXTVAR}";

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool StartsWithAnyCase(const std::string& text, std::string_view lowerPrefix) {
    return text.size() >= lowerPrefix.size() &&
           std::equal(lowerPrefix.begin(), lowerPrefix.end(), text.begin(),
                      [](char p, char c) { return p == Lower(c); });
}

bool ContainsAnyCase(const std::string& text, std::string_view lowerWord) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), Lower);
    return lowered.find(lowerWord) != std::string::npos;
}

// The marker's word is compared, then one separator character goes with it.
bool DropMarker(std::string& command, std::string_view word) {
    if (!StartsWith(command, word)) return false;
    command.erase(0, std::min(command.size(), word.size() + 1));
    return true;
}

}  // namespace

std::optional<RunMode> TakeModeMarker(std::string& command) {
    if (DropMarker(command, "force")) return RunMode::kForce;
    if (DropMarker(command, "update")) return RunMode::kUpdate;
    return std::nullopt;
}

void ReplaceExternalVariable(std::string& command, const RunOptions& options) {
    const size_t at = command.find(kExternalVariablePlaceholder);
    if (at == std::string::npos) return;
    command.replace(at, kExternalVariablePlaceholder.size(),
                    options.externalVariablePresent ? options.externalVariable : std::string());
}

bool IsFlagLine(const std::string& command) {
    return StartsWith(command, "flag");
}

std::string FlagTextOf(const std::string& command) {
    return command.substr(std::min<size_t>(command.size(), 5));
}

bool IsSkippedInPreinstallation(const std::string& command) {
    // The service-control service must keep running commands; any spelling of its name counts.
    if (StartsWithAnyCase(command, "net ")) return !ContainsAnyCase(command, "hstgate");
    return StartsWithAnyCase(command, "arcpeel");
}

bool IsQuillonCommand(const std::string& command) {
    return StartsWithAnyCase(command, "quillon");
}
