#include "flash/images/firmware_image.h"

#include "common/bytes.h"
#include "flash/adapters/ioc_calls.h"
#include "flash/frontend/memory.h"
#include "flash/frontend/messages.h"
#include "flash/images/common_boot_block.h"

uint32_t ImageWord(FirmwareImage image, size_t offset) {
    return ByteReader(image.data, image.length).U32(offset);
}
uint16_t ImageHalf(FirmwareImage image, size_t offset) {
    return ByteReader(image.data, image.length).U16(offset);
}
uint8_t ImageByte(FirmwareImage image, size_t offset) {
    return ByteReader(image.data, image.length).U8(offset);
}

bool HasFirmwareSignatures(FirmwareImage image) {
    return image.length >= kFwNextImageHeaderOffset + 4 &&
           ImageWord(image, kFwSignature0Offset) == kFwSignature0 &&
           ImageWord(image, kFwSignature1Offset) == kFwSignature1 &&
           ImageWord(image, kFwSignature2Offset) == kFwSignature2;
}

bool IsIrFirmware(uint16_t productId) {
    const unsigned kind = (productId >> 8) & 0xF;
    return kind == 4 || kind == 5 || kind == 7;
}

uint32_t WordSum(const uint8_t* data, size_t length) {
    uint32_t sum = 0;
    for (size_t i = 0; i < length; i += 4) {
        uint32_t word = 0;
        for (size_t b = 0; b < 4 && i + b < length; ++b) word |= uint32_t{data[i + b]} << (8 * b);
        sum += word;
    }
    return sum;
}

uint8_t ByteSum(const uint8_t* data, size_t length) {
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum = static_cast<uint8_t>(sum + data[i]);
    return sum;
}

namespace {

void ReportChecksum(uint32_t sum) {
    if (sum == 0) {
        MessageAt(kLevelReport, "\t\tChecksum Passed: %08X\n\n", sum);
    } else {
        MessageAt(kLevelReport, "\t\tChecksum Failed: %08X\n\n", sum);
    }
}

}  // namespace

uint32_t FirmwareChecksum(const uint8_t* data, size_t length) {
    const uint32_t sum = WordSum(data, length);
    ReportChecksum(sum);
    return sum;
}

uint8_t ByteChecksum(const uint8_t* data, size_t length) {
    const uint8_t sum = ByteSum(data, length);
    ReportChecksum(sum);
    return sum;
}

namespace {

// Visits the extended images from the main header's link until match answers true.
template <typename Match>
size_t FindInChain(FirmwareImage image, Match match) {
    if (!HasFirmwareSignatures(image)) return 0;
    size_t offset = ImageWord(image, kFwNextImageHeaderOffset);
    // Each link must move forward past the header it leaves, so a chain always ends.
    size_t previousEnd = kFwNextImageHeaderOffset + 4;
    while (offset != 0) {
        if (offset < previousEnd || offset > image.length ||
            image.length - offset < kExtImageHeaderSize)
            return 0;
        if (match(offset)) return offset;
        previousEnd = offset + kExtImageHeaderSize;
        offset = ImageWord(image, offset + kExtNextImageHeaderOffset);
    }
    return 0;
}

}  // namespace

size_t FindExtendedImage(FirmwareImage image, uint8_t imageType) {
    return FindInChain(image, [&](size_t offset) {
        return ImageByte(image, offset + kExtImageTypeOffset) == imageType;
    });
}

bool CarriesCommonBootBlock(FirmwareImage image, size_t offset) {
    return ImageByte(image, offset + kExtImageTypeOffset) == MPI_EXT_IMAGE_TYPE_INITIALIZATION &&
           ImageWord(image, offset + kExtCbbMagicOffset) == kCbbMagic;
}

