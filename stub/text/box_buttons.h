// The message box's buttons: which appear for a button set, which is the default, and which one
// a key presses. Captions come from the "BtnText" list; results are the system box's codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Items of the button caption list, in its fixed order.
enum ButtonItem : uint8_t {
    kItemOk,
    kItemCancel,
    kItemYes,
    kItemNo,
    kItemAbort,
    kItemRetry,
    kItemIgnore,
    kButtonItemCount
};

enum BoxResult : int {
    kResultNone = 0,  // closed without a button
    kResultOk = 1,
    kResultCancel = 2,
    kResultAbort = 3,
    kResultRetry = 4,
    kResultIgnore = 5,
    kResultYes = 6,
    kResultNo = 7,
};

struct SetButton {
    ButtonItem item;
    BoxResult result;
};

struct ButtonSet {
    size_t count;
    SetButton buttons[3];
};

// Indexed by flag bits 0-3; higher sets show no buttons.
inline constexpr ButtonSet kButtonSets[] = {
    {1, {{kItemOk, kResultOk}}},
    {2, {{kItemOk, kResultOk}, {kItemCancel, kResultCancel}}},
    {3, {{kItemAbort, kResultAbort}, {kItemRetry, kResultRetry}, {kItemIgnore, kResultIgnore}}},
    {3, {{kItemYes, kResultYes}, {kItemNo, kResultNo}, {kItemCancel, kResultCancel}}},
    {2, {{kItemYes, kResultYes}, {kItemNo, kResultNo}}},
    {2, {{kItemRetry, kResultRetry}, {kItemCancel, kResultCancel}}},
};

struct BoxButton {
    std::string caption;
    BoxResult result;
};

// The buttons of the flags' set, left to right; `items` are the caption list's items (missing
// ones give empty captions).
std::vector<BoxButton> BoxButtons(unsigned flags, std::span<const std::string> items);

// Index of the default button: flag bits 8-11 modulo the count; -1 without buttons.
int DefaultButton(unsigned flags, size_t count);

// The leftmost button whose caption's second character (the one after '&') is the typed character
// or its upper-case form; -1 for none.
int ButtonForCharacter(std::span<const BoxButton> buttons, char typed);
// The leftmost button whose upper-cased character after '&' is the virtual key (a letter key
// arrives as its upper-case letter); -1 for none.
int ButtonForKey(std::span<const BoxButton> buttons, unsigned virtualKey);

// Focus moved by `step` (-1 previous, +1 next) among `count` buttons, wrapping at both ends.
size_t MoveFocus(size_t current, size_t count, int step);
