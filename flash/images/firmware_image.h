// The firmware image as tessel reads it: an MPI_FW_HEADER main image followed by a chain of
// MPI_EXT_IMAGE_HEADER extended images, all little-endian. Every accessor is bounded by the
// image's length; a field past the end reads as zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "flash/frontend/memory.h"

inline constexpr uint32_t kFwSignature0 = 0x5AEAA55A;
inline constexpr uint32_t kFwSignature1 = 0xA55AEAA5;
inline constexpr uint32_t kFwSignature2 = 0x5AA55AEA;

// Main header offsets.
inline constexpr size_t kFwSignature0Offset = 0x04;
inline constexpr size_t kFwSignature1Offset = 0x08;
inline constexpr size_t kFwSignature2Offset = 0x0C;
inline constexpr size_t kFwNvdataMajorVersionOffset = 0x10;
inline constexpr size_t kFwFlashLayoutFlagsOffset = 0x14;
inline constexpr size_t kFwChecksumOffset = 0x1C;
inline constexpr size_t kFwProductIdOffset = 0x22;
inline constexpr size_t kFwVersionOffset = 0x24;
inline constexpr size_t kFwSeqCodeVersionOffset = 0x28;
inline constexpr size_t kFwImageSizeOffset = 0x2C;
inline constexpr size_t kFwNextImageHeaderOffset = 0x30;
inline constexpr size_t kFwNvdataLoadStartAddressOffset = 0xB4;

inline constexpr uint32_t kFlashLayout2Mb = 0x1;           // FlashLayoutFlags bit 0
inline constexpr uint32_t kFlashAnswersSizeInquiry = 0x2;  // FlashLayoutFlags bit 1

// Extended image header (24 bytes).
inline constexpr size_t kExtImageHeaderSize = 24;
inline constexpr size_t kExtImageTypeOffset = 0x00;
inline constexpr size_t kExtChecksumOffset = 0x04;
inline constexpr size_t kExtImageSizeOffset = 0x08;
inline constexpr size_t kExtNextImageHeaderOffset = 0x0C;
inline constexpr size_t kExtLoadStartAddressOffset = 0x10;

inline constexpr uint8_t MPI_EXT_IMAGE_TYPE_NVDATA = 3;
inline constexpr uint8_t MPI_EXT_IMAGE_TYPE_BOOTLOADER = 4;
inline constexpr uint8_t MPI_EXT_IMAGE_TYPE_INITIALIZATION = 5;

// NVDATA extended image fields, from the start of the extended image.
inline constexpr size_t kNvdataSignature1Offset = 0x18;
inline constexpr size_t kNvdataVersionOffset = 0x20;
inline constexpr size_t kNvdataSignature2Offset = 0x3C;
inline constexpr size_t kNvdataVendorIdOffset = 0x40;
inline constexpr size_t kNvdataProductIdOffset = 0x48;
inline constexpr uint32_t kNvdataSignature1 = 0x566F726C;
inline constexpr uint32_t kNvdataSignature2 = 0x51756962;
inline constexpr size_t kNvdataVendorIdSize = 8;
inline constexpr size_t kNvdataProductIdSize = 16;

// ProductId bits.
inline constexpr uint16_t kProductProtocolSas = 2;  // bits 15-12
inline constexpr uint8_t kChipFamilyT410 = 1;       // bits 7-0
inline constexpr uint8_t kChipFamilyT420 = 2;
inline constexpr uint8_t kChipFamilyT470 = 3;
inline constexpr uint8_t kChipFamilyT4x0E = 4;

// The chip codes of SeqCodeVersion bits 23-8, one per family; images built for this kit carry
// them.
inline constexpr uint16_t kChipCodeT410 = 0x0410;
inline constexpr uint16_t kChipCodeT420 = 0x0420;
inline constexpr uint16_t kChipCodeT470 = 0x0470;
inline constexpr uint16_t kChipCodeT4x0E = 0x040E;

struct FirmwareImage {
    const uint8_t* data;
    size_t length;
};

uint32_t ImageWord(FirmwareImage image, size_t offset);
uint16_t ImageHalf(FirmwareImage image, size_t offset);
uint8_t ImageByte(FirmwareImage image, size_t offset);

