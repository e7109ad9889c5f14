// PCI expansion ROM images and the boot-services region: a ROM chain and trailing records.
#include <algorithm>

#include "common/bytes.h"
#include "tools/image_builder/filler.h"
#include "tools/image_builder/image_builder.h"

namespace imgb {
namespace {

constexpr uint16_t kRomSignature = 0xAA55;
constexpr size_t kPcirPointerOffset = 0x18;
constexpr size_t kPcirLength = 0x20;  // room for the revision-3 version bytes at +0x1C
constexpr uint8_t kLastImageIndicator = 0x80;
constexpr size_t kRecordMinimumLength = 0x64;
constexpr size_t kRecordTypeOffset = 0x38;
constexpr size_t kRecordLengthOffset = 0x60;

// EFI ROM header words: the EFI signature, a boot-service driver for x64.
constexpr uint32_t kEfiSignature = 0x0EF1;
constexpr uint16_t kEfiSubsystemBootServiceDriver = 0x0B;
constexpr uint16_t kEfiMachineX64 = 0x8664;

}  // namespace

void FixRomChecksum(uint8_t* image, size_t size) {
    if (size == 0) return;
    ByteWriter writer(image, size);
    writer.U8(size - 1, 0);
    writer.U8(size - 1, static_cast<uint8_t>(0u - ByteSum(image, size)));
}

Bytes BuildRomImage(const RomSpec& spec) {
    const size_t blocks = std::max<size_t>(spec.blocks, 1);
    Bytes image(blocks * 512);
    ByteWriter writer(image.data(), image.size());
    const size_t pcir = spec.pcirOffset;
    WriteFiller(writer, std::max<size_t>(pcir + kPcirLength, 0x1A), image.size() - 1,
                spec.codeRevision + spec.codeType);
    writer.U16(0x00, kRomSignature);
    if (spec.codeType == kCodeTypeEfi) {
        writer.U16(0x02, static_cast<uint16_t>(blocks));
        writer.U32(0x04, kEfiSignature);
        writer.U16(0x08, kEfiSubsystemBootServiceDriver);
        writer.U16(0x0A, kEfiMachineX64);
        writer.U16(0x16, static_cast<uint16_t>(pcir + kPcirLength));
    } else {
        writer.U8(0x02, static_cast<uint8_t>(std::min<size_t>(blocks, 0xFF)));
    }
    writer.U16(kPcirPointerOffset, spec.pcirOffset);

    writer.Copy(pcir + 0x00, "PCIR", 4);
    writer.U16(pcir + 0x04, spec.vendorId);
    writer.U16(pcir + 0x06, spec.deviceId);
    writer.U16(pcir + 0x0A, static_cast<uint16_t>(kPcirLength));
    writer.U8(pcir + 0x0C, spec.structureRevision);
    // Class code: mass storage, SAS controller.
    writer.U8(pcir + 0x0E, 0x07);
    writer.U8(pcir + 0x0F, 0x01);
    writer.U16(pcir + 0x10, static_cast<uint16_t>(blocks));
    writer.U16(pcir + 0x12, spec.codeRevision);
    writer.U8(pcir + 0x14, spec.codeType);
    writer.U8(pcir + 0x15, spec.lastImage ? kLastImageIndicator : 0);
    const size_t versionAt = pcir + (spec.structureRevision <= 2 ? 0x18 : 0x1C);
    writer.U8(versionAt, spec.versionBytes[0]);
    writer.U8(versionAt + 1, spec.versionBytes[1]);

    FixRomChecksum(image.data(), image.size());
    if (spec.badChecksum) writer.U8(image.size() - 1, static_cast<uint8_t>(image.back() + 1));
    return image;
}

Bytes BuildTrailingRecord(const TrailingRecord& record) {
    const size_t length = std::max<size_t>(record.length, kRecordMinimumLength);
    Bytes bytes(length);
    ByteWriter writer(bytes.data(), bytes.size());
    WriteFiller(writer, 2, length, uint32_t{record.recordClass} << 16 | record.identifier);
    writer.U16(0x00, kRomSignature);
    writer.U32(kRecordTypeOffset, uint32_t{record.recordClass} << 28 | record.identifier);
    writer.U32(kRecordLengthOffset, static_cast<uint32_t>(length));
    return bytes;
}

Bytes BuildBootServicesRegion(const std::vector<Bytes>& roms,
                              const std::vector<TrailingRecord>& records, bool fixIndicators) {
    Bytes region;
    for (size_t i = 0; i < roms.size(); ++i) {
        Bytes rom = roms[i];
        if (fixIndicators) {
            ByteReader reader(rom.data(), rom.size());
            ByteWriter writer(rom.data(), rom.size());
            const size_t pcir = reader.U16(kPcirPointerOffset);
            writer.U8(pcir + 0x15, i + 1 == roms.size() ? kLastImageIndicator : 0);
            FixRomChecksum(rom.data(), rom.size());
        }
        region.insert(region.end(), rom.begin(), rom.end());
    }
    for (const TrailingRecord& record : records) {
        Bytes bytes = BuildTrailingRecord(record);
        region.insert(region.end(), bytes.begin(), bytes.end());
    }
    return region;
}

}  // namespace imgb
