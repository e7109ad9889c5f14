// The message boxes the stub shows for errors, notices and questions: their default captions and
// flags, and the preparation they share before the box is shown.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum FamilyKind { kErrorBox, kAttentionBox, kConfirmBox, kOkCancelBox };

struct FamilyStyle {
    const char* caption;
    unsigned flags;  // icon and button set
};

// Indexed by FamilyKind.
inline constexpr FamilyStyle kFamilyStyles[] = {
    {"Error", 0x10},      // error icon, OK
    {"Attention", 0x30},  // warning icon, OK
    {"Confirm", 0x24},    // question icon, Yes/No
    {"Confirm", 0x21},    // question icon, OK/Cancel
};

inline constexpr char kDefaultButtonList[] = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";

struct FamilyBox {
    std::string text;
    std::string caption;
    std::string buttons;
    unsigned flags;
};

// `owner` is the caller's owner value: 0 (no window: the caption heads the text in bold), 2 (also
// greys the Close item) or a window. An empty caption or button list takes the default.
FamilyBox PrepareFamilyBox(FamilyKind kind, intptr_t owner, std::string_view text,
                           std::string_view caption, int charset, std::string_view buttons);
