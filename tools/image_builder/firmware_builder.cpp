// Firmware images: the main header, its filler and the chain of extended images.
#include <algorithm>

#include "common/bytes.h"
#include "tools/image_builder/filler.h"
#include "tools/image_builder/image_builder.h"

namespace imgb {
namespace {

constexpr uint32_t kSignature0 = 0x5AEAA55A;
constexpr uint32_t kSignature1 = 0xA55AEAA5;
constexpr uint32_t kSignature2 = 0x5AA55AEA;
constexpr size_t kMainHeaderSize = 0xB8;
constexpr size_t kExtHeaderSize = 24;

constexpr uint32_t kNvdataSignature1 = 0x566F726C;
constexpr uint32_t kNvdataSignature2 = 0x51756962;
constexpr size_t kNvdataHeaderAndIdentity = 0x64;

// Where a fixed-width text field of the NVDATA identity goes: padded with spaces, cut to width.
void WritePaddedText(ByteWriter& writer, size_t offset, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i)
        writer.U8(offset + i, static_cast<uint8_t>(i < text.size() ? text[i] : ' '));
}

ExtendedImage FillerImage(uint8_t type, size_t size, uint32_t seed) {
    ExtendedImage image;
    image.imageType = type;
    image.payload.resize(RoundUpToWord(size));
    ByteWriter writer(image.payload.data(), image.payload.size());
    WriteFiller(writer, 0, image.payload.size(), seed);
    return image;
}

}  // namespace

ExtendedImage BootloaderImage(size_t size) {
    return FillerImage(kExtTypeBootloader, size, 4);
}

ExtendedImage InitializationImage(size_t size) {
    return FillerImage(kExtTypeInitialization, size, 5);
}

ExtendedImage NvdataImage(const NvdataSpec& spec) {
    ExtendedImage image;
    image.imageType = kExtTypeNvdata;
    image.loadStartAddress = spec.loadStartAddress;
    image.payload.resize(RoundUpToWord(std::max(spec.size, kNvdataHeaderAndIdentity)));
    ByteWriter nvdata(image.payload.data(), image.payload.size());
    // Offsets from the start of the NVDATA, which sits right after the extended header.
    uint32_t first = kNvdataSignature1;
    if (spec.omitFirstSignature) first = 0;
    if (spec.corruptFirstSignature) first ^= 0x00010000;
    nvdata.U32(0x00, first);
    nvdata.U8(0x04, 0xF8);
    nvdata.U16(0x06, static_cast<uint16_t>(std::min<size_t>(image.payload.size(), 0xFFFF)));
    nvdata.U16(0x08, spec.version);
    const uint8_t fixed[] = {0x09, 0x02, 0x01, 0x10};
    nvdata.Copy(0x0C, fixed, sizeof fixed);
    uint32_t second = kNvdataSignature2;
    if (spec.omitSecondSignature) second = 0;
    if (spec.corruptSecondSignature) second ^= 0x00010000;
    nvdata.U32(0x24, second);
    WritePaddedText(nvdata, 0x28, spec.vendorId, 8);
    WritePaddedText(nvdata, 0x30, spec.productId, 16);
    return image;
}

ExtendedImage CommonBootBlockImage(const Bytes& cbb) {
    ExtendedImage image;
    image.imageType = kExtTypeInitialization;
    image.payload = cbb;
    image.payload.resize(RoundUpToWord(cbb.size()));
    return image;
}