bool HasFirmwareSignatures(FirmwareImage image);
inline uint16_t ImageProductId(FirmwareImage image) {
    return ImageHalf(image, kFwProductIdOffset);
}
inline uint32_t ImageFwVersion(FirmwareImage image) {
    return ImageWord(image, kFwVersionOffset);
}
inline uint32_t ImageFlashLayoutFlags(FirmwareImage image) {
    return ImageWord(image, kFwFlashLayoutFlagsOffset);
}
inline uint8_t ChipFamily(uint16_t productId) {
    return static_cast<uint8_t>(productId & 0xFF);
}
// Product kinds 4, 5 and 7 are integrated RAID firmware.
bool IsIrFirmware(uint16_t productId);

// The 32-bit little-endian word sum of (length + 3) / 4 words; bytes past the end count as zero.
uint32_t WordSum(const uint8_t* data, size_t length);
uint8_t ByteSum(const uint8_t* data, size_t length);

// Print the checksum line ("Checksum Passed" / "Checksum Failed") and answer the sum (0 passed).
uint32_t FirmwareChecksum(const uint8_t* data, size_t length);
uint8_t ByteChecksum(const uint8_t* data, size_t length);

// Visits the extended images from the main header's link. Answers the offset of the first image
// of the wanted type, or 0 when there is none. The walk stays inside the image and ends on a
// link that loops back or leaves it.
size_t FindExtendedImage(FirmwareImage image, uint8_t imageType);

// Whether the extended image at offset is the type 5 image that carries a common boot block.
bool CarriesCommonBootBlock(FirmwareImage image, size_t offset);

struct ChainEntry {
    size_t offset;
    uint32_t size;
    uint8_t type;
};

// The extended images in chain order, checked to hold together: the main image covers its header
// and lies inside the file, and each extended image lies inside the file behind the main image and
// the image before it. Answers what is wrong, or null; the walk always ends.
const char* ReadFirmwareChain(FirmwareImage image, std::vector<ChainEntry>* chain);

// The line for an image whose bytes do not hold together.
void ReportDamagedImage(const char* problem);

// The extended image at an offset FindExtendedImage answered, cut to what the file holds.
FirmwareImage ExtendedImageAt(FirmwareImage image, size_t offset);

// The first bootloader (type 4) or initialization (type 5, not carrying a common boot block)
// extended image: its offset, or 0 after printing the search's error line.
size_t FindBootloaderImage(FirmwareImage image);
size_t FindInitImage(FirmwareImage image);

// The NVDATA version of the first NVDATA extended image (0, with an error line, when there is
// none, its first signature is wrong or its version is 0). The vendor id (8 bytes) and product id
// (16 bytes) are copied out only when the second signature matches; either pointer may be null.
uint16_t ReadNvdataIdentity(FirmwareImage image, uint8_t* vendorId, uint8_t* productId);

// Reads one image type from the controller: a size query, then one upload of exactly that size.
// On success *buffer holds *length bytes from AllocZeroed; the caller releases it with
// FreeCounted.
bool UploadImage(uint32_t handle, uint8_t imageType, uint8_t** buffer, uint32_t* length,
                 uint16_t* iocStatus, uint32_t* iocLogInfo);

// Sends a whole image in one download request (offset 0, last segment).
bool DownloadImage(uint32_t handle, uint8_t imageType, const uint8_t* image, uint32_t length,
                   uint16_t* iocStatus, uint32_t* iocLogInfo);

// Image types of firmware upload and download requests.
inline constexpr uint8_t MPI_FW_UPLOAD_ITYPE_FW_FLASH = 1;
inline constexpr uint8_t MPI_FW_UPLOAD_ITYPE_BIOS_FLASH = 2;
inline constexpr uint8_t MPI_FW_UPLOAD_ITYPE_FW_BACKUP = 5;
inline constexpr uint8_t kImageTypeOmbraFirmware = 9;
inline constexpr uint8_t MPI_FW_UPLOAD_ITYPE_COMPLETE = 10;
inline constexpr uint8_t MPI_FW_UPLOAD_ITYPE_COMMON_BOOT_BLOCK = 11;

// One UploadImage result, released when it goes out of scope.
class UploadedImage {
  public:
    UploadedImage() = default;
    ~UploadedImage() { FreeCounted(data_); }
    UploadedImage(const UploadedImage&) = delete;
    UploadedImage& operator=(const UploadedImage&) = delete;

    bool Upload(uint32_t handle, uint8_t imageType, uint16_t* iocStatus, uint32_t* iocLogInfo) {
        FreeCounted(data_);
        return UploadImage(handle, imageType, &data_, &length_, iocStatus, iocLogInfo);
    }
    FirmwareImage image() const { return {data_, length_}; }

  private:
    uint8_t* data_ = nullptr;
    uint32_t length_ = 0;
};
