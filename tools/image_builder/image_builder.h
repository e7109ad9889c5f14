// Builds the binary images tessel reads, for tests, the emulator's lab and the tessel-image tool:
// firmware images with their extended-image chain, common boot blocks, Ombra images, PCI
// expansion ROM images, boot-services regions and VPD bytes. Every builder answers a complete,
// self-consistent file (checksums set) unless the caller asks for a fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace imgb {

using Bytes = std::vector<uint8_t>;

// ---- Versions, chips and product ids ------------------------------------------------------------

// "1.32.0.0" (four decimal parts 0-255) to 0x01200000. False on any other text.
bool ParseVersionWord(std::string_view text, uint32_t* version);
// 0x01200000 to "01.32.00.00", the form tessel prints.
std::string FormatVersionWord(uint32_t version);

inline constexpr uint8_t kFamilyT410 = 1;
inline constexpr uint8_t kFamilyT420 = 2;
inline constexpr uint8_t kFamilyT470 = 3;
inline constexpr uint8_t kFamilyT4x0E = 4;

inline constexpr uint8_t kProtocolSas = 2;
inline constexpr uint8_t kKindIt = 2;  // any kind but 4, 5 and 7 is IT
inline constexpr uint8_t kKindIr = 4;

// A SeqCodeVersion that fits a T470 of every revision.
inline constexpr uint32_t kSeqCodeAnyT470 = 1;

// One row per chip model the user can name ("T420E"). `deviceId` is the even PCI id a BIOS image
// names as primary; `secondDeviceId` is the chip's other id (the odd one, 0x0060 for the T470).
struct ChipModel {
    const char* name;
    uint16_t deviceId;
    uint16_t secondDeviceId;
    uint8_t family;
    uint16_t chipCode;  // SeqCodeVersion bits 23-8
};
// Null when the name (case-insensitive) or the PCI device id is not a known model.
const ChipModel* FindChipModel(std::string_view name);
const ChipModel* FindChipModelByDevice(uint16_t deviceId);

// The SeqCodeVersion tessel expects for an adapter: chip code << 8 | stepping code of the PCI
// revision. False for an unknown device id or an unlisted revision.
bool SeqCodeVersionFor(uint16_t deviceId, uint8_t pciRevision, uint32_t* seqCode);

// Protocol in bits 15-12, kind in bits 11-8, family in bits 7-0.
uint16_t MakeProductId(uint8_t protocol, uint8_t kind, uint8_t family);

// 32-bit little-endian word sum of (size + 3) / 4 words, missing bytes counting as zero; and the
// 8-bit byte sum.
uint32_t WordSum(const uint8_t* data, size_t size);
uint8_t ByteSum(const uint8_t* data, size_t size);

// ---- Firmware images ----------------------------------------------------------------------------

inline constexpr uint8_t kExtTypeNvdata = 3;
inline constexpr uint8_t kExtTypeBootloader = 4;
inline constexpr uint8_t kExtTypeInitialization = 5;

// One extended image: the 24-byte header is written by BuildFirmwareImage (type, checksum,
// ImageSize, link, load address); `payload` is everything after it. Payloads are padded with
// zeros to whole words.
struct ExtendedImage {
    uint8_t imageType = 0;
    uint32_t loadStartAddress = 0;
    Bytes payload;
    bool badChecksum = false;  // this image's own word sum is left non-zero
};

// Filler payloads of `size` bytes (a recognisable pattern, never all zero).
ExtendedImage BootloaderImage(size_t size = 0x1000);
ExtendedImage InitializationImage(size_t size = 0x1000);

struct NvdataSpec {
    uint16_t version = 0x2D03;          // high byte = NVDATA major version; 0 reads as "no NVDATA"
    std::string vendorId = "KELMAR";    // padded with spaces to 8 bytes (cut at 8)
    std::string productId = "SAS HBA";  // padded with spaces to 16 bytes (cut at 16)
    bool omitFirstSignature = false;    // zeros where the signature belongs
    bool corruptFirstSignature = false;
    bool omitSecondSignature = false;
    bool corruptSecondSignature = false;
    size_t size = 0x100;  // bytes of NVDATA after the extended header, >= 0x64
    uint32_t loadStartAddress = 0;
};
// A type-3 image whose payload is an NVDATA header and identity block.
ExtendedImage NvdataImage(const NvdataSpec& spec);
// A type-5 image whose payload is the common boot block `cbb` (see BuildCommonBootBlock).
ExtendedImage CommonBootBlockImage(const Bytes& cbb);

struct FirmwareFaults {
    bool badSignature = false;      // Signature1 changed
    bool badChecksum = false;       // whole-file word sum left non-zero
    size_t truncateTo = 0;          // cut the finished file to this length (0: keep it)
    bool imageSizePastEnd = false;  // main ImageSize beyond the end of the file
    bool lastLinkPastEnd = false;   // last extended image links beyond the end
    bool chainLoops = false;        // last extended image links back to the first
};

