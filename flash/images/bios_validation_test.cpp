#include "flash/images/bios_validation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/bytes.h"
#include "flash/images/bios_merge.h"
#include "flash/images/bios_rom_chain.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

const std::string kStart = "\t\tValidating BIOS Image. . .\n\n";
const std::string kSignatureValid = "\t\tBIOS Header Signature Valid.\n\n";
const std::string kChecksumPassed = "\t\tChecksum Passed: 00000000\n\n";
const std::string kCompatible = "\t\tBIOS Image compatible with the SAS Controller.\n\n";
const std::string kNotCompatible =
    "\t\tERROR: BIOS Image not compatible with the SAS Controller.\n\n";

struct Validation {
    bool passed;
    std::string output;
};

Validation Validate(Bytes* image, uint16_t adapter, bool alternate) {
    testing::internal::CaptureStdout();
    const bool passed = ValidateBiosImage(image->data(), image->size(), adapter, alternate);
    return {passed, testing::internal::GetCapturedStdout()};
}

size_t Pcir(const Bytes& image) {
    return ByteReader(image.data(), image.size()).U16(kRomPcirPointerOffset);
}
uint16_t DeviceId(const Bytes& image) {
    return ByteReader(image.data(), image.size()).U16(Pcir(image) + kPcirDeviceIdOffset);
}
void SetDeviceId(Bytes* image, uint16_t id) {
    ByteWriter(image->data(), image->size()).U16(Pcir(*image) + kPcirDeviceIdOffset, id);
}

Bytes X86(uint16_t deviceId) {
    imgb::RomSpec spec;
    spec.deviceId = deviceId;
    spec.blocks = 2;
    return imgb::BuildRomImage(spec);
}

TEST(ValidateBiosImage, WritesThePrimaryOrAlternateIdOfTheAdapter) {
    const struct {
        uint16_t fileId, adapter;
        bool alternate;
        uint16_t written;
    } cases[] = {
        {0x0054, 0x0055, false, 0x0054},
        {0x0054, 0x0055, true, 0x0055},
        {0x0058, 0x0058, false, 0x0058},
        {0x0058, 0x0058, true, 0x0059},
        {0x0062, 0x0062, true, 0x0063},
        // The file's own id only has to be one of the family's.
        {0x005C, 0x0054, false, 0x0054},
    };
    for (const auto& c : cases) {
        Bytes image = X86(c.fileId);
        const Validation v = Validate(&image, c.adapter, c.alternate);
        EXPECT_TRUE(v.passed) << std::hex << c.fileId;
        EXPECT_EQ(kStart + kSignatureValid + kChecksumPassed + kCompatible, v.output);
        EXPECT_EQ(c.written, DeviceId(image)) << std::hex << c.fileId;
    }
}

