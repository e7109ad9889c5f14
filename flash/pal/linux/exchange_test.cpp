#include <gtest/gtest.h>

#include <vector>

#include "flash/pal/pal.h"
#include "flash/pal/testing/fake_kernel.h"
#include "flash/pal/testing/pal_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

class ExchangeTest : public PalTest {
  protected:
    void SetUp() override {
        PalTest::SetUp();
        kernel.Controller(7);
        handle = DiscoverHandle();
    }

    PalRequest Request(Bytes& message, Bytes& reply) {
        PalRequest request{};
        request.size = kPalRequestSize;
        request.adapterHandle = handle;
        request.signature = kPalRequestSignature;
        request.requestLength = static_cast<uint32_t>(message.size());
        request.request = message.data();
        request.replyLength = static_cast<uint32_t>(reply.size());
        request.reply = reply.data();
        return request;
    }

    uint32_t handle = 0;
};

TEST_F(ExchangeTest, CarriesRequestDataAndReplyThroughTheCommandStructure) {
    // An upload-shaped request with data both ways, so every buffer is exercised.
    Bytes message = {0x01, 0x00, 0x00, 0x12, 0xAA, 0xBB, 0xCC, 0xDD};
    Bytes reply(24, 0xEE);
    Bytes dataOut = {1, 2, 3, 4, 5};
    Bytes dataIn(6, 0xEE);
    kernel.Controller(7).uploadImage = {9, 8, 7, 6, 5, 4, 3, 2};
    PalRequest request = Request(message, reply);
    request.dataOutLength = static_cast<uint32_t>(dataOut.size());
    request.dataOut = dataOut.data();
    request.dataInLength = static_cast<uint32_t>(dataIn.size());
    request.dataIn = dataIn.data();
    request.timeoutSeconds = 30;

    ASSERT_EQ(PAL_OK, PalExchange(&request));
    ASSERT_EQ(1u, kernel.commands.size());
    const SentCommand& sent = kernel.commands[0];
    EXPECT_EQ(sizeof(void*) == 8 ? 0xC0486D14ul : 0xC0386D14ul, sent.requestNumber);
    EXPECT_EQ(sizeof(void*) == 8 ? 72u : 56u, sent.maxDataSize);
    EXPECT_EQ(7u, sent.ioc);
    EXPECT_EQ(0u, sent.port);
    EXPECT_EQ(30u, sent.timeout);
    EXPECT_EQ(message, sent.message);
    EXPECT_EQ(dataOut, sent.dataOut);
    EXPECT_EQ(24u, sent.maxReplyBytes);
    EXPECT_EQ(6u, sent.dataInSize);
    EXPECT_FALSE(sent.sensePtrSet);
    EXPECT_EQ(0u, sent.maxSenseBytes);
    // What the driver wrote through the pointers arrived in the caller's buffers.
    EXPECT_EQ((Bytes{9, 8, 7, 6, 5, 4}), dataIn);
    EXPECT_EQ(0x12, reply[3]);
    EXPECT_EQ(8u, reply[20]);  // ActualImageSize
}

TEST_F(ExchangeTest, WithoutDataNoDataPointersAndTheDefaultTimeout) {
    Bytes message(12, 0);
    message[3] = 0x03;
    Bytes reply(80);
    PalRequest request = Request(message, reply);
    ASSERT_EQ(PAL_OK, PalExchange(&request));
    const SentCommand& sent = kernel.commands.at(0);
    EXPECT_EQ(270u, sent.timeout);
    EXPECT_FALSE(sent.dataInPtrSet);
    EXPECT_FALSE(sent.dataOutPtrSet);
    EXPECT_EQ(0u, sent.dataInSize);
    EXPECT_EQ(0u, sent.dataOutSize);
    EXPECT_EQ(message, sent.message);
}

