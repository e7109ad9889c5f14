#include "jobrunner/markers.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<uint8_t, kMarkerSize> kMarkerNibbleSwap = {'#', 'J', 'C', 'R', 'T',
                                                                '_', 'Q', 'V', 'G', '#'};
constexpr std::array<uint8_t, kMarkerSize> kMarkerXorPairs = {0x30, 0x24, 0x82, 0x62, 0x02,
                                                              0x5A, 0x05, 0x4F, 0x99, 0x43};
constexpr uint8_t kXorKey = 0x96;

}  // namespace

int markerKind(std::span<const uint8_t, kMarkerSize> tail) {
    if (std::equal(tail.begin(), tail.end(), kMarkerNibbleSwap.begin())) return 1;
    if (std::equal(tail.begin(), tail.end(), kMarkerXorPairs.begin())) return 2;
    return 0;
}

uint8_t TransformByte(uint8_t byte, int kind) {
    if (kind == 1) return static_cast<uint8_t>((byte << 4) | (byte >> 4));
    const unsigned x = byte ^ kXorKey;
    return static_cast<uint8_t>(((x & 0x03) << 6) | ((x & 0x0C) << 2) | ((x & 0x30) >> 2) |
                                ((x & 0xC0) >> 6));
}

int transformBytes(std::span<const uint8_t> input, std::span<uint8_t> output, int kind) {
    if (output.empty()) return 6;
    if (kind != 1 && kind != 2) return 10;
    uint8_t last = 0x20;
    for (size_t i = 0; i < output.size(); ++i) {
        if (i < input.size()) last = input[i];
        output[i] = TransformByte(last, kind);
    }
    return 0;
}
