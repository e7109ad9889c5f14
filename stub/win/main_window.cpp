#include "stub/win/main_window.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include "stub/win/agent_roles.h"
#include "stub/win/disk_source.h"
#include "stub/win/message_box.h"
#include "stub/win/run_step.h"
#include "stub/win/stub_process.h"
#include "stub/win/system_libraries.h"
#include "stub/win/temp_dirs.h"
#include "stub/win/trace.h"

namespace {

constexpr UINT_PTR kRunTimer = 1;
constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

bool RightToLeft(int charset) {
    return charset == 177 || charset == 178;
}

int OwnCharset() {
    return Stub().ownInfo ? Stub().ownInfo->LangCharset() : 0;
}

HICON MainIcon() {
    static HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MainIcon");
    return icon;
}

// comctl32 comes from the system directory by name rather than as an import (see
// RestrictLibrarySearch).
void InitProgressBars() {
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    static HMODULE library = LoadSystemLibrary("comctl32.dll");
    const auto init = library ? reinterpret_cast<InitFn>(reinterpret_cast<void*>(
                                    GetProcAddress(library, "InitCommonControlsEx")))
                              : nullptr;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    if (init) init(&controls);
}

void CreateControls(HWND window) {
    StubProcess& stub = Stub();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const bool rtl = RightToLeft(OwnCharset());
    stub.staticText = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, rtl ? 122 : 70, 20,
                                      340, 18, window, nullptr, instance, nullptr);
    static HFONT tahoma =
        CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    SendMessageA(stub.staticText, WM_SETFONT, reinterpret_cast<WPARAM>(tahoma), TRUE);
    stub.fileBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 70, 38, 392, 13,
                                   window, nullptr, instance, nullptr);
    stub.activityBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, rtl ? 70 : 416, 20, 46, 13,
                                       window, nullptr, instance, nullptr);
    SetTimer(window, kRunTimer, 1000, nullptr);
}

