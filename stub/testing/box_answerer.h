// The user in front of the stub's message boxes, for tests: finds a box, records what it shows
// and answers it through the box's own keyboard handling, as a person at the keyboard would.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

struct BoxRecord {
    HWND window = nullptr;
    HWND field = nullptr;
    std::string caption;
    std::string text;                  // the rich-text field's plain text
    std::vector<std::string> buttons;  // captions, left to right
    int focusedButton = -1;            // index into buttons
    RECT windowRect{};                 // screen coordinates
    RECT fieldRect{};
    LONG fieldStyle = 0;
    LONG fieldExStyle = 0;
};

// What the user does: keys posted to the box one after the other, or a click on the Close item,
// or nothing (the box's timeout answers).
struct Answer {
    struct Key {
        UINT message;  // WM_CHAR or WM_KEYDOWN
        WPARAM code;
    };
    std::vector<Key> keys;
    bool close = false;
};

// Steps joined by '+': one character typed (WM_CHAR), "key:" and a letter (that letter's key),
// "enter", "tab", "left", "right", "up", "down"; or alone "close" or "none". Examples: "y",
// "tab+enter", "left+left+enter".
bool ParseAnswer(std::string_view text, Answer* answer);

// A visible box of the class "WyvernMsgBox", of the process if `processId` is not 0.
HWND FindBox(DWORD processId);
// Waits up to `timeoutMilliseconds` for a box that has been built and waits for input; null when
// none came.
HWND WaitForBox(DWORD processId, DWORD timeoutMilliseconds);

BoxRecord RecordBox(HWND box);
// Posts the answer's keys to the box; its message loop sees them before anything is dispatched.
void PressAnswer(HWND box, const Answer& answer);
bool WaitUntilGone(HWND box, DWORD timeoutMilliseconds);

// The record as lines for the record file: caption, buttons, then the text (CR LF kept).
std::string RecordText(const BoxRecord& record);
