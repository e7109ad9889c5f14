// The inform dialog shown for real on the test's display. A thread timer of the test thread plays
// the user from inside the dialog's own loop: it records the layout, takes a picture, resizes the
// dialog and presses the button or closes it.
#include "stub/win/inform_dialog.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <cstring>
#include <functional>

#include "jobrunner/win/program_test_support.h"
#include "stub/testing/screenshot.h"

namespace {

struct Control {
    RECT rect{};  // in the dialog's client coordinates
    std::string text;
    std::string face;
    LONG fontHeight = 0;
    LONG style = 0;
    LONG exStyle = 0;
};

struct Seen {
    bool found = false;
    RECT window{};
    RECT client{};
    std::string title;
    Control field;
    Control button;
    bool hasButton = false;
    Control fieldAfterResize;
    Control buttonAfterResize;
};

Seen seen;
std::function<void(HWND)> finish;

std::string Text(HWND window) {
    char text[4096] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

Control Describe(HWND dialog, HWND control) {
    Control c;
    GetWindowRect(control, &c.rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&c.rect), 2);
    c.text = Text(control);
    LOGFONTA font{};
    if (const auto handle = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0))) {
        GetObjectA(handle, sizeof font, &font);
        c.face = font.lfFaceName;
        c.fontHeight = font.lfHeight;
    } else {
        // The rich-text field tells its font through its character format.
        CHARFORMATA format{};
        format.cbSize = sizeof format;
        SendMessageA(control, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        c.face = format.szFaceName;
    }
    c.style = GetWindowLongA(control, GWL_STYLE);
    c.exStyle = GetWindowLongA(control, GWL_EXSTYLE);
    return c;
}

HWND Child(HWND dialog, const char* classPrefix) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (_strnicmp(cls, classPrefix, std::strlen(classPrefix)) == 0) return child;
    }
    return nullptr;
}

void CALLBACK PlayUser(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const HWND dialog = FindWindowA(kInformDialogClass, nullptr);
    if (!dialog) return;
    seen.found = true;
    GetWindowRect(dialog, &seen.window);
    GetClientRect(dialog, &seen.client);
    seen.title = Text(dialog);
    const HWND field = Child(dialog, "RichEdit");
    const HWND button = Child(dialog, "Button");
    if (field) seen.field = Describe(dialog, field);
    seen.hasButton = button != nullptr;
    if (button) seen.button = Describe(dialog, button);
    SaveWindowPng(dialog, BinDirectory() + "\\screenshots\\inform-dialog" +
                              (button ? "" : "-without-link") + ".png");
    SetWindowPos(dialog, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
    if (field) seen.fieldAfterResize = Describe(dialog, field);
    if (button) seen.buttonAfterResize = Describe(dialog, button);
    finish(button ? button : dialog);
}

// Shows the dialog with a user who acts after a moment; answers what ShowInformDialog returned.
bool ShowAndPlay(const InformDialogSettings& settings, std::function<void(HWND)> act) {
    seen = Seen{};
    finish = std::move(act);
    CreateDirectoryA((BinDirectory() + "\\screenshots").c_str(), nullptr);
    const UINT_PTR timer = SetTimer(nullptr, 0, 1500, PlayUser);
    const bool shown = ShowInformDialog(nullptr, settings);
    KillTimer(nullptr, timer);
    return shown;
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 1000; ++i) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(20);
    }
    return false;
}

InformDialogSettings Settings() {
    InformDialogSettings settings;
    settings.title = "New Version";
    settings.buttonCaption = "Download";
    settings.width = 420;
    settings.height = 300;
    settings.text = "Version 2.1 is out.\r\nIt fixes the flash of large images.";
    return settings;
}

}  // namespace

