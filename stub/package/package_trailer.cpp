#include "stub/package/package_trailer.h"

#include <algorithm>

#include "common/bytes.h"

std::array<uint8_t, kTrailerSize> SerializeTrailer(const PackageTrailer& t) {
    std::array<uint8_t, kTrailerSize> bytes{};
    ByteWriter w(bytes.data(), bytes.size());
    w.U8(0, t.formatTag);
    w.U8(1, t.headerBlockCount);
    w.U32(4, t.packageStart);
    w.U32(8, t.filesCount);
    w.U32(12, t.magic);
    w.U32(16, t.checksum);
    w.U64(20, t.buildStamp);
    for (size_t i = 0; i < kSpaceNeededCount; ++i) w.U32(28 + 4 * i, t.spaceNeeded[i]);
    w.U8(64, t.reserved64);
    w.U8(65, t.flags);
    w.U8(66, t.webInstall);
    w.U8(67, t.confirmDownload);
    w.U8(68, t.makeAgentCopy);
    w.U8(69, t.isAgent);
    w.U32(70, t.trailerLength);
    return bytes;
}

PackageTrailer ParseTrailer(const uint8_t* bytes, size_t size) {
    std::array<uint8_t, kTrailerSize> full{};
    std::copy_n(bytes, std::min<size_t>(size, kTrailerSize), full.begin());
    ByteReader r(full.data(), full.size());
    PackageTrailer t;
    t.formatTag = r.U8(0);
    t.headerBlockCount = r.U8(1);
    t.packageStart = r.U32(4);
    t.filesCount = r.U32(8);
    t.magic = r.U32(12);
    t.checksum = r.U32(16);
    t.buildStamp = r.U64(20);
    for (size_t i = 0; i < kSpaceNeededCount; ++i) t.spaceNeeded[i] = r.U32(28 + 4 * i);
    t.reserved64 = r.U8(64);
    t.flags = r.U8(65);
    t.webInstall = r.U8(66);
    t.confirmDownload = r.U8(67);
    t.makeAgentCopy = r.U8(68);
    t.isAgent = r.U8(69);
    t.trailerLength = r.U32(70);
    return t;
}

bool IsExecutable(FileReader& file) {
    uint8_t head[kExecutableHeaderSize];
    if (!file.ReadExact(0, head, sizeof head)) return false;
    return head[0] == 'M' && head[1] == 'Z' && head[256] == 'P' && head[257] == 'E';
}

uint64_t TrailerEndOffset(FileReader& file) {
    if (!IsExecutable(file)) return 0;
    uint8_t field[8];
    if (!file.ReadExact(kTrailerEndHighOffset, field, sizeof field)) return 0;
    ByteReader r(field, sizeof field);
    return uint64_t{r.U32(0)} << 32 | r.U32(4);
}

TrailerPlace ReadTrailer(FileReader& file) {
    TrailerPlace place;
    const uint64_t size = file.Size();
    uint64_t end = size;
    if (const uint64_t recorded = TrailerEndOffset(file); recorded > 0) {
        if (recorded > size) {
            place.error = TrailerError::kEndBeyondFile;
            return place;
        }
        end = recorded;
    }
    uint8_t lengthBytes[4];
    if (end < 4) {
        place.error = TrailerError::kFileTooShort;
        return place;
    }
    if (!file.ReadExact(end - 4, lengthBytes, 4)) {
        place.error = TrailerError::kUnreadable;
        return place;
    }
    const uint32_t length = ByteReader(lengthBytes, 4).U32(0);
    if (length < 4) {
        place.error = TrailerError::kLengthTooSmall;
        return place;
    }
    if (length > end) {
        place.error = TrailerError::kLengthBeyondFile;
        return place;
    }
    const uint64_t start = end - length;
    const uint32_t used = std::min(length, kTrailerSize);
    std::array<uint8_t, kTrailerSize> bytes{};
    if (!file.ReadExact(start, bytes.data(), used - 4)) {
        place.error = TrailerError::kUnreadable;
        return place;
    }
    place.trailer = ParseTrailer(bytes.data(), used - 4);
    place.trailer.trailerLength = used;
    if (place.trailer.headerBlockCount == 0) place.trailer.headerBlockCount = 2;
    place.trailerStart = start;
    place.trailerEnd = end;
    return place;
}

std::string DescribeTrailerError(TrailerError error) {
    switch (error) {
        case TrailerError::kNone:
            return "no error";
        case TrailerError::kFileTooShort:
            return "file too short for a trailer";
        case TrailerError::kEndBeyondFile:
            return "recorded trailer end lies past the end of the file";
        case TrailerError::kLengthTooSmall:
            return "trailer length below 4";
        case TrailerError::kLengthBeyondFile:
            return "trailer length beyond the file";
        case TrailerError::kUnreadable:
            return "trailer unreadable";
    }
    return "unknown";
}