struct FirmwareSpec {
    uint16_t productId = 0x2202;
    uint32_t fwVersion = 0x01200000;
    uint32_t seqCodeVersion = 0x0420B0;
    uint16_t nvdataMajorVersion = 0x2D00;  // the word at 0x10: the NVDATA major in its high byte
    uint32_t flashLayoutFlags = 0x2;     // bit 0: 2 MB layout; bit 1: answers flash-size inquiry
    uint32_t nvdataLoadStartAddress = 0;
    size_t mainImageSize = 0x1000;  // header included; at least 0xB8, rounded up to whole words
    std::vector<ExtendedImage> extendedImages;  // chained in this order
    FirmwareFaults faults;
};

// The main header and filler, then the extended images in order, each linked to the next from the
// file start; extended checksums first, then the main Checksum so the whole file sums to zero.
Bytes BuildFirmwareImage(const FirmwareSpec& spec);

// A ready-made image for an adapter: ProductId (SAS, IT, the device's family), SeqCodeVersion of
// the device and revision, bootloader and NVDATA images, and for a T470 an initialization image
// and a common boot block image before the NVDATA. False for an unknown device or revision.
bool StandardFirmwareSpec(uint16_t deviceId, uint8_t pciRevision, uint32_t fwVersion,
                          FirmwareSpec* spec);

// ---- Common boot blocks and Ombra images --------------------------------------------------------

// "M.aa.bb.cc.dddd": digits at 0, 2-3, 5-6, 8-9, 11-14; any character at 1, 4, 7, 10.
bool IsCbbVersionText(std::string_view text);

struct CbbSpec {
    std::string version = "1.00.00.00.0000";
    size_t size = 0x800;  // the whole block, the value at 0x18; at least 0x40
    bool badMagic = false;
};
// "T470" at 0, "BTBL" at 0x10, size at 0x18, version text offset (0x20) at 0x1C, the text with a
// zero byte, filler up to `size`.
Bytes BuildCommonBootBlock(const CbbSpec& spec);

struct OmbraSpec {
    size_t size = 0x8000;  // bytes before any boot block; rounded up to 0x20000 when one follows
    Bytes cbb;             // appended at the next multiple of 0x20000 when not empty
};
Bytes BuildOmbraImage(const OmbraSpec& spec);

// ---- PCI expansion ROM images and boot-services regions -----------------------------------------

inline constexpr uint8_t kCodeTypeX86 = 0;
inline constexpr uint8_t kCodeTypeFcode = 1;
inline constexpr uint8_t kCodeTypeEfi = 3;

struct RomSpec {
    uint8_t codeType = kCodeTypeX86;
    uint16_t vendorId = 0x1000;
    uint16_t deviceId = 0x0054;
    uint8_t structureRevision = 3;
    uint16_t codeRevision = 0;
    uint8_t versionBytes[2] = {0, 0};  // PCIR +0x18/0x19 (revision <= 2) or +0x1C/0x1D (3)
    bool lastImage = true;             // indicator byte
    size_t blocks = 4;                 // length in 512-byte units, >= 1
    uint16_t pcirOffset = 0x1C;        // where the PCI data structure starts
    bool badChecksum = false;
};
// 0xAA55, the PCI data structure offset at 0x18, the structure, filler, checksum as last byte.
Bytes BuildRomImage(const RomSpec& spec);
// Sets the last byte so that the image's bytes sum to zero.
void FixRomChecksum(uint8_t* image, size_t size);

struct TrailingRecord {
    uint8_t recordClass = 1;  // 1 or 3
    uint16_t identifier = 0x102;
    uint32_t length = 0x80;  // at least 0x64
};
// 0xAA55 at 0, class << 28 | identifier at 0x38, length at 0x60, filler elsewhere.
Bytes BuildTrailingRecord(const TrailingRecord& record);

// ROM images back to back (indicator set on the last one only, checksums redone when
// `fixIndicators`), then the records.
Bytes BuildBootServicesRegion(const std::vector<Bytes>& roms,
                              const std::vector<TrailingRecord>& records,
                              bool fixIndicators = true);

// ---- VPD ----------------------------------------------------------------------------------------

struct VpdKeyword {
    std::string keyword;  // two characters
    std::string value;    // stored as is (no terminating zero)
};
struct VpdSpec {
    std::string identifier = "Kelmar SAS HBA";
    std::vector<VpdKeyword> readOnly;  // "RV" (one checksum byte) is added last
    std::vector<VpdKeyword> writable;  // "RW" is added last, filling up to `rwSize` value bytes
    size_t rwSize = 8;
    size_t size = 256;  // the VPD area; zeros after the end tag
};
// Identifier string (0x82), VPD-R (0x90) ending in "RV", VPD-W (0x91) ending in "RW", end tag
// (0x78). Empty when it does not fit in `size`.
Bytes BuildVpd(const VpdSpec& spec);

// ---- Describing a file --------------------------------------------------------------------------

// Text about what `data` holds (firmware header and extended chain, CBB, Ombra, ROM chain and
// trailing records), one fact per line. Never reads outside the buffer.
std::string DescribeImage(const uint8_t* data, size_t size);

}  // namespace imgb
