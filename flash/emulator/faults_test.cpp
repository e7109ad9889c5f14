#include <gtest/gtest.h>

#include <cerrno>

#include "common/bytes.h"
#include "flash/emulator/emulator_test_support.h"

namespace emu_test {
namespace {

constexpr unsigned long kIocInfo = 0xC05C6D11;
constexpr unsigned long kHardReset = 0xC00C6D18;

const Bytes kPage = {0x00, 0x02, 0x05, 0x09, 1, 2, 3, 4};

void WritePages(const TempLab& lab) {
    lab.Write("ioc0/pages/09-5.nvram.hex", HexText(kPage));
    lab.Write("ioc0/pages/09-0.nvram.hex", "00 02 00 09 00 00 00 00");
}

// Which of the three ioctls fail for ioc0: the results of information, command and reset.
std::vector<int> IoctlErrors() {
    Bytes info = IocInfoStruct(0);
    Bytes reset = HardResetStruct(0);
    return {ControlIoctl(kIocInfo, info.data()).error,
            SendCommand({.message = FactsRequest(), .replyBytes = 80}).call.error,
            ControlIoctl(kHardReset, reset.data()).error};
}

TEST(Faults, FailingIoctlsFailOnlyTheirKind) {
    struct Case {
        const char* lines;
        std::vector<int> errors;
    };
    const Case cases[] = {
        {"", {0, 0, 0}},
        {"fail_ioctl = iocinfo\n", {EIO, 0, 0}},
        {"fail_ioctl = command ETIMEDOUT\n", {0, ETIMEDOUT, 0}},
        {"fail_ioctl = hardreset EBUSY\nfail_ioctl = iocinfo ENOMEM\n", {ENOMEM, 0, EBUSY}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        TempLab lab;
        lab.Write("ioc0/controller.conf", c.lines);
        lab.Write("ioc1/controller.conf", "");
        EXPECT_EQ(IoctlErrors(), c.errors);
        Bytes info = IocInfoStruct(1);
        EXPECT_EQ(ControlIoctl(kIocInfo, info.data()).result, 0) << "other controllers are fine";
    }
}

TEST(Faults, ReplyStatusAnswersTheChosenRequestsOnly) {
    TempLab lab;
    lab.Write("ioc0/controller.conf",
              "reply_status = function=0x04 page_type=0x09 page_number=5 status=0x0022 "
              "loginfo=0x31120101\n"
              "reply_status = function=0x03 status=0 loginfo=0x30000001\n"
              "reply_status = function=0x12 status=0x0004\n");
    lab.Write("ioc0/regions/firmware.bin", "firmware");
    WritePages(lab);

    CommandOutcome page5 =
        SendCommand({.message = ConfigRequest({.action = 6, .pageType = 9, .pageNumber = 5}),
                     .replyBytes = 24,
                     .dataInBytes = 8});
    EXPECT_EQ(ReplyIocStatus(page5.reply), 0x0022u);
    EXPECT_EQ(ReplyIocLogInfo(page5.reply), 0x31120101u);
    EXPECT_EQ(page5.dataIn, Bytes(8, 0xEE));

    CommandOutcome page0 =
        SendCommand({.message = ConfigRequest({.action = 6, .pageType = 9, .pageNumber = 0}),
                     .replyBytes = 24,
                     .dataInBytes = 8});
    EXPECT_EQ(ReplyIocStatus(page0.reply), 0u);
    EXPECT_EQ(ReplyIocLogInfo(page0.reply), 0u);

    // Status 0 lets the request run and only adds the log information.
    CommandOutcome facts = SendCommand({.message = FactsRequest(), .replyBytes = 80});
    EXPECT_EQ(ReplyIocStatus(facts.reply), 0u);
    EXPECT_EQ(ReplyIocLogInfo(facts.reply), 0x30000001u);
    EXPECT_EQ(ByteReader(facts.reply.data(), facts.reply.size()).U16(0), 0x0105u);

    CommandOutcome upload = SendCommand(
        {.message = FirmwareRequest(0x12, 1, 0, 8), .replyBytes = 24, .dataInBytes = 8});
    EXPECT_EQ(ReplyIocStatus(upload.reply), 0x0004u);
    EXPECT_EQ(upload.dataIn, Bytes(8, 0xEE));
}

TEST(Faults, DownloadThatWritesNothingStillReportsSuccess) {
    TempLab lab;
    lab.Write("ioc0/controller.conf", "download_writes_nothing = yes\n");
    lab.Write("ioc0/regions/backup.bin", "old");
    CommandOutcome download = SendCommand(
        {.message = FirmwareRequest(0x09, 1, 0, 3), .replyBytes = 20, .dataOut = {'n', 'e', 'w'}});
    ASSERT_EQ(download.call.result, 0);
    EXPECT_EQ(ReplyIocStatus(download.reply), 0u);
    EXPECT_EQ(lab.Read("ioc0/regions/backup.bin"), "old");
    EXPECT_EQ(lab.Read("ioc0/controller.conf").find("pending_firmware = yes"), std::string::npos);
}

TEST(Faults, CorruptReadBackFlipsOneByteOfWhatGoesToTheHost) {
    TempLab lab;
    lab.Write("ioc0/controller.conf", "upload_corrupt = yes\n");
    lab.Write("ioc0/regions/backup.bin", "0123456789");
    CommandOutcome upload = SendCommand(
        {.message = FirmwareRequest(0x12, 5, 2, 6), .replyBytes = 24, .dataInBytes = 6});
    ASSERT_EQ(ReplyIocStatus(upload.reply), 0u);
    Bytes expected = {'2', '3', '4', '5', '6', '7'};
    expected[3] ^= 0xFF;
    EXPECT_EQ(upload.dataIn, expected);
    EXPECT_EQ(lab.Read("ioc0/regions/backup.bin"), "0123456789");
}

TEST(Faults, FailingResetLeavesTheControllerFaulted) {
    TempLab lab;
    lab.Write("ioc0/controller.conf", "fail_reset = yes\npending_firmware = yes\n");
    lab.Write("ioc0/regions/firmware.bin", "running");
    lab.Write("ioc0/regions/backup.bin", "pending");
    Bytes reset = HardResetStruct(0);
    EXPECT_EQ(ControlIoctl(kHardReset, reset.data()).error, EIO);
    EXPECT_EQ(SendCommand({.message = FactsRequest(), .replyBytes = 80}).call.error, EIO);
    EXPECT_EQ(lab.Read("ioc0/regions/firmware.bin"), "running");
    lab.Reload();
    EXPECT_NE(lab.Read("ioc0/controller.conf").find("ioc_state = fault"), std::string::npos);
    EXPECT_EQ(SendCommand({.message = FactsRequest(), .replyBytes = 80}).call.error, EIO);
}

}  // namespace
}  // namespace emu_test
