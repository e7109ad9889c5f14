#include "stub/win/message_box.h"

#include <richedit.h>

#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "stub/package/delimited_list.h"
#include "stub/text/box_buttons.h"
#include "stub/text/box_layout.h"
#include "stub/text/rich_text.h"
#include "stub/win/system_libraries.h"

namespace {

constexpr char kRichEditClass[] = "RICHEDIT";
constexpr UINT kRightAligned = 0x80000;
constexpr UINT kRightToLeft = 0x100000;
constexpr UINT kCloseGreyed = 0x10000000;
constexpr COLORREF kBandColour = 0x984E00;
constexpr int kFieldId = 100;
constexpr int kFirstButtonId = 200;
constexpr UINT_PTR kTimeoutTimer = 1;

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
struct BrushDeleter {
    void operator()(HBRUSH brush) const { DeleteObject(brush); }
};
struct LibraryDeleter {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;
using Brush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, BrushDeleter>;
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

// A window's device context with a font selected, restored and released on every path.
class FontDC {
  public:
    FontDC(HWND window, HFONT font) : window_(window), dc_(GetDC(window)) {
        if (dc_ && font) old_ = SelectObject(dc_, font);
    }
    ~FontDC() {
        if (!dc_) return;
        if (old_) SelectObject(dc_, old_);
        ReleaseDC(window_, dc_);
    }
    FontDC(const FontDC&) = delete;
    FontDC& operator=(const FontDC&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

struct BoxState {
    HWND box = nullptr;
    HWND field = nullptr;
    HWND remembered = nullptr;  // the window that was active, disabled while the box is up
    Font font;
    HICON icon = nullptr;
    std::vector<BoxButton> buttons;
    std::vector<HWND> buttonWindows;
    UINT_PTR timer = 0;
    Size requested{0, 0};  // what the field last asked for
    int result = kResultNone;
    bool ended = false;
};

UINT QueryCancelAutoPlay() {
    static const UINT message = RegisterWindowMessageA("QueryCancelAutoPlay");
    return message;
}

BoxState* StateOf(HWND window) {
    return reinterpret_cast<BoxState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void Press(BoxState& state, size_t index) {
    state.result = state.buttons[index].result;
    PostMessageA(state.box, WM_CLOSE, 0, 0);
}

int FocusedButton(const BoxState& state) {
    const HWND focus = GetFocus();
    for (size_t i = 0; i < state.buttonWindows.size(); ++i)
        if (state.buttonWindows[i] == focus) return static_cast<int>(i);
    return -1;
}

// Without a dialog manager the default-button frame does not follow the focus by itself; moving
// it keeps the button that Enter presses marked.
void FocusButton(BoxState& state, size_t index) {
    for (size_t i = 0; i < state.buttonWindows.size(); ++i)
        SendMessageA(state.buttonWindows[i], BM_SETSTYLE,
                     i == index ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    SetFocus(state.buttonWindows[index]);
}

void StepFocus(BoxState& state, int step) {
    const size_t count = state.buttonWindows.size();
    const int focused = FocusedButton(state);
    size_t next;
    if (focused >= 0)
        next = MoveFocus(static_cast<size_t>(focused), count, step);
    else
        next = step < 0 ? count - 1 : 0;
    FocusButton(state, next);
}

// Runs before dispatch for every message of the box and its children; true when it was a key of
// the box's own.
bool HandleBoxKey(BoxState& state, const MSG& msg) {
    if (msg.hwnd != state.box && !IsChild(state.box, msg.hwnd)) return false;
    if (state.buttons.empty()) return false;
    if (msg.message == WM_CHAR) {
        const int index = ButtonForCharacter(state.buttons, static_cast<char>(msg.wParam));
        if (index < 0) return false;
        Press(state, static_cast<size_t>(index));
        return true;
    }
    if (msg.message != WM_KEYDOWN) return false;
    switch (msg.wParam) {
        case VK_LEFT:
        case VK_UP:
            StepFocus(state, -1);
            return true;
        case VK_TAB:
        case VK_RIGHT:
        case VK_DOWN:
            StepFocus(state, +1);
            return true;
        case VK_RETURN: {
            const int focused = FocusedButton(state);
            if (focused < 0) return false;
            Press(state, static_cast<size_t>(focused));
            return true;
        }
        default:
            break;
    }
    if (msg.wParam < 'A' || msg.wParam > 'Z') return false;
    const int index = ButtonForKey(state.buttons, static_cast<unsigned>(msg.wParam));
    if (index < 0) return false;
    Press(state, static_cast<size_t>(index));
    return true;
}

void FillArea(HDC dc, int left, int top, int right, int bottom, HBRUSH brush) {
    const RECT area{left, top, right, bottom};
    FillRect(dc, &area, brush);
}

void PaintBox(const BoxState& state) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(state.box, &paint);
    RECT client;
    GetClientRect(state.box, &client);
    const int lineTop = client.bottom - 37;
    FillArea(dc, 0, 0, client.right, lineTop, GetSysColorBrush(COLOR_WINDOW));
    FillArea(dc, 0, lineTop, client.right, lineTop + 1, GetSysColorBrush(COLOR_BTNSHADOW));
    FillArea(dc, 0, lineTop + 1, client.right, lineTop + 2, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    FillArea(dc, 0, lineTop + 2, client.right, client.bottom, GetSysColorBrush(COLOR_BTNFACE));
    const Brush band(CreateSolidBrush(kBandColour));
    if (band) FillArea(dc, 0, 0, kIconBandWidth, lineTop, band.get());
    if (state.icon) DrawIcon(dc, 11, 20, state.icon);
    EndPaint(state.box, &paint);
}

LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    BoxState* state = StateOf(window);
    if (!state) return DefWindowProcA(window, message, wParam, lParam);
    if (message == QueryCancelAutoPlay()) return 1;
    switch (message) {
        case WM_PAINT:
            PaintBox(*state);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == state->field && header->code == EN_REQUESTRESIZE) {
                const RECT& rc = reinterpret_cast<const REQRESIZE*>(lParam)->rc;
                state->requested = {rc.right - rc.left, rc.bottom - rc.top};
            }
            return 0;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (HIWORD(wParam) == BN_CLICKED && id >= kFirstButtonId &&
                id < kFirstButtonId + static_cast<int>(state->buttons.size())) {
                Press(*state, static_cast<size_t>(id - kFirstButtonId));
                return 0;
            }
            break;
        }
        case WM_TIMER:
            if (wParam != kTimeoutTimer) break;
            KillTimer(window, kTimeoutTimer);
            state->timer = 0;
            state->result = state->buttons.empty() ? kResultNone : state->buttons.front().result;
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_CLOSE:
            // Enabled again before the box goes, or the system activates some other program.
            if (state->remembered) {
                EnableWindow(state->remembered, TRUE);
                SetActiveWindow(state->remembered);
            }
            if (state->timer) KillTimer(window, kTimeoutTimer);
            state->timer = 0;
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            state->font.reset();
            state->ended = true;
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

Font CreateBoxFont() {
    const MessageBoxSettings& settings = BoxSettings();
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    LOGFONTA logFont{};
    logFont.lfHeight = -MulDiv(settings.fontSize, dpi, 72);
    logFont.lfCharSet = static_cast<BYTE>(settings.charset);
    logFont.lfPitchAndFamily = FF_SWISS;
    std::strncpy(logFont.lfFaceName, settings.fontName.c_str(), LF_FACESIZE - 1);
    return Font(CreateFontIndirectA(&logFont));
}

bool RegisterBoxClass(HINSTANCE instance) {
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    cls.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    cls.lpfnWndProc = BoxProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kMessageBoxClass;
    // A box opened from within another box finds the class still registered.
    return RegisterClassExA(&cls) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HICON BoxIcon(UINT flags, HINSTANCE instance) {
    switch (flags & 0xF0) {
        case 0x10:
            return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND));
        case 0x20:
            return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_QUESTION));
        case 0x30:
            return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_EXCLAMATION));
        case 0x40:
            return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_ASTERISK));
        default:
            break;
    }
    if (HICON icon = LoadIconA(instance, "MainIcon")) return icon;
    return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
}

