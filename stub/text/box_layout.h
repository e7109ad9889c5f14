// The message box's measures: the text field sized from the measured lines of its text, the box
// around it, and where the field and the buttons go. Pure arithmetic over measured numbers.
#pragma once

#include <functional>
#include <span>
#include <string_view>
#include <vector>

inline constexpr int kFieldMaxWidth = 600;
inline constexpr int kIconBandWidth = 54;
inline constexpr int kButtonBandHeight = 36;
inline constexpr int kButtonWidth = 70;
inline constexpr int kButtonHeight = 23;

struct Size {
    int width;
    int height;
};

struct Point {
    int x;
    int y;
};

// Lines of the plain text, split at CR LF.
std::vector<std::string_view> SplitLines(std::string_view text);

// The font's text height plus external leading; the face "MS PGothic" draws a pixel taller.
int FieldLineHeight(int textHeight, int externalLeading, std::string_view faceName);

// Field size from the extent of each line: the widest + 10 (at most 600) plus a 10-pixel margin,
// and every line as many line heights as it wraps at 600 pixels.
Size TextFieldSize(std::span<const int> lineExtents, int lineHeight);

// Bold text is wider than the measured extents. `requestAt(width)` sets the field to that width
// and answers the size the control then asks for. Widens in steps of 10 (at most 20) until the
// computed height holds the requested one; otherwise the largest requested width + 10.
int WidenForBold(Size field, const std::function<Size(int width)>& requestAt);

struct FrameMetrics {
    int frameWidth;
    int frameHeight;
    int captionHeight;
};

// The window size around a field of `field`'s size.
Size BoxSize(Size field, const FrameMetrics& frame);

// Top-left of a box centred in the work area, or the override where it is not -1.
Point BoxPosition(Size box, Point workOrigin, Size workArea, Point override);

// The field centred in the client area right of the icon band and above the button band.
Point FieldPosition(Size client, Size field);

// Top-left of button i of `count`, left to right; the rightmost ends 10 pixels from the edge.
Point ButtonPosition(Size client, size_t index, size_t count);
