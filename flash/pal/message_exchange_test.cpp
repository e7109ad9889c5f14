#include <gtest/gtest.h>

#include <vector>

#include "flash/pal/mpi.h"
#include "flash/pal/pal.h"
#include "flash/pal/testing/fake_kernel.h"
#include "flash/pal/testing/pal_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The facts reply of the controller below: MsgVersion 0x0105, Function 3, FWVersion 0x01020304.
Bytes FactsReply() {
    Bytes reply(80, 0);
    reply[0] = 0x05;
    reply[1] = 0x01;
    reply[3] = 0x03;
    reply[56] = 0x04;
    reply[57] = 0x03;
    reply[58] = 0x02;
    reply[59] = 0x01;
    return reply;
}

class MessageTest : public PalTest {
  protected:
    void SetUp() override {
        PalTest::SetUp();
        FakeController& controller = kernel.Controller(0);
        controller.msgVersion = 0x0105;
        controller.fwVersion = 0x01020304;
        handle = DiscoverHandle();
    }
    uint32_t handle = 0;
};

TEST_F(MessageTest, ReplySizeIsTheSmallerOfBothAndZeroOnFailure) {
    const struct {
        uint32_t callerSize;
        uint32_t copied;
    } cases[] = {{128, 80}, {80, 80}, {8, 8}, {0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.callerSize);
        Bytes reply(128, 0xEE);
        uint32_t size = c.callerSize;
        PalReplyStatus status{};
        ASSERT_EQ(PAL_OK, PalIocFacts(handle, reply.data(), &size, &status));
        EXPECT_EQ(c.copied, size);
        Bytes expected = FactsReply();
        expected.resize(c.copied);
        expected.resize(128, 0xEE);
        EXPECT_EQ(expected, reply);
    }
    const SentCommand& sent = kernel.commands.back();
    EXPECT_EQ((Bytes{0, 0, 0, 0x03, 0, 0, 0, 0, 0, 0, 0, 0}), sent.message);
    EXPECT_EQ(80u, sent.maxReplyBytes);

    kernel.Controller(0).commandResult = -1;
    Bytes reply(80, 0xEE);
    uint32_t size = 80;
    PalReplyStatus status{0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(0xFFFFFFFFu, PalIocFacts(handle, reply.data(), &size, &status));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(Bytes(80, 0xEE), reply);
    EXPECT_EQ(0xAAu, status.statusFlags);  // filled only on success
    EXPECT_EQ(0xAAu, status.iocStatus);
}

TEST_F(MessageTest, ReplyStatusCarriesTheExchangeOutcome) {
    FakeController& controller = kernel.Controller(0);
    controller.replyIocStatus = 0x0004;
    controller.replyIocLogInfo = 0x31000000;
    Bytes reply(80);
    uint32_t size = 80;
    PalReplyStatus status{0xAA, 0xAA, 0xAA, 0xAA};
    ASSERT_EQ(PAL_OK, PalIocFacts(handle, reply.data(), &size, &status));
    EXPECT_EQ(0u, status.reserved);
    EXPECT_EQ(kPalFlagIocStatus | kPalFlagIocLogInfo, status.statusFlags);
    EXPECT_EQ(0x0004u, status.iocStatus);
    EXPECT_EQ(0x31000000u, status.iocLogInfo);
}

TEST_F(MessageTest, SasIoUnitControl) {
    PalReplyStatus status{0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(PAL_ERR_INVALID_PARAMETER, PalSasIoUnitControl(handle, nullptr, 9, 3, &status));
    EXPECT_TRUE(kernel.commands.empty());
    EXPECT_EQ(0xAAu, status.statusFlags);

    // A 20-byte reply: its IOCStatus never reaches the flags.
    kernel.Controller(0).replyIocStatus = 0x0004;
    ASSERT_EQ(PAL_OK,
              PalSasIoUnitControl(handle, nullptr, MPI_SAS_OP_CLEAR_ALL_PERSISTENT, 3, &status));
    ASSERT_EQ(1u, kernel.commands.size());
    const SentCommand& sent = kernel.commands[0];
    Bytes expected(32, 0);
    expected[0] = 0x02;
    expected[3] = 0x1B;
    EXPECT_EQ(expected, sent.message);
    EXPECT_EQ(20u, sent.maxReplyBytes);
    EXPECT_EQ(270u, sent.timeout);
    EXPECT_EQ(0u, status.statusFlags);
    EXPECT_EQ(0u, status.iocStatus);

    ASSERT_EQ(PAL_OK, PalSasIoUnitControl(handle, nullptr, 7, 3, nullptr));
    EXPECT_EQ(3, kernel.commands.back().message.at(14));
    EXPECT_EQ(PAL_ERR_NO_SUCH_ADAPTER, PalSasIoUnitControl(handle + 1, nullptr, 1, 0, &status));
}

}  // namespace