void FillField(const BoxState& state, const RichText& rich) {
    SendMessageA(state.field, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
    SendMessageA(state.field, WM_SETFONT, reinterpret_cast<WPARAM>(state.font.get()), FALSE);
    SendMessageA(state.field, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_WINDOW));
    SetWindowTextA(state.field, rich.plain.c_str());
    CHARFORMATA bold{};
    bold.cbSize = sizeof bold;
    bold.dwMask = CFM_BOLD;
    bold.dwEffects = CFE_BOLD;
    for (const BoldRun& run : rich.bold) {
        CHARRANGE range{static_cast<LONG>(run.start), static_cast<LONG>(run.end)};
        SendMessageA(state.field, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        SendMessageA(state.field, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&bold));
    }
    CHARRANGE caret{0, 0};
    SendMessageA(state.field, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
}

// The text's lines measured in the box's font; the field's own size then follows the rules.
Size MeasureField(BoxState& state, const RichText& rich) {
    const FontDC dc(state.box, state.font.get());
    TEXTMETRICA metrics{};
    if (!dc.get() || !GetTextMetricsA(dc.get(), &metrics)) return {0, 0};
    const int lineHeight =
        FieldLineHeight(metrics.tmHeight, metrics.tmExternalLeading, BoxSettings().fontName);
    std::vector<int> extents;
    for (std::string_view line : SplitLines(rich.plain)) {
        SIZE extent{0, 0};
        GetTextExtentPoint32A(dc.get(), line.data(), static_cast<int>(line.size()), &extent);
        extents.push_back(extent.cx);
    }
    Size field = TextFieldSize(extents, lineHeight);
    const auto resize = [&state](Size size) {
        SetWindowPos(state.field, nullptr, 0, 0, size.width, size.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    if (!state.field) return field;
    resize(field);
    if (!rich.bold.empty()) {
        field.width = WidenForBold(field, [&](int width) {
            resize({width, field.height});
            SendMessageA(state.field, EM_REQUESTRESIZE, 0, 0);
            return state.requested;
        });
        resize(field);
    }
    return field;
}

void PlaceBox(const BoxState& state, Size field) {
    const FrameMetrics frame{GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME),
                             GetSystemMetrics(SM_CYCAPTION)};
    const Size box = BoxSize(field, frame);
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const MessageBoxSettings& settings = BoxSettings();
    const Point at =
        BoxPosition(box, {work.left, work.top}, {work.right - work.left, work.bottom - work.top},
                    {settings.x, settings.y});
    SetWindowPos(state.box, nullptr, at.x, at.y, box.width, box.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(state.box, &client);
    const Point fieldAt = FieldPosition({client.right, client.bottom}, field);
    if (state.field)
        SetWindowPos(state.field, nullptr, fieldAt.x, fieldAt.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AddButtons(BoxState& state, UINT flags, const std::string& list, HINSTANCE instance) {
    const DelimitedList captions(list.empty() ? std::string_view(kDefaultButtonText) : list);
    std::vector<std::string> items;
    for (size_t i = 0; i < kButtonItemCount; ++i) items.push_back(captions.ItemAt(i));
    state.buttons = BoxButtons(flags, items);
    RECT client;
    GetClientRect(state.box, &client);
    const int defaultButton = DefaultButton(flags, state.buttons.size());
    for (size_t i = 0; i < state.buttons.size(); ++i) {
        const Point at = ButtonPosition({client.right, client.bottom}, i, state.buttons.size());
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                            (static_cast<int>(i) == defaultButton ? BS_DEFPUSHBUTTON : 0);
        const HWND button = CreateWindowExA(
            0, "BUTTON", state.buttons[i].caption.c_str(), style, at.x, at.y, kButtonWidth,
            kButtonHeight, state.box,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstButtonId + i)), instance, nullptr);
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(state.font.get()), FALSE);
        state.buttonWindows.push_back(button);
    }
    if (defaultButton >= 0) SetFocus(state.buttonWindows[static_cast<size_t>(defaultButton)]);
}

void RunBoxLoop(BoxState& state) {
    MSG msg;
    while (!state.ended) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // A quit request belongs to the outer loop: close the box and hand it on.
            PostQuitMessage(static_cast<int>(msg.wParam));
            if (IsWindow(state.box)) SendMessageA(state.box, WM_CLOSE, 0, 0);
            return;
        }
        if (got == -1) return;
        if (HandleBoxKey(state, msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

MessageBoxSettings& BoxSettings() {
    static MessageBoxSettings settings;
    return settings;
}

int ShowRichMessage(HWND owner, const std::string& text, const std::string& caption,
                    DWORD timeoutMilliseconds, UINT flags, const std::string& buttons) {
    // Loaded for good once, so that the class stays registered between boxes, and once more for
    // this box.
    static const HMODULE processRichEdit = LoadSystemLibrary("RICHED32.DLL");
    (void)processRichEdit;
    const Library boxRichEdit(LoadSystemLibrary("RICHED32.DLL"));
    const HINSTANCE instance = GetModuleHandleA(nullptr);

    BoxState state;
    state.remembered = GetActiveWindow();
    if (state.remembered) EnableWindow(state.remembered, FALSE);
    state.font = CreateBoxFont();
    state.icon = BoxIcon(flags, instance);

    if (owner && !IsWindow(owner)) owner = nullptr;
    if (RegisterBoxClass(instance)) {
        state.box =
            CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kMessageBoxClass, caption.c_str(),
                            WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 360,
                            160, owner, nullptr, instance, &state);
    }
    if (!state.box) {
        if (state.remembered) EnableWindow(state.remembered, TRUE);
        BoxSettings().x = BoxSettings().y = -1;
        return kResultNone;
    }
    if (flags & kCloseGreyed)
        EnableMenuItem(GetSystemMenu(state.box, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);

    const DWORD fieldStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_WANTRETURN |
                             ((flags & kRightAligned) ? ES_RIGHT : 0);
    state.field = CreateWindowExA(
        (flags & kRightToLeft) ? WS_EX_RTLREADING : 0, kRichEditClass, "", fieldStyle, 0, 0, 10, 10,
        state.box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFieldId)), instance, nullptr);
    const RichText rich = ApplyMarkup(text);
    if (state.field) FillField(state, rich);

    PlaceBox(state, MeasureField(state, rich));
    AddButtons(state, flags, buttons, instance);
    if (timeoutMilliseconds > 0)
        state.timer = SetTimer(state.box, kTimeoutTimer, timeoutMilliseconds, nullptr);
    RunBoxLoop(state);

    // Not in WM_DESTROY: a class cannot be unregistered while its window still exists.
    UnregisterClassA(kMessageBoxClass, instance);
    BoxSettings().x = BoxSettings().y = -1;
    return state.result;
}
