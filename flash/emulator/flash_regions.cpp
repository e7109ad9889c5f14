#include "flash/emulator/flash_regions.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "flash/emulator/lab_files.h"
#include "flash/emulator/lab_state.h"

namespace emu {
namespace {

constexpr size_t kImageType = 0;
constexpr size_t kImageOffset = 20;
constexpr size_t kImageSize = 24;
constexpr size_t kActualImageSize = 20;

constexpr uint8_t kErasedByte = 0xFF;

// The firmware image header, as far as the controller reports from it.
struct FirmwareSignature {
    size_t offset;
    uint32_t value;
};
constexpr FirmwareSignature kFirmwareSignatures[] = {
    {0x04, 0x5AEAA55A}, {0x08, 0xA55AEAA5}, {0x0C, 0x5AA55AEA}};
constexpr size_t kFirmwareProductId = 0x22;
constexpr size_t kFirmwareVersion = 0x24;
constexpr size_t kFirmwareHeaderBytes = 0x28;

struct Region {
    uint8_t imageType;
    const char* fileName;
};

// Also the order of the regions in the whole flash.
constexpr Region kRegions[] = {
    {kImageTypeFirmware, "regions/firmware.bin"},   {kImageTypeBios, "regions/bios.bin"},
    {kImageTypeBackup, "regions/backup.bin"},       {kImageTypeOmbra, "regions/ombra.bin"},
    {kImageTypeCommonBootBlock, "regions/cbb.bin"},
};

std::filesystem::path RegionPath(const Controller& controller, uint8_t imageType) {
    return controller.dir / RegionFileName(imageType);
}

// A region without a file is empty (erased).
uint64_t RegionSize(const Controller& controller, uint8_t imageType) {
    std::error_code error;
    uint64_t size = std::filesystem::file_size(RegionPath(controller, imageType), error);
    return error ? 0 : size;
}

std::string ReadRegion(const Controller& controller, uint8_t imageType) {
    std::string bytes;
    if (!ReadWholeFile(RegionPath(controller, imageType), &bytes)) bytes.clear();
    return bytes;
}

std::string ReadCompleteFlash(const Controller& controller) {
    std::string flash;
    for (const Region& region : kRegions) flash += ReadRegion(controller, region.imageType);
    flash.resize(controller.description.flashSize, static_cast<char>(kErasedByte));
    return flash;
}

void BeginFirmwareReply(MpiExchange& exchange) {
    exchange.Reply().U8(kImageType, exchange.request.U8(kImageType));
}

}  // namespace

const char* RegionFileName(uint8_t imageType) {
    for (const Region& region : kRegions) {
        if (region.imageType == imageType) return region.fileName;
    }
    return nullptr;
}

std::string DescribeFirmwareRequest(ByteReader request) {
    char text[80];
    std::snprintf(text, sizeof text, "type %u offset 0x%x size 0x%x", request.U8(kImageType),
                  request.U32(kImageOffset), request.U32(kImageSize));
    return text;
}

int HandleFirmwareDownload(Controller& controller, MpiExchange& exchange) {
    BeginFirmwareReply(exchange);
    ByteReader& request = exchange.request;
    uint8_t imageType = request.U8(kImageType);
    uint32_t offset = request.U32(kImageOffset);
    uint32_t size = request.U32(kImageSize);
    const ControllerDescription& description = controller.description;
    // Whole-flash writes are not taken: they would have to be split back into the regions.
    if (!RegionFileName(imageType) || size == 0 || size > exchange.dataOut.size() ||
        uint64_t{offset} + size > description.flashSize) {
        exchange.SetStatus(kIocStatusInvalidField);
        return 0;
    }
    std::string image(size, '\0');
    exchange.dataOut.Copy(0, image.data(), size);
    // Every segment lands where its offset says, so the last-segment flag changes nothing here.
    if (description.faults.downloadWritesNothing) return 0;

    uint8_t target = imageType == kImageTypeFirmware ? kImageTypeBackup : imageType;
    // A download from offset 0 starts a new image; later segments extend it.
    std::string region = offset == 0 ? std::string() : ReadRegion(controller, target);
    if (region.size() < offset + uint64_t{size}) {
        region.resize(offset + size, static_cast<char>(kErasedByte));
    }
    std::copy(image.begin(), image.end(), region.begin() + offset);
    std::error_code ignored;
    std::filesystem::create_directories(RegionPath(controller, target).parent_path(), ignored);
    if (!WriteFileAtomically(RegionPath(controller, target), region)) return -EIO;
    if (imageType == kImageTypeFirmware && !controller.description.pendingFirmware) {
        controller.description.pendingFirmware = true;
        if (!SaveControllerState(controller)) return -EIO;
    }
    return 0;
}

int HandleFirmwareUpload(Controller& controller, MpiExchange& exchange) {
    BeginFirmwareReply(exchange);
    ByteReader& request = exchange.request;
    uint8_t imageType = request.U8(kImageType);
    uint32_t offset = request.U32(kImageOffset);
    uint32_t size = request.U32(kImageSize);
    bool complete = imageType == kImageTypeComplete;
    if (!complete && !RegionFileName(imageType)) {
        exchange.SetStatus(kIocStatusInvalidField);
        return 0;
    }
    uint64_t actual =
        complete ? controller.description.flashSize : RegionSize(controller, imageType);
    exchange.Reply().U32(kActualImageSize, static_cast<uint32_t>(actual));
    // A size query (no buffer) reads nothing.
    uint64_t wanted = std::min<uint64_t>(size, exchange.dataIn.size());
    if (wanted == 0 || offset >= actual) return 0;

    std::string region =
        complete ? ReadCompleteFlash(controller) : ReadRegion(controller, imageType);
    if (offset >= region.size()) return 0;
    size_t count = static_cast<size_t>(std::min<uint64_t>(wanted, region.size() - offset));
    std::string data = region.substr(offset, count);
    // The read-back fault flips the middle byte of what goes back to the host, never the flash.
    if (controller.description.faults.uploadCorrupt) data[count / 2] ^= static_cast<char>(0xFF);
    exchange.dataIn.Copy(0, data.data(), count);
    return 0;
}

RunningFirmwareIdentity RunningFirmware(const Controller& controller) {
    const ControllerDescription& description = controller.description;
    RunningFirmwareIdentity identity{static_cast<uint16_t>(description.productId),
                                     description.fwVersion};
    // Only the header is read: facts are asked for on every run, the image may be megabytes.
    uint8_t header[kFirmwareHeaderBytes];
    std::ifstream in(RegionPath(controller, kImageTypeFirmware), std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return identity;
    ByteReader image(header, sizeof header);
    for (const FirmwareSignature& signature : kFirmwareSignatures) {
        if (image.U32(signature.offset) != signature.value) return identity;
    }
    identity.productId = image.U16(kFirmwareProductId);
    identity.fwVersion = image.U32(kFirmwareVersion);
    return identity;
}

bool PromotePendingFirmware(Controller& controller) {
    ControllerDescription& description = controller.description;
    if (!description.pendingFirmware) return true;
    if (!WriteFileAtomically(RegionPath(controller, kImageTypeFirmware),
                             ReadRegion(controller, kImageTypeBackup))) {
        return false;
    }
    description.pendingFirmware = false;
    return SaveControllerState(controller);
}

}  // namespace emu
