#include "flash/images/concat_command.h"

#include <memory>
#include <vector>

#include "common/bytes.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/file_table.h"
#include "flash/frontend/messages.h"
#include "flash/images/image_buffer.h"
#include "flash/images/nvdata_compat.h"
#include "flash/images/nvdata_image.h"
#include "flash/images/nvdata_text.h"

namespace {

constexpr size_t kExtReservedWordOffset = 0x14;

// Adds the chain's entry at offset; the search that found the offset walked the same links.
bool Keep(const std::vector<ChainEntry>& chain, size_t offset, std::vector<ChainEntry>* kept) {
    for (const ChainEntry& entry : chain) {
        if (entry.offset != offset) continue;
        kept->push_back(entry);
        return true;
    }
    return false;
}

// The extended images the output keeps, in chain order; false after the line that says why the
// firmware cannot take the NVDATA.
bool KeptImages(FirmwareImage firmware, const std::vector<ChainEntry>& chain,
                std::vector<ChainEntry>* kept) {
    const bool t470 = ChipFamily(ImageProductId(firmware)) == kChipFamilyT470;
    const size_t bootloader = FindBootloaderImage(firmware);
    if (!bootloader) {
        // A T470 cannot start from an image without its bootloader and initialization image.
        if (!t470) return true;
        MessageAt(kLevelError, "\t\tERROR: No Valid Bootloader image found!\n");
        return false;
    }
    if (!Keep(chain, bootloader, kept)) return false;
    if (!t470) return true;
    const size_t init = FindInitImage(firmware);
    return init && Keep(chain, init, kept);
}

}  // namespace

size_t AssembleConcatenatedImage(FirmwareImage firmware, const uint8_t* nvdata, size_t nvdataLength,
                                 uint8_t* out, size_t size) {
    std::vector<ChainEntry> chain;
    if (const char* problem = ReadFirmwareChain(firmware, &chain)) {
        ReportDamagedImage(problem);
        return 0;
    }
    std::vector<ChainEntry> kept;
    if (!KeptImages(firmware, chain, &kept)) return 0;

    // The kept images are copied and linked where they are, so they must follow the main image
    // without gaps, and the last link must be free or already lead to where the NVDATA goes.
    size_t nvdataAt = ImageWord(firmware, kFwImageSizeOffset);
    bool inPlace = true;
    for (const ChainEntry& entry : kept) {
        inPlace = inPlace && entry.offset == nvdataAt;
        nvdataAt += entry.size;
    }
    const size_t lastLinkAt =
        kept.empty() ? kFwNextImageHeaderOffset : kept.back().offset + kExtNextImageHeaderOffset;
    const uint32_t lastLink = ImageWord(firmware, lastLinkAt);
    if (!inPlace || !(lastLink == nvdataAt || (lastLink == 0 && !kept.empty()))) {
        MessageAt(kLevelError,
                  "\t\tERROR: The NVDATA image cannot be linked into this firmware image.\n");
        return 0;
    }

    const size_t total = nvdataAt + kExtImageHeaderSize + nvdataLength;
    if (total > size) {
        MessageAt(kLevelError,
                  "\t\tERROR: Firmware image with NVDATA would be %lu bytes, more than %lu.\n",
                  static_cast<unsigned long>(total), static_cast<unsigned long>(size));
        return 0;
    }

    ByteWriter image(out, size);
    image.Copy(0, firmware.data, nvdataAt);
    image.U8(nvdataAt + kExtImageTypeOffset, MPI_EXT_IMAGE_TYPE_NVDATA);
    image.U8(nvdataAt + 1, 0);
    image.U16(nvdataAt + 2, 0);
    image.U32(nvdataAt + kExtChecksumOffset, 0);
    image.U32(nvdataAt + kExtImageSizeOffset, uint32_t(kExtImageHeaderSize + nvdataLength));
    image.U32(nvdataAt + kExtNextImageHeaderOffset, 0);
    image.U32(nvdataAt + kExtLoadStartAddressOffset,
              ImageWord(firmware, kFwNvdataLoadStartAddressOffset));
    image.U32(nvdataAt + kExtReservedWordOffset, 0);
    image.Copy(nvdataAt + kExtImageHeaderSize, nvdata, nvdataLength);
    image.U32(nvdataAt + kExtChecksumOffset,
              -WordSum(out + nvdataAt, kExtImageHeaderSize + nvdataLength));

    if (!kept.empty() && lastLink == 0) {
        const ChainEntry& last = kept.back();
        image.U32(last.offset + kExtNextImageHeaderOffset, uint32_t(nvdataAt));
        image.U32(last.offset + kExtChecksumOffset, 0);
        image.U32(last.offset + kExtChecksumOffset, -WordSum(out + last.offset, last.size));
    }
    return image.ok() ? total : 0;
}

namespace {

bool Concatenate(FirmwareImage firmware, const char* text, size_t textLength, int output) {
    auto pages = std::make_unique<NvdataPages>();
    if (!ParseNvdataText(text, textLength, pages.get())) return false;
    if (!CheckNvdataCompatibility(firmware, NvdataDeviceId(*pages), pages->majorVersion))
        return false;

    uint8_t nvdata[kNvdataWorkBufferSize];
    const size_t nvdataLength =
        BuildNvdataImage(*pages, UsesT470PageSet(*pages), nvdata, sizeof nvdata);
    ImageBuffer image;
    if (!nvdataLength || !image.Allocate(kConcatOutputBufferSize)) return false;
    const size_t length =
        AssembleConcatenatedImage(firmware, nvdata, nvdataLength, image.data(), image.length());
    if (!length) return false;
    if (!FileSlotWrite(output, uint32_t(length), image.data())) {
        MessageAt(kLevelError, "\tFile Write Failed.\n");
        // A partial image must never look like a flashable one.
        if (!FileSlotTruncate(output))
            MessageAt(kLevelError, "\tERROR: The output file holds a partial image.\n");
        return false;
    }
    return true;
}

}  // namespace

int ConcatenateCommand(uint32_t, uint16_t*, uint32_t*) {
    MessageAt(kLevelReport, "\tExecuting Operation: Concatenate Firmware Image\n\n");
    const CommandRecord& command = *CurrentCommand();
    const FilePosition& firmware = command.file[0];
    const FilePosition& text = command.file[1];
    const int output = static_cast<int>(command.file[2].slot);
    if (!text.content || text.size == 0 || output == 0) return 0;

    const bool built = Concatenate({firmware.content, firmware.size},
                                   reinterpret_cast<const char*>(text.content), text.size, output);
    MessageAt(built ? kLevelReport : kLevelError, built
                                                      ? "\tFirmware Image Created Successfully!\n\n"
                                                      : "\tFirmware Image Creation Failed!\n\n");
    FileSlotClose(static_cast<int>(text.slot));
    FileSlotClose(output);
    return built ? 1 : 0;
}
