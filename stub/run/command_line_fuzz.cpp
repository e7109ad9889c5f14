// Arbitrary command lines, stub paths and switch keys through the command-line rules.
#include <cstdint>
#include <string>

#include "stub/run/command_line.h"
#include "stub/run/engine_command.h"

namespace {

std::string NextLine(const std::string& text, size_t& at) {
    if (at >= text.size()) return {};
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end == std::string::npos ? end : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    const std::string raw = NextLine(text, at);
    const std::string stub = NextLine(text, at);
    const std::string key = NextLine(text, at);
    const std::string parameters = ParameterText(raw, stub);
    // The parameter text is always a piece of the raw command line.
    if (raw.find(parameters) == std::string::npos) __builtin_trap();
    HasSwitch(parameters, key);
    if (SwitchValue(parameters, key).size() > parameters.size() + 4) __builtin_trap();
    SwitchNumber(parameters, key, -1);
    EngineCommandInput input;
    input.runName = key;
    input.parameters = parameters;
    input.directory = "C:\\T";
    input.threadId = "_1";
    input.stubPath = stub;
    EngineCommand(input);
    RelaunchCommandLine(stub, parameters, stub);
    DeleteScriptText(stub, raw, true);
    WindowClassName(stub, true);
    return 0;
}
