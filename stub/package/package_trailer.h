// The fixed trailer that closes every disk file of a package, and how a reader finds it: from the
// last four bytes, or through the offset an executable keeps in its DOS stub area when data
// (a signature) follows the package.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "stub/package/file_reader.h"

constexpr uint32_t kPackageMagic = 0x4A3B2C1D;
constexpr uint32_t kTrailerSize = 74;
constexpr uint32_t kChecksumPassAll = 1234;
constexpr size_t kSpaceNeededCount = 9;
// Executable test and the 64-bit trailer end kept in the DOS stub area (high half first).
constexpr uint64_t kExecutableHeaderSize = 258;
constexpr uint64_t kTrailerEndHighOffset = 248;
constexpr uint64_t kTrailerEndLowOffset = 252;

// Bits of PackageTrailer::flags.
enum TrailerFlag : uint8_t {
    kShowSpaceNotice = 1 << 0,
    kMoreDisks = 1 << 1,
    kRelaunchFromCopy = 1 << 2,
    kShowActivityBar = 1 << 3,
    kAgentLog = 1 << 4,
};

struct PackageTrailer {
    uint8_t formatTag = 0;
    uint8_t headerBlockCount = 0;
    uint32_t packageStart = 0;
    uint32_t filesCount = 0;
    uint32_t magic = 0;
    uint32_t checksum = 0;
    uint64_t buildStamp = 0;
    std::array<uint32_t, kSpaceNeededCount> spaceNeeded{};
    uint8_t reserved64 = 0;
    uint8_t flags = 0;
    uint8_t webInstall = 0;
    uint8_t confirmDownload = 0;
    uint8_t makeAgentCopy = 0;
    uint8_t isAgent = 0;
    uint32_t trailerLength = 0;

    bool HasMagic() const { return magic == kPackageMagic; }
    bool Flag(TrailerFlag flag) const { return (flags & flag) != 0; }
};

// The 74 bytes of a trailer; a shorter (older) trailer is the prefix of these.
std::array<uint8_t, kTrailerSize> SerializeTrailer(const PackageTrailer& trailer);
// Decodes `size` bytes (at most 74); fields beyond them stay zero.
PackageTrailer ParseTrailer(const uint8_t* bytes, size_t size);

// True for an 'MZ' file whose own header starts with 'PE' at offset 256.
bool IsExecutable(FileReader& file);
// The offset just past the trailer as an executable records it; 0 when absent or not an executable.
uint64_t TrailerEndOffset(FileReader& file);

enum class TrailerError {
    kNone,
    kFileTooShort,      // fewer than four bytes to hold a trailer length
    kEndBeyondFile,     // the recorded trailer end lies past the physical end
    kLengthTooSmall,    // stored length below 4
    kLengthBeyondFile,  // stored length reaches before the start of the file
    kUnreadable,        // a read came back short
};

struct TrailerPlace {
    PackageTrailer trailer;     // zero-filled unless error is kNone
    uint64_t trailerStart = 0;  // where the trailer record begins: blocks end here
    uint64_t trailerEnd = 0;    // the file length a reader works with
    TrailerError error = TrailerError::kNone;
    bool ok() const { return error == TrailerError::kNone; }
};

// Finds and reads the trailer. A trailer longer than 74 bytes is read as 74; a header-block count
// of 0 (old trailers) reads as 2.
TrailerPlace ReadTrailer(FileReader& file);

// Human-readable reason for a refused disk file.
std::string DescribeTrailerError(TrailerError error);
