#include "flash/images/bios_rom_chain.h"

#include <gtest/gtest.h>

#include "common/bytes.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

Bytes Rom(uint8_t codeType, uint16_t deviceId, size_t blocks, uint16_t codeRevision = 0x0100,
          bool lastImage = true) {
    imgb::RomSpec spec;
    spec.lastImage = lastImage;
    spec.codeType = codeType;
    spec.deviceId = deviceId;
    spec.blocks = blocks;
    spec.codeRevision = codeRevision;
    return imgb::BuildRomImage(spec);
}

// x86 for 0x0054 (4 blocks), x86 for 0x0055 (2), EFI (3), FCODE (1), then three records.
Bytes FullRegion() {
    return imgb::BuildBootServicesRegion({Rom(kCodeTypeX86, 0x54, 4), Rom(kCodeTypeX86, 0x55, 2),
                                          Rom(kCodeTypeEfi, 0x54, 3), Rom(kCodeTypeFcode, 0x54, 1)},
                                         {{1, 0x102, 0x80}, {1, 0x110, 0x80}, {3, 0x112, 0xA0}});
}
constexpr size_t kRecordsStart = (4 + 2 + 3 + 1) * 512;

ByteSpan Span(const Bytes& bytes) {
    return ByteSpan(bytes.data(), bytes.size());
}

size_t PcirOf(const Bytes& region, size_t imageOffset) {
    return imageOffset + ByteReader(region.data(), region.size()).U16(imageOffset + 0x18);
}

TEST(FindRomImage, EachWantedTypeOnAFullRegion) {
    const Bytes region = FullRegion();
    const struct {
        uint8_t wanted;
        size_t offset, length;
        uint16_t deviceId;
    } cases[] = {
        {kCodeTypeX86, 0, 2048, 0x54},
        {kRomAlternateX86, 2048, 1024, 0x55},
        {kCodeTypeEfi, 3072, 1536, 0x54},
        {kCodeTypeFcode, 4608, 512, 0x54},
    };
    for (const auto& c : cases) {
        RomImage image;
        ASSERT_TRUE(FindRomImage(Span(region), c.wanted, &image)) << int(c.wanted);
        EXPECT_EQ(c.offset, image.offset) << int(c.wanted);
        EXPECT_EQ(c.length, image.length) << int(c.wanted);
        EXPECT_EQ(c.deviceId, image.deviceId) << int(c.wanted);
    }
    // Only one x86 image: there is no second one.
    const Bytes single = imgb::BuildBootServicesRegion({Rom(kCodeTypeX86, 0x54, 1)}, {});
    RomImage image;
    EXPECT_FALSE(FindRomImage(Span(single), kRomAlternateX86, &image));
    EXPECT_FALSE(FindRomImage(Span(single), kCodeTypeEfi, &image));
}

TEST(FindRomImage, TheSearchEndsAtTheImageMarkedLast) {
    // The EFI image sits behind an x86 image that claims to be the last one.
    const Bytes region = imgb::BuildBootServicesRegion(
        {Rom(kCodeTypeX86, 0x54, 1, 0x0100, false), Rom(kCodeTypeEfi, 0x54, 1)}, {}, false);
    Bytes marked = region;
    marked[PcirOf(marked, 0) + kPcirIndicatorOffset] = 0x80;
    RomImageChecksum(marked.data(), 512);
    RomImage image;
    EXPECT_TRUE(FindRomImage(Span(region), kCodeTypeEfi, &image));
    EXPECT_FALSE(FindRomImage(Span(marked), kCodeTypeEfi, &image));
}

TEST(FindTrailingRecord, ByClassAndIdentifier) {
    const Bytes region = FullRegion();
    const struct {
        uint8_t recordClass;
        uint16_t identifier;
        bool found;
        size_t offset, length;
    } cases[] = {
        {1, 0x102, true, kRecordsStart, 0x80},
        {1, 0x110, true, kRecordsStart + 0x80, 0x80},
        {3, 0x112, true, kRecordsStart + 0x100, 0xA0},
        {3, 0x102, false, 0, 0},
        {1, 0x112, false, 0, 0},
    };
    for (const auto& c : cases) {
        TrailingRecord record;
        ASSERT_EQ(c.found, FindTrailingRecord(Span(region), c.recordClass, c.identifier, &record))
            << int(c.recordClass) << " " << c.identifier;
        if (!c.found) continue;
        EXPECT_EQ(c.offset, record.offset);
        EXPECT_EQ(c.length, record.length);
    }
}

