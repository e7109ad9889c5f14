// VPD bytes in the PCI layout: identifier string, VPD-R with its checksum, VPD-W, end tag.
#include "common/bytes.h"
#include "tools/image_builder/image_builder.h"

namespace imgb {
namespace {

constexpr uint8_t kIdentifierTag = 0x82;
constexpr uint8_t kReadOnlyTag = 0x90;
constexpr uint8_t kWritableTag = 0x91;
constexpr uint8_t kEndTag = 0x78;

size_t KeywordsLength(const std::vector<VpdKeyword>& keywords) {
    size_t length = 0;
    for (const VpdKeyword& keyword : keywords) length += 3 + keyword.value.size();
    return length;
}

size_t WriteKeyword(ByteWriter& writer, size_t at, std::string_view keyword, size_t valueSize) {
    writer.U8(at, static_cast<uint8_t>(keyword.size() > 0 ? keyword[0] : ' '));
    writer.U8(at + 1, static_cast<uint8_t>(keyword.size() > 1 ? keyword[1] : ' '));
    writer.U8(at + 2, static_cast<uint8_t>(valueSize));
    return at + 3;
}

}  // namespace

Bytes BuildVpd(const VpdSpec& spec) {
    for (const auto* list : {&spec.readOnly, &spec.writable})
        for (const VpdKeyword& keyword : *list)
            if (keyword.value.size() > 0xFF) return {};
    if (spec.rwSize > 0xFF) return {};

    const size_t identifierEnd = 3 + spec.identifier.size();
    const size_t readOnlyStart = identifierEnd;
    // "RV" carries only the checksum byte.
    const size_t rvSize = 1;
    const size_t readOnlyEnd = readOnlyStart + 3 + KeywordsLength(spec.readOnly) + 3 + rvSize;
    const size_t writableEnd = readOnlyEnd + 3 + KeywordsLength(spec.writable) + 3 + spec.rwSize;
    if (writableEnd + 1 > spec.size || readOnlyEnd - readOnlyStart - 3 > 0xFFFF ||
        spec.identifier.size() > 0xFFFF)
        return {};

    Bytes vpd(spec.size);
    ByteWriter writer(vpd.data(), vpd.size());
    writer.U8(0, kIdentifierTag);
    writer.U16(1, static_cast<uint16_t>(spec.identifier.size()));
    writer.Copy(3, spec.identifier.data(), spec.identifier.size());

    writer.U8(readOnlyStart, kReadOnlyTag);
    writer.U16(readOnlyStart + 1, static_cast<uint16_t>(readOnlyEnd - readOnlyStart - 3));
    size_t at = readOnlyStart + 3;
    for (const VpdKeyword& keyword : spec.readOnly) {
        at = WriteKeyword(writer, at, keyword.keyword, keyword.value.size());
        writer.Copy(at, keyword.value.data(), keyword.value.size());
        at += keyword.value.size();
    }
    at = WriteKeyword(writer, at, "RV", rvSize);
    writer.U8(at, static_cast<uint8_t>(0u - ByteSum(vpd.data(), at)));

    at = readOnlyEnd;
    writer.U8(at, kWritableTag);
    writer.U16(at + 1, static_cast<uint16_t>(writableEnd - readOnlyEnd - 3));
    at += 3;
    for (const VpdKeyword& keyword : spec.writable) {
        at = WriteKeyword(writer, at, keyword.keyword, keyword.value.size());
        writer.Copy(at, keyword.value.data(), keyword.value.size());
        at += keyword.value.size();
    }
    WriteKeyword(writer, at, "RW", spec.rwSize);
    writer.U8(writableEnd, kEndTag);
    return vpd;
}

}  // namespace imgb
