#include "stub/testing/box_answerer.h"

#include <cstring>

namespace {

constexpr char kBoxClass[] = "WyvernMsgBox";

struct FindContext {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM lParam) {
    auto* context = reinterpret_cast<FindContext*>(lParam);
    char cls[64];
    if (!IsWindowVisible(window) || !GetClassNameA(window, cls, sizeof cls) ||
        std::strcmp(cls, kBoxClass) != 0)
        return TRUE;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (context->processId != 0 && owner != context->processId) return TRUE;
    context->found = window;
    return FALSE;
}

std::string WindowText(HWND window) {
    // Sent, not GetWindowText: the box may belong to another process.
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got =
        SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

struct Children {
    HWND field = nullptr;
    std::vector<HWND> buttons;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM lParam) {
    auto* children = reinterpret_cast<Children*>(lParam);
    char cls[64];
    if (!GetClassNameA(window, cls, sizeof cls)) return TRUE;
    if (_stricmp(cls, "Button") == 0)
        children->buttons.push_back(window);
    else if (!children->field && _strnicmp(cls, "RichEdit", 8) == 0)
        children->field = window;
    return TRUE;
}

Children ChildrenOf(HWND box) {
    Children children;
    EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
    // Left to right on the screen, whatever order the windows were made in.
    auto left = [](HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        return r.left;
    };
    for (size_t i = 1; i < children.buttons.size(); ++i)
        for (size_t j = i; j > 0 && left(children.buttons[j]) < left(children.buttons[j - 1]); --j)
            std::swap(children.buttons[j], children.buttons[j - 1]);
    return children;
}

// Answers once the box's thread takes messages: it does so only in the box's own loop.
bool Responds(HWND box) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0;
}

bool SameView(const BoxRecord& a, const BoxRecord& b) {
    return a.caption == b.caption && a.text == b.text && a.buttons == b.buttons &&
           std::memcmp(&a.windowRect, &b.windowRect, sizeof a.windowRect) == 0;
}

}  // namespace

bool ParseAnswer(std::string_view text, Answer* answer) {
    *answer = {};
    if (text == "close") {
        answer->close = true;
        return true;
    }
    if (text == "none") return true;
    static constexpr struct {
        std::string_view name;
        WPARAM key;
    } kNamedKeys[] = {{"enter", VK_RETURN}, {"tab", VK_TAB}, {"left", VK_LEFT},
                      {"right", VK_RIGHT},  {"up", VK_UP},   {"down", VK_DOWN}};
    while (!text.empty()) {
        const size_t plus = text.find('+', 1);
        const std::string_view step = text.substr(0, plus);
        text.remove_prefix(plus == std::string_view::npos ? text.size() : plus + 1);
        if (step.size() == 1) {
            answer->keys.push_back({WM_CHAR, static_cast<unsigned char>(step[0])});
            continue;
        }
        if (step.size() == 5 && step.starts_with("key:")) {
            // Letter keys are named by their upper-case letter.
            const char letter = step[4] >= 'a' && step[4] <= 'z' ? step[4] - 'a' + 'A' : step[4];
            answer->keys.push_back({WM_KEYDOWN, static_cast<unsigned char>(letter)});
            continue;
        }
        bool known = false;
        for (const auto& named : kNamedKeys) {
            if (named.name != step) continue;
            answer->keys.push_back({WM_KEYDOWN, named.key});
            known = true;
        }
        if (!known) return false;
    }
    return !answer->keys.empty();
}

HWND FindBox(DWORD processId) {
    FindContext context{processId, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

HWND WaitForBox(DWORD processId, DWORD timeoutMilliseconds) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMilliseconds;
    BoxRecord last;
    HWND candidate = nullptr;
    while (GetTickCount64() < deadline) {
        const HWND box = FindBox(processId);
        if (box && Responds(box)) {
            // Built when two looks a moment apart agree.
            const BoxRecord now = RecordBox(box);
            if (box == candidate && SameView(now, last)) return box;
            candidate = box;
            last = now;
        }
        Sleep(50);
    }
    return nullptr;
}

BoxRecord RecordBox(HWND box) {
    BoxRecord record;
    record.window = box;
    record.caption = WindowText(box);
    GetWindowRect(box, &record.windowRect);
    const Children children = ChildrenOf(box);
    record.field = children.field;
    if (children.field) {
        record.text = WindowText(children.field);
        GetWindowRect(children.field, &record.fieldRect);
        record.fieldStyle = GetWindowLongA(children.field, GWL_STYLE);
        record.fieldExStyle = GetWindowLongA(children.field, GWL_EXSTYLE);
    }
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    const DWORD thread = GetWindowThreadProcessId(box, nullptr);
    GetGUIThreadInfo(thread, &gui);
    for (size_t i = 0; i < children.buttons.size(); ++i) {
        record.buttons.push_back(WindowText(children.buttons[i]));
        if (children.buttons[i] == gui.hwndFocus) record.focusedButton = static_cast<int>(i);
    }
    return record;
}

void PressAnswer(HWND box, const Answer& answer) {
    for (const Answer::Key& key : answer.keys) PostMessageA(box, key.message, key.code, 1);
    if (answer.close) PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool WaitUntilGone(HWND box, DWORD timeoutMilliseconds) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMilliseconds;
    while (IsWindow(box)) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
    return true;
}

std::string RecordText(const BoxRecord& record) {
    std::string out = "caption: " + record.caption + "\r\nbuttons:";
    for (const std::string& button : record.buttons) out += " " + button;
    out += "\r\ntext:\r\n" + record.text + "\r\n\r\n";
    return out;
}