TEST(ValidateBiosImage, RefusalsAndTheirLines) {
    const struct {
        const char* name;
        void (*damage)(Bytes*);
        std::string output;
    } cases[] = {
        {"no 0xAA55", [](Bytes* i) { (*i)[1] = 0; },
         kStart + "\t\tBIOS Header Signature Invalid.\n\n"},
        {"empty file", [](Bytes* i) { i->clear(); },
         kStart + "\t\tBIOS Header Signature Invalid.\n\n"},
        {"structure pointer past the end",
         [](Bytes* i) { ByteWriter(i->data(), i->size()).U16(kRomPcirPointerOffset, 0x0400); },
         kStart + kSignatureValid +
             "\t\tERROR: BIOS PCI Structure offset 0x400 lies outside the 1024 bytes of the "
             "file.\n\n"},
        {"cut to its first 32 bytes", [](Bytes* i) { i->resize(32); },
         kStart + kSignatureValid +
             "\t\tERROR: BIOS PCI Structure offset 0x1c lies outside the 32 bytes of the "
             "file.\n\n"},
        {"bytes do not sum to zero", [](Bytes* i) { (*i)[0x300] += 3; },
         kStart + kSignatureValid + "\t\tChecksum Failed: 00000003\n\n"},
        {"no PCIR",
         [](Bytes* i) {
             (*i)[Pcir(*i)] = 'X';
             RomImageChecksum(i->data(), i->size());
         },
         kStart + kSignatureValid + kChecksumPassed +
             "\t\tBIOS PCI Structure signature invalid!.\n\n"},
        {"length field 0",
         [](Bytes* i) {
             ByteWriter(i->data(), i->size()).U16(Pcir(*i) + kPcirImageLengthOffset, 0);
             RomImageChecksum(i->data(), i->size());
         },
         kStart + kSignatureValid + kChecksumPassed +
             "\t\tERROR: BIOS Image length field is 0.\n\n"},
        {"longer than the file",
         [](Bytes* i) {
             ByteWriter(i->data(), i->size()).U16(Pcir(*i) + kPcirImageLengthOffset, 8);
             RomImageChecksum(i->data(), i->size());
         },
         kStart + kSignatureValid + kChecksumPassed +
             "\t\tERROR: BIOS Image length of 4096 bytes runs past the end of the 1024-byte "
             "file.\n\n"},
        {"foreign device id",
         [](Bytes* i) {
             SetDeviceId(i, 0x0070);
             RomImageChecksum(i->data(), i->size());
         },
         kStart + kSignatureValid + kChecksumPassed + kNotCompatible},
    };
    for (const auto& c : cases) {
        Bytes image = X86(0x0054);
        c.damage(&image);
        Bytes exact(image);
        const Validation v = Validate(&exact, 0x0054, false);
        EXPECT_FALSE(v.passed) << c.name;
        EXPECT_EQ(c.output, v.output) << c.name;
    }
}

// Real option ROMs that nobody here built: generic network boot images, some with an EFI image
// behind the x86 one.
std::vector<std::filesystem::path> PackageRoms() {
    std::vector<std::filesystem::path> roms;
    const std::filesystem::path dir = "/usr/lib/ipxe/qemu";
    if (!std::filesystem::is_directory(dir)) return roms;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".rom") roms.push_back(entry.path());
    }
    std::sort(roms.begin(), roms.end());
    return roms;
}

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PackageRomTest : public testing::Test {
  protected:
    void SetUp() override {
        roms_ = PackageRoms();
        ASSERT_FALSE(roms_.empty())
            << "no option ROMs in /usr/lib/ipxe/qemu: scripts/bootstrap.sh installs ipxe-qemu";
    }
    std::vector<std::filesystem::path> roms_;
};

TEST_F(PackageRomTest, ChainsWalkAndVersionsRead) {
    bool sawEfi = false;
    for (const auto& path : roms_) {
        const Bytes file = ReadFile(path);
        const ByteSpan span(file.data(), file.size());
        ByteReader r(file.data(), file.size());
        RomImage x86;
        ASSERT_TRUE(FindRomImage(span, kCodeTypeX86, &x86)) << path;
        EXPECT_EQ(0u, x86.offset);
        // The legacy header's own size byte agrees with the PCI data structure.
        EXPECT_EQ(r.U8(2) * kRomBlockSize, x86.length) << path;
        EXPECT_EQ(0, imgb::ByteSum(file.data(), x86.length)) << path;

        // x86 version: code revision and the two bytes behind a revision-3 structure.
        ASSERT_EQ(3, x86.structureRevision) << path;
        const uint32_t expected = uint32_t{r.U16(x86.pcir + 0x12)} << 16 |
                                  uint32_t{r.U8(x86.pcir + 0x1C)} << 8 | r.U8(x86.pcir + 0x1D);
        EXPECT_EQ(expected, BiosImageVersion(span, kRomFirstImage, x86.deviceId)) << path;

        RomImage efi;
        if (FindRomImage(span, kCodeTypeEfi, &efi)) {
            sawEfi = true;
            EXPECT_EQ(x86.length, efi.offset) << path;
            EXPECT_EQ(file.size(), efi.offset + efi.length) << path;
            EXPECT_EQ(0x0EF1u, r.U32(efi.offset + 4)) << path;  // the EFI image signature
            EXPECT_NE(0, efi.indicator) << path;
            EXPECT_NE(kNoBiosVersion, BiosImageVersion(span, kCodeTypeEfi, 0x54)) << path;
        } else {
            EXPECT_EQ(file.size(), x86.length) << path;
            EXPECT_NE(0, x86.indicator) << path;
            EXPECT_EQ(kNoBiosVersion, BiosImageVersion(span, kCodeTypeEfi, 0x54)) << path;
        }
        TrailingRecord record;
        EXPECT_FALSE(FindTrailingRecord(span, 1, 0x102, &record)) << path;
    }
    EXPECT_TRUE(sawEfi) << "the package ships x86+EFI images";
}

