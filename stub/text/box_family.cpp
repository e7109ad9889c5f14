#include "stub/text/box_family.h"

namespace {

constexpr std::string_view kUpperCaseCaptions = "|Error|Attention|Confirm|";

}  // namespace

FamilyBox PrepareFamilyBox(FamilyKind kind, intptr_t owner, std::string_view text,
                           std::string_view caption, int charset, std::string_view buttons) {
    const FamilyStyle& style = kFamilyStyles[kind];
    FamilyBox box;
    box.caption = caption.empty() ? style.caption : caption;
    box.buttons = buttons.empty() ? kDefaultButtonList : buttons;
    box.flags = style.flags;
    box.text = text;
    // Hebrew and Arabic: right-aligned, right-to-left reading.
    if (charset == 177 || charset == 178) box.flags += 0x180000;
    if (owner == 0) {
        // A substring test, not an item lookup: "Err" is upper-cased as well.
        if (kUpperCaseCaptions.find(box.caption) != std::string_view::npos) {
            for (char& c : box.caption)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        box.text = "<<b>" + box.caption + "</b><P><P>" + box.text + "<P>";
    }
    if (owner == 2) box.flags += 0x10000000;
    // Task-modal, set to the foreground, topmost.
    box.flags += 0x52000;
    return box;
}
