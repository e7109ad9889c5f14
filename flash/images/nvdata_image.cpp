#include "flash/images/nvdata_image.h"

#include <cstring>

#include "common/bytes.h"
#include "flash/images/firmware_image.h"

namespace {

constexpr size_t kDirectoryOffset = kNvdataHeaderSize + kNvdataIdentitySize;  // 0x64
constexpr size_t kDescriptorSize = 8;
constexpr size_t kRecordPrefixSize = 4;
constexpr uint8_t kDescriptorLengthNibble = 0xC;
constexpr uint8_t kRecordMark = 0xFC;
constexpr uint16_t kNoDataOffset = 0x7FFF;
constexpr uint8_t kPersistentIdType = 0xEE;
constexpr uint16_t kPersistentIdLengthField = 0x003C;
constexpr uint8_t kHeaderMark = 0xF8;
constexpr uint8_t kHeaderConstant[4] = {0x09, 0x02, 0x01, 0x10};

// The controller checks manufacturing page 2 with its own sum: 0xA5 plus bytes 0x08 to 0x25.
constexpr size_t kAutoDownloadChecksumOffset = 0x12;
constexpr size_t kAutoDownloadFirst = 0x08;
constexpr size_t kAutoDownloadLast = 0x25;
constexpr uint8_t kAutoDownloadSeed = 0xA5;

bool InPageSet(const NvdataSection& section, bool t470PageSet) {
    return section.record != NvdataRecord::kNone && (t470PageSet || !section.t470Only);
}

void SetAutoDownloadChecksum(uint8_t* page) {
    page[kAutoDownloadChecksumOffset] = 0;
    uint8_t sum = kAutoDownloadSeed;
    for (size_t i = kAutoDownloadFirst; i <= kAutoDownloadLast; ++i) sum += page[i];
    page[kAutoDownloadChecksumOffset] = static_cast<uint8_t>(-sum);
}

}  // namespace

size_t BuildNvdataImage(const NvdataPages& pages, bool t470PageSet, uint8_t* out, size_t size) {
    const auto sections = NvdataSections();
    uint32_t entries = 0;
    uint32_t beforeExtended = 0;
    bool extendedSeen = false;
    for (const NvdataSection& s : sections) {
        if (!InPageSet(s, t470PageSet)) continue;
        ++entries;
        extendedSeen = extendedSeen || s.headerLength == 8;
        if (!extendedSeen) ++beforeExtended;
    }

    ByteWriter image(out, size);
    uint8_t header[kNvdataHeaderSize];
    std::memcpy(header, pages.header, sizeof header);
    ByteWriter h(header, sizeof header);
    const uint16_t version = ByteReader(header, sizeof header).U16(0x08) | kNvdataMajorVersion;
    h.U32(0x00, kNvdataSignature1);
    h.U8(0x04, kHeaderMark);
    h.U8(0x05, 0);
    h.U16(0x08, version);
    h.U16(0x0A, 0);
    h.Copy(0x0C, kHeaderConstant, sizeof kHeaderConstant);
    h.U32(0x10, entries);
    h.U32(0x14, beforeExtended);
    std::memset(header + 0x18, 0, kNvdataHeaderSize - 0x18);
    image.Copy(kNvdataHeaderSize, pages.identity, kNvdataIdentitySize);
    image.U32(kNvdataHeaderSize, kNvdataSignature2);

    size_t directory = kDirectoryOffset;
    size_t data = kDirectoryOffset + kDescriptorSize * entries;
    for (size_t index = 0; index < sections.size(); ++index) {
        const NvdataSection& s = sections[index];
        if (!InPageSet(s, t470PageSet)) continue;
        const uint8_t force = pages.forceUpdate[index] ? 0x10 : 0;
        if (s.record == NvdataRecord::kDescriptorOnly) {
            image.U16(directory + 0, kPersistentIdLengthField);
            image.U8(directory + 2, kPersistentIdType);
            image.U8(directory + 3, force);
            image.U16(directory + 4, kNoDataOffset);
            image.U16(directory + 6, 0);
            directory += kDescriptorSize;
            continue;
        }
        uint8_t page[kNvdataMaxPageLength];
        std::memcpy(page, pages.page[index], sizeof page);
        if (s.pageType == 9 && s.pageNumber == 2 && s.headerLength == 4)
            SetAutoDownloadChecksum(page);
        const uint8_t* pageData = page + s.headerLength;
        const size_t length = s.pageLength - s.headerLength;

        image.U16(directory + 0,
                  static_cast<uint16_t>((length / 4) << 4 | kDescriptorLengthNibble));
        image.U8(directory + 2, s.pageType);
        image.U8(directory + 3, static_cast<uint8_t>((s.pageNumber & 0x0F) | force));
        image.U16(directory + 4, static_cast<uint16_t>((data / 4) & 0x7FFF));
        image.U16(directory + 6, 0);
        image.U8(data + 0, kRecordMark);
        image.U8(data + 1, static_cast<uint8_t>(-ByteSum(pageData, length)));
        image.U16(data + 2, kNoDataOffset);
        image.Copy(data + kRecordPrefixSize, pageData, length);
        directory += kDescriptorSize;
        data += kRecordPrefixSize + length;
    }

    h.U16(0x06, static_cast<uint16_t>(data));
    image.Copy(0, header, sizeof header);
    return image.ok() ? data : 0;
}
