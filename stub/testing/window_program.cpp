// A program with the windows of a typical application, for the process-analysis tests: a hidden
// helper without a title, a visible captioned main window and two dialogs it owns (one through
// the other). The first message with wParam 15 and lParam 255 that reaches any of its windows is
// written to the record file as "<window> <message>" and ends the program; so does a minute.
// READY_FILE is made once the windows exist. Started without arguments (as a program restarted
// after an update is), it uses <exe>.record and <exe>.ready beside itself.
//   wyvern_window_program.exe [RECORD_FILE READY_FILE]
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string recordFile;
HWND mainWindow = nullptr;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (wParam == 15 && lParam == 255) {
        if (FILE* out = std::fopen(recordFile.c_str(), "wb")) {
            char title[64] = {};
            GetWindowTextA(window, title, sizeof title);
            std::fprintf(out, "%s %u\n", window == mainWindow ? "main" : title, message);
            std::fclose(out);
        }
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_CLOSE) return 0;  // only the test's message ends it
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND Make(const char* title, HWND owner, bool visible) {
    return CreateWindowExA(0, "WyvernWindowProgram", title,
                           WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10, 10, 200, 120,
                           owner, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    std::string readyFile;
    if (argc >= 3) {
        recordFile = argv[1];
        readyFile = argv[2];
    } else {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        recordFile = std::string(self) + ".record";
        readyFile = std::string(self) + ".ready";
    }
    WNDCLASSA cls{};
    cls.lpfnWndProc = Procedure;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "WyvernWindowProgram";
    RegisterClassA(&cls);
    Make("", nullptr, false);
    mainWindow = Make("Window Program", nullptr, true);
    const HWND dialog = Make("Options", mainWindow, true);
    Make("", dialog, true);
    if (FILE* ready = std::fopen(readyFile.c_str(), "wb")) std::fclose(ready);
    SetTimer(nullptr, 0, 60000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        // Thread messages (WM_QUIT is not among them) carry the test's marks too.
        if (msg.hwnd == nullptr && msg.wParam == 15 && msg.lParam == 255) break;
        DispatchMessageA(&msg);
    }
    return 0;
}
