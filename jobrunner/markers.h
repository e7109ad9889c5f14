// Marked job files: a 10-byte tail that says the content before it is scrambled, and the two
// byte transforms that unscramble it (each is its own inverse).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

constexpr size_t kMarkerSize = 10;

// 0 for an unmarked tail, else the marker's kind (1 or 2).
int markerKind(std::span<const uint8_t, kMarkerSize> tail);

uint8_t TransformByte(uint8_t byte, int kind);

// Fills output (the byte count is its size) from input by the kind's transform. Past the end of
// input the byte read last is used again (0x20 before the first). Returns 0, 6 for a count of 0
// or 10 for a kind other than 1 or 2.
int transformBytes(std::span<const uint8_t> input, std::span<uint8_t> output, int kind);
