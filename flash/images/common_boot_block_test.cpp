// The common boot block: version texts, and taking the block out of firmware and Ombra images
// built by the image builder, including damaged ones.
#include "flash/images/common_boot_block.h"

#include <gtest/gtest.h>

#include <string>

#include "common/bytes.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

Bytes Block(const std::string& version, size_t size = 0x100) {
    imgb::CbbSpec spec;
    spec.version = version;
    spec.size = size;
    return imgb::BuildCommonBootBlock(spec);
}

void PatchWord(Bytes& bytes, size_t offset, uint32_t value) {
    ByteWriter(bytes.data(), bytes.size()).U32(offset, value);
}

TEST(CbbVersion, FixedPositionsSeparatorsIgnored) {
    struct Row {
        std::string text;
        bool ok;
        CbbVersion version;
    };
    const Row rows[] = {
        {"1.00.00.00.0000", true, {1, 0, 0, 0, 0}},
        {"9-99_98/97x9999", true, {9, 99, 98, 97, 9999}},
        {"0.12.34.56.7890", true, {0, 12, 34, 56, 7890}},
        {"1.0a.00.00.0000", false, {}},
        {"a.00.00.00.0000", false, {}},
        {"1.00.00.00.00 0", false, {}},
        // Too short: the text's terminating zero stands where the last digit belongs.
        {"1.00.00.00.000", false, {}},
    };
    for (const Row& row : rows) {
        const Bytes block = Block(row.text);
        CbbVersion version{};
        ASSERT_EQ(row.ok, ParseCbbVersion(block.data(), block.size(), &version)) << row.text;
        if (!row.ok) continue;
        EXPECT_EQ(row.version.major, version.major) << row.text;
        EXPECT_EQ(row.version.a, version.a) << row.text;
        EXPECT_EQ(row.version.b, version.b) << row.text;
        EXPECT_EQ(row.version.c, version.c) << row.text;
        EXPECT_EQ(row.version.d, version.d) << row.text;
    }
}