const char* ReadFirmwareChain(FirmwareImage image, std::vector<ChainEntry>* chain) {
    chain->clear();
    if (!HasFirmwareSignatures(image)) return "the firmware header is missing";
    const uint32_t mainSize = ImageWord(image, kFwImageSizeOffset);
    if (mainSize < kFwNextImageHeaderOffset + 4) return "the main image is shorter than its header";
    if (mainSize > image.length) return "the main image is longer than the file";
    size_t offset = ImageWord(image, kFwNextImageHeaderOffset);
    // Each image must start behind the one before, so the walk ends within the file.
    size_t previousStart = 0;
    size_t previousEnd = mainSize;
    while (offset != 0) {
        if (offset < previousStart) return "the extended-image chain links backwards";
        if (offset < previousEnd) {
            return chain->empty() ? "the first extended image starts inside the main image"
                                  : "an extended image starts inside the one before it";
        }
        if (offset > image.length || image.length - offset < kExtImageHeaderSize)
            return "an extended image header lies past the end of the file";
        const uint32_t size = ImageWord(image, offset + kExtImageSizeOffset);
        if (size < kExtImageHeaderSize) return "an extended image is shorter than its header";
        if (size > image.length - offset) return "an extended image runs past the end of the file";
        chain->push_back({offset, size, ImageByte(image, offset + kExtImageTypeOffset)});
        previousStart = offset;
        previousEnd = offset + size;
        offset = ImageWord(image, offset + kExtNextImageHeaderOffset);
    }
    return nullptr;
}

void ReportDamagedImage(const char* problem) {
    MessageAt(kLevelError, "\t\tERROR: Firmware image is damaged: %s.\n", problem);
}

FirmwareImage ExtendedImageAt(FirmwareImage image, size_t offset) {
    if (offset >= image.length) return {image.data, 0};
    const size_t room = image.length - offset;
    const size_t size = ImageWord(image, offset + kExtImageSizeOffset);
    return {image.data + offset, size < room ? size : room};
}

size_t FindBootloaderImage(FirmwareImage image) {
    const size_t offset = FindExtendedImage(image, MPI_EXT_IMAGE_TYPE_BOOTLOADER);
    if (!offset)
        MessageAt(kLevelError, "\tERROR: Firmware Image does not have a valid BootLoader image.\n");
    return offset;
}

size_t FindInitImage(FirmwareImage image) {
    // A type 5 image holding the common boot block shares the type but is no initialization code.
    const size_t offset = FindInChain(image, [&](size_t at) {
        return ImageByte(image, at + kExtImageTypeOffset) == MPI_EXT_IMAGE_TYPE_INITIALIZATION &&
               !CarriesCommonBootBlock(image, at);
    });
    if (!offset) {
        MessageAt(kLevelError,
                  "\tERROR: Firmware Image does not have a valid Initialization image.\n");
    }
    return offset;
}

uint16_t ReadNvdataIdentity(FirmwareImage image, uint8_t* vendorId, uint8_t* productId) {
    const size_t nvdata = FindExtendedImage(image, MPI_EXT_IMAGE_TYPE_NVDATA);
    uint16_t version = 0;
    if (nvdata && ImageWord(image, nvdata + kNvdataSignature1Offset) == kNvdataSignature1) {
        version = ImageHalf(image, nvdata + kNvdataVersionOffset);
        ByteReader r(image.data, image.length);
        if (version && r.U32(nvdata + kNvdataSignature2Offset) == kNvdataSignature2) {
            if (vendorId) r.Copy(nvdata + kNvdataVendorIdOffset, vendorId, kNvdataVendorIdSize);
            if (productId) r.Copy(nvdata + kNvdataProductIdOffset, productId, kNvdataProductIdSize);
        }
    }
    if (version == 0) {
        MessageAt(kLevelError,
                  "\t\tERROR: Firmware image does not have a NVDATA image concatenated.\n");
    }
    return version;
}

bool UploadImage(uint32_t handle, uint8_t imageType, uint8_t** buffer, uint32_t* length,
                 uint16_t* iocStatus, uint32_t* iocLogInfo) {
    *buffer = nullptr;
    *length = 0;
    uint32_t size = 0;
    if (!IocFirmwareUpload(handle, nullptr, 0, 0, imageType, &size, iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "\t\tERROR: Failed to Upload Firmware!\n");
        return false;
    }
    auto* data = static_cast<uint8_t*>(AllocZeroed(size));
    if (!data) return false;
    uint32_t actual = 0;
    if (!IocFirmwareUpload(handle, data, size, 0, imageType, &actual, iocStatus, iocLogInfo)) {
        FreeCounted(data);
        return false;
    }
    *buffer = data;
    *length = size;
    return true;
}

bool DownloadImage(uint32_t handle, uint8_t imageType, const uint8_t* image, uint32_t length,
                   uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return IocFirmwareDownload(handle, image, length, 0, imageType, 1, iocStatus, iocLogInfo) != 0;
}
