// Vital product data as manufacturing page 1 holds it: PCI VPD form, an identifier string, large
// resources of two-character keywords (0x90 read-only, 0x91 writable) and the small end tag.
// Offsets count from the start of the VPD, which is page offset 4; lengths are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flash/adapters/ioc_calls.h"
#include "flash/pal/mpi.h"

inline constexpr ConfigPageId kVpdPage = {MPI_CONFIG_PAGETYPE_MANUFACTURING, 1, 0, 0};
inline constexpr size_t kVpdPageLength = 260;
inline constexpr size_t kVpdPageOffset = 4;  // after the page header
inline constexpr size_t kVpdLength = 256;

inline constexpr uint8_t kVpdIdStringTag = 0x82;
inline constexpr uint8_t kVpdReadOnlyTag = 0x90;
inline constexpr uint8_t kVpdWritableTag = 0x91;
inline constexpr uint8_t kVpdEndTag = 0x78;
inline constexpr size_t kVpdResourceHeaderSize = 3;  // tag, u16 length
inline constexpr size_t kVpdKeywordHeaderSize = 3;   // two characters, u8 length

struct VpdResource {
    size_t offset;  // of the tag
    uint8_t tag;
    uint16_t length;    // as written
    size_t dataOffset;  // offset + 3
    size_t dataLength;  // the part of length that lies inside the VPD
};

struct VpdKeyword {
    char name[2];
    size_t valueOffset;
    uint8_t valueLength;
};

enum class VpdWalkEnd : uint8_t {
    kEndTag,    // stopped at the small end tag 0x78
    kOtherTag,  // stopped at another byte of 0x80 or below
    kPastEnd,   // ran out of the VPD (or had not ended yet)
};

// The resources after the identifier string, in order. The identifier takes its length plus 3
// bytes; while the next position lies inside the VPD and holds a byte above 0x80 that byte is a
// resource tag. Every step moves forward by at least 3 bytes, so the walk always ends.
class VpdResourceWalk {
  public:
    VpdResourceWalk(const uint8_t* vpd, size_t length);
    bool Next(VpdResource* resource);
    VpdWalkEnd end() const { return end_; }

  private:
    const uint8_t* vpd_;
    size_t length_;
    size_t position_;
    VpdWalkEnd end_ = VpdWalkEnd::kPastEnd;
};

// The keywords of one resource, until its length is used up. A keyword whose header or value
// would run past the resource (or the VPD) ends the walk unvisited, so a visited value can always
// be read and written whole.
class VpdKeywordWalk {
  public:
    VpdKeywordWalk(const uint8_t* vpd, size_t length, const VpdResource& resource);
    bool Next(VpdKeyword* keyword);

  private:
    const uint8_t* vpd_;
    size_t position_;
    size_t end_;
};

bool IsVpdKeyword(const VpdKeyword& keyword, const char name[3]);

// The identifier string's text: its offset (3) and the part of its length inside the VPD.
size_t VpdIdentifierLength(const uint8_t* vpd, size_t length);

// Stores into the first "RV" value byte the two's complement of the 8-bit sum of every byte from
// the start of the VPD up to it. False when no resource holds an "RV" keyword.
bool SetVpdChecksum(uint8_t* vpd, size_t length);
