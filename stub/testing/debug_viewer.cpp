// The debug viewer for tests: receives the stub's trace pieces and keeps them for inspection.
//   wyvern_debug_viewer OUTPUT TIMEOUT_MS [READY_EVENT]
// OUTPUT gets every piece byte for byte; OUTPUT.pieces gets one line "CHANNEL LENGTH" per piece,
// so a test can tell where one piece ends. READY_EVENT (a named event the caller made) is set
// once the window exists. Ends with 0 on WM_CLOSE, 2 when TIMEOUT_MS pass first, 1 on bad use.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

constexpr char kViewerClass[] = ".WyvernDebug.";
constexpr char kViewerMessage[] = ".Wyvern_DebugMsg.";
constexpr UINT_PTR kTimeoutTimer = 1;

UINT g_message = 0;
std::string g_output;
int g_exitCode = 0;

bool Append(const std::string& path, const char* data, DWORD size) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

bool Truncate(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

void RecordPiece(WPARAM channel, ATOM atom) {
    // An atom holds at most 255 characters.
    char text[256];
    const UINT length = GlobalGetAtomNameA(atom, text, sizeof text);
    Append(g_output, text, length);
    const std::string line = std::to_string(channel) + " " + std::to_string(length) + "\r\n";
    Append(g_output + ".pieces", line.data(), static_cast<DWORD>(line.size()));
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == g_message && g_message != 0) {
        // The sender deletes the atom once this returns, so it is read here, not later.
        RecordPiece(wParam, static_cast<ATOM>(lParam));
        return 0;
    }
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimeoutTimer) {
                g_exitCode = 2;
                DestroyWindow(window);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(g_exitCode);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 1;
    g_output = argv[1];
    const UINT timeout = static_cast<UINT>(std::strtoul(argv[2], nullptr, 10));
    if (!Truncate(g_output) || !Truncate(g_output + ".pieces")) return 1;

    g_message = RegisterWindowMessageA(kViewerMessage);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ViewerProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kViewerClass;
    if (!g_message || !RegisterClassA(&windowClass)) return 1;
    // Top-level and hidden: the stub finds it with FindWindow, which skips message-only windows.
    HWND window = CreateWindowExA(0, kViewerClass, "Wyvern debug viewer", WS_OVERLAPPEDWINDOW, 0, 0,
                                  200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) return 1;
    if (timeout > 0) SetTimer(window, kTimeoutTimer, timeout, nullptr);

    if (argc > 3) {
        HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
        if (!ready) return 1;
        SetEvent(ready);
        CloseHandle(ready);
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
