#include "stub/package/package_checksum.h"

#include <vector>

#include "common/bytes.h"
#include "stub/package/package_trailer.h"

uint32_t PackageChecksum(FileReader& file, uint32_t trailerLength) {
    const uint64_t size = file.Size();
    if (size > kChecksumSizeLimit) return kChecksumPassAll;
    // Only the low half of TrailerEndOffset counts here.
    const uint64_t recordedEnd = TrailerEndOffset(file) & 0xFFFFFFFFu;
    const int64_t limit = static_cast<int64_t>(recordedEnd > 0 ? recordedEnd : size);
    int64_t remaining = limit - trailerLength;
    uint64_t offset = 0;
    if (recordedEnd > 0) {
        remaining -= 512;
        offset = 512;
    }
    constexpr size_t kChunk = 4096;
    std::vector<uint8_t> chunk(kChunk);
    uint32_t sum = 0;
    size_t got;
    do {
        got = file.ReadAt(offset, chunk.data(), kChunk);
        offset += got;
        ByteReader words(chunk.data(), got);
        for (size_t i = 0; i + 4 <= got; i += 4) {
            remaining -= 4;
            if (remaining > 4) sum += words.U32(i);
        }
        if (remaining > 4) sum += kChecksumPassAll;
    } while (got == kChunk);
    return sum;
}

bool ChecksumPasses(uint32_t computed, uint32_t stored) {
    return computed == stored || computed == kChecksumPassAll || stored == kChecksumPassAll;
}
