#include <gtest/gtest.h>

#include <string>

#include "common/bytes.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

TEST(RomImage, FieldsAtThePciOffsetsAndBytesSumToZero) {
    imgb::RomSpec spec;
    spec.codeType = imgb::kCodeTypeX86;
    spec.deviceId = 0x0058;
    spec.codeRevision = 0x0715;
    spec.versionBytes[0] = 0x00;
    spec.versionBytes[1] = 0x03;
    spec.blocks = 3;
    spec.pcirOffset = 0x40;
    Bytes rom = imgb::BuildRomImage(spec);
    ByteReader reader(rom.data(), rom.size());
    ASSERT_EQ(rom.size(), 3u * 512);
    EXPECT_EQ(reader.U16(0), 0xAA55);
    size_t pcir = reader.U16(0x18);
    EXPECT_EQ(pcir, 0x40u);
    EXPECT_EQ(std::string(rom.begin() + pcir, rom.begin() + pcir + 4), "PCIR");
    EXPECT_EQ(reader.U16(pcir + 0x04), 0x1000);
    EXPECT_EQ(reader.U16(pcir + 0x06), 0x0058);
    EXPECT_EQ(reader.U8(pcir + 0x0C), 3);
    EXPECT_EQ(reader.U16(pcir + 0x10), 3);
    EXPECT_EQ(reader.U16(pcir + 0x12), 0x0715);
    EXPECT_EQ(reader.U8(pcir + 0x14), imgb::kCodeTypeX86);
    EXPECT_NE(reader.U8(pcir + 0x15), 0);
    EXPECT_EQ(imgb::ByteSum(rom.data(), rom.size()), 0);
}

TEST(RomImage, VersionBytesMoveWithTheStructureRevision) {
    struct Case {
        uint8_t revision;
        size_t at;
    } cases[] = {{0, 0x18}, {2, 0x18}, {3, 0x1C}};
    for (const Case& c : cases) {
        imgb::RomSpec spec;
        spec.structureRevision = c.revision;
        spec.versionBytes[0] = 0x12;
        spec.versionBytes[1] = 0x34;
        Bytes rom = imgb::BuildRomImage(spec);
        size_t pcir = ByteReader(rom.data(), rom.size()).U16(0x18);
        EXPECT_EQ(rom[pcir + c.at], 0x12) << int{c.revision};
        EXPECT_EQ(rom[pcir + c.at + 1], 0x34) << int{c.revision};
    }
}

TEST(RomImage, BadChecksumAndTheIndicatorOption) {
    imgb::RomSpec spec;
    spec.badChecksum = true;
    spec.lastImage = false;
    Bytes rom = imgb::BuildRomImage(spec);
    EXPECT_NE(imgb::ByteSum(rom.data(), rom.size()), 0);
    EXPECT_EQ(rom[ByteReader(rom.data(), rom.size()).U16(0x18) + 0x15], 0);
    imgb::FixRomChecksum(rom.data(), rom.size());
    EXPECT_EQ(imgb::ByteSum(rom.data(), rom.size()), 0);
}

struct RegionPart {
    size_t offset;
    uint8_t codeType;
    uint8_t indicator;
    size_t length;
};

// The program's ROM walk: images back to back by length x 512 until a non-zero indicator.
std::vector<RegionPart> WalkRoms(const Bytes& region, size_t* end) {
    ByteReader reader(region.data(), region.size());
    std::vector<RegionPart> parts;
    size_t at = 0;
    while (reader.Has(at, 2) && reader.U16(at) == 0xAA55) {
        size_t pcir = at + reader.U16(at + 0x18);
        RegionPart part{at, reader.U8(pcir + 0x14), reader.U8(pcir + 0x15),
                        size_t{reader.U16(pcir + 0x10)} * 512};
        parts.push_back(part);
        at += part.length;
        if (part.indicator) break;
    }
    *end = at;
    return parts;
}

TEST(BootServicesRegion, RomChainThenRecordsWithIndicatorOnTheLastRomOnly) {
    imgb::RomSpec x86;
    x86.deviceId = 0x0054;
    x86.blocks = 2;
    imgb::RomSpec alternate = x86;
    alternate.deviceId = 0x0055;
    imgb::RomSpec efi;
    efi.codeType = imgb::kCodeTypeEfi;
    efi.lastImage = false;  // the region decides
    Bytes region = imgb::BuildBootServicesRegion(
        {imgb::BuildRomImage(x86), imgb::BuildRomImage(alternate), imgb::BuildRomImage(efi)},
        {{1, 0x102, 0x64}, {3, 0x110, 0x100}});
    size_t end = 0;
    std::vector<RegionPart> roms = WalkRoms(region, &end);
    ASSERT_EQ(roms.size(), 3u);
    EXPECT_EQ(roms[1].offset, 0x400u);
    EXPECT_EQ(roms[2].offset, 0x800u);
    EXPECT_EQ(roms[0].indicator, 0);
    EXPECT_EQ(roms[1].indicator, 0);
    EXPECT_NE(roms[2].indicator, 0);
    EXPECT_EQ(roms[2].codeType, imgb::kCodeTypeEfi);
    for (const RegionPart& rom : roms)
        EXPECT_EQ(imgb::ByteSum(region.data() + rom.offset, rom.length), 0) << rom.offset;

    ByteReader reader(region.data(), region.size());
    const uint32_t types[] = {1u << 28 | 0x102, 3u << 28 | 0x110};
    const uint32_t lengths[] = {0x64, 0x100};
    size_t at = end;
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(reader.U16(at), 0xAA55);
        EXPECT_EQ(reader.U32(at + 0x38), types[i]);
        EXPECT_EQ(reader.U32(at + 0x60), lengths[i]);
        at += reader.U32(at + 0x60);
    }
    EXPECT_EQ(at, region.size());
}

TEST(BootServicesRegion, KeptIndicatorsAreLeftAlone) {
    imgb::RomSpec first;
    first.lastImage = true;  // ends the chain early on purpose
    Bytes region = imgb::BuildBootServicesRegion(
        {imgb::BuildRomImage(first), imgb::BuildRomImage(first)}, {}, false);
    size_t end = 0;
    EXPECT_EQ(WalkRoms(region, &end).size(), 1u);
}

TEST(TrailingRecord, ShortLengthsGrowToTheSmallestRecord) {
    Bytes record = imgb::BuildTrailingRecord({3, 0x113, 0x10});
    EXPECT_EQ(record.size(), 0x64u);
    EXPECT_EQ(ByteReader(record.data(), record.size()).U32(0x60), 0x64u);
}

}  // namespace
