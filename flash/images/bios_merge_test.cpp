#include "flash/images/bios_merge.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/bytes.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

// Images of the file carry code revision 0x0200, those of the flash 0x0100; records of the file
// are 0x90 bytes long, those of the flash 0x80. So the plan's sources can be read off the result.
constexpr uint16_t kFileRevision = 0x0200;
constexpr uint16_t kFlashRevision = 0x0100;

Bytes Rom(uint8_t codeType, uint16_t deviceId, uint16_t codeRevision, bool lastImage = true) {
    imgb::RomSpec spec;
    spec.codeType = codeType;
    spec.deviceId = deviceId;
    spec.codeRevision = codeRevision;
    spec.blocks = 1;
    spec.lastImage = lastImage;
    return imgb::BuildRomImage(spec);
}

Bytes FileRom(uint8_t codeType, uint16_t deviceId) {
    return Rom(codeType, deviceId, kFileRevision);
}
Bytes FlashRom(uint8_t codeType, uint16_t deviceId) {
    return Rom(codeType, deviceId, kFlashRevision);
}

// "x86 0054 file" for every ROM image in order, "rec3 112 flash" for every record, and "bad" where
// an image does not sum to zero.
std::string Describe(const Bytes& region) {
    std::string text;
    const ByteSpan span(region.data(), region.size());
    ByteReader r(region.data(), region.size());
    size_t offset = 0;
    char item[64];
    while (offset < region.size()) {
        RomImage image;
        if (CheckRomImage(span, offset, &image) == RomImageCheck::kValid) {
            const char* type = image.codeType == kCodeTypeX86   ? "x86"
                               : image.codeType == kCodeTypeEfi ? "efi"
                                                                : "fcode";
            std::snprintf(item, sizeof item, "%s %04x %s%s", type, image.deviceId,
                          image.codeRevision == kFileRevision ? "file" : "flash",
                          imgb::ByteSum(region.data() + offset, image.length) ? " bad" : "");
            offset += image.length;
        } else if (r.U16(offset) == kRomSignature && r.Has(offset, kRecordHeaderSize)) {
            const uint32_t type = r.U32(offset + kRecordTypeOffset);
            const uint32_t length = r.U32(offset + kRecordLengthOffset);
            std::snprintf(item, sizeof item, "rec%u %x %s", type >> 28, type & 0xFFFF,
                          length == 0x90 ? "file" : "flash");
            offset += length ? length : region.size();
        } else {
            std::snprintf(item, sizeof item, "garbage at %zu", offset);
            offset = region.size();
        }
        if (!text.empty()) text += ", ";
        text += item;
    }
    return text;
}

Bytes Assemble(const Bytes& file, const Bytes& flash, uint16_t adapter, bool allAdapters = false,
               BiosRegionPlan* planOut = nullptr) {
    const BiosRegionPlan plan =
        PlanBiosRegion(ByteSpan(file.data(), file.size()), ByteSpan(flash.data(), flash.size()),
                       adapter, allAdapters);
    Bytes region(plan.length);
    AssembleBiosRegion(plan, region.data());
    if (planOut) *planOut = plan;
    return region;
}

Bytes Region(const std::vector<Bytes>& roms, const std::vector<imgb::TrailingRecord>& records) {
    return imgb::BuildBootServicesRegion(roms, records);
}

const std::vector<imgb::TrailingRecord> kFileLegacyRecords = {{1, 0x102, 0x90}, {1, 0x110, 0x90}};
const std::vector<imgb::TrailingRecord> kFlashRecords = {{1, 0x102, 0x80}, {3, 0x112, 0x80}};

// The file arrives as ValidateBiosImage leaves it: its image carries the id it is flashed under.
TEST(PlanBiosRegion, X86FilePlacement) {
    const Bytes primaryAndAlternate = Region(
        {FlashRom(kCodeTypeX86, 0x54), FlashRom(kCodeTypeX86, 0x55), FlashRom(kCodeTypeEfi, 0x54)},
        kFlashRecords);
    const Bytes primaryOnly =
        Region({FlashRom(kCodeTypeX86, 0x54), FlashRom(kCodeTypeEfi, 0x54)}, kFlashRecords);
    const Bytes otherChip =
        Region({FlashRom(kCodeTypeX86, 0x58), FlashRom(kCodeTypeEfi, 0x58)}, kFlashRecords);
    const Bytes empty;
    const struct {
        const char* name;
        const Bytes* flash;
        uint16_t fileId;  // 0x54: -b on a 0x54/0x55 adapter, 0x55: -biosalt
        std::string expected;
    } cases[] = {
        {"-b keeps the alternate", &primaryAndAlternate, 0x54,
         "x86 0054 file, x86 0055 flash, efi 0054 flash, rec1 102 flash, rec3 112 flash"},
        {"-biosalt keeps the primary and puts the file behind it", &primaryAndAlternate, 0x55,
         "x86 0054 flash, x86 0055 file, efi 0054 flash, rec1 102 flash, rec3 112 flash"},
        {"-b without an alternate in flash", &primaryOnly, 0x54,
         "x86 0054 file, efi 0054 flash, rec1 102 file, rec1 110 file, rec3 112 flash"},
        {"-biosalt behind a lone primary", &primaryOnly, 0x55,
         "x86 0054 flash, x86 0055 file, efi 0054 flash, rec1 102 flash, rec3 112 flash"},
        {"a primary for another id becomes the alternate", &otherChip, 0x54,
         "x86 0054 file, x86 0058 flash, efi 0058 flash, rec1 102 file, rec1 110 file, "
         "rec3 112 flash"},
        {"an empty region takes the file alone", &empty, 0x54,
         "x86 0054 file, rec1 102 file, rec1 110 file"},
    };
    for (const auto& c : cases) {
        const Bytes file = Region({FileRom(kCodeTypeX86, c.fileId)}, kFileLegacyRecords);
        EXPECT_EQ(c.expected, Describe(Assemble(file, *c.flash, 0x55))) << c.name;
    }
}

