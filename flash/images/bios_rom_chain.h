// The boot services region: a chain of PCI expansion ROM images (x86 BIOS, alternate x86 BIOS,
// EFI driver, FCODE) followed by trailing boot-services records. All little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

using ByteSpan = std::span<const uint8_t>;

inline constexpr uint16_t kRomSignature = 0xAA55;
inline constexpr size_t kRomPcirPointerOffset = 0x18;  // u16, from the image start
inline constexpr size_t kRomBlockSize = 512;

// PCI data structure.
inline constexpr uint32_t kPcirSignature = 0x52494350;  // "PCIR"
inline constexpr size_t kPcirDeviceIdOffset = 0x06;
inline constexpr size_t kPcirStructureRevisionOffset = 0x0C;
inline constexpr size_t kPcirImageLengthOffset = 0x10;  // u16, 512-byte units
inline constexpr size_t kPcirCodeRevisionOffset = 0x12;
inline constexpr size_t kPcirCodeTypeOffset = 0x14;
inline constexpr size_t kPcirIndicatorOffset = 0x15;  // non-zero on the last image
inline constexpr size_t kPcirFieldsSize = 0x16;       // what the walks read of it

inline constexpr uint8_t kCodeTypeX86 = 0;
inline constexpr uint8_t kCodeTypeFcode = 1;
inline constexpr uint8_t kCodeTypeEfi = 3;
// Wanted types that are no code type: the second x86 image, and whatever the first image is.
inline constexpr uint8_t kRomAlternateX86 = 0xAA;
inline constexpr uint8_t kRomFirstImage = 0xFF;

inline constexpr uint32_t kNoBiosVersion = 0xFFFFFFFF;

// Trailing records: 0xAA55, type word (class in bits 31-28, identifier in bits 15-0), length.
inline constexpr size_t kRecordTypeOffset = 0x38;
inline constexpr size_t kRecordLengthOffset = 0x60;
inline constexpr size_t kRecordHeaderSize = 0x64;

struct RomImage {
    size_t offset = 0;
    size_t length = 0;  // length field x 512
    size_t pcir = 0;    // absolute offset of the PCI data structure
    uint16_t deviceId = 0;
    uint8_t structureRevision = 0;
    uint16_t codeRevision = 0;
    uint8_t codeType = 0;
    uint8_t indicator = 0;
};

enum class RomImageCheck {
    kValid,
    kNoSignature,      // no 0xAA55
    kPcirOutside,      // the PCI data structure does not lie inside the image
    kNoPcirSignature,  // no "PCIR" where the pointer leads
    kZeroLength,       // the next image would start where this one does
    kPastEnd,          // the image runs past the end of the buffer
};

// Reads the image at offset. Only a kValid image is filled in; nothing outside the buffer is read.
RomImageCheck CheckRomImage(ByteSpan region, size_t offset, RomImage* image);

// The first image of a code type (0, 1 or 3), or for kRomAlternateX86 the second x86 image. The
// walk stops at the image whose indicator is set, or at an offset that holds no valid image.
bool FindRomImage(ByteSpan region, uint8_t wantedType, RomImage* image);

struct TrailingRecord {
    size_t offset;
    size_t length;
};
inline constexpr uint8_t kRecordClassLegacy = 1;
inline constexpr uint8_t kRecordClassEfi = 3;

// Skips the ROM chain, then walks the records while each starts with 0xAA55, holds its header and
// lies inside the region; a record shorter than its own header ends the walk.
bool FindTrailingRecord(ByteSpan region, uint8_t recordClass, uint16_t identifier,
                        TrailingRecord* record);

// Writes the last byte so that the image's bytes sum to zero (8-bit).
void RomImageChecksum(uint8_t* image, size_t length);

// The adapter's PCI device ids come in pairs; the odd members name the alternate image.
bool IsOddDeviceId(uint16_t deviceId);
uint16_t PrimaryDeviceId(uint16_t adapterDeviceId);
uint16_t AlternateDeviceId(uint16_t adapterDeviceId);

// The version word of an image:
//   x86 and FCODE: code revision << 16 | the two bytes at PCIR + 0x18 (structure revision 2 or
//   lower) or PCIR + 0x1C (revision 3 and up);
//   EFI: ((r >> 13) << 24) | ((r & 0x1F00) << 8) | r with r the code revision.
// FCODE images carry the same PCI data structure as x86 ones, so they are read by the x86 rule:
// -list can show their version and -biosall can compare it.
uint32_t RomImageVersion(ByteSpan region, const RomImage& image);

// kind 0 the primary x86 image (device id = the adapter's primary id), kRomAlternateX86 the
// alternate one (alternate id), 3 the EFI image, 1 the first FCODE image, kRomFirstImage whatever
// the first image is. kNoBiosVersion when there is none.
uint32_t BiosImageVersion(ByteSpan region, uint8_t kind, uint16_t adapterDeviceId);