TEST_F(ExchangeTest, RefusesBadDescriptorsWithoutCallingTheDriver) {
    Bytes message(12);
    Bytes reply(24);
    PalRequest small = Request(message, reply);
    small.size = kPalRequestSize - 1;
    EXPECT_EQ(PAL_ERR_BUFFER_SIZE, PalExchange(&small));
    PalRequest unknown = Request(message, reply);
    unknown.adapterHandle = handle + 1;
    EXPECT_EQ(PAL_ERR_NO_SUCH_ADAPTER, PalExchange(&unknown));
    EXPECT_EQ(PAL_ERR_FAILED, PalExchange(nullptr));
    EXPECT_TRUE(kernel.log.empty());
}

TEST_F(ExchangeTest, NoNodeMeansNoDriverAndNeverLoadsModules) {
    kernel.nodes.clear();
    Bytes message(12);
    Bytes reply(24);
    PalRequest request = Request(message, reply);
    EXPECT_EQ(PAL_ERR_NO_DRIVER, PalExchange(&request));
    EXPECT_EQ(0u, kernel.CountLog("system"));
    EXPECT_EQ(0u, kernel.CountLog("ioctl"));
}

struct ReplyCase {
    const char* name;
    uint32_t replyLength;
    uint16_t iocStatus;
    uint32_t iocLogInfo;
    int driverResult;
    uint32_t expectedStatus;
    uint32_t expectedFlags;
    uint16_t expectedIocStatus;
    uint32_t expectedLogInfo;
};

constexpr uint32_t kStaleFlags = 0xF0;
constexpr uint16_t kStaleIocStatus = 0x5555;
constexpr uint32_t kStaleLogInfo = 0x5555;

const ReplyCase kReplyCases[] = {
    {"Clean", 24, 0, 0, 0, PAL_OK, 0, kStaleIocStatus, kStaleLogInfo},
    {"IocStatus", 24, 0x0022, 0, 0, PAL_OK, 1, 0x0022, kStaleLogInfo},
    {"LogInfoType", 24, 0, 0x30000001, 0, PAL_OK, 2, kStaleIocStatus, 0x30000001},
    {"LogInfoWithoutType", 24, 0, 0x8FFFFFFF, 0, PAL_OK, 0, kStaleIocStatus, kStaleLogInfo},
    {"DriverFailedStillExamined", 80, 0x0004, 0x40000000, -1, 0xFFFFFFFF, 3, 0x0004, 0x40000000},
    {"TwentyBytesNotExamined", 20, 0x0022, 0x70000000, 0, PAL_OK, kStaleFlags, kStaleIocStatus,
     kStaleLogInfo},
};

TEST_F(ExchangeTest, ExaminesOnlyRepliesLongerThanTwentyBytes) {
    for (const ReplyCase& c : kReplyCases) {
        SCOPED_TRACE(c.name);
        FakeController& controller = kernel.Controller(7);
        controller.replyIocStatus = c.iocStatus;
        controller.replyIocLogInfo = c.iocLogInfo;
        controller.commandResult = c.driverResult;
        Bytes message(28, 0);
        message[3] = 0x09;
        Bytes reply(c.replyLength);
        PalRequest request = Request(message, reply);
        request.statusFlags = kStaleFlags;
        request.iocStatus = kStaleIocStatus;
        request.iocLogInfo = kStaleLogInfo;

        EXPECT_EQ(c.expectedStatus, PalExchange(&request));
        EXPECT_EQ(c.expectedFlags, request.statusFlags);
        EXPECT_EQ(c.expectedIocStatus, request.iocStatus);
        EXPECT_EQ(c.expectedLogInfo, request.iocLogInfo);
        // The reply itself always reaches the caller.
        EXPECT_EQ(c.iocStatus, reply[14] | reply[15] << 8);
    }
}

TEST_F(ExchangeTest, HardResetSendsTheBareHeaderAndPassesTheResultOn) {
    EXPECT_EQ(PAL_OK, PalHardReset(handle));
    ASSERT_EQ(1u, kernel.hardResets.size());
    EXPECT_EQ((Bytes{7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), kernel.hardResets[0]);

    kernel.Controller(7).hardResetResult = -1;
    EXPECT_EQ(0xFFFFFFFFu, PalHardReset(handle));
    EXPECT_EQ(PAL_ERR_NO_SUCH_ADAPTER, PalHardReset(handle + 1));
    EXPECT_EQ(2u, kernel.hardResets.size());
}

}  // namespace