TEST_F(PackageRomTest, RefusedForTheirOwnIdAcceptedOncePatched) {
    for (const auto& path : roms_) {
        Bytes file = ReadFile(path);
        Bytes refused = file;
        const Validation foreign = Validate(&refused, 0x0058, false);
        EXPECT_FALSE(foreign.passed) << path;
        EXPECT_EQ(kStart + kSignatureValid + kChecksumPassed + kNotCompatible, foreign.output)
            << path;

        // Name a controller of the family and repair the first image's checksum: the EFI image
        // behind it sums to zero on its own, so the whole file does again.
        RomImage x86;
        ASSERT_TRUE(FindRomImage(ByteSpan(file.data(), file.size()), kCodeTypeX86, &x86));
        SetDeviceId(&file, 0x0058);
        RomImageChecksum(file.data(), x86.length);
        const Validation patched = Validate(&file, 0x0059, true);
        EXPECT_TRUE(patched.passed) << path;
        EXPECT_EQ(kStart + kSignatureValid + kChecksumPassed + kCompatible, patched.output) << path;
        EXPECT_EQ(0x0059, DeviceId(file)) << path;

        // Merged as the alternate behind the primary in flash: only its x86 image is taken.
        imgb::RomSpec primary;
        primary.deviceId = 0x0058;
        primary.blocks = 2;
        imgb::RomSpec efi = primary;
        efi.codeType = kCodeTypeEfi;
        const Bytes flash = imgb::BuildBootServicesRegion(
            {imgb::BuildRomImage(primary), imgb::BuildRomImage(efi)}, {{1, 0x102, 0x80}});
        const BiosRegionPlan plan =
            PlanBiosRegion(ByteSpan(file.data(), file.size()), ByteSpan(flash.data(), flash.size()),
                           0x0059, false);
        Bytes region(plan.length);
        AssembleBiosRegion(plan, region.data());
        ASSERT_EQ(1024 + x86.length + 1024 + 0x80, region.size()) << path;
        const ByteSpan merged(region.data(), region.size());
        RomImage alternate;
        ASSERT_TRUE(FindRomImage(merged, kRomAlternateX86, &alternate)) << path;
        EXPECT_EQ(1024u, alternate.offset);
        EXPECT_EQ(0x0059, alternate.deviceId);
        EXPECT_EQ(0, imgb::ByteSum(region.data() + 1024, x86.length)) << path;
        // Past the PCI data structure (whose indicator may change) the bytes are the file's.
        EXPECT_TRUE(
            std::equal(file.begin() + 0x40, file.begin() + 0x100, region.begin() + 1024 + 0x40))
            << path;
        EXPECT_EQ(BiosImageVersion(ByteSpan(file.data(), file.size()), kRomAlternateX86, 0x0059),
                  BiosImageVersion(merged, kRomAlternateX86, 0x0059))
            << path;
    }
}

}  // namespace
