// The recognisable, never-all-zero pattern that stands in for code in built images, so that a
// checksum over it is a real test and two images of different seeds differ.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/bytes.h"

namespace imgb {

inline void WriteFiller(ByteWriter& writer, size_t from, size_t to, uint32_t seed) {
    for (size_t i = from; i < to; ++i)
        writer.U8(i, static_cast<uint8_t>((i * 0x9D + seed * 0x3B + (i >> 8)) & 0xFF));
}

inline constexpr size_t RoundUpToWord(size_t size) {
    return (size + 3) / 4 * 4;
}

}  // namespace imgb
