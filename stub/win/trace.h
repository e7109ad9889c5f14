// The trace: a running account of what the stub does, forwarded piece by piece to a debug viewer
// window when one runs (and to a file in the file modes). Without a viewer it costs one window
// lookup per piece and goes nowhere.
#pragma once

#include <string>
#include <string_view>

// Output modes; the stub is built with kTraceViewerOnly.
enum TraceMode { kTraceViewerOnly = 0, kTraceFileOnly = 1, kTraceFileAndViewer = 2 };
constexpr TraceMode kTraceMode = kTraceViewerOnly;
constexpr unsigned kTraceChannel = 1;
constexpr size_t kTraceBufferSize = 128;
inline constexpr char kTraceViewerClass[] = ".WyvernDebug.";
inline constexpr char kTraceMessageName[] = ".Wyvern_DebugMsg.";
inline constexpr char kTraceLogFile[] = "C:\\ProgramData\\_wyverndebug.txt";

// Before anything else is traced: the lock and the registered message.
void TraceStart();
// One write call: the text leaves in pieces of at most 128 characters, the last one at its end.
void TraceWrite(std::string_view text);
// One write-line call: the text and CR LF, so the last piece carries the line end.
void TraceLine(std::string_view text = {});
// Hands one piece to the viewer (atom plus registered message) and, in the file modes, the file.
void DebugForward(const char* text);

inline const char* TrueFalse(bool value) {
    return value ? "TRUE" : "FALSE";
}
