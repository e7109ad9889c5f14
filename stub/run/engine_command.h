// The command lines and names the stub hands to other processes: the installer engine, the copy
// a spanned package relaunches, the self-deleting script, and the single-instance window class.
#pragma once

#include <string>
#include <string_view>

inline constexpr char kEngineAtomPrefix[] = "AutoUpdateAtomTokenByWyvern";
inline constexpr char kEngineDialogClassPrefix[] = ".SDialog_Class_Name.";

struct EngineCommandInput {
    std::string runName;     // header item 0 of the entry marked '*', e.g. "Engine.exe* /S"
    std::string parameters;  // the stub's parameter text
    std::string directory;   // extraction directory, no trailing backslash
    std::string threadId;    // "_" + the thread id in decimal
    std::string stubPath;    // the stub the user started
    bool agentMode = false;
};

// The engine's command line: exe and extra text split at '*', directory + "\" + exe,
// parameters, " /TH_ID=" + tid, " /OriginExe=\"...\"" unless present, " /AutoUpdateProg" in agent
// mode, then the first "/SpanCdLvl=" and the first "/SpanDiskFName1=" switch removed.
std::string EngineCommand(const EngineCommandInput& input);
// Removes the first occurrence (case-insensitive) of `key` from its first character up to, not
// including, the next '/' (or the end).
std::string RemoveFirstSwitch(std::string text, std::string_view key);
// The command line of the temporary copy a spanned package relaunches.
std::string RelaunchCommandLine(std::string_view copyPath, std::string_view parameters,
                                std::string_view stubPath);
// The text of the _DEL_ME_.BAT script, lines ended by CR LF.
std::string DeleteScriptText(std::string_view stubPath, std::string_view scriptPath,
                             bool removeDirectory);
// ".AutoUpdate." + file name without its last extension in agent mode; else the full path.
std::string WindowClassName(std::string_view stubPath, bool agentMode);
