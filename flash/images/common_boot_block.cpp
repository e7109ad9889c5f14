#include "flash/images/common_boot_block.h"

#include "common/bytes.h"

namespace {

// Positions of the version text's fields; the characters between them are separators.
struct DigitField {
    size_t position;
    size_t count;
};
constexpr DigitField kMajorField{0, 1};
constexpr DigitField kAField{2, 2};
constexpr DigitField kBField{5, 2};
constexpr DigitField kCField{8, 2};
constexpr DigitField kDField{11, 4};

bool ParseDigits(ByteReader& block, size_t textOffset, DigitField field, uint32_t* value) {
    uint32_t result = 0;
    for (size_t i = 0; i < field.count; ++i) {
        const uint8_t c = block.U8(textOffset + field.position + i);
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
    }
    *value = result;
    return true;
}

// Points the link at linkOffset to target and moves the checksum word the other way.
void Relink(std::vector<uint8_t>& work, size_t linkOffset, size_t checksumOffset, size_t target) {
    ByteReader r(work.data(), work.size());
    ByteWriter w(work.data(), work.size());
    const uint32_t old = r.U32(linkOffset);
    const uint32_t link = static_cast<uint32_t>(target);
    w.U32(linkOffset, link);
    w.U32(checksumOffset, r.U32(checksumOffset) + old - link);
}

template <typename T>
int Order(T x, T y) {
    return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace

bool ParseCbbVersion(const uint8_t* block, size_t length, CbbVersion* version) {
    ByteReader r(block, length);
    const uint32_t offset = r.U32(kCbbVersionOffsetOffset);
    if (!r.ok() || !r.Has(offset, kCbbVersionTextSize)) return false;
    uint32_t major, a, b, c, d;
    if (!ParseDigits(r, offset, kMajorField, &major) || !ParseDigits(r, offset, kAField, &a) ||
        !ParseDigits(r, offset, kBField, &b) || !ParseDigits(r, offset, kCField, &c) ||
        !ParseDigits(r, offset, kDField, &d))
        return false;
    *version = CbbVersion{static_cast<uint8_t>(major), static_cast<uint16_t>(a),
                          static_cast<uint16_t>(b), static_cast<uint16_t>(c), d};
    return true;
}

int CompareCbbVersion(const CbbVersion& x, const CbbVersion& y) {
    if (int o = Order(x.major, y.major)) return o;
    if (int o = Order(x.a, y.a)) return o;
    if (int o = Order(x.b, y.b)) return o;
    if (int o = Order(x.c, y.c)) return o;
    return Order(x.d, y.d);
}

const char* CommonBootBlockProblem(const uint8_t* block, size_t length) {
    ByteReader r(block, length);
    if (length < kCbbHeaderSize) return "the common boot block is shorter than its header";
    if (r.U32(kCbbMagicOffset) != kCbbMagic) return "the common boot block has no BTBL magic";
    CbbVersion version;
    if (!ParseCbbVersion(block, length, &version))
        return "the common boot block's version text is missing or not decimal";
    return nullptr;
}

bool SplitCommonBootBlock(uint8_t* image, uint32_t* length, std::vector<uint8_t>* cbb,
                          const char** problem) {
    cbb->clear();
    *problem = nullptr;
    const FirmwareImage file{image, *length};
    if (!HasFirmwareSignatures(file) || ImageWord(file, kFwNextImageHeaderOffset) == 0) return true;
    std::vector<ChainEntry> chain;
    if ((*problem = ReadFirmwareChain(file, &chain))) return false;

    const ChainEntry* holder = nullptr;
    for (const ChainEntry& entry : chain) {
        if (!CarriesCommonBootBlock(file, entry.offset)) continue;
        if (holder) {
            *problem = "the image holds two common boot blocks";
            return false;
        }
        holder = &entry;
    }
    if (!holder) return true;

    ByteReader in(image, *length);
    const uint32_t blockLength = in.U32(holder->offset + kExtCbbLengthOffset);
    if (blockLength > holder->size - kExtCbbOffset) {
        *problem = "the common boot block is longer than the extended image holding it";
        return false;
    }
    std::vector<uint8_t> block(blockLength);
    in.Copy(holder->offset + kExtCbbOffset, block.data(), blockLength);
    if ((*problem = CommonBootBlockProblem(block.data(), block.size()))) return false;

    // The chain keeps its order and every image starts behind the one before, so the packed
    // copy never outgrows the file.
    std::vector<uint8_t> work(*length);
    const uint32_t mainSize = ImageWord(file, kFwImageSizeOffset);
    in.Copy(0, work.data(), mainSize);
    size_t pos = mainSize;
    std::vector<size_t> placed;
    for (const ChainEntry& entry : chain) {
        if (&entry == holder) continue;
        in.Copy(entry.offset, work.data() + pos, entry.size);
        placed.push_back(pos);
        pos += entry.size;
    }

    // Every link now points at the next image's new place; each changed link is balanced in its
    // image's checksum so the word sums stay as they were.
    Relink(work, kFwNextImageHeaderOffset, kFwChecksumOffset, placed.empty() ? 0 : placed[0]);
    for (size_t i = 0; i < placed.size(); ++i) {
        Relink(work, placed[i] + kExtNextImageHeaderOffset, placed[i] + kExtChecksumOffset,
               i + 1 < placed.size() ? placed[i + 1] : 0);
    }
    ByteWriter(image, *length).Copy(0, work.data(), pos);
    *length = static_cast<uint32_t>(pos);
    *cbb = std::move(block);
    return true;
}

bool ExtractOmbraBootBlock(const uint8_t* image, uint32_t* length, std::vector<uint8_t>* cbb,
                           const char** problem) {
    cbb->clear();
    *problem = nullptr;
    ByteReader in(image, *length);
    for (size_t offset = 0; offset < *length; offset += kOmbraCbbAlignment) {
        if (in.U32(offset + kCbbSignatureOffset) == kT470Signature &&
            in.U32(offset + kCbbMagicOffset) == kCbbMagic) {
            const uint32_t blockLength = in.U32(offset + kCbbLengthOffset);
            if (!in.Has(offset, blockLength)) {
                *problem = "the common boot block runs past the end of the file";
                return false;
            }
            if (const char* bad = CommonBootBlockProblem(image + offset, blockLength)) {
                *problem = bad;
                return false;
            }
            if (blockLength >= *length) {
                *problem = "the file holds nothing but a common boot block";
                return false;
            }
            cbb->assign(image + offset, image + offset + blockLength);
            *length -= blockLength;
            return true;
        }
        // Steps past a length near 4 GiB would wrap a 32-bit size_t back to the start.
        if (*length - offset <= kOmbraCbbAlignment) break;
    }
    return true;
}
