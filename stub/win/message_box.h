// WyvernMsgBox: the stub's own modal message box with a read-only rich-text field, an icon band
// and up to three buttons whose captions come from the package's language block.
#pragma once

#include <windows.h>

#include <string>

inline constexpr char kMessageBoxClass[] = "WyvernMsgBox";
inline constexpr char kDefaultButtonText[] = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";

// Owner values with a meaning of their own in the box family: 0 puts the caption in bold at the
// head of the text, 2 also greys the Close item; all three are replaced by the active window.
inline HWND BoxOwner(int value) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(value));
}

// Process-wide: font from the stub's language (set at start-up), position override (-1: centre)
// that is reset after every box.
struct MessageBoxSettings {
    std::string fontName = "Tahoma";
    int fontSize = 8;
    int charset = 0;
    int x = -1;
    int y = -1;
};
MessageBoxSettings& BoxSettings();

// Flags use the system message box's bit layout (button set, icon, default button, 0x80000 right
// aligned, 0x100000 right-to-left, 0x10000000 Close greyed). Answers the pressed button's code
// (IDOK ... IDNO), 0 when closed without one.
int ShowRichMessage(HWND owner, const std::string& text, const std::string& caption,
                    DWORD timeoutMilliseconds, UINT flags, const std::string& buttons);

// The family the stub uses; an empty caption or button list takes the default.
void ErrorBox(HWND owner, const std::string& text, const std::string& caption, int charset,
              const std::string& buttons);
void AttentionBox(HWND owner, const std::string& text, const std::string& caption, int charset,
                  const std::string& buttons, DWORD timeoutMilliseconds = 0);
bool ConfirmBox(HWND owner, const std::string& text, const std::string& caption, int charset,
                const std::string& buttons);
bool OkCancelBox(HWND owner, const std::string& text, const std::string& caption, int charset,
                 const std::string& buttons);