// Damaged chains: every walk must end inside the buffer. The vectors are exactly as long as the
// data, so a read past the end shows up under the address sanitizer.
TEST(RomChainWalks, DamagedChainsEndInsideTheBuffer) {
    constexpr size_t firstRecord = kRecordsStart;
    constexpr size_t secondRecord = kRecordsStart + 0x80;
    const struct {
        const char* name;
        void (*damage)(Bytes*);
        bool x86, efi, record110;
    } cases[] = {
        {"intact", [](Bytes*) {}, true, true, true},
        // The next image would start where this one does.
        {"zero length",
         [](Bytes* r) { ByteWriter(r->data(), r->size()).U16(PcirOf(*r, 2048) + 0x10, 0); }, true,
         false, false},
        {"PCI structure pointer past the end",
         [](Bytes* r) { ByteWriter(r->data(), r->size()).U16(2048 + 0x18, 0xFFF0); }, true, false,
         false},
        {"no PCIR signature", [](Bytes* r) { (*r)[PcirOf(*r, 2048)] = 'X'; }, true, false, false},
        {"image longer than the region",
         [](Bytes* r) { ByteWriter(r->data(), r->size()).U16(PcirOf(*r, 3072) + 0x10, 0x7FFF); },
         true, false, false},
        {"cut inside the EFI image", [](Bytes* r) { r->resize(3072 + 700); }, true, false, false},
        {"cut inside the first record", [](Bytes* r) { r->resize(firstRecord + 0x50); }, true, true,
         false},
        // The record searched for (the second one) is damaged itself.
        {"record length 0",
         [](Bytes* r) { ByteWriter(r->data(), r->size()).U32(secondRecord + 0x60, 0); }, true, true,
         false},
        {"record length shorter than its header",
         [](Bytes* r) { ByteWriter(r->data(), r->size()).U32(secondRecord + 0x60, 0x10); }, true,
         true, false},
        {"record length past the end",
         [](Bytes* r) { ByteWriter(r->data(), r->size()).U32(secondRecord + 0x60, 0x1000); }, true,
         true, false},
        {"a record before it with length 0",
         [](Bytes* r) { ByteWriter(r->data(), r->size()).U32(firstRecord + 0x60, 0); }, true, true,
         false},
        // The merge keeps the last image's indicator as it was, so a region may end its chain
        // without one; the records behind it are still told apart by their missing PCIR.
        {"last image not marked",
         [](Bytes* r) { (*r)[PcirOf(*r, 4608) + kPcirIndicatorOffset] = 0; }, true, true, true},
        {"empty", [](Bytes* r) { r->clear(); }, false, false, false},
        {"only the signature", [](Bytes* r) { r->resize(2); }, false, false, false},
    };
    for (const auto& c : cases) {
        Bytes region = FullRegion();
        c.damage(&region);
        Bytes exact(region.begin(), region.end());
        exact.shrink_to_fit();
        RomImage image;
        TrailingRecord record;
        EXPECT_EQ(c.x86, FindRomImage(Span(exact), kCodeTypeX86, &image)) << c.name;
        EXPECT_EQ(c.efi, FindRomImage(Span(exact), kCodeTypeEfi, &image)) << c.name;
        EXPECT_EQ(c.record110, FindTrailingRecord(Span(exact), 1, 0x110, &record)) << c.name;
        EXPECT_EQ(c.efi, BiosImageVersion(Span(exact), kCodeTypeEfi, 0x54) != kNoBiosVersion)
            << c.name;
    }
}

TEST(CheckRomImage, NamesWhatIsWrong) {
    const Bytes rom = Rom(kCodeTypeX86, 0x54, 2);
    const size_t pcir = PcirOf(rom, 0);
    const struct {
        const char* name;
        void (*damage)(Bytes*, size_t pcir);
        RomImageCheck check;
    } cases[] = {
        {"valid", [](Bytes*, size_t) {}, RomImageCheck::kValid},
        {"signature", [](Bytes* r, size_t) { (*r)[0] = 0; }, RomImageCheck::kNoSignature},
        {"pointer", [](Bytes* r, size_t) { (*r)[0x19] = 0x40; }, RomImageCheck::kPcirOutside},
        {"PCIR", [](Bytes* r, size_t p) { (*r)[p + 3] = 'r'; }, RomImageCheck::kNoPcirSignature},
        {"zero length", [](Bytes* r, size_t p) { (*r)[p + 0x10] = 0; }, RomImageCheck::kZeroLength},
        {"past end", [](Bytes* r, size_t p) { (*r)[p + 0x10] = 3; }, RomImageCheck::kPastEnd},
        // One block that ends before its own PCI data structure does.
        {"structure behind the image",
         [](Bytes* r, size_t p) {
             (*r)[0x18] = 0xF0;
             (*r)[0x19] = 0x01;
             ByteWriter(r->data(), r->size()).Copy(0x1F0, r->data() + p, 0x16);
             (*r)[0x1F0 + 0x10] = 1;
         },
         RomImageCheck::kPcirOutside},
    };
    for (const auto& c : cases) {
        Bytes bytes = rom;
        c.damage(&bytes, pcir);
        RomImage image;
        EXPECT_EQ(c.check, CheckRomImage(Span(bytes), 0, &image)) << c.name;
    }
}

