#include "flash/images/bios_rom_chain.h"

#include "common/bytes.h"

namespace {

constexpr size_t kPcirVersionBytesOld = 0x18;  // structure revision 2 and lower
constexpr size_t kPcirVersionBytesNew = 0x1C;  // revision 3 added fields up to 0x1B

// Follows the chain from offset 0 and hands each valid image to visit, which answers true to stop.
// Ends after the image whose indicator is set, and at the first offset that holds no valid image.
// Answers the offset where the chain ended.
template <typename Visit>
size_t WalkRomChain(ByteSpan region, Visit visit) {
    size_t offset = 0;
    RomImage image;
    while (CheckRomImage(region, offset, &image) == RomImageCheck::kValid) {
        if (visit(image)) return offset;
        offset += image.length;  // at least 512, so the walk always ends
        if (image.indicator != 0) break;
    }
    return offset;
}

}  // namespace

RomImageCheck CheckRomImage(ByteSpan region, size_t offset, RomImage* image) {
    ByteReader r(region.data(), region.size());
    if (!r.Has(offset, kRomPcirPointerOffset + 2) || r.U16(offset) != kRomSignature)
        return RomImageCheck::kNoSignature;
    const size_t pointer = r.U16(offset + kRomPcirPointerOffset);
    const size_t pcir = offset + pointer;
    if (!r.Has(pcir, kPcirFieldsSize)) return RomImageCheck::kPcirOutside;
    if (r.U32(pcir) != kPcirSignature) return RomImageCheck::kNoPcirSignature;
    const size_t length = size_t{r.U16(pcir + kPcirImageLengthOffset)} * kRomBlockSize;
    if (length == 0) return RomImageCheck::kZeroLength;
    if (!r.Has(offset, length)) return RomImageCheck::kPastEnd;
    if (pointer + kPcirFieldsSize > length) return RomImageCheck::kPcirOutside;

    image->offset = offset;
    image->length = length;
    image->pcir = pcir;
    image->deviceId = r.U16(pcir + kPcirDeviceIdOffset);
    image->structureRevision = r.U8(pcir + kPcirStructureRevisionOffset);
    image->codeRevision = r.U16(pcir + kPcirCodeRevisionOffset);
    image->codeType = r.U8(pcir + kPcirCodeTypeOffset);
    image->indicator = r.U8(pcir + kPcirIndicatorOffset);
    return RomImageCheck::kValid;
}

bool FindRomImage(ByteSpan region, uint8_t wantedType, RomImage* image) {
    const uint8_t type = wantedType == kRomAlternateX86 ? kCodeTypeX86 : wantedType;
    int skip = wantedType == kRomAlternateX86 ? 1 : 0;
    bool found = false;
    WalkRomChain(region, [&](const RomImage& candidate) {
        if (candidate.codeType != type) return false;
        if (skip-- > 0) return false;
        *image = candidate;
        found = true;
        return true;
    });
    return found;
}

bool FindTrailingRecord(ByteSpan region, uint8_t recordClass, uint16_t identifier,
                        TrailingRecord* record) {
    size_t offset = WalkRomChain(region, [](const RomImage&) { return false; });
    ByteReader r(region.data(), region.size());
    while (r.Has(offset, kRecordHeaderSize) && r.U16(offset) == kRomSignature) {
        const uint32_t type = r.U32(offset + kRecordTypeOffset);
        const size_t length = r.U32(offset + kRecordLengthOffset);
        if (length < kRecordHeaderSize || !r.Has(offset, length)) return false;
        if ((type >> 28) == recordClass && (type & 0xFFFF) == identifier) {
            *record = TrailingRecord{offset, length};
            return true;
        }
        offset += length;
    }
    return false;
}

void RomImageChecksum(uint8_t* image, size_t length) {
    if (!image || length == 0) return;
    image[length - 1] = 0;
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum = static_cast<uint8_t>(sum + image[i]);
    image[length - 1] = static_cast<uint8_t>(-sum);
}

bool IsOddDeviceId(uint16_t deviceId) {
    return deviceId == 0x0051 || deviceId == 0x0055 || deviceId == 0x0057 || deviceId == 0x0059;
}
uint16_t PrimaryDeviceId(uint16_t adapterDeviceId) {
    return IsOddDeviceId(adapterDeviceId) ? adapterDeviceId - 1 : adapterDeviceId;
}
uint16_t AlternateDeviceId(uint16_t adapterDeviceId) {
    return IsOddDeviceId(adapterDeviceId) ? adapterDeviceId : adapterDeviceId + 1;
}

uint32_t RomImageVersion(ByteSpan region, const RomImage& image) {
    const uint32_t r = image.codeRevision;
    if (image.codeType == kCodeTypeEfi) return ((r >> 13) << 24) | ((r & 0x1F00) << 8) | r;
    ByteReader bytes(region.data(), region.size());
    const size_t at =
        image.pcir + (image.structureRevision <= 2 ? kPcirVersionBytesOld : kPcirVersionBytesNew);
    return (r << 16) | (uint32_t{bytes.U8(at)} << 8) | bytes.U8(at + 1);
}

uint32_t BiosImageVersion(ByteSpan region, uint8_t kind, uint16_t adapterDeviceId) {
    uint32_t version = kNoBiosVersion;
    WalkRomChain(region, [&](const RomImage& image) {
        const uint8_t wanted = kind == kRomFirstImage ? image.codeType : kind;
        bool match = false;
        switch (image.codeType) {
            case kCodeTypeEfi:
                match = wanted == kCodeTypeEfi;
                break;
            case kCodeTypeFcode:
                match = wanted == kCodeTypeFcode;
                break;
            case kCodeTypeX86:
                match = (wanted == kCodeTypeX86 &&
                         image.deviceId == PrimaryDeviceId(adapterDeviceId)) ||
                        (wanted == kRomAlternateX86 &&
                         image.deviceId == AlternateDeviceId(adapterDeviceId));
                break;
        }
        if (match) version = RomImageVersion(region, image);
        return match;
    });
    return version;
}