TEST(PlanBiosRegion, EfiAndFcodeFilesLeaveTheX86ImagesInFlash) {
    const Bytes flash = Region({FlashRom(kCodeTypeX86, 0x54), FlashRom(kCodeTypeX86, 0x55),
                                FlashRom(kCodeTypeEfi, 0x54), FlashRom(kCodeTypeFcode, 0x54)},
                               {{1, 0x102, 0x80}, {1, 0x110, 0x80}, {3, 0x102, 0x80}});
    const Bytes efiFile =
        Region({FileRom(kCodeTypeEfi, 0x54)}, {{3, 0x113, 0x90}, {3, 0x112, 0x90}});
    EXPECT_EQ(
        "x86 0054 flash, x86 0055 flash, efi 0054 file, fcode 0054 flash, rec1 102 flash, "
        "rec1 110 flash, rec3 112 file, rec3 113 file",
        Describe(Assemble(efiFile, flash, 0x54)));

    const Bytes fcodeFile = Region({FileRom(kCodeTypeFcode, 0x54)}, kFileLegacyRecords);
    EXPECT_EQ(
        "x86 0054 flash, x86 0055 flash, efi 0054 flash, fcode 0054 file, rec1 102 flash, "
        "rec1 110 flash, rec3 102 flash",
        Describe(Assemble(fcodeFile, flash, 0x54)));
}

TEST(PlanBiosRegion, RecordsFollowTheFixedOrder) {
    const Bytes flash =
        Region({FlashRom(kCodeTypeX86, 0x54), FlashRom(kCodeTypeX86, 0x55)}, {{3, 0x113, 0x80},
                                                                              {1, 0x113, 0x80},
                                                                              {3, 0x110, 0x80},
                                                                              {1, 0x110, 0x80},
                                                                              {3, 0x102, 0x80},
                                                                              {1, 0x102, 0x80},
                                                                              {3, 0x112, 0x80},
                                                                              {1, 0x112, 0x80}});
    const Bytes file = Region({FileRom(kCodeTypeX86, 0x54)}, {});
    EXPECT_EQ(
        "x86 0054 file, x86 0055 flash, rec1 102 flash, rec1 110 flash, rec1 112 flash, "
        "rec1 113 flash, rec3 102 flash, rec3 112 flash, rec3 110 flash, rec3 113 flash",
        Describe(Assemble(file, flash, 0x54)));
}

uint8_t IndicatorAt(const Bytes& region, size_t imageOffset) {
    ByteReader r(region.data(), region.size());
    return r.U8(imageOffset + r.U16(imageOffset + kRomPcirPointerOffset) + kPcirIndicatorOffset);
}

