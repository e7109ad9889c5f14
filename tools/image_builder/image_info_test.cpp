#include <gtest/gtest.h>

#include <string>

#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

std::string Describe(const Bytes& bytes) {
    return imgb::DescribeImage(bytes.data(), bytes.size());
}

imgb::FirmwareSpec Spec() {
    imgb::FirmwareSpec spec;
    EXPECT_TRUE(imgb::StandardFirmwareSpec(0x0062, 2, 0x01200000, &spec));
    return spec;
}

TEST(ImageInfo, DescribesEachKindOfFile) {
    imgb::RomSpec efi;
    efi.codeType = imgb::kCodeTypeEfi;
    efi.codeRevision = 2 << 13 | 3 << 8 | 4 << 4 | 5;
    imgb::VpdSpec vpd;
    vpd.readOnly = {{"V3", "01.32.00.00 "}};
    imgb::OmbraSpec ombra;
    ombra.cbb = imgb::BuildCommonBootBlock({"1.02.03.04.0005", 0x100, false});
    struct Case {
        const char* name;
        Bytes file;
        std::vector<std::string> expected;
    } cases[] = {
        {"T470 firmware",
         imgb::BuildFirmwareImage(Spec()),
         {"word sum zero: valid", "ProductId         0x2203", "01.32.00.00",
          "chip code 0x0470, stepping 0xC0", "type 4 bootloader", "type 5 initialization",
          "common boot block: length 0x800, version \"1.00.00.00.0000\"", "NVDATA: version 0x2D03",
          "vendor id \"KELMAR  \", product id \"SAS T470        \""}},
        {"cbb",
         imgb::BuildCommonBootBlock({"1.02.03.04.0005", 0x100, false}),
         {"common boot block: length 0x100, version \"1.02.03.04.0005\""}},
        {"ombra", imgb::BuildOmbraImage(ombra), {"Ombra image", "at 0x020000:"}},
        {"region",
         imgb::BuildBootServicesRegion({imgb::BuildRomImage({}), imgb::BuildRomImage(efi)},
                                       {{1, 0x110, 0x64}}),
         {"x86 BIOS, vendor 0x1000 device 0x0054", "EFI", "version 2.3.4.5), last",
          "record class 1 identifier 0x110, length 0x64"}},
        {"vpd", imgb::BuildVpd(vpd), {"V3 (12) \"01.32.00.00 \"", "RV checksum valid", "end tag"}},
        {"other", Bytes(10, 0x11), {"not a firmware image"}},
    };
    for (const Case& c : cases) {
        std::string text = Describe(c.file);
        for (const std::string& line : c.expected)
            EXPECT_NE(text.find(line), std::string::npos) << c.name << ": " << line << "\n" << text;
    }
}

TEST(ImageInfo, BrokenChainsAreReportedNotFollowed) {
    struct Case {
        const char* name;
        void (*apply)(imgb::FirmwareSpec&);
        const char* expected;
    } cases[] = {
        {"loop", [](imgb::FirmwareSpec& s) { s.faults.chainLoops = true; }, "loops back"},
        {"link", [](imgb::FirmwareSpec& s) { s.faults.lastLinkPastEnd = true; }, "leaves the file"},
        {"checksum", [](imgb::FirmwareSpec& s) { s.faults.badChecksum = true; }, "NOT zero"},
        {"ext checksum", [](imgb::FirmwareSpec& s) { s.extendedImages[0].badChecksum = true; },
         "checksum INVALID"},
        {"truncated", [](imgb::FirmwareSpec& s) { s.faults.truncateTo = 0x4100; },
         "(past the end)"},
    };
    for (const Case& c : cases) {
        imgb::FirmwareSpec spec = Spec();
        c.apply(spec);
        std::string text = Describe(imgb::BuildFirmwareImage(spec));
        EXPECT_NE(text.find(c.expected), std::string::npos) << c.name << "\n" << text;
    }
}

TEST(ImageInfo, EveryPrefixOfAFileIsDescribedWithoutReadingPastIt) {
    // Under the sanitizers this is where a walker that trusts a length shows itself.
    Bytes firmware = imgb::BuildFirmwareImage(Spec());
    Bytes region = imgb::BuildBootServicesRegion({imgb::BuildRomImage({})}, {{3, 0x102, 0x64}});
    for (const Bytes* file : {&firmware, &region}) {
        for (size_t size = 0; size <= file->size(); size += 7) {
            Bytes prefix(file->begin(), file->begin() + size);
            EXPECT_FALSE(Describe(prefix).empty());
        }
    }
}

}  // namespace
