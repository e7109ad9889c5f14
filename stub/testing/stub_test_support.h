// Support for the program tests that run WyvernStub.exe under Windows (Wine on an Xvfb display in
// CI): packages built with the kit's builder around the test engine, the stub started with its
// own temporary directory, and answers to its message boxes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "jobrunner/win/program_test_support.h"
#include "stub/testing/box_answerer.h"
#include "tools/package_builder/manifest.h"

using Environment = std::vector<std::pair<std::string, std::string>>;

// A manifest with an English section and the test engine as "Engine.exe*" (plus `engineExtra`
// after the '*'); the test adds entries and flags.
Manifest EngineManifest(const std::string& engineExtra = "");
// An entry whose data are written to `sandbox` first.
void AddDataEntry(Manifest& manifest, const Sandbox& sandbox, const std::string& name,
                  const std::string& data, bool compressed = true);
// Builds the package beside the stub copy; answers the files written.
std::vector<std::string> BuildStubPackage(const Manifest& manifest, const std::string& output);

// A started stub; the destructor kills it if it is still running.
class StubProcessRun {
  public:
    StubProcessRun(const std::string& program, const std::string& parameters,
                   const Environment& environment);
    ~StubProcessRun();
    StubProcessRun(const StubProcessRun&) = delete;
    StubProcessRun& operator=(const StubProcessRun&) = delete;
    DWORD pid() const { return pid_; }
    bool started() const { return process_ != nullptr; }
    // The exit code, or nothing when it did not end in time (it is killed then).
    bool Wait(DWORD milliseconds, DWORD& exitCode);

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// The environment a stub test gives the stub: its own TEMP/TMP and where the engine records.
Environment StubEnvironment(const Sandbox& sandbox);
// The temp directory StubEnvironment sets.
std::string StubTemp(const Sandbox& sandbox);
// The engine's record ("" when it never ran) and its lines by key.
std::string RecordValue(const std::string& record, const std::string& key);

// The bytes of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Directories directly below `path`.
std::vector<std::string> Subdirectories(const std::string& path);
// Waits until `path` does (or does not) exist.
bool WaitForPath(const std::string& path, bool exists, DWORD milliseconds);
// Waits for a message box (of any process when `processId` is 0), records it, saves a screenshot
// named `screenshot` (none when empty) and answers it ("enter", "tab+enter", a letter...). The
// record's window is null when no box came in time.
BoxRecord AnswerBox(DWORD processId, const std::string& answer, const std::string& screenshot,
                    DWORD timeoutMilliseconds = 60000);
// Where screenshots go: "screenshots" beside the test programs.
std::string ScreenshotPath(const std::string& name);
