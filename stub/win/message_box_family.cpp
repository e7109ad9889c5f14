#include "stub/text/box_buttons.h"
#include "stub/text/box_family.h"
#include "stub/win/message_box.h"
#include "stub/win/pump.h"

namespace {

int ShowFamilyBox(FamilyKind kind, HWND owner, const std::string& text, const std::string& caption,
                  int charset, const std::string& buttons, DWORD timeoutMilliseconds) {
    const intptr_t ownerValue = reinterpret_cast<intptr_t>(owner);
    const FamilyBox box = PrepareFamilyBox(kind, ownerValue, text, caption, charset, buttons);
    if (ownerValue >= 0 && ownerValue <= 2) owner = GetActiveWindow();
    const int result =
        ShowRichMessage(owner, box.text, box.caption, timeoutMilliseconds, box.flags, box.buttons);
    // Lets the owner repaint where the box was before the caller goes on with long work.
    PumpWait(100);
    return result;
}

}  // namespace

void ErrorBox(HWND owner, const std::string& text, const std::string& caption, int charset,
              const std::string& buttons) {
    ShowFamilyBox(kErrorBox, owner, text, caption, charset, buttons, 0);
}

void AttentionBox(HWND owner, const std::string& text, const std::string& caption, int charset,
                  const std::string& buttons, DWORD timeoutMilliseconds) {
    ShowFamilyBox(kAttentionBox, owner, text, caption, charset, buttons, timeoutMilliseconds);
}

bool ConfirmBox(HWND owner, const std::string& text, const std::string& caption, int charset,
                const std::string& buttons) {
    return ShowFamilyBox(kConfirmBox, owner, text, caption, charset, buttons, 0) == kResultYes;
}

bool OkCancelBox(HWND owner, const std::string& text, const std::string& caption, int charset,
                 const std::string& buttons) {
    return ShowFamilyBox(kOkCancelBox, owner, text, caption, charset, buttons, 0) == kResultOk;
}
