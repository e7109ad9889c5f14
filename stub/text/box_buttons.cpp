#include "stub/text/box_buttons.h"

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

template <typename Match>
int Leftmost(std::span<const BoxButton> buttons, Match match) {
    for (size_t i = 0; i < buttons.size(); ++i) {
        const std::string& caption = buttons[i].caption;
        if (caption.size() >= 2 && match(caption[1])) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

std::vector<BoxButton> BoxButtons(unsigned flags, std::span<const std::string> items) {
    std::vector<BoxButton> buttons;
    const unsigned set = flags & 0xF;
    if (set >= std::size(kButtonSets)) return buttons;
    for (size_t i = 0; i < kButtonSets[set].count; ++i) {
        const SetButton& entry = kButtonSets[set].buttons[i];
        buttons.push_back({entry.item < items.size() ? items[entry.item] : "", entry.result});
    }
    return buttons;
}

int DefaultButton(unsigned flags, size_t count) {
    if (count == 0) return -1;
    return static_cast<int>(((flags >> 8) & 0xF) % count);
}

int ButtonForCharacter(std::span<const BoxButton> buttons, char typed) {
    return Leftmost(buttons, [typed](char c) { return c == typed || c == Upper(typed); });
}

int ButtonForKey(std::span<const BoxButton> buttons, unsigned virtualKey) {
    return Leftmost(buttons, [virtualKey](char c) {
        return static_cast<unsigned char>(Upper(c)) == virtualKey;
    });
}

size_t MoveFocus(size_t current, size_t count, int step) {
    if (count == 0) return 0;
    const size_t at = current % count;
    return step < 0 ? (at + count - 1) % count : (at + 1) % count;
}
