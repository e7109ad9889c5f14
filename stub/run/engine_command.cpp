#include "stub/run/engine_command.h"

#include <utility>

#include "stub/package/tg_file_info.h"
#include "stub/run/text_search.h"

std::string EngineCommand(const EngineCommandInput& input) {
    std::string_view exe = input.runName;
    std::string parameters = input.parameters;
    const size_t star = exe.find('*');
    if (star != std::string_view::npos) {
        const std::string_view extra = TrimBlanks(exe.substr(star + 1));
        exe = TrimBlanks(exe.substr(0, star));
        parameters = std::string(TrimBlanks(parameters + " " + std::string(extra)));
    }
    std::string command = input.directory + "\\" + std::string(exe);
    if (!parameters.empty()) command += " " + parameters;
    command += " /TH_ID=" + input.threadId;
    if (FindNoCase(command, "/OriginExe=") == std::string::npos)
        command += " /OriginExe=\"" + input.stubPath + "\"";
    if (input.agentMode) command += " /AutoUpdateProg";
    // The engine is told where the package came from by /OriginExe= alone; the span switches
    // only steer the stub's own relaunch.
    command = RemoveFirstSwitch(std::move(command), "/SpanCdLvl=");
    return RemoveFirstSwitch(std::move(command), "/SpanDiskFName1=");
}

std::string RemoveFirstSwitch(std::string text, std::string_view key) {
    const size_t at = FindNoCase(text, key);
    if (at == std::string::npos) return text;
    const size_t next = text.find('/', at + 1);
    text.erase(at, next == std::string::npos ? std::string::npos : next - at);
    return text;
}

std::string RelaunchCommandLine(std::string_view copyPath, std::string_view parameters,
                                std::string_view stubPath) {
    const std::string stub(stubPath);
    const std::string tail = std::string(parameters) + " /SpanCdLvl=2 /SpanDiskFName1=\"" + stub +
                             ".001\" /OriginExe=\"" + stub + "\"";
    return std::string(copyPath) + " " + std::string(TrimBlanks(tail));
}

std::string DeleteScriptText(std::string_view stubPath, std::string_view scriptPath,
                             bool removeDirectory) {
    const std::string stub(stubPath);
    std::string text = ":START\r\n";
    text += "DEL \"" + stub + "\"\r\n";
    text += "IF exist \"" + stub + "\" GOTO START\r\n";
    if (removeDirectory) {
        const size_t slash = stubPath.find_last_of('\\');
        const std::string_view directory =
            slash == std::string_view::npos ? std::string_view() : stubPath.substr(0, slash);
        text += "RD \"" + std::string(directory) + "\"\r\n";
    }
    text += "DEL \"" + std::string(scriptPath) + "\"\r\n";
    return text;
}

std::string WindowClassName(std::string_view stubPath, bool agentMode) {
    if (!agentMode) return std::string(stubPath);
    std::string_view name = FileNamePart(stubPath);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return ".AutoUpdate." + std::string(name);
}