TEST(CbbVersion, TextMustLieInsideTheBlock) {
    Bytes block = Block("1.00.00.00.0000", 0x40);
    CbbVersion version{};
    for (uint32_t offset : {0x40u - 14, 0x40u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        PatchWord(block, kCbbVersionOffsetOffset, offset);
        EXPECT_FALSE(ParseCbbVersion(block.data(), block.size(), &version)) << offset;
    }
    // The last place where all fifteen characters fit.
    const std::string text = "2.01.02.03.0004";
    std::copy(text.begin(), text.end(), block.end() - 15);
    PatchWord(block, kCbbVersionOffsetOffset, 0x40 - 15);
    ASSERT_TRUE(ParseCbbVersion(block.data(), block.size(), &version));
    EXPECT_EQ(4u, version.d);
    EXPECT_FALSE(ParseCbbVersion(block.data(), 0x1C, &version));
}

TEST(CbbVersion, FirstDifferingFieldDecides) {
    struct Row {
        std::string x;
        std::string y;
        int order;
    };
    const Row rows[] = {
        {"1.00.00.00.0000", "1.00.00.00.0000", 0}, {"1.00.00.00.0001", "1.00.00.00.0000", 1},
        {"2.00.00.00.0000", "1.99.99.99.9999", 1}, {"1.01.00.00.0000", "1.00.99.99.9999", 1},
        {"1.00.01.00.0000", "1.00.00.99.9999", 1}, {"1.00.00.01.0000", "1.00.00.00.9999", 1},
        {"1.00.00.00.1000", "1.00.00.00.0999", 1}, {"1.09.00.00.0000", "1.10.00.00.0000", -1},
    };
    for (const Row& row : rows) {
        const Bytes x = Block(row.x), y = Block(row.y);
        CbbVersion vx{}, vy{};
        ASSERT_TRUE(ParseCbbVersion(x.data(), x.size(), &vx));
        ASSERT_TRUE(ParseCbbVersion(y.data(), y.size(), &vy));
        const int order = CompareCbbVersion(vx, vy);
        EXPECT_EQ(row.order, (order > 0) - (order < 0)) << row.x << " vs " << row.y;
        const int reverse = CompareCbbVersion(vy, vx);
        EXPECT_EQ(-row.order, (reverse > 0) - (reverse < 0)) << row.y << " vs " << row.x;
    }
}

// A T470 image whose chain holds `before`, the CBB, then `after`.
imgb::FirmwareSpec T470Spec(std::vector<imgb::ExtendedImage> before, const Bytes& cbb,
                            std::vector<imgb::ExtendedImage> after) {
    imgb::FirmwareSpec spec;
    EXPECT_TRUE(imgb::StandardFirmwareSpec(0x0062, 2, 0x01200000, &spec));
    spec.extendedImages = std::move(before);
    if (!cbb.empty()) spec.extendedImages.push_back(imgb::CommonBootBlockImage(cbb));
    for (auto& image : after) spec.extendedImages.push_back(std::move(image));
    return spec;
}

struct Split {
    bool ok;
    Bytes image;
    Bytes cbb;
    const char* problem;
};

Split RunSplit(Bytes image) {
    uint32_t length = static_cast<uint32_t>(image.size());
    std::vector<uint8_t> cbb;
    const char* problem = nullptr;
    const bool ok = SplitCommonBootBlock(image.data(), &length, &cbb, &problem);
    image.resize(length);
    return {ok, image, cbb, problem};
}

// Taking the block out must give exactly the image built without it: packed, relinked, every
// word sum zero, wherever the block stood in the chain.
TEST(SplitCommonBootBlock, LeavesTheImageBuiltWithoutTheBlock) {
    const Bytes cbb = Block("1.02.03.04.0005", 0x300);
    imgb::NvdataSpec nvdata;
    nvdata.productId = "SAS T470";
    const auto boot = imgb::BootloaderImage(0x200);
    const auto init = imgb::InitializationImage(0x180);
    const auto nv = imgb::NvdataImage(nvdata);
    struct Row {
        const char* where;
        std::vector<imgb::ExtendedImage> before, after;
    };
    const Row rows[] = {
        {"only image", {}, {}},         {"first", {}, {boot, init, nv}},
        {"middle", {boot, init}, {nv}}, {"between", {init}, {boot, nv}},
        {"last", {boot, init, nv}, {}},
    };
    for (const Row& row : rows) {
        const Bytes with = imgb::BuildFirmwareImage(T470Spec(row.before, cbb, row.after));
        const Bytes without = imgb::BuildFirmwareImage(T470Spec(row.before, {}, row.after));
        const Split split = RunSplit(with);
        ASSERT_TRUE(split.ok) << row.where << ": " << split.problem;
        EXPECT_EQ(cbb, split.cbb) << row.where;
        EXPECT_EQ(without, split.image) << row.where;
        EXPECT_EQ(0u, imgb::WordSum(split.image.data(), split.image.size())) << row.where;
    }
}

TEST(SplitCommonBootBlock, ImagesWithoutABlockStayAsTheyAre) {
    imgb::FirmwareSpec t420;
    ASSERT_TRUE(imgb::StandardFirmwareSpec(0x0054, 1, 0x01200000, &t420));
    imgb::FirmwareSpec bare = t420;
    bare.extendedImages.clear();
    Bytes notAnImage(0x100, 0x5A);
    Bytes badMagic = Block("1.00.00.00.0000");
    badMagic[kCbbMagicOffset] = 'X';
    for (const Bytes& image :
         {imgb::BuildFirmwareImage(t420), imgb::BuildFirmwareImage(bare), notAnImage,
          imgb::BuildFirmwareImage(T470Spec({imgb::BootloaderImage()}, badMagic, {}))}) {
        const Split split = RunSplit(image);
        EXPECT_TRUE(split.ok);
        EXPECT_TRUE(split.cbb.empty());
        EXPECT_EQ(image, split.image);
    }
}

TEST(SplitCommonBootBlock, DamagedChainsAreRefusedAndLeftUntouched) {
    const Bytes cbb = Block("1.00.00.00.0000", 0x100);
    const auto base = [&] {
        return T470Spec({imgb::BootloaderImage(0x100)}, cbb, {imgb::NvdataImage({})});
    };
    const Bytes good = imgb::BuildFirmwareImage(base());
    const FirmwareImage view{good.data(), good.size()};
    const size_t bootImageOffset = FindExtendedImage(view, MPI_EXT_IMAGE_TYPE_BOOTLOADER);
    const size_t cbbImageOffset = FindExtendedImage(view, MPI_EXT_IMAGE_TYPE_INITIALIZATION);
    ASSERT_NE(0u, bootImageOffset);
    ASSERT_NE(0u, cbbImageOffset);
    struct Row {
        const char* what;
        Bytes image;
    };
    std::vector<Row> rows;
    {
        auto spec = base();
        spec.faults.imageSizePastEnd = true;
        rows.push_back({"main image size past end", imgb::BuildFirmwareImage(spec)});
    }
    {
        Bytes image = good;
        PatchWord(image, kFwImageSizeOffset, 0x10);
        rows.push_back({"main image shorter than its header", image});
    }
    {
        auto spec = base();
        spec.faults.lastLinkPastEnd = true;
        rows.push_back({"last link past end", imgb::BuildFirmwareImage(spec)});
    }
    {
        auto spec = base();
        spec.faults.chainLoops = true;
        rows.push_back({"chain loops", imgb::BuildFirmwareImage(spec)});
    }
    {
        auto spec = base();
        spec.faults.truncateTo = cbbImageOffset + 0x80;
        rows.push_back({"cut inside the block", imgb::BuildFirmwareImage(spec)});
    }
    {
        Bytes image = good;
        PatchWord(image, cbbImageOffset + kExtCbbLengthOffset, 0x101);
        rows.push_back({"block longer than its extended image", image});
    }
    {
        Bytes image = good;
        PatchWord(image, cbbImageOffset + kExtCbbLengthOffset, 0x10);
        rows.push_back({"block shorter than its header", image});
    }
    {
        Bytes image = good;
        PatchWord(image, cbbImageOffset + kExtCbbOffset + kCbbVersionOffsetOffset, 0xF8);
        rows.push_back({"version text past the block", image});
    }
    {
        Bytes image = good;
        PatchWord(image, bootImageOffset + kExtImageSizeOffset, 0xFFFFFFF0);
        rows.push_back({"extended image size past end", image});
    }
    {
        Bytes image = good;
        PatchWord(image, bootImageOffset + kExtImageSizeOffset, 0x4);
        rows.push_back({"extended image smaller than its header", image});
    }
    {
        // The bootloader claims the bytes of the block and the NVDATA too: more than the file.
        Bytes image = good;
        PatchWord(image, bootImageOffset + kExtImageSizeOffset,
                  uint32_t(image.size() - bootImageOffset));
        rows.push_back({"overlapping images", image});
    }
    rows.push_back({"two blocks", imgb::BuildFirmwareImage(
                                      T470Spec({imgb::CommonBootBlockImage(cbb)}, cbb, {}))});
    for (const Row& row : rows) {
        const Split split = RunSplit(row.image);
        EXPECT_FALSE(split.ok) << row.what;
        EXPECT_NE(nullptr, split.problem) << row.what;
        EXPECT_EQ(row.image, split.image) << row.what;
        EXPECT_TRUE(split.cbb.empty()) << row.what;
    }
}

// Every cut of a good image either has too little header to be one or is refused; none is read
// past its end (the sanitizer build checks that part).
TEST(SplitCommonBootBlock, EveryTruncationEnds) {
    imgb::FirmwareSpec spec;
    ASSERT_TRUE(imgb::StandardFirmwareSpec(0x0062, 2, 0x01200000, &spec));
    const Bytes full = imgb::BuildFirmwareImage(spec);
    for (size_t length = 0; length < full.size(); length += 7) {
        const Split split = RunSplit(Bytes(full.begin(), full.begin() + length));
        EXPECT_EQ(length < 0x34, split.ok) << length;
    }
    EXPECT_TRUE(RunSplit(full).ok);
}

struct Extract {
    bool ok;
    uint32_t length;
    Bytes cbb;
};

Extract RunExtract(const Bytes& image) {
    uint32_t length = static_cast<uint32_t>(image.size());
    std::vector<uint8_t> cbb;
    const char* problem = nullptr;
    const bool ok = ExtractOmbraBootBlock(image.data(), &length, &cbb, &problem);
    EXPECT_EQ(ok, problem == nullptr);
    return {ok, length, cbb};
}

TEST(ExtractOmbraBootBlock, BlockAtTheNextMultipleOf128KiB) {
    const Bytes cbb = Block("1.00.00.00.0000", 0x800);
    struct Row {
        size_t body;
        uint32_t expectedLength;
    };
    for (const Row row : {Row{0x8000, 0x20000}, Row{0x20000, 0x20000}, Row{0x30001, 0x40000}}) {
        const Bytes image = imgb::BuildOmbraImage({row.body, cbb});
        const Extract e = RunExtract(image);
        ASSERT_TRUE(e.ok) << row.body;
        EXPECT_EQ(row.expectedLength, e.length) << row.body;
        EXPECT_EQ(cbb, e.cbb) << row.body;
    }
    // Without a block, or with one off the 128 KiB grid, the image goes whole.
    const Bytes plain = imgb::BuildOmbraImage({0x30000, {}});
    Bytes offGrid = plain;
    offGrid.insert(offGrid.end(), cbb.begin(), cbb.end());
    for (const Bytes& image : {plain, offGrid}) {
        const Extract e = RunExtract(image);
        EXPECT_TRUE(e.ok);
        EXPECT_EQ(image.size(), e.length);
        EXPECT_TRUE(e.cbb.empty());
    }
}

TEST(ExtractOmbraBootBlock, DamagedBlocksAreRefused) {
    const Bytes cbb = Block("1.00.00.00.0000", 0x800);
    const Bytes good = imgb::BuildOmbraImage({0x8000, cbb});
    Bytes pastEnd = good;
    PatchWord(pastEnd, 0x20000 + kCbbLengthOffset, 0x801);
    Bytes huge = good;
    PatchWord(huge, 0x20000 + kCbbLengthOffset, 0xFFFFFFFF);
    Bytes noVersion = good;
    PatchWord(noVersion, 0x20000 + kCbbVersionOffsetOffset, 0x7F8);
    Bytes tiny = good;
    PatchWord(tiny, 0x20000 + kCbbLengthOffset, 0x1C);
    // A file that is nothing but a block leaves no Ombra firmware to flash.
    for (const Bytes& image : {pastEnd, huge, noVersion, tiny, cbb}) {
        const Extract e = RunExtract(image);
        EXPECT_FALSE(e.ok);
        EXPECT_EQ(image.size(), e.length);
        EXPECT_TRUE(e.cbb.empty());
    }
    // Cut inside the block's header: the magic is gone, so there is no block at all.
    const Extract cut = RunExtract(Bytes(good.begin(), good.begin() + 0x20000 + 0x12));
    EXPECT_TRUE(cut.ok);
    EXPECT_TRUE(cut.cbb.empty());
}

}  // namespace
