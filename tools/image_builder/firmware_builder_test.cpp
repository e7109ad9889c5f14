#include <gtest/gtest.h>

#include <vector>

#include "common/bytes.h"
#include "flash/images/firmware_image.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

struct Ext {
    size_t offset;
    uint8_t type;
    uint32_t size;
};

// The chain as the program walks it: from the main header's link, following links from the file
// start, stopping at 0 or at a link seen before.
std::vector<Ext> WalkChain(const Bytes& file) {
    ByteReader reader(file.data(), file.size());
    std::vector<Ext> chain;
    for (uint32_t link = reader.U32(kFwNextImageHeaderOffset); link != 0;
         link = reader.U32(link + kExtNextImageHeaderOffset)) {
        for (const Ext& seen : chain)
            if (seen.offset == link) return chain;
        if (!reader.Has(link, kExtImageHeaderSize)) break;
        chain.push_back(
            {link, reader.U8(link + kExtImageTypeOffset), reader.U32(link + kExtImageSizeOffset)});
    }
    return chain;
}

imgb::FirmwareSpec SampleSpec() {
    imgb::FirmwareSpec spec;
    spec.productId = 0x2204;
    spec.fwVersion = 0x01200304;
    spec.seqCodeVersion = 0x040EB1;
    spec.nvdataMajorVersion = 0x2D00;
    spec.flashLayoutFlags = 0x3;
    spec.nvdataLoadStartAddress = 0x00ABC000;
    spec.mainImageSize = 0x1001;  // not a whole word
    spec.extendedImages.push_back(imgb::BootloaderImage(0x203));
    spec.extendedImages.push_back(imgb::InitializationImage(0x100));
    imgb::NvdataSpec nvdata;
    nvdata.version = 0x2D07;
    nvdata.vendorId = "ACME";
    nvdata.productId = "A product id that is too long";
    nvdata.loadStartAddress = 0x00ABC000;
    spec.extendedImages.push_back(imgb::NvdataImage(nvdata));
    return spec;
}

TEST(FirmwareBuilder, HeaderFieldsSitWhereTheProgramReadsThem) {
    Bytes file = imgb::BuildFirmwareImage(SampleSpec());
    ByteReader reader(file.data(), file.size());
    EXPECT_EQ(reader.U32(kFwSignature0Offset), kFwSignature0);
    EXPECT_EQ(reader.U32(kFwSignature1Offset), kFwSignature1);
    EXPECT_EQ(reader.U32(kFwSignature2Offset), kFwSignature2);
    EXPECT_EQ(reader.U16(kFwNvdataMajorVersionOffset), 0x2D00);
    EXPECT_EQ(reader.U32(kFwFlashLayoutFlagsOffset), kFlashLayout2Mb | kFlashAnswersSizeInquiry);
    EXPECT_EQ(reader.U16(kFwProductIdOffset), 0x2204);
    EXPECT_EQ(reader.U32(kFwVersionOffset), 0x01200304u);
    EXPECT_EQ(reader.U32(kFwSeqCodeVersionOffset), 0x040EB1u);
    EXPECT_EQ(reader.U32(kFwImageSizeOffset), 0x1004u);
    EXPECT_EQ(reader.U32(kFwNvdataLoadStartAddressOffset), 0x00ABC000u);
    EXPECT_EQ(imgb::WordSum(file.data(), file.size()), 0u);
}

TEST(FirmwareBuilder, ExtendedImagesFollowTheMainImageInOrderAndEachSumsToZero) {
    Bytes file = imgb::BuildFirmwareImage(SampleSpec());
    std::vector<Ext> chain = WalkChain(file);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[0].offset, 0x1004u);
    const uint8_t types[] = {MPI_EXT_IMAGE_TYPE_BOOTLOADER, MPI_EXT_IMAGE_TYPE_INITIALIZATION,
                             MPI_EXT_IMAGE_TYPE_NVDATA};
    const uint32_t sizes[] = {24 + 0x204, 24 + 0x100, 24 + 0x100};
    ByteReader reader(file.data(), file.size());
    for (size_t i = 0; i < chain.size(); ++i) {
        EXPECT_EQ(chain[i].type, types[i]) << i;
        EXPECT_EQ(chain[i].size, sizes[i]) << i;
        if (i + 1 < chain.size()) {
            EXPECT_EQ(chain[i + 1].offset, chain[i].offset + chain[i].size);
        }
        EXPECT_EQ(imgb::WordSum(file.data() + chain[i].offset, chain[i].size), 0u) << i;
    }
    EXPECT_EQ(reader.U32(chain[2].offset + kExtNextImageHeaderOffset), 0u);
    EXPECT_EQ(chain[2].offset + chain[2].size, file.size());
    EXPECT_EQ(reader.U32(chain[2].offset + kExtLoadStartAddressOffset), 0x00ABC000u);
}