TEST(InformDialog, TextFieldAndLinkButtonLaidOutAndTheButtonOpensTheLink) {
    Sandbox box;
    SetEnvironmentVariableA("WYVERN_ENGINE_RECORD", box.Path("record.txt").c_str());
    InformDialogSettings settings = Settings();
    settings.link = "  " + BinProgram("wyvern_fake_engine.exe") + " ";
    const bool shown =
        ShowAndPlay(settings, [](HWND button) { SendMessageA(button, BM_CLICK, 0, 0); });
    EXPECT_TRUE(shown);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, "New Version");
    EXPECT_EQ(Width(seen.window), 420);
    EXPECT_EQ(Height(seen.window), 300);
    EXPECT_EQ(seen.window.left, (GetSystemMetrics(SM_CXSCREEN) - 420) / 2);
    EXPECT_EQ(seen.window.top, (GetSystemMetrics(SM_CYSCREEN) - 300) / 2);

    const int cw = seen.client.right;
    const int ch = seen.client.bottom;
    EXPECT_EQ(seen.field.rect.left, 3);
    EXPECT_EQ(seen.field.rect.top, 0);
    EXPECT_EQ(Width(seen.field.rect), cw - 3);
    EXPECT_EQ(Height(seen.field.rect), ch - 43);
    EXPECT_EQ(seen.field.text, settings.text);
    EXPECT_EQ(seen.field.face, "Verdana");
    EXPECT_EQ(seen.field.style & ES_RIGHT, 0);
    ASSERT_TRUE(seen.hasButton);
    EXPECT_EQ(seen.button.text, "Download");
    EXPECT_EQ(seen.button.rect.left, (cw - 160) / 2);
    EXPECT_EQ(seen.button.rect.top, ch - 33);
    EXPECT_EQ(Width(seen.button.rect), 160);
    EXPECT_EQ(Height(seen.button.rect), 25);
    EXPECT_EQ(seen.button.face, "Tahoma");
    EXPECT_LT(seen.button.fontHeight, 0);
    EXPECT_NE(seen.button.style & BS_DEFPUSHBUTTON, 0);

    // Resized, the field and the button follow the client area.
    EXPECT_GT(Width(seen.fieldAfterResize.rect), Width(seen.field.rect));
    EXPECT_EQ(Height(seen.fieldAfterResize.rect) - Height(seen.field.rect), 100);
    EXPECT_EQ(seen.buttonAfterResize.rect.top - seen.button.rect.top, 100);

    EXPECT_TRUE(WaitForFile(box.Path("record.txt")));
    EXPECT_EQ(FindWindowA(kInformDialogClass, nullptr), nullptr);
}

TEST(InformDialog, WithoutALinkThereIsNoButtonAndTheUsersFontAndDirectionCount) {
    InformDialogSettings settings = Settings();
    settings.fontName = "Arial";
    settings.rightToLeft = true;
    settings.charset = 177;
    const bool shown =
        ShowAndPlay(settings, [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); });
    EXPECT_TRUE(shown);
    ASSERT_TRUE(seen.found);
    EXPECT_FALSE(seen.hasButton);
    EXPECT_EQ(Height(seen.field.rect), seen.client.bottom);
    EXPECT_EQ(seen.field.face, "Arial");
    EXPECT_NE(seen.field.style & ES_RIGHT, 0);
    EXPECT_NE(seen.field.exStyle & WS_EX_RTLREADING, 0);
}

TEST(InformDialog, AnEmptyTextOpensTheLinkAtOnce) {
    Sandbox box;
    SetEnvironmentVariableA("WYVERN_ENGINE_RECORD", box.Path("record.txt").c_str());
    InformDialogSettings settings = Settings();
    settings.text.clear();
    settings.link = BinProgram("wyvern_fake_engine.exe");
    EXPECT_TRUE(ShowAndPlay(settings, [](HWND) {}));
    EXPECT_FALSE(seen.found);
    EXPECT_TRUE(WaitForFile(box.Path("record.txt")));

    settings.link = "   ";
    EXPECT_FALSE(ShowInformDialog(nullptr, settings));
}
