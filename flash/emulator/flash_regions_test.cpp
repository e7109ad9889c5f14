#include <gtest/gtest.h>

#include "common/bytes.h"
#include "flash/emulator/emulator_test_support.h"
#include "tools/image_builder/image_builder.h"

namespace emu_test {
namespace {

constexpr unsigned long kHardReset = 0xC00C6D18;
constexpr unsigned long kIocInfo = 0xC05C6D11;
constexpr uint8_t kDownload = 0x09;
constexpr uint8_t kUpload = 0x12;

Bytes Pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 13);
    return bytes;
}

std::string AsText(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

class FlashRegions : public testing::Test {
  protected:
    void SetUp() override {
        lab_.Write("ioc2/controller.conf", "flash_size = 0x1000\n");
        lab_.Write("ioc2/regions/firmware.bin", AsText(kRunning));
        lab_.Write("ioc2/regions/backup.bin", AsText(kRunning));
        lab_.Write("ioc2/regions/bios.bin", AsText(kBios));
    }

    static CommandOutcome Download(uint8_t type, uint32_t offset, const Bytes& image,
                                   uint32_t size = 0) {
        return SendCommand(
            {.iocNumber = 2,
             .message = FirmwareRequest(kDownload, type, offset,
                                        size ? size : static_cast<uint32_t>(image.size()), 1),
             .replyBytes = 20,
             .dataOut = image});
    }

    static CommandOutcome Upload(uint8_t type, uint32_t offset, uint32_t size, size_t dataInBytes) {
        return SendCommand({.iocNumber = 2,
                            .message = FirmwareRequest(kUpload, type, offset, size),
                            .replyBytes = 24,
                            .dataInBytes = dataInBytes});
    }

    static uint32_t ActualImageSize(const CommandOutcome& upload) {
        return ByteReader(upload.reply.data(), upload.reply.size()).U32(20);
    }

    // Size query, then one upload of the whole region, as the program reads an image.
    static Bytes UploadImage(uint8_t type) {
        uint32_t size = ActualImageSize(Upload(type, 0, 0, 0));
        CommandOutcome upload = Upload(type, 0, size, size);
        EXPECT_EQ(ReplyIocStatus(upload.reply), 0u);
        return upload.dataIn;
    }

    const Bytes kRunning = Pattern(300, 1);
    const Bytes kBios = Pattern(64, 2);
    TempLab lab_;
};

TEST_F(FlashRegions, FirmwareDownloadWaitsInTheBackupRegionUntilTheNextHardReset) {
    Bytes image = Pattern(200, 9);
    CommandOutcome download = Download(1, 0, image);
    ASSERT_EQ(download.call.result, 0);
    EXPECT_EQ(download.reply[0], 1);
    EXPECT_EQ(download.reply[2], 5);
    EXPECT_EQ(ReplyIocStatus(download.reply), 0u);
    EXPECT_EQ(UploadImage(5), image) << "the read-back sees the new image";
    EXPECT_EQ(UploadImage(1), kRunning) << "the old firmware runs until the reset";

    lab_.Reload();  // the next run of the program, before any reset
    EXPECT_NE(lab_.Read("ioc2/controller.conf").find("pending_firmware = yes"), std::string::npos);
    EXPECT_EQ(UploadImage(1), kRunning);
    Bytes reset = HardResetStruct(2);
    ASSERT_EQ(ControlIoctl(kHardReset, reset.data()).result, 0);
    EXPECT_EQ(UploadImage(1), image);

    lab_.Reload();
    EXPECT_EQ(UploadImage(1), image);
    EXPECT_NE(lab_.Read("ioc2/controller.conf").find("pending_firmware = no"), std::string::npos);
    ASSERT_EQ(ControlIoctl(kHardReset, reset.data()).result, 0);
    EXPECT_EQ(UploadImage(1), image) << "a reset without a download changes nothing";
}

TEST_F(FlashRegions, SizeQueryAnswersTheRegionSize) {
    struct Case {
        uint8_t type;
        uint32_t size;
        uint16_t status;
    };
    const Case cases[] = {
        {1, 300, 0}, {2, 64, 0},      {5, 300, 0},    {9, 0, 0},
        {11, 0, 0},  {10, 0x1000, 0}, {3, 0, 0x0007},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        CommandOutcome query = Upload(c.type, 0, 0, 0);
        ASSERT_EQ(query.call.result, 0);
        EXPECT_EQ(query.reply[3], kUpload);
        EXPECT_EQ(query.reply[0], c.type);
        EXPECT_EQ(ReplyIocStatus(query.reply), c.status);
        EXPECT_EQ(ActualImageSize(query), c.size);
    }
}

TEST_F(FlashRegions, UploadCopiesTheRequestedWindowWithinTheCallersBuffer) {
    struct Case {
        const char* name;
        uint32_t offset, size;
        size_t dataIn;
        size_t copied;
    };
    const Case cases[] = {
        {"buffer smaller than the request", 10, 100, 30, 30},
        {"request smaller than the buffer", 10, 20, 64, 20},
        {"window past the end of the region", 280, 100, 100, 20},
        {"offset past the end", 400, 10, 10, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommandOutcome upload = Upload(1, c.offset, c.size, c.dataIn);
        ASSERT_EQ(upload.call.result, 0);
        EXPECT_EQ(ActualImageSize(upload), 300u);
        Bytes expected(c.dataIn, 0xEE);
        std::copy_n(kRunning.begin() + std::min<size_t>(c.offset, 300), c.copied, expected.begin());
        EXPECT_EQ(upload.dataIn, expected);
    }
}

TEST_F(FlashRegions, CompleteFlashIsTheRegionsInOrderThenErasedBytes) {
    lab_.Write("ioc2/regions/cbb.bin", "CBB");
    Bytes flash = UploadImage(10);
    Bytes expected = kRunning;
    expected.insert(expected.end(), kBios.begin(), kBios.end());
    expected.insert(expected.end(), kRunning.begin(), kRunning.end());
    expected.insert(expected.end(), {'C', 'B', 'B'});
    expected.resize(0x1000, 0xFF);
    EXPECT_EQ(flash, expected);
}

TEST_F(FlashRegions, DownloadsWriteTheirRegionAtTheirOffset) {
    Bytes first = Pattern(40, 3);
    Bytes second = Pattern(16, 4);
    ASSERT_EQ(ReplyIocStatus(Download(2, 0, first).reply), 0u);
    EXPECT_EQ(UploadImage(2), first) << "offset 0 starts a new image";
    ASSERT_EQ(ReplyIocStatus(Download(2, 48, second).reply), 0u);
    Bytes expected = first;
    expected.resize(48, 0xFF);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(UploadImage(2), expected);
    ASSERT_EQ(ReplyIocStatus(Download(9, 0, second).reply), 0u);
    EXPECT_EQ(UploadImage(9), second);
    EXPECT_EQ(UploadImage(1), kRunning);
    EXPECT_EQ(lab_.Read("ioc2/controller.conf").find("pending_firmware = yes"), std::string::npos);
}

TEST_F(FlashRegions, DownloadsTheFlashCannotHoldAreRefused) {
    struct Case {
        const char* name;
        uint8_t type;
        uint32_t offset;
        Bytes image;
        uint32_t size;
    };
    const Case cases[] = {
        {"past the flash size", 2, 0x0F00, Pattern(0x101, 1), 0},
        {"offset far past the flash", 2, 0xFFFFFFF0, Pattern(0x20, 1), 0},
        {"whole flash", 10, 0, Pattern(0x100, 1), 0},
        {"unknown image type", 7, 0, Pattern(0x10, 1), 0},
        {"more than the data-out buffer", 2, 0, Pattern(0x10, 1), 0x11},
        {"empty image", 2, 0, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommandOutcome download = Download(c.type, c.offset, c.image, c.size);
        ASSERT_EQ(download.call.result, 0);
        EXPECT_EQ(ReplyIocStatus(download.reply), 0x0007u);
    }
    EXPECT_EQ(UploadImage(2), kBios);
}

struct ReportedFirmware {
    uint16_t factsProductId;
    uint32_t factsFwVersion;
    uint32_t infoFwVersion;
    bool operator==(const ReportedFirmware&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ReportedFirmware& r) {
    return out << std::hex << "facts 0x" << r.factsProductId << " 0x" << r.factsFwVersion
               << ", MPTIOCINFO 0x" << r.infoFwVersion;
}

ReportedFirmware Reported() {
    CommandOutcome facts =
        SendCommand({.iocNumber = 2, .message = FactsRequest(), .replyBytes = 80});
    Bytes info = IocInfoStruct(2);
    EXPECT_EQ(ControlIoctl(kIocInfo, info.data()).result, 0);
    ByteReader reply(facts.reply.data(), facts.reply.size());
    return {reply.U16(30), reply.U32(56), ByteReader(info.data(), info.size()).U32(40)};
}

Bytes Firmware(uint16_t productId, uint32_t fwVersion, imgb::FirmwareFaults faults = {}) {
    imgb::FirmwareSpec spec;
    spec.productId = productId;
    spec.fwVersion = fwVersion;
    spec.mainImageSize = 0x200;
    spec.faults = faults;
    return imgb::BuildFirmwareImage(spec);
}

class RunningFirmware : public FlashRegions {
  protected:
    void SetUp() override {
        FlashRegions::SetUp();
        lab_.Write("ioc2/controller.conf",
                   "flash_size = 0x1000\nproduct_id = 0x2202\nfw_version = 0x011d0000\n");
    }
    static constexpr ReportedFirmware kFromConf{0x2202, 0x011D0000, 0x011D0000};
};

TEST_F(RunningFirmware, FactsComeFromTheImageWhenItsSignaturesHold) {
    imgb::FirmwareFaults badSignature, badChecksum, truncated;
    badSignature.badSignature = true;
    badChecksum.badChecksum = true;
    truncated.truncateTo = 0x27;  // ends inside FWVersion
    const ReportedFirmware kFromImage{0x2204, 0x01200304, 0x01200304};
    struct Case {
        const char* name;
        Bytes region;
        ReportedFirmware expected;
    } cases[] = {
        {"an image", Firmware(0x2204, 0x01200304), kFromImage},
        {"its checksum is not examined", Firmware(0x2204, 0x01200304, badChecksum), kFromImage},
        {"a wrong signature", Firmware(0x2204, 0x01200304, badSignature), kFromConf},
        {"a header cut short", Firmware(0x2204, 0x01200304, truncated), kFromConf},
        {"not an image", Pattern(300, 1), kFromConf},
        {"an empty region", {}, kFromConf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lab_.Write("ioc2/regions/firmware.bin", AsText(c.region));
        EXPECT_EQ(Reported(), c.expected);
    }
}

TEST_F(RunningFirmware, AFlashShowsItsVersionAfterTheHardReset) {
    lab_.Write("ioc2/regions/firmware.bin", AsText(Firmware(0x2202, 0x011E0000)));
    const ReportedFirmware kOld{0x2202, 0x011E0000, 0x011E0000};
    ASSERT_EQ(Reported(), kOld);
    ASSERT_EQ(ReplyIocStatus(Download(1, 0, Firmware(0x2204, 0x01200000)).reply), 0u);
    EXPECT_EQ(Reported(), kOld) << "the download waits in the backup region";
    Bytes reset = HardResetStruct(2);
    ASSERT_EQ(ControlIoctl(kHardReset, reset.data()).result, 0);
    const ReportedFirmware kNew{0x2204, 0x01200000, 0x01200000};
    EXPECT_EQ(Reported(), kNew);
    lab_.Reload();
    EXPECT_EQ(Reported(), kNew) << "and the next run sees it too";
    EXPECT_NE(lab_.Read("ioc2/controller.conf").find("fw_version = 0x011d0000"), std::string::npos)
        << "the description is left as written";
}

}  // namespace
}  // namespace emu_test