TEST(FirmwareBuilder, NvdataIdentityIsPaddedAndCutToItsFields) {
    Bytes file = imgb::BuildFirmwareImage(SampleSpec());
    size_t nvdata = WalkChain(file)[2].offset;
    ByteReader reader(file.data(), file.size());
    EXPECT_EQ(reader.U32(nvdata + kNvdataSignature1Offset), kNvdataSignature1);
    EXPECT_EQ(reader.U16(nvdata + kNvdataVersionOffset), 0x2D07);
    EXPECT_EQ(reader.U32(nvdata + kNvdataSignature2Offset), kNvdataSignature2);
    std::string vendor(kNvdataVendorIdSize, '\0'), product(kNvdataProductIdSize, '\0');
    reader.Copy(nvdata + kNvdataVendorIdOffset, vendor.data(), vendor.size());
    reader.Copy(nvdata + kNvdataProductIdOffset, product.data(), product.size());
    EXPECT_EQ(vendor, "ACME    ");
    EXPECT_EQ(product, "A product id tha");
}

TEST(FirmwareBuilder, NvdataSignatureOptionsBreakOnlyTheirSignature) {
    struct Case {
        bool imgb::NvdataSpec::*option;
        uint32_t first;
        uint32_t second;
    } cases[] = {
        {&imgb::NvdataSpec::omitFirstSignature, 0, kNvdataSignature2},
        {&imgb::NvdataSpec::corruptFirstSignature, kNvdataSignature1 ^ 0x10000, kNvdataSignature2},
        {&imgb::NvdataSpec::omitSecondSignature, kNvdataSignature1, 0},
        {&imgb::NvdataSpec::corruptSecondSignature, kNvdataSignature1, kNvdataSignature2 ^ 0x10000},
    };
    for (const Case& c : cases) {
        imgb::NvdataSpec nvdata;
        nvdata.*c.option = true;
        imgb::FirmwareSpec spec;
        spec.extendedImages.push_back(imgb::NvdataImage(nvdata));
        Bytes file = imgb::BuildFirmwareImage(spec);
        ByteReader reader(file.data(), file.size());
        size_t at = reader.U32(kFwNextImageHeaderOffset);
        EXPECT_EQ(reader.U32(at + kNvdataSignature1Offset), c.first);
        EXPECT_EQ(reader.U32(at + kNvdataSignature2Offset), c.second);
        EXPECT_EQ(imgb::WordSum(file.data(), file.size()), 0u);
    }
}

TEST(FirmwareBuilder, CommonBootBlockRidesInATypeFiveImageRightAfterItsHeader) {
    imgb::CbbSpec cbb;
    cbb.size = 0x300;
    imgb::FirmwareSpec spec;
    spec.extendedImages.push_back(imgb::CommonBootBlockImage(imgb::BuildCommonBootBlock(cbb)));
    Bytes file = imgb::BuildFirmwareImage(spec);
    ByteReader reader(file.data(), file.size());
    size_t at = reader.U32(kFwNextImageHeaderOffset);
    EXPECT_EQ(reader.U8(at), MPI_EXT_IMAGE_TYPE_INITIALIZATION);
    uint8_t magic[4];
    reader.Copy(at + 0x28, magic, 4);
    EXPECT_EQ(std::string(magic, magic + 4), "BTBL");
    EXPECT_EQ(reader.U32(at + 0x30), 0x300u);
    EXPECT_EQ(reader.U32(at + kExtImageSizeOffset), 24u + 0x300);
}

