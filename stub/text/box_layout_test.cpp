#include "stub/text/box_layout.h"

#include <gtest/gtest.h>

TEST(BoxLayout, SplitsAtCrLfOnly) {
    const std::vector<std::string_view> lines = SplitLines("a\r\n\r\nb\nc\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "b\nc");
    EXPECT_EQ(lines[3], "");
}

TEST(BoxLayout, LineHeight) {
    EXPECT_EQ(FieldLineHeight(13, 0, "Tahoma"), 13);
    EXPECT_EQ(FieldLineHeight(16, 2, "MS PGothic"), 19);
    EXPECT_EQ(FieldLineHeight(16, 2, "MS Gothic"), 18);
}

TEST(BoxLayout, FieldSizeFromLineExtents) {
    const struct {
        std::vector<int> extents;
        Size field;
    } cases[] = {
        {{100}, {120, 13}},
        {{40, 0, 120}, {140, 39}},
        // One line of 2,000 pixels: capped at 600 wide (plus the margin), wrapped to 4 lines.
        {{2000}, {610, 52}},
        {{589}, {609, 13}},
        {{590, 600}, {610, 39}},
        {{599, 1199, 1200}, {610, 13 + 26 + 39}},
    };
    for (const auto& c : cases) {
        const Size field = TextFieldSize(c.extents, 13);
        EXPECT_EQ(field.width, c.field.width) << c.extents[0];
        EXPECT_EQ(field.height, c.field.height) << c.extents[0];
    }
}

TEST(BoxLayout, BoldWideningStopsWhenTheTextFits) {
    // The control needs 3 lines of 13 below 160 pixels, 2 from there on.
    std::vector<int> widths;
    const auto control = [&widths](int width) {
        widths.push_back(width);
        return Size{width, width < 160 ? 39 : 26};
    };
    EXPECT_EQ(WidenForBold({130, 26}, control), 160);
    EXPECT_EQ(widths, (std::vector<int>{130, 140, 150, 160}));

    widths.clear();
    EXPECT_EQ(WidenForBold({200, 26}, control), 200);
    EXPECT_EQ(widths, std::vector<int>{200});
}

TEST(BoxLayout, BoldWideningGivesUpAfterTwentySteps) {
    int calls = 0;
    int widest = 0;
    const auto control = [&](int width) {
        ++calls;
        // Requests a width of its own that peaks mid-way.
        const int requested = calls == 7 ? 900 : width - 5;
        widest = std::max(widest, requested);
        return Size{requested, 1000};
    };
    EXPECT_EQ(WidenForBold({100, 26}, control), 910);
    EXPECT_EQ(calls, 21);
    EXPECT_EQ(widest, 900);
}

TEST(BoxLayout, BoxSizeAroundTheField) {
    const FrameMetrics frame{3, 3, 19};
    const struct {
        Size field;
        Size box;
    } cases[] = {
        // Narrow fields get the wide margin, and the box is at least 360 wide.
        {{120, 13}, {360, 6 + 13 + 90 + 19 + 36}},
        {{199, 38}, {6 + 199 + 128 + 54, 6 + 38 + 90 + 19 + 36}},
        {{250, 39}, {6 + 250 + 64 + 54, 6 + 39 + 64 + 19 + 36}},
        {{610, 52}, {6 + 610 + 64 + 54, 6 + 52 + 64 + 19 + 36}},
    };
    for (const auto& c : cases) {
        const Size box = BoxSize(c.field, frame);
        EXPECT_EQ(box.width, c.box.width) << c.field.width;
        EXPECT_EQ(box.height, c.box.height) << c.field.width;
    }
}

TEST(BoxLayout, Placement) {
    const Point centred = BoxPosition({400, 200}, {0, 0}, {1024, 738}, {-1, -1});
    EXPECT_EQ(centred.x, 312);
    EXPECT_EQ(centred.y, 269);
    const Point offsetArea = BoxPosition({400, 200}, {100, 30}, {1024, 738}, {-1, -1});
    EXPECT_EQ(offsetArea.x, 412);
    EXPECT_EQ(offsetArea.y, 299);
    const Point half = BoxPosition({400, 200}, {0, 0}, {1024, 738}, {5, -1});
    EXPECT_EQ(half.x, 5);
    EXPECT_EQ(half.y, 269);
    const Point fixed = BoxPosition({400, 200}, {0, 0}, {1024, 738}, {0, 7});
    EXPECT_EQ(fixed.x, 0);
    EXPECT_EQ(fixed.y, 7);

    const Point field = FieldPosition({354, 170}, {120, 13});
    EXPECT_EQ(field.x, 54 + 90);
    EXPECT_EQ(field.y, 60);

    // Three buttons from the right edge, 70 apart, 29 above the bottom.
    const Size client{354, 170};
    EXPECT_EQ(ButtonPosition(client, 2, 3).x, 274);
    EXPECT_EQ(ButtonPosition(client, 1, 3).x, 204);
    EXPECT_EQ(ButtonPosition(client, 0, 3).x, 134);
    EXPECT_EQ(ButtonPosition(client, 0, 1).x, 274);
    EXPECT_EQ(ButtonPosition(client, 0, 3).y, 141);
}
