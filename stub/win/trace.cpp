#include "stub/win/trace.h"

#include <windows.h>

#include <cstring>

namespace {

CRITICAL_SECTION g_lock;
bool g_started = false;
UINT g_message = 0;

void AppendToLogFile(const char* text) {
    HANDLE file = CreateFileA(kTraceLogFile, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    CloseHandle(file);
}

// The device's write and flush handler: one forward of what the buffer holds.
void FlushPiece(const char* data, size_t size) {
    if (size == 0) return;
    char piece[kTraceBufferSize + 1];
    std::memcpy(piece, data, size);
    piece[size] = '\0';
    EnterCriticalSection(&g_lock);
    DebugForward(piece);
    LeaveCriticalSection(&g_lock);
}

}  // namespace

void TraceStart() {
    if (g_started) return;
    InitializeCriticalSection(&g_lock);
    g_message = RegisterWindowMessageA(kTraceMessageName);
    g_started = true;
}

void TraceWrite(std::string_view text) {
    if (!g_started) TraceStart();
    while (!text.empty()) {
        const size_t n = text.size() < kTraceBufferSize ? text.size() : kTraceBufferSize;
        FlushPiece(text.data(), n);
        text.remove_prefix(n);
    }
}

void TraceLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    TraceWrite(line);
}

void DebugForward(const char* text) {
    if (kTraceMode == kTraceFileOnly || kTraceMode == kTraceFileAndViewer) AppendToLogFile(text);
    if (kTraceMode == kTraceViewerOnly || kTraceMode == kTraceFileAndViewer) {
        HWND viewer = FindWindowA(kTraceViewerClass, nullptr);
        if (!viewer || !*text) return;
        const ATOM atom = GlobalAddAtomA(text);
        if (!atom) return;
        SendMessageA(viewer, g_message, kTraceChannel, atom);
        GlobalDeleteAtom(atom);
    }
}
