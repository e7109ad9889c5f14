#include "stub/run/command_line.h"

#include <charconv>

#include "stub/package/tg_file_info.h"
#include "stub/run/text_search.h"

namespace {

// The end of the first occurrence of `name` that closes the program token, or npos. A name that
// only begins a longer one ("Setup.exe" in "Setup.exe.001") does not count.
size_t EndOfProgramToken(std::string_view raw, std::string_view name) {
    if (name.empty()) return std::string_view::npos;
    for (size_t at = FindNoCase(raw, name); at != std::string_view::npos;
         at = FindNoCase(raw, name, at + 1)) {
        const size_t end = at + name.size();
        if (end == raw.size() || raw[end] == '"' || raw[end] == ' ') return end;
    }
    return std::string_view::npos;
}

}  // namespace

std::string ParameterText(std::string_view rawCommandLine, std::string_view stubPath) {
    size_t end = EndOfProgramToken(rawCommandLine, FileNamePart(stubPath));
    if (end == std::string_view::npos) end = EndOfProgramToken(rawCommandLine, stubPath);
    if (end == std::string_view::npos) end = 0;
    std::string_view rest = rawCommandLine.substr(end);
    // The closing quote of a quoted program token belongs to it, not to the parameters: left in
    // front of them it would reach the engine's command line as a stray quote.
    const std::string_view head = TrimBlanks(rawCommandLine.substr(0, end));
    if (!head.empty() && head.front() == '"' && !rest.empty() && rest.front() == '"')
        rest.remove_prefix(1);
    rest = TrimBlanks(rest);
    return rest.size() == 1 ? std::string() : std::string(rest);
}

bool HasSwitch(std::string_view parameters, std::string_view key) {
    return FindNoCase(parameters, key) != std::string_view::npos;
}

std::string SwitchValue(std::string_view parameters, std::string_view key) {
    const size_t at = FindNoCase(parameters, key);
    if (at == std::string_view::npos) return {};
    std::string_view value = parameters.substr(at + key.size());
    if (value.empty()) return "TRUE";
    if (value.front() == '"') {
        value.remove_prefix(1);
        value = value.substr(0, value.find('"'));
    } else {
        value = value.substr(0, value.find(' '));
        value = value.substr(0, value.find('/'));
    }
    return std::string(TrimBlanks(value));
}

int64_t SwitchNumber(std::string_view parameters, std::string_view key, int64_t fallback) {
    const std::string text = SwitchValue(parameters, key);
    std::string_view digits = text;
    if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return fallback;
    return value;
}
