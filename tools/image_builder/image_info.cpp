// What a file holds, for `tessel-image info`: one walker per format, each bounded by the buffer
// and by a visit limit, since the file may be anybody's.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "tools/image_builder/image_builder.h"

namespace imgb {
namespace {

constexpr uint32_t kSignature0 = 0x5AEAA55A;
constexpr uint32_t kSignature1 = 0xA55AEAA5;
constexpr uint32_t kSignature2 = 0x5AA55AEA;
constexpr uint32_t kNvdataSignature1 = 0x566F726C;
constexpr uint32_t kNvdataSignature2 = 0x51756962;
constexpr uint32_t kBootBlockMagic = 0x4C425442;  // "BTBL" in file order
constexpr uint32_t kChipText = 0x30373454;        // "T470" in file order
constexpr uint16_t kRomSignature = 0xAA55;
constexpr size_t kOmbraCbbAlignment = 0x20000;
constexpr size_t kMaxVisits = 256;

class Text {
  public:
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char line[256];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        text_ += line;
        text_ += '\n';
    }
    std::string Take() { return std::move(text_); }

  private:
    std::string text_;
};

// Printable characters of a fixed-width field; anything else as '.'.
std::string FieldText(ByteReader& reader, size_t offset, size_t width, bool stopAtZero) {
    std::string text;
    for (size_t i = 0; i < width && reader.Has(offset + i, 1); ++i) {
        uint8_t c = reader.U8(offset + i);
        if (c == 0 && stopAtZero) break;
        text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
    }
    return text;
}

const char* ExtTypeName(uint8_t type) {
    switch (type) {
        case kExtTypeNvdata:
            return "NVDATA";
        case kExtTypeBootloader:
            return "bootloader";
        case kExtTypeInitialization:
            return "initialization";
        default:
            return "unknown";
    }
}

const char* CodeTypeName(uint8_t type) {
    switch (type) {
        case kCodeTypeX86:
            return "x86 BIOS";
        case kCodeTypeFcode:
            return "FCODE";
        case kCodeTypeEfi:
            return "EFI";
        default:
            return "unknown";
    }
}

void DescribeCbb(Text& out, ByteReader& reader, size_t at, const char* indent) {
    const uint32_t length = reader.U32(at + 0x18);
    const uint32_t versionOffset = reader.U32(at + 0x1C);
    out.Line("%scommon boot block: length 0x%X, version \"%s\"", indent, length,
             versionOffset < reader.size() - at
                 ? FieldText(reader, at + versionOffset, 15, true).c_str()
                 : "(offset past the end)");
}

void DescribeNvdata(Text& out, ByteReader& reader, size_t at) {
    const bool first = reader.U32(at + 0x18) == kNvdataSignature1;
    const bool second = reader.U32(at + 0x3C) == kNvdataSignature2;
    out.Line("      NVDATA: version 0x%04X, first signature %s, second signature %s",
             reader.U16(at + 0x20), first ? "valid" : "INVALID", second ? "valid" : "INVALID");
    out.Line("      vendor id \"%s\", product id \"%s\"",
             FieldText(reader, at + 0x40, 8, false).c_str(),
             FieldText(reader, at + 0x48, 16, false).c_str());
}

void DescribeFirmware(Text& out, ByteReader& reader) {
    const uint8_t* data = reader.data();
    const size_t size = reader.size();
    const uint16_t productId = reader.U16(0x22);
    const uint32_t sum = WordSum(data, size);
    out.Line("firmware image, %zu bytes", size);
    out.Line("  checksum          0x%08X (word sum %s)", reader.U32(0x1C),
             sum == 0 ? "zero: valid" : "NOT zero");
    out.Line("  ProductId         0x%04X (protocol %u, kind %u %s, family %u)", productId,
             productId >> 12, (productId >> 8) & 0xF,
             ((productId >> 8) & 0xF) == 4 || ((productId >> 8) & 0xF) == 5 ||
                     ((productId >> 8) & 0xF) == 7
                 ? "IR"
                 : "IT",
             productId & 0xFF);
    out.Line("  FWVersion         0x%08X (%s)", reader.U32(0x24),
             FormatVersionWord(reader.U32(0x24)).c_str());
    const uint32_t seq = reader.U32(0x28);
    if (seq == kSeqCodeAnyT470) {
        out.Line("  SeqCodeVersion    0x%06X (fits a T470 of every revision)", seq);
    } else {
        out.Line("  SeqCodeVersion    0x%06X (chip code 0x%04X, stepping 0x%02X)", seq,
                 (seq >> 8) & 0xFFFF, seq & 0xFF);
    }
    out.Line("  NvdataMajorVersion 0x%04X", reader.U16(0x10));
    const uint32_t flags = reader.U32(0x14);
    out.Line("  FlashLayoutFlags  0x%08X (%s layout%s)", flags, flags & 1 ? "2 MB" : "1 MB",
             flags & 2 ? ", answers flash-size inquiry" : "");
    const uint32_t imageSize = reader.U32(0x2C);
    out.Line("  ImageSize         0x%X%s", imageSize, imageSize > size ? " (past the end)" : "");
    out.Line("  NvdataLoadStartAddress 0x%08X", reader.U32(0xB4));

    uint32_t link = reader.U32(0x30);
    if (link == 0) {
        out.Line("  no extended images");
        return;
    }
    out.Line("  extended images:");
    std::vector<uint32_t> visited;
    while (link != 0) {
        for (uint32_t seen : visited) {
            if (seen == link) {
                out.Line("    link to 0x%X loops back", link);
                return;
            }
        }
        if (visited.size() == kMaxVisits) {
            out.Line("    (stopped after %zu images)", kMaxVisits);
            return;
        }
        if (!reader.Has(link, 24)) {
            out.Line("    link to 0x%X leaves the file", link);
            return;
        }
        visited.push_back(link);
        const uint8_t type = reader.U8(link);
        const uint32_t extSize = reader.U32(link + 0x08);
        const bool inside = extSize <= size - link;
        const bool sumsToZero = inside && WordSum(data + link, extSize) == 0;
        out.Line("    at 0x%06X type %u %s, ImageSize 0x%X%s, load 0x%08X, checksum %s", link, type,
                 ExtTypeName(type), extSize, inside ? "" : " (past the end)",
                 reader.U32(link + 0x10), sumsToZero ? "valid" : "INVALID");
        if (type == kExtTypeInitialization && reader.U32(link + 0x28) == kBootBlockMagic)
            DescribeCbb(out, reader, link + 0x18, "      ");
        if (type == kExtTypeNvdata) DescribeNvdata(out, reader, link);
        link = reader.U32(link + 0x0C);
    }
}

void DescribeOmbra(Text& out, ByteReader& reader) {
    out.Line("Ombra image, %zu bytes", reader.size());
    for (size_t at = 0; at < reader.size(); at += kOmbraCbbAlignment) {
        if (reader.Has(at, 0x20) && reader.U32(at) == kChipText &&
            reader.U32(at + 0x10) == kBootBlockMagic) {
            out.Line("  at 0x%06zX:", at);
            DescribeCbb(out, reader, at, "    ");
            return;
        }
    }
    out.Line("  no common boot block");
}

void DescribeRegion(Text& out, ByteReader& reader) {
    const uint8_t* data = reader.data();
    out.Line("PCI expansion ROM chain, %zu bytes", reader.size());
    size_t at = 0;
    size_t visits = 0;
    while (reader.Has(at, 2) && reader.U16(at) == kRomSignature && visits++ < kMaxVisits) {
        const size_t pcir = at + reader.U16(at + 0x18);
        if (!reader.Has(pcir, 0x20) || reader.U32(pcir) != 0x52494350) {
            out.Line("  at 0x%06zX: no PCI data structure", at);
            return;
        }
        const uint8_t codeType = reader.U8(pcir + 0x14);
        const uint8_t revision = reader.U8(pcir + 0x0C);
        const size_t length = size_t{reader.U16(pcir + 0x10)} * 512;
        const uint16_t codeRevision = reader.U16(pcir + 0x12);
        const uint8_t indicator = reader.U8(pcir + 0x15);
        const bool inside = length <= reader.size() - at;
        out.Line("  at 0x%06zX %s, vendor 0x%04X device 0x%04X, length 0x%zX%s, checksum %s", at,
                 CodeTypeName(codeType), reader.U16(pcir + 4), reader.U16(pcir + 6), length,
                 inside ? "" : " (past the end)",
                 inside && length > 0 && ByteSum(data + at, length) == 0 ? "valid" : "INVALID");
        const size_t versionAt = pcir + (revision <= 2 ? 0x18 : 0x1C);
        if (codeType == kCodeTypeEfi) {
            out.Line("    structure revision %u, code revision 0x%04X (version %u.%u.%u.%u)%s",
                     revision, codeRevision, codeRevision >> 13, (codeRevision >> 8) & 0x1F,
                     (codeRevision >> 4) & 0xF, codeRevision & 0xF, indicator ? ", last" : "");
        } else {
            const uint32_t version = uint32_t{codeRevision} << 16 |
                                     uint32_t{reader.U8(versionAt)} << 8 | reader.U8(versionAt + 1);
            out.Line(
                "    structure revision %u, code revision 0x%04X, version bytes %02X %02X "
                "(version %s)%s",
                revision, codeRevision, reader.U8(versionAt), reader.U8(versionAt + 1),
                FormatVersionWord(version).c_str(), indicator ? ", last" : "");
        }
        if (length == 0) return;
        at += length;
        if (indicator) break;
    }
    visits = 0;
    while (reader.Has(at, 0x64) && reader.U16(at) == kRomSignature && visits++ < kMaxVisits) {
        const uint32_t type = reader.U32(at + 0x38);
        const uint32_t length = reader.U32(at + 0x60);
        out.Line("  at 0x%06zX record class %u identifier 0x%03X, length 0x%X", at, type >> 28,
                 type & 0xFFFF, length);
        if (length < 0x64) {
            out.Line("    record length below 0x64 ends the walk");
            return;
        }
        at += length;
    }
    if (at < reader.size()) out.Line("  0x%zX bytes after the last record", reader.size() - at);
}

void DescribeVpd(Text& out, ByteReader& reader) {
    out.Line("VPD, %zu bytes", reader.size());
    const size_t identifierLength = reader.U16(1);
    out.Line("  identifier \"%s\"", FieldText(reader, 3, identifierLength, false).c_str());
    size_t at = 3 + identifierLength;
    size_t visits = 0;
    while (reader.Has(at, 3) && reader.U8(at) > 0x80 && visits++ < kMaxVisits) {
        const uint8_t tag = reader.U8(at);
        const size_t length = reader.U16(at + 1);
        out.Line("  resource 0x%02X, length %zu", tag, length);
        size_t key = at + 3;
        const size_t end = at + 3 + length;
        while (key + 3 <= end && reader.Has(key, 3)) {
            const size_t valueLength = reader.U8(key + 2);
            std::string name = FieldText(reader, key, 2, false);
            if (name == "RV") {
                const bool valid = reader.Has(key + 3, 1) && ByteSum(reader.data(), key + 4) == 0;
                out.Line("    RV checksum %s", valid ? "valid" : "INVALID");
            } else {
                out.Line("    %s (%zu) \"%s\"", name.c_str(), valueLength,
                         FieldText(reader, key + 3, valueLength, true).c_str());
            }
            key += 3 + valueLength;
        }
        at = end;
    }
    out.Line("  %s", reader.Has(at, 1) && reader.U8(at) == 0x78 ? "end tag" : "no end tag");
}

}  // namespace

std::string DescribeImage(const uint8_t* data, size_t size) {
    ByteReader reader(data, size);
    Text out;
    if (reader.Has(0, 0x10) && reader.U32(4) == kSignature0 && reader.U32(8) == kSignature1 &&
        reader.U32(0xC) == kSignature2) {
        DescribeFirmware(out, reader);
    } else if (reader.Has(0, 0x20) && reader.U32(0) == kChipText &&
               reader.U32(0x10) == kBootBlockMagic) {
        DescribeCbb(out, reader, 0, "");
    } else if (reader.Has(0, 4) && reader.U32(0) == kChipText) {
        DescribeOmbra(out, reader);
    } else if (reader.Has(0, 2) && reader.U16(0) == kRomSignature) {
        DescribeRegion(out, reader);
    } else if (reader.Has(0, 3) && reader.U8(0) == 0x82) {
        DescribeVpd(out, reader);
    } else {
        out.Line(
            "not a firmware image, common boot block, Ombra image, ROM chain or VPD "
            "(%zu bytes)",
            size);
    }
    return out.Take();
}

}  // namespace imgb
