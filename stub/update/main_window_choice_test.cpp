#include "stub/update/main_window_choice.h"

#include <gtest/gtest.h>

TEST(MainWindowChoice, TheOwnerOfTheMostWindowsThenTitleThenVisibility) {
    // A hidden helper, the captioned main window, two dialogs it owns (one through the other).
    const std::vector<WindowFacts> program = {
        {10, 0, false, false},
        {20, 0, true, true},
        {30, 20, true, true},
        {40, 20, false, true},
    };
    EXPECT_EQ(WindowScore(program, 1), 11u);
    EXPECT_EQ(WindowScore(program, 2), 3u);
    EXPECT_EQ(ChooseMainWindow(program), 1u);

    // Nothing titled, visible or owning: no main window.
    const std::vector<WindowFacts> silent = {{1, 0, false, false}, {2, 0, false, false}};
    EXPECT_EQ(ChooseMainWindow(silent), silent.size());
    EXPECT_EQ(ChooseMainWindow({}), 0u);
    // Equal scores: the first one counts.
    const std::vector<WindowFacts> twins = {{1, 0, true, false}, {2, 0, true, false}};
    EXPECT_EQ(ChooseMainWindow(twins), 0u);
}
