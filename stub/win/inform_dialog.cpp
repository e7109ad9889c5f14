#include "stub/win/inform_dialog.h"

#include <richedit.h>

#include <cstring>

#include "common/win_handles.h"
#include "stub/run/text_search.h"
#include "stub/win/system_libraries.h"

namespace {

constexpr int kButtonBand = 43;
constexpr int kButtonWidth = 160;
constexpr int kButtonHeight = 25;
constexpr int kButtonFromBottom = 33;
constexpr int kFieldLeft = 3;
constexpr int kButtonId = 100;
constexpr int kTextFontHeight = 15;

struct GdiFontTraits {
    using Type = HFONT;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return DeleteObject(h) != 0; }
};
using FontHandle = Owned<GdiFontTraits>;

struct DialogState {
    std::string link;
    HWND field = nullptr;
    HWND button = nullptr;
    bool ended = false;
};

// The shell's default action for the link, shown normally; the shell comes from the system
// directory like every library loaded by name.
void OpenLink(const std::string& link) {
    using Execute = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    const LibraryHandle shell(LoadSystemLibrary("shell32.dll"));
    if (!shell) return;
    const auto execute = reinterpret_cast<Execute>(
        reinterpret_cast<void*>(GetProcAddress(shell.get(), "ShellExecuteA")));
    if (execute) execute(nullptr, "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

FontHandle MakeFont(const std::string& face, int height, int charset) {
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfCharSet = static_cast<BYTE>(charset);
    font.lfPitchAndFamily = FF_SWISS;
    std::strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    return FontHandle(CreateFontIndirectA(&font));
}

void Layout(HWND dialog, const DialogState& state) {
    RECT client;
    GetClientRect(dialog, &client);
    const int band = state.button ? kButtonBand : 0;
    if (state.field)
        MoveWindow(state.field, client.left + kFieldLeft, client.top,
                   client.right - client.left - kFieldLeft, client.bottom - client.top - band,
                   TRUE);
    if (state.button)
        MoveWindow(state.button, (client.right - client.left - kButtonWidth) / 2,
                   client.bottom - kButtonFromBottom, kButtonWidth, kButtonHeight, TRUE);
}

void Paint(HWND dialog, const DialogState& state) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(dialog, &paint);
    RECT client;
    GetClientRect(dialog, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    if (state.button) {
        RECT line{client.left, client.bottom - kButtonBand, client.right,
                  client.bottom - kButtonBand + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_3DDKSHADOW));
        RECT band{client.left, client.bottom - kButtonBand + 1, client.right, client.bottom};
        FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
    }
    EndPaint(dialog, &paint);
}

LRESULT CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(dialog, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    if (!state) return DefWindowProcA(dialog, message, wParam, lParam);
    switch (message) {
        case WM_PAINT:
            Paint(dialog, *state);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            Layout(dialog, *state);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) {
                OpenLink(state->link);
                PostMessageA(dialog, WM_CLOSE, 0, 0);
                return 0;
            }
            break;
        case WM_DESTROY:
            state->ended = true;
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
            break;
        default:
            break;
    }
    return DefWindowProcA(dialog, message, wParam, lParam);
}

}  // namespace

bool ShowInformDialog(HWND owner, const InformDialogSettings& settings) {
    DialogState state;
    state.link = std::string(TrimBlanks(settings.link));
    if (settings.text.empty()) {
        if (state.link.empty()) return false;
        OpenLink(state.link);
        return true;
    }
    const LibraryHandle richEdit(LoadSystemLibrary("RICHED32.DLL"));

    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    const FontHandle buttonFont =
        MakeFont(settings.fontName, -MulDiv(settings.fontSize, dpi, 72), settings.charset);
    const bool ownFace = !settings.fontName.empty() && settings.fontName != "Tahoma";
    const FontHandle textFont =
        MakeFont(ownFace ? settings.fontName : "Verdana", kTextFontHeight, settings.charset);

    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    cls.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    cls.lpfnWndProc = DialogProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kInformDialogClass;
    if (!RegisterClassExA(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    const int left = (GetSystemMetrics(SM_CXSCREEN) - settings.width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - settings.height) / 2;
    const HWND dialog = CreateWindowExA(
        WS_EX_DLGMODALFRAME, kInformDialogClass, settings.title.c_str(),
        WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, left, top, settings.width,
        settings.height, owner && IsWindow(owner) ? owner : nullptr, nullptr, instance, &state);
    if (!dialog) {
        UnregisterClassA(kInformDialogClass, instance);
        return false;
    }

    const DWORD fieldStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                             (settings.rightToLeft ? ES_RIGHT : 0);
    state.field = CreateWindowExA(settings.rightToLeft ? WS_EX_RTLREADING : 0, "RICHEDIT", "",
                                  fieldStyle, 0, 0, 10, 10, dialog, nullptr, instance, nullptr);
    if (state.field) {
        SendMessageA(state.field, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
        SendMessageA(state.field, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), FALSE);
        SendMessageA(state.field, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_WINDOW));
        SetWindowTextA(state.field, settings.text.c_str());
    }
    if (!state.link.empty()) {
        state.button = CreateWindowExA(0, "BUTTON", settings.buttonCaption.c_str(),
                                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0,
                                       kButtonWidth, kButtonHeight, dialog,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                                       instance, nullptr);
        SendMessageA(state.button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont.get()), FALSE);
    }
    Layout(dialog, state);
    if (state.button) {
        SetActiveWindow(dialog);
        SetFocus(state.button);
    }

    MSG msg;
    while (!state.ended) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // A quit request belongs to the outer loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            if (IsWindow(dialog)) DestroyWindow(dialog);
            break;
        }
        if (got == -1) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    UnregisterClassA(kInformDialogClass, instance);
    return true;
}
