// The per-disk package checksum: a wrapping sum of little-endian words that leaves out the first
// 512 bytes of an executable (TrailerEndOffset and the signature directory live there) and
// everything from the trailer on, so signing a stub after building does not break it.
#pragma once

#include <cstdint>

#include "stub/package/file_reader.h"

// Disk files above this size are not summed (the answer is 1234), to avoid reading them twice.
constexpr uint64_t kChecksumSizeLimit = 52428800;

uint32_t PackageChecksum(FileReader& file, uint32_t trailerLength);
// A disk file passes when the sums agree or either is 1234.
bool ChecksumPasses(uint32_t computed, uint32_t stored);
