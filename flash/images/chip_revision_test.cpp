// The chip and revision match against the stepping table, message by message.
#include "flash/images/chip_revision.h"

#include <gtest/gtest.h>

#include <string>

#include "tools/image_builder/image_builder.h"

namespace {

imgb::Bytes ImageFor(uint32_t seqCode) {
    imgb::FirmwareSpec spec;
    spec.seqCodeVersion = seqCode;
    return imgb::BuildFirmwareImage(spec);
}

struct Match {
    bool ok;
    std::string output;
};

Match MatchFor(uint32_t seqCode, uint16_t device, uint8_t revision) {
    const imgb::Bytes image = ImageFor(seqCode);
    testing::internal::CaptureStdout();
    const bool ok = MatchChipRevision({image.data(), image.size()}, device, revision);
    return {ok, testing::internal::GetCapturedStdout()};
}

std::string Mismatch(const std::string& image, const std::string& adapter) {
    return "\t\tERROR: The Firmware Image is for a " + image +
           " Kelmar SAS Controller,\n\t\tbut the target adapter is a " + adapter +
           " Kelmar SAS Controller\n\n";
}

TEST(MatchChipRevision, MessagesOfTheText) {
    struct Row {
        uint32_t seqCode;
        uint16_t device;
        uint8_t revision;
        bool ok;
        std::string output;
    };
    const Row rows[] = {
        {0x0410A2, 0x0050, 1, true, ""},
        {0x0410A4, 0x0051, 3, true, ""},
        {0x0420A0, 0x0055, 0, true, ""},
        {0x040EC0, 0x0059, 0x10, true, ""},
        {0x0470C2, 0x0060, 4, true, ""},
        // SeqCodeVersion 1 fits a T470 of any revision, even one without a stepping code.
        {1, 0x0062, 2, true, ""},
        {1, 0x0062, 7, true, ""},
        {1, 0x0060, 0, true, ""},
        // ... but no other family.
        {1, 0x0054, 1, false, Mismatch("0 1", "420 b0")},
        {0x0420B0, 0x0054, 2, false, Mismatch("420 b0", "420 b1")},
        {0x0420B1, 0x0058, 2, false, Mismatch("420 b1", "40e b1")},
        {0x0470C0, 0x0062, 3, false, Mismatch("470 c0", "470 c1")},
        // Bits above the 24-bit code still count.
        {0x010420B0, 0x0054, 1, false, Mismatch("10420 b0", "420 b0")},
        {0x040EB3, 0x0056, 3, false,
         "\t\tERROR: The  Revison  3 is not supported for KelmarT4x0E Chip\n"},
        {0x040EC0, 0x0057, 0x20, false,
         "\t\tERROR: The  Revison  20 is not supported for KelmarT4x0E Chip\n"},
        {0x0410A2, 0x0050, 0, false,
         "\t\tERROR: The  Revison  0 is not supported for KelmarT410 Chip\n"},
        {0x0420B0, 0x0055, 3, false,
         "\t\tERROR: The  Revison  3 is not supported for KelmarT420 Chip\n"},
        {0x0470C0, 0x0062, 0xA, false,
         "\t\tERROR: The  Revison  a is not supported for KelmarT470 Chip\n"},
        {0x0420B0, 0x0070, 1, false,
         "\t\tERROR: Unable to find a supported Kelmar SAS Controller\n"},
        {0x0420B0, 0x0000, 0, false,
         "\t\tERROR: Unable to find a supported Kelmar SAS Controller\n"},
    };
    for (const Row& row : rows) {
        const Match m = MatchFor(row.seqCode, row.device, row.revision);
        EXPECT_EQ(row.ok, m.ok) << std::hex << row.device << " rev " << int(row.revision);
        EXPECT_EQ(row.output, m.output) << std::hex << row.device << " rev " << int(row.revision);
    }
}

// The image builder keeps its own stepping table; both must accept exactly the same pairs.
TEST(MatchChipRevision, AgreesWithTheImageBuilderOnEveryDeviceAndRevision) {
    for (uint16_t device = 0x0040; device <= 0x0070; ++device) {
        for (unsigned revision = 0; revision <= 0x20; ++revision) {
            uint32_t seqCode = 0;
            const bool known =
                imgb::SeqCodeVersionFor(device, static_cast<uint8_t>(revision), &seqCode);
            const Match m =
                MatchFor(known ? seqCode : 0x0420B0, device, static_cast<uint8_t>(revision));
            if (known) {
                EXPECT_TRUE(m.ok) << std::hex << device << " rev " << revision << m.output;
            } else {
                EXPECT_FALSE(m.ok) << std::hex << device << " rev " << revision;
            }
        }
    }
}

// A header cut before SeqCodeVersion reads it as 0, which no chip expects.
TEST(MatchChipRevision, ShortImageReadsNoCode) {
    const uint8_t tiny[0x20] = {};
    testing::internal::CaptureStdout();
    EXPECT_FALSE(MatchChipRevision({tiny, sizeof tiny}, 0x0054, 1));
    EXPECT_EQ(Mismatch("0 0", "420 b0"), testing::internal::GetCapturedStdout());
}

}  // namespace