TEST(RomImageChecksum, MakesTheImageSumToZero) {
    Bytes image = Rom(kCodeTypeX86, 0x54, 1);
    image[0x100] ^= 0x5A;
    ASSERT_NE(0, imgb::ByteSum(image.data(), image.size()));
    RomImageChecksum(image.data(), image.size());
    EXPECT_EQ(0, imgb::ByteSum(image.data(), image.size()));
}

TEST(DeviceIdPairs, PrimaryAndAlternate) {
    const struct {
        uint16_t adapter, primary, alternate;
    } cases[] = {
        {0x0050, 0x0050, 0x0051},
        {0x0051, 0x0050, 0x0051},
        {0x0054, 0x0054, 0x0055},
        {0x0055, 0x0054, 0x0055},
        {0x0056, 0x0056, 0x0057},
        {0x0057, 0x0056, 0x0057},
        {0x0058, 0x0058, 0x0059},
        {0x0059, 0x0058, 0x0059},
        {0x0062, 0x0062, 0x0063},
        // Not one of the listed odd members: even rules.
        {0x0063, 0x0063, 0x0064},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.primary, PrimaryDeviceId(c.adapter)) << std::hex << c.adapter;
        EXPECT_EQ(c.alternate, AlternateDeviceId(c.adapter)) << std::hex << c.adapter;
    }
}

TEST(BiosImageVersion, RulesPerImageKind) {
    imgb::RomSpec oldX86;
    oldX86.deviceId = 0x54;
    oldX86.structureRevision = 2;
    oldX86.codeRevision = 0x0107;
    oldX86.versionBytes[0] = 0x23;
    oldX86.versionBytes[1] = 0x05;
    oldX86.blocks = 1;
    imgb::RomSpec newX86 = oldX86;
    newX86.deviceId = 0x55;
    newX86.structureRevision = 3;
    newX86.versionBytes[0] = 0x31;
    imgb::RomSpec efi;
    efi.codeType = kCodeTypeEfi;
    efi.codeRevision = 0x2405;  // 1 << 13 | 4 << 8 | 0 << 4 | 5
    efi.blocks = 1;
    imgb::RomSpec fcode = oldX86;
    fcode.codeType = kCodeTypeFcode;
    fcode.codeRevision = 0x0002;

    const Bytes x86First =
        imgb::BuildBootServicesRegion({imgb::BuildRomImage(oldX86), imgb::BuildRomImage(newX86),
                                       imgb::BuildRomImage(efi), imgb::BuildRomImage(fcode)},
                                      {});
    const Bytes efiFirst = imgb::BuildBootServicesRegion({imgb::BuildRomImage(efi)}, {});
    const struct {
        const Bytes* region;
        uint8_t kind;
        uint16_t adapter;
        uint32_t version;
    } cases[] = {
        // Revision 2 keeps the bytes at +0x18, revision 3 at +0x1C.
        {&x86First, kCodeTypeX86, 0x55, 0x01072305},
        {&x86First, kRomAlternateX86, 0x54, 0x01073105},
        {&x86First, kCodeTypeEfi, 0x54, 0x01042405},
        {&x86First, kCodeTypeFcode, 0x54, 0x00022305},
        {&x86First, kRomFirstImage, 0x54, 0x01072305},
        // The primary x86 image must carry the adapter's primary id.
        {&x86First, kCodeTypeX86, 0x58, kNoBiosVersion},
        {&x86First, kRomAlternateX86, 0x58, kNoBiosVersion},
        {&efiFirst, kRomFirstImage, 0x54, 0x01042405},
        {&efiFirst, kCodeTypeX86, 0x54, kNoBiosVersion},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.version, BiosImageVersion(Span(*c.region), c.kind, c.adapter))
            << std::hex << int(c.kind) << " " << c.adapter;
    }
}

}  // namespace