Bytes BuildFirmwareImage(const FirmwareSpec& spec) {
    const size_t mainSize = RoundUpToWord(std::max(spec.mainImageSize, kMainHeaderSize));
    std::vector<size_t> offsets;
    size_t total = mainSize;
    for (const ExtendedImage& ext : spec.extendedImages) {
        offsets.push_back(total);
        total += kExtHeaderSize + RoundUpToWord(ext.payload.size());
    }

    Bytes file(total);
    ByteWriter writer(file.data(), file.size());
    WriteFiller(writer, kMainHeaderSize, mainSize, spec.fwVersion);
    writer.U32(0x04, kSignature0);
    writer.U32(0x08, spec.faults.badSignature ? ~kSignature1 : kSignature1);
    writer.U32(0x0C, kSignature2);
    writer.U16(0x10, spec.nvdataMajorVersion);
    writer.U32(0x14, spec.flashLayoutFlags);
    writer.U16(0x22, spec.productId);
    writer.U32(0x24, spec.fwVersion);
    writer.U32(0x28, spec.seqCodeVersion);
    writer.U32(0x2C, static_cast<uint32_t>(mainSize));
    writer.U32(0x30, static_cast<uint32_t>(offsets.empty() ? 0 : offsets.front()));
    writer.U32(0xB4, spec.nvdataLoadStartAddress);

    for (size_t i = 0; i < offsets.size(); ++i) {
        const ExtendedImage& ext = spec.extendedImages[i];
        const size_t at = offsets[i];
        const size_t size = kExtHeaderSize + RoundUpToWord(ext.payload.size());
        uint32_t next = static_cast<uint32_t>(i + 1 < offsets.size() ? offsets[i + 1] : 0);
        if (i + 1 == offsets.size()) {
            if (spec.faults.lastLinkPastEnd) next = static_cast<uint32_t>(total + 0x100);
            if (spec.faults.chainLoops) next = static_cast<uint32_t>(offsets.front());
        }
        writer.U8(at + 0x00, ext.imageType);
        writer.U32(at + 0x08, static_cast<uint32_t>(size));
        writer.U32(at + 0x0C, next);
        writer.U32(at + 0x10, ext.loadStartAddress);
        writer.Copy(at + kExtHeaderSize, ext.payload.data(), ext.payload.size());
        uint32_t checksum = 0u - WordSum(file.data() + at, size);
        if (ext.badChecksum) checksum += 1;
        writer.U32(at + 0x04, checksum);
    }
    if (offsets.empty() && spec.faults.lastLinkPastEnd)
        writer.U32(0x30, static_cast<uint32_t>(total + 0x100));
    if (spec.faults.imageSizePastEnd) writer.U32(0x2C, static_cast<uint32_t>(total + 0x1000));

    uint32_t checksum = 0u - WordSum(file.data(), file.size());
    if (spec.faults.badChecksum) checksum += 1;
    writer.U32(0x1C, checksum);

    if (spec.faults.truncateTo != 0 && spec.faults.truncateTo < file.size())
        file.resize(spec.faults.truncateTo);
    return file;
}

bool StandardFirmwareSpec(uint16_t deviceId, uint8_t pciRevision, uint32_t fwVersion,
                          FirmwareSpec* spec) {
    const ChipModel* model = FindChipModelByDevice(deviceId);
    uint32_t seqCode = 0;
    if (!model || !SeqCodeVersionFor(deviceId, pciRevision, &seqCode)) return false;
    constexpr uint32_t kNvdataLoadAddress = 0x00FF8000;
    *spec = FirmwareSpec{};
    spec->productId = MakeProductId(kProtocolSas, kKindIt, model->family);
    spec->fwVersion = fwVersion;
    spec->seqCodeVersion = seqCode;
    spec->nvdataMajorVersion = 0x2D00;
    spec->flashLayoutFlags = 0x2;
    spec->nvdataLoadStartAddress = kNvdataLoadAddress;
    spec->mainImageSize = 0x4000;
    spec->extendedImages.push_back(BootloaderImage(0x1000));
    if (model->family == kFamilyT470) {
        spec->extendedImages.push_back(InitializationImage(0x800));
        // Right before the last image, so that taking it out leaves every link right.
        spec->extendedImages.push_back(CommonBootBlockImage(BuildCommonBootBlock(CbbSpec{})));
    }
    NvdataSpec nvdata;
    nvdata.productId = std::string("SAS ") + model->name;
    nvdata.loadStartAddress = kNvdataLoadAddress;
    spec->extendedImages.push_back(NvdataImage(nvdata));
    return true;
}

}  // namespace imgb
