// Which of a process's top-level windows is its main window: the one that owns the most of the
// others, then one with a title, then a visible one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// At most this many windows of one process are looked at.
inline constexpr size_t kMaxProcessWindows = 2001;

struct WindowFacts {
    uintptr_t window = 0;
    uintptr_t rootOwner = 0;  // the end of its chain of owners; 0 when it has no owner
    bool titled = false;
    bool visible = false;
};

// 4 x the windows this one is the root owner of, + 2 for a title, + 1 when visible.
unsigned WindowScore(const std::vector<WindowFacts>& windows, size_t index);
// The first window with the highest score above 0, or the list's size when none scores.
size_t ChooseMainWindow(const std::vector<WindowFacts>& windows);