TEST(FirmwareBuilder, FaultsBreakExactlyWhatTheyName) {
    const size_t size = imgb::BuildFirmwareImage(SampleSpec()).size();
    struct Case {
        const char* name;
        void (*apply)(imgb::FirmwareSpec&);
        void (*check)(const Bytes&, size_t);
    } cases[] = {
        {"bad checksum", [](imgb::FirmwareSpec& s) { s.faults.badChecksum = true; },
         [](const Bytes& f, size_t) {
             EXPECT_EQ(imgb::WordSum(f.data(), f.size()), 1u);
             for (const Ext& e : WalkChain(f))
                 EXPECT_EQ(imgb::WordSum(f.data() + e.offset, e.size), 0u);
         }},
        {"bad signature", [](imgb::FirmwareSpec& s) { s.faults.badSignature = true; },
         [](const Bytes& f, size_t) {
             EXPECT_NE(ByteReader(f.data(), f.size()).U32(kFwSignature1Offset), kFwSignature1);
             EXPECT_EQ(imgb::WordSum(f.data(), f.size()), 0u);
         }},
        {"truncated", [](imgb::FirmwareSpec& s) { s.faults.truncateTo = 0x1010; },
         [](const Bytes& f, size_t) { EXPECT_EQ(f.size(), 0x1010u); }},
        {"image size past end", [](imgb::FirmwareSpec& s) { s.faults.imageSizePastEnd = true; },
         [](const Bytes& f, size_t full) {
             EXPECT_GT(ByteReader(f.data(), f.size()).U32(kFwImageSizeOffset), full);
             EXPECT_EQ(imgb::WordSum(f.data(), f.size()), 0u);
         }},
        {"link past end", [](imgb::FirmwareSpec& s) { s.faults.lastLinkPastEnd = true; },
         [](const Bytes& f, size_t full) {
             std::vector<Ext> chain = WalkChain(f);
             ASSERT_EQ(chain.size(), 3u);
             ByteReader reader(f.data(), f.size());
             EXPECT_GT(reader.U32(chain[2].offset + kExtNextImageHeaderOffset), full);
             EXPECT_EQ(imgb::WordSum(f.data() + chain[2].offset, chain[2].size), 0u);
         }},
        {"loop", [](imgb::FirmwareSpec& s) { s.faults.chainLoops = true; },
         [](const Bytes& f, size_t) {
             std::vector<Ext> chain = WalkChain(f);
             ASSERT_EQ(chain.size(), 3u);
             ByteReader reader(f.data(), f.size());
             EXPECT_EQ(reader.U32(chain[2].offset + kExtNextImageHeaderOffset), chain[0].offset);
             EXPECT_EQ(imgb::WordSum(f.data(), f.size()), 0u);
         }},
        {"one extended checksum",
         [](imgb::FirmwareSpec& s) { s.extendedImages[1].badChecksum = true; },
         [](const Bytes& f, size_t) {
             std::vector<Ext> chain = WalkChain(f);
             EXPECT_EQ(imgb::WordSum(f.data() + chain[0].offset, chain[0].size), 0u);
             EXPECT_EQ(imgb::WordSum(f.data() + chain[1].offset, chain[1].size), 1u);
             EXPECT_EQ(imgb::WordSum(f.data(), f.size()), 0u);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        imgb::FirmwareSpec spec = SampleSpec();
        c.apply(spec);
        c.check(imgb::BuildFirmwareImage(spec), size);
    }
}

TEST(FirmwareBuilder, AnImageWithoutExtendedImagesHasALinkOfZero) {
    imgb::FirmwareSpec spec;
    spec.mainImageSize = 0x10;  // below the header: grows to hold it
    Bytes file = imgb::BuildFirmwareImage(spec);
    ByteReader reader(file.data(), file.size());
    EXPECT_EQ(file.size(), 0xB8u);
    EXPECT_EQ(reader.U32(kFwNextImageHeaderOffset), 0u);
    EXPECT_EQ(imgb::WordSum(file.data(), file.size()), 0u);
}

TEST(StandardFirmware, FitsTheAdapterItWasMadeFor) {
    struct Case {
        uint16_t device;
        uint8_t revision;
        uint16_t productId;
        std::vector<uint8_t> types;
    } cases[] = {
        {0x0058, 2, 0x2204, {MPI_EXT_IMAGE_TYPE_BOOTLOADER, MPI_EXT_IMAGE_TYPE_NVDATA}},
        {0x0054, 1, 0x2202, {MPI_EXT_IMAGE_TYPE_BOOTLOADER, MPI_EXT_IMAGE_TYPE_NVDATA}},
        {0x0062,
         2,
         0x2203,
         {MPI_EXT_IMAGE_TYPE_BOOTLOADER, MPI_EXT_IMAGE_TYPE_INITIALIZATION,
          MPI_EXT_IMAGE_TYPE_INITIALIZATION, MPI_EXT_IMAGE_TYPE_NVDATA}},
    };
    for (const Case& c : cases) {
        imgb::FirmwareSpec spec;
        ASSERT_TRUE(imgb::StandardFirmwareSpec(c.device, c.revision, 0x01200000, &spec));
        Bytes file = imgb::BuildFirmwareImage(spec);
        ByteReader reader(file.data(), file.size());
        uint32_t seqCode = 0;
        ASSERT_TRUE(imgb::SeqCodeVersionFor(c.device, c.revision, &seqCode));
        EXPECT_EQ(reader.U32(kFwSeqCodeVersionOffset), seqCode);
        EXPECT_EQ(reader.U16(kFwProductIdOffset), c.productId);
        EXPECT_TRUE(reader.U32(kFwFlashLayoutFlagsOffset) & kFlashAnswersSizeInquiry);
        std::vector<uint8_t> types;
        for (const Ext& e : WalkChain(file)) types.push_back(e.type);
        EXPECT_EQ(types, c.types) << c.device;
        EXPECT_EQ(imgb::WordSum(file.data(), file.size()), 0u);
    }
    imgb::FirmwareSpec spec;
    EXPECT_FALSE(imgb::StandardFirmwareSpec(0x0058, 3, 0x01200000, &spec));
}

}  // namespace
