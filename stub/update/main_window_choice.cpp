#include "stub/update/main_window_choice.h"

unsigned WindowScore(const std::vector<WindowFacts>& windows, size_t index) {
    unsigned owned = 0;
    for (const WindowFacts& other : windows)
        owned += other.rootOwner != 0 && other.rootOwner == windows[index].window;
    return owned * 4 + (windows[index].titled ? 2 : 0) + (windows[index].visible ? 1 : 0);
}

size_t ChooseMainWindow(const std::vector<WindowFacts>& windows) {
    size_t best = windows.size();
    unsigned bestScore = 0;
    for (size_t i = 0; i < windows.size() && i < kMaxProcessWindows; ++i) {
        const unsigned score = WindowScore(windows, i);
        if (score > bestScore) best = i, bestScore = score;
    }
    return best;
}
