// What the stub knows about its own run: its path and command line, its own package information,
// the role it plays and the main window's handles and flags. One per process.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "stub/package/extract_package.h"
#include "stub/package/tg_file_info.h"

struct StubProcess {
    std::string stubPath;        // this executable
    std::string rawCommandLine;  // as the system passed it
    std::string parameters;      // the command line after the program name, trimmed
    std::unique_ptr<TGFileInfo> ownInfo;
    bool agentMode = false;
    std::string windowClassName;  // also the single-instance key

    HWND mainWindow = nullptr;
    HWND staticText = nullptr;
    HWND fileBar = nullptr;
    HWND activityBar = nullptr;
    HFONT statusFont = nullptr;
    unsigned activityCounter = 0;

    bool stopRequested = false;
    bool loopFinished = false;
    DWORD exitCode = 0;
    ExtractCounters counters;  // failures shown once per process
};

StubProcess& Stub();

// The package information of a file; everything empty when it cannot be read.
std::unique_ptr<TGFileInfo> LoadPackageInfo(const std::string& path);

// Command-line switches of this run.
bool HasStubSwitch(std::string_view key);
std::string StubSwitchValue(std::string_view key);
int64_t StubSwitchNumber(std::string_view key, int64_t fallback);

// The stub's own file name and directory (no trailing backslash).
std::string StubFileName();
std::string StubDirectory();
// The stub's file version as "a.b.c.d"; "0.0.0.0" when it carries none.
std::string StubFileVersion();
