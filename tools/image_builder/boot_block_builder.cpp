// Common boot blocks of the T470 and the Ombra images that may end with one.
#include <algorithm>

#include "common/bytes.h"
#include "tools/image_builder/filler.h"
#include "tools/image_builder/image_builder.h"

namespace imgb {
namespace {

constexpr size_t kCbbVersionOffset = 0x20;
constexpr size_t kCbbMinimumSize = 0x40;
constexpr size_t kOmbraCbbAlignment = 0x20000;
constexpr char kChipText[] = "T470";
constexpr char kBootBlockMagic[] = "BTBL";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool IsCbbVersionText(std::string_view text) {
    if (text.size() != 15) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool separator = i == 1 || i == 4 || i == 7 || i == 10;
        if (!separator && !IsDigit(text[i])) return false;
    }
    return true;
}

Bytes BuildCommonBootBlock(const CbbSpec& spec) {
    size_t size =
        std::max({spec.size, kCbbMinimumSize, kCbbVersionOffset + spec.version.size() + 1});
    Bytes block(size);
    ByteWriter writer(block.data(), block.size());
    const size_t textEnd = kCbbVersionOffset + spec.version.size() + 1;
    WriteFiller(writer, textEnd, size, 0xCB);
    writer.Copy(0x00, kChipText, 4);
    writer.Copy(0x10, spec.badMagic ? "BTBX" : kBootBlockMagic, 4);
    writer.U32(0x18, static_cast<uint32_t>(size));
    writer.U32(0x1C, static_cast<uint32_t>(kCbbVersionOffset));
    writer.Copy(kCbbVersionOffset, spec.version.data(), spec.version.size());
    writer.U8(kCbbVersionOffset + spec.version.size(), 0);
    return block;
}

Bytes BuildOmbraImage(const OmbraSpec& spec) {
    size_t body = std::max<size_t>(spec.size, 4);
    if (!spec.cbb.empty())
        body = (body + kOmbraCbbAlignment - 1) / kOmbraCbbAlignment * kOmbraCbbAlignment;
    Bytes image(body + spec.cbb.size());
    ByteWriter writer(image.data(), image.size());
    WriteFiller(writer, 4, body, 0x0B);
    writer.Copy(0, kChipText, 4);
    writer.Copy(body, spec.cbb.data(), spec.cbb.size());
    return image;
}

}  // namespace imgb