void Paint(HWND window) {
    HDC dc = GetDC(window);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (HICON icon = MainIcon()) DrawIcon(dc, 18, 20, icon);
    ReleaseDC(window, dc);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    StubProcess& stub = Stub();
    switch (message) {
        case WM_CREATE:
            stub.mainWindow = window;
            CreateControls(window);
            break;
        case WM_PAINT:
            Paint(window);
            break;
        case WM_TIMER:
            if (stub.agentMode)
                AgentCycleTick();
            else
                RunStep();
            break;
        case WM_CLOSE:
            if (!CloseMainWindow()) return 0;
            break;
        case WM_DESTROY:
            TraceLine("- wm_Destroy -");
            DestroyMainWindow();
            break;
        case WM_QUIT:
            TraceLine("- wm_Quit -");
            DestroyMainWindow();
            break;
        case kWmShutDown:
        case kWmLocalMsg:
            AgentControlMessage(window, message, wParam, lParam);
            break;
        case kWmAgentMsg:
            return AgentControlMessage(window, message, wParam, lParam);
        default:
            if (message != 0 && message == QueryCancelAutoPlayMessage()) return 1;
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

namespace wyvern {

void WinMain() {
    StubProcess& stub = Stub();
    if (HasStubSwitch("/SleepX=")) {
        const int64_t sleep = StubSwitchNumber("/SleepX=", -1);
        if (sleep >= 0) SetAgentInitialDelay(-sleep);
    }
    InitProgressBars();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = MainIcon();
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = stub.windowClassName.c_str();
    RegisterClassA(&wc);

    RECT work{0, 0, 800, 600};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - static_cast<int>(kMainWindowWidth)) / 2;
    const int top = work.top + (work.bottom - work.top - static_cast<int>(kMainWindowHeight)) / 2;
    std::unique_ptr<TGFileInfo> info = LoadPackageInfo(stub.stubPath);
    const std::string title = info->LangString("s0", "Wyvern Installation Suite");
    MessageBoxSettings& box = BoxSettings();
    box.fontName = info->LangFontName();
    box.fontSize = info->LangFontSize();
    box.charset = info->LangCharset();

    HWND window =
        CreateWindowExA(0, stub.windowClassName.c_str(), title.c_str(), kMainWindowStyle, left, top,
                        kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, nullptr);
    if (window) {
        ShowWindow(window, SW_HIDE);
        MSG msg;
        while (!stub.loopFinished && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (stub.mainWindow) KillTimer(stub.mainWindow, kRunTimer);
    stub.stopRequested = true;
    ReleaseDownloadLibrary();
    PostToPeer(43, 0);
}

}  // namespace wyvern

void SetStatusText(const std::string& text, const std::string& fontName, int charset,
                   int fontSize) {
    StubProcess& stub = Stub();
    if (!stub.staticText) return;
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(fontSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, static_cast<DWORD>(charset), 0, 0,
                             0, 0, fontName.c_str());
    const bool rtl = RightToLeft(charset);
    SetWindowLongPtrA(stub.staticText, GWL_EXSTYLE, rtl ? WS_EX_RTLREADING : 0);
    SetWindowLongPtrA(stub.staticText, GWL_STYLE, WS_CHILD | WS_VISIBLE | (rtl ? SS_RIGHT : 0));
    SendMessageA(stub.staticText, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageA(stub.staticText, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (stub.statusFont) DeleteObject(stub.statusFont);
    stub.statusFont = font;
}

void ShowActivityBar() {
    if (Stub().activityBar) ShowWindow(Stub().activityBar, SW_SHOW);
}

void ProgressReset(uint32_t count) {
    StubProcess& stub = Stub();
    if (stub.fileBar) {
        SendMessageA(stub.fileBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(count));
        SendMessageA(stub.fileBar, PBM_SETPOS, 0, 0);
        SendMessageA(stub.fileBar, PBM_SETSTEP, 1, 0);
    }
    if (stub.activityBar) {
        SendMessageA(stub.activityBar, PBM_SETRANGE32, 0, 5);
        SendMessageA(stub.activityBar, PBM_SETPOS, 0, 0);
        SendMessageA(stub.activityBar, PBM_SETSTEP, 1, 0);
    }
}

void ProgressStep() {
    StubProcess& stub = Stub();
    if (stub.fileBar) SendMessageA(stub.fileBar, PBM_STEPIT, 0, 0);
    stub.activityCounter = (stub.activityCounter + 1) % 6;
    if (stub.activityBar) SendMessageA(stub.activityBar, PBM_SETPOS, stub.activityCounter, 0);
}

TProgBar::Procedure MainWindowProgress() {
    return [](ProgressNotice notice, uint32_t position, uint32_t maximum, const std::string&) {
        const StubProcess& stub = Stub();
        switch (notice) {
            case ProgressNotice::kStart:
                ProgressReset(maximum);
                if (stub.fileBar) SendMessageA(stub.fileBar, PBM_SETPOS, position, 0);
                break;
            case ProgressNotice::kStep:
                ProgressStep();
                break;
            case ProgressNotice::kEnd:
                ProgressReset(0);
                break;
            case ProgressNotice::kCaption:
                break;
        }
    };
}

void DestroyMainWindow() {
    StubProcess& stub = Stub();
    TraceLine(".. DestroyMainWindow() - Start");
    stub.stopRequested = true;
    RemoveTree(SetupDir(), true);
    PostQuitMessage(0);
    stub.loopFinished = true;
    TraceLine(".. DestroyMainWindow() - End");
}

bool CloseMainWindow() {
    StubProcess& stub = Stub();
    TraceLine(".. CloseMainWindow() - Start");
    const bool proceed = stub.stopRequested;
    stub.stopRequested = true;
    TraceLine(".. CloseMainWindow() - End");
    return proceed;
}