TEST(AssembleBiosRegion, IndicatorsAndChecksums) {
    // The alternate in flash was followed by the EFI image, so its indicator is 0 there.
    const Bytes flash = Region(
        {FlashRom(kCodeTypeX86, 0x54), FlashRom(kCodeTypeX86, 0x55), FlashRom(kCodeTypeEfi, 0x54)},
        {});
    const Bytes file = Region({FileRom(kCodeTypeX86, 0x55)}, {});
    ASSERT_EQ(0x80, IndicatorAt(file, 0));

    // -biosalt: flash primary, file alternate (its indicator was set), flash EFI last.
    const Bytes merged = Assemble(file, flash, 0x55);
    ASSERT_EQ("x86 0054 flash, x86 0055 file, efi 0054 flash", Describe(merged));
    EXPECT_EQ(0, IndicatorAt(merged, 0));
    EXPECT_EQ(0, IndicatorAt(merged, 512));
    EXPECT_EQ(0x80, IndicatorAt(merged, 1024));

    // The last image keeps the indicator it had: here the flash alternate, which was not last.
    const Bytes noEfi =
        imgb::BuildBootServicesRegion({Rom(kCodeTypeX86, 0x54, kFlashRevision, false),
                                       Rom(kCodeTypeX86, 0x55, kFlashRevision, false)},
                                      {}, false);
    const Bytes keptZero = Assemble(Region({FileRom(kCodeTypeX86, 0x54)}, {}), noEfi, 0x54);
    ASSERT_EQ("x86 0054 file, x86 0055 flash", Describe(keptZero));
    EXPECT_EQ(0, IndicatorAt(keptZero, 512));

    // An image taken from the middle of a file keeps a cleared indicator when it ends the region.
    Bytes unmarked = FileRom(kCodeTypeX86, 0x54);
    unmarked[ByteReader(unmarked.data(), unmarked.size()).U16(kRomPcirPointerOffset) +
             kPcirIndicatorOffset] = 0;
    const Bytes single = Assemble(unmarked, Bytes(), 0x54);
    EXPECT_EQ(0, IndicatorAt(single, 0));
    // Describe marks any image whose checksum was not redone.
    EXPECT_EQ("x86 0054 file", Describe(single));
}

TEST(PlanBiosRegion, AllAdaptersSkipsAFileThatIsNotNewer) {
    const auto x86 = [](uint16_t codeRevision, uint8_t minor) {
        imgb::RomSpec spec;
        spec.deviceId = 0x54;
        spec.codeRevision = codeRevision;
        spec.versionBytes[1] = minor;
        spec.blocks = 1;
        return imgb::BuildRomImage(spec);
    };
    const auto fcode = [](uint16_t codeRevision) {
        imgb::RomSpec spec;
        spec.codeType = kCodeTypeFcode;
        spec.codeRevision = codeRevision;
        spec.blocks = 1;
        return imgb::BuildRomImage(spec);
    };
    const Bytes flash = Region({x86(0x0102, 5), fcode(0x0003)}, {});
    const Bytes otherChip = Region({FlashRom(kCodeTypeX86, 0x58)}, {});
    const struct {
        const char* name;
        Bytes file;
        const Bytes* flash;
        BiosVersionCheck compared;
        uint32_t fileVersion, flashVersion;
        bool skipped;
    } cases[] = {
        {"equal", Region({x86(0x0102, 5)}, {}), &flash, BiosVersionCheck::kBios, 0x01020005,
         0x01020005, true},
        {"older", Region({x86(0x0101, 9)}, {}), &flash, BiosVersionCheck::kBios, 0x01010009,
         0x01020005, true},
        {"newer", Region({x86(0x0102, 6)}, {}), &flash, BiosVersionCheck::kBios, 0x01020006,
         0x01020005, false},
        // No primary for this adapter in flash counts as version 0.
        {"nothing to compare with", Region({x86(0x0001, 0)}, {}), &otherChip,
         BiosVersionCheck::kBios, 0x00010000, 0, false},
        {"version 0 over nothing", Region({x86(0, 0)}, {}), &otherChip, BiosVersionCheck::kBios, 0,
         0, true},
        {"FCODE equal", Region({fcode(0x0003)}, {}), &flash, BiosVersionCheck::kFcode, 0x00030000,
         0x00030000, true},
        {"FCODE newer", Region({fcode(0x0004)}, {}), &flash, BiosVersionCheck::kFcode, 0x00040000,
         0x00030000, false},
        {"EFI files are never compared", Region({FileRom(kCodeTypeEfi, 0x54)}, {}), &flash,
         BiosVersionCheck::kNone, 0, 0, false},
    };
    for (const auto& c : cases) {
        BiosRegionPlan plan;
        Assemble(c.file, *c.flash, 0x54, true, &plan);
        EXPECT_EQ(c.compared, plan.compared) << c.name;
        EXPECT_EQ(c.fileVersion, plan.fileVersion) << c.name;
        EXPECT_EQ(c.flashVersion, plan.flashVersion) << c.name;
        EXPECT_EQ(c.skipped, plan.skipped) << c.name;
        // Outside -biosall nothing is compared.
        Assemble(c.file, *c.flash, 0x54, false, &plan);
        EXPECT_FALSE(plan.skipped) << c.name;
    }
}

TEST(PlanBiosRegion, AFileOfAnotherCodeTypeSuppliesNothing) {
    imgb::RomSpec spec;
    spec.codeType = 2;
    spec.blocks = 1;
    const Bytes file = imgb::BuildRomImage(spec);
    const BiosRegionPlan plan = PlanBiosRegion(ByteSpan(file), ByteSpan(), 0x54, false);
    EXPECT_FALSE(plan.fileImageFound);
    EXPECT_EQ(0u, plan.count);
}

}  // namespace
