#include "stub/text/box_layout.h"

#include <algorithm>

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (;;) {
        const size_t end = text.find("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) return lines;
        text.remove_prefix(end + 2);
    }
}

int FieldLineHeight(int textHeight, int externalLeading, std::string_view faceName) {
    return textHeight + externalLeading + (faceName == "MS PGothic" ? 1 : 0);
}

Size TextFieldSize(std::span<const int> lineExtents, int lineHeight) {
    int widest = 0;
    int height = 0;
    for (int extent : lineExtents) {
        widest = std::max(widest, extent);
        height += (std::max(extent, 0) / kFieldMaxWidth + 1) * lineHeight;
    }
    return {std::min(widest + 10, kFieldMaxWidth) + 10, height};
}

int WidenForBold(Size field, const std::function<Size(int width)>& requestAt) {
    constexpr int kSteps = 20;
    int width = field.width;
    Size requested = requestAt(width);
    int widestRequest = requested.width;
    for (int step = 0; step < kSteps; ++step) {
        if (field.height >= requested.height) return width;
        width += 10;
        requested = requestAt(width);
        widestRequest = std::max(widestRequest, requested.width);
    }
    if (field.height >= requested.height) return width;
    return widestRequest + 10;
}

Size BoxSize(Size field, const FrameMetrics& frame) {
    const int margin = field.width < 200 ? 64 : 32;
    const int width =
        std::max(360, field.width + 2 * frame.frameWidth + 2 * margin + kIconBandWidth);
    const int height = 2 * frame.frameHeight + field.height + (field.height < 39 ? 90 : 64) +
                       frame.captionHeight + kButtonBandHeight;
    return {width, height};
}

Point BoxPosition(Size box, Point workOrigin, Size workArea, Point override) {
    return {override.x != -1 ? override.x : workOrigin.x + (workArea.width - box.width) / 2,
            override.y != -1 ? override.y : workOrigin.y + (workArea.height - box.height) / 2};
}

Point FieldPosition(Size client, Size field) {
    return {kIconBandWidth + (client.width - kIconBandWidth - field.width) / 2,
            (client.height - kButtonBandHeight - field.height) / 2};
}

Point ButtonPosition(Size client, size_t index, size_t count) {
    const int fromRight = static_cast<int>(count - 1 - index);
    return {client.width - 80 - fromRight * kButtonWidth, client.height - 29};
}
