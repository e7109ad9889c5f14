#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "flash/pal/mpi.h"
#include "flash/pal/pal.h"
#include "flash/pal/testing/fake_kernel.h"
#include "flash/pal/testing/pal_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t size, uint8_t first) {
    Bytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

class ConfigTest : public PalTest {
  protected:
    void SetUp() override {
        PalTest::SetUp();
        FakeController& controller = kernel.Controller(0);
        // SAS IO unit page 0: an extended page of 7 words.
        FakePage& sasIoUnit = controller.pages[{0x0F, 0, 0x10}];
        sasIoUnit.version = 4;
        sasIoUnit.current = Pattern(28, 0x40);
        // Manufacturing pages 0 and 5, 76 and 32 bytes.
        FakePage& mfg0 = controller.pages[{0x09, 0, 0}];
        mfg0.current = mfg0.nvram = mfg0.defaults = Pattern(76, 0x80);
        FakePage& mfg5 = controller.pages[{0x09, 5, 0}];
        mfg5.version = 2;
        mfg5.current = Pattern(32, 0x00);
        mfg5.defaults = Pattern(32, 0x20);
        mfg5.nvram = Pattern(32, 0x60);
        handle = DiscoverHandle();
    }

    FakePage& Page(uint8_t type, uint8_t number, uint8_t extType = 0) {
        return kernel.Controller(0).pages[{type, number, extType}];
    }
    uint8_t Action(size_t command) const { return kernel.commands.at(command).message.at(0); }

    uint32_t handle = 0;
};

TEST_F(ConfigTest, ReadAsksForTheLengthThenReadsExactlyThatMuch) {
    Bytes buffer(64, 0xEE);
    uint32_t size = static_cast<uint32_t>(buffer.size());
    ASSERT_EQ(PAL_OK, PalConfigRead(handle, 0, MPI_CONFIG_PAGETYPE_EXTENDED, 0,
                                    MPI_CONFIG_EXTPAGETYPE_SAS_IO_UNIT, kPalConfigCurrent,
                                    buffer.data(), &size));
    EXPECT_EQ(28u, size);
    Bytes expected = Pattern(28, 0x40);
    expected.resize(64, 0xEE);
    EXPECT_EQ(expected, buffer);

    ASSERT_EQ(2u, kernel.commands.size());
    const SentCommand& header = kernel.commands[0];
    Bytes headerRequest(28, 0);
    headerRequest[3] = 0x04;
    headerRequest[6] = 0x10;   // ExtPageType
    headerRequest[23] = 0x0F;  // PageType
    EXPECT_EQ(headerRequest, header.message);
    EXPECT_FALSE(header.dataInPtrSet);
    EXPECT_FALSE(header.dataOutPtrSet);
    EXPECT_EQ(24u, header.maxReplyBytes);

    // The read carries the header and extended length the controller answered.
    const SentCommand& read = kernel.commands[1];
    Bytes readRequest = headerRequest;
    readRequest[0] = MPI_CONFIG_ACTION_PAGE_READ_CURRENT;
    readRequest[4] = 7;   // ExtPageLength
    readRequest[20] = 4;  // PageVersion
    EXPECT_EQ(readRequest, read.message);
    EXPECT_EQ(28u, read.dataInSize);
    EXPECT_FALSE(read.dataOutPtrSet);
}

TEST_F(ConfigTest, LengthQueriesAndMissingBuffers) {
    uint32_t size = 0;
    EXPECT_EQ(PAL_OK,
              PalConfigRead(handle, 0, 0x0F, 0, 0x10, kPalConfigLengthOnly, nullptr, &size));
    EXPECT_EQ(28u, size);
    // A plain page counts its length in the header's PageLength.
    EXPECT_EQ(PAL_OK, PalConfigRead(handle, 0, 0x09, 5, 0, kPalConfigLengthOnly, nullptr, &size));
    EXPECT_EQ(32u, size);
    EXPECT_EQ(2u, kernel.commands.size());

    size = 100;
    EXPECT_EQ(PAL_ERR_BUFFER_SIZE,
              PalConfigRead(handle, 0, 0x09, 0, 0, kPalConfigNvram, nullptr, &size));
    EXPECT_EQ(76u, size);
    Bytes buffer(8);
    size = 0;
    EXPECT_EQ(PAL_ERR_BUFFER_SIZE,
              PalConfigRead(handle, 0, 0x09, 0, 0, kPalConfigNvram, buffer.data(), &size));
    EXPECT_EQ(76u, size);
    // Only header requests went out.
    ASSERT_EQ(4u, kernel.commands.size());
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(MPI_CONFIG_ACTION_PAGE_HEADER, Action(i));
}

TEST_F(ConfigTest, ReadIntoASmallerBufferCopiesOnlyWhatFits) {
    Bytes buffer(12, 0xEE);
    uint32_t size = 8;
    ASSERT_EQ(PAL_OK, PalConfigRead(handle, 0, 0x09, 5, 0, kPalConfigNvram, buffer.data(), &size));
    EXPECT_EQ(32u, size);
    Bytes expected = Pattern(8, 0x60);
    expected.resize(12, 0xEE);
    EXPECT_EQ(expected, buffer);
    EXPECT_EQ(32u, kernel.commands.back().dataInSize);
}

TEST_F(ConfigTest, ModesSelectActions) {
    const struct {
        bool write;
        uint32_t mode;
        uint8_t action;
    } cases[] = {
        {false, kPalConfigCurrent, MPI_CONFIG_ACTION_PAGE_READ_CURRENT},
        {false, kPalConfigDefault, MPI_CONFIG_ACTION_PAGE_READ_DEFAULT},
        {false, kPalConfigNvram, MPI_CONFIG_ACTION_PAGE_READ_NVRAM},
        {true, kPalConfigCurrent, MPI_CONFIG_ACTION_PAGE_WRITE_CURRENT},
        {true, kPalConfigDefault, MPI_CONFIG_ACTION_PAGE_DEFAULT},
        {true, kPalConfigNvram, MPI_CONFIG_ACTION_PAGE_WRITE_NVRAM},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.write ? "write " : "read ") << c.mode);
        kernel.commands.clear();
        Bytes buffer(76);
        uint32_t size = 76;
        const uint32_t status =
            c.write ? PalConfigWrite(handle, 0, 0x09, 0, 0, c.mode, buffer.data(), &size)
                    : PalConfigRead(handle, 0, 0x09, 0, 0, c.mode, buffer.data(), &size);
        ASSERT_EQ(PAL_OK, status);
        ASSERT_EQ(2u, kernel.commands.size());
        EXPECT_EQ(c.action, Action(1));
        EXPECT_EQ(c.write ? 0u : 76u, kernel.commands[1].dataInSize);
        EXPECT_EQ(c.write ? 76u : 0u, kernel.commands[1].dataOutSize);
    }

    Bytes buffer(76);
    for (uint32_t mode : {4u, 0x100u}) {
        kernel.commands.clear();
        uint32_t size = 76;
        EXPECT_EQ(PAL_ERR_INVALID_PARAMETER,
                  PalConfigRead(handle, 0, 0x09, 0, 0, mode, buffer.data(), &size));
        EXPECT_EQ(PAL_ERR_INVALID_PARAMETER,
                  PalConfigWrite(handle, 0, 0x09, 0, 0, mode, buffer.data(), &size));
        EXPECT_EQ(2u, kernel.commands.size());  // the two header requests only
    }
    uint32_t size = 76;
    EXPECT_EQ(PAL_ERR_INVALID_PARAMETER,
              PalConfigWrite(handle, 0, 0x09, 0, 0, kPalConfigLengthOnly, buffer.data(), &size));

    // An extended page needs its extended type.
    kernel.commands.clear();
    EXPECT_EQ(PAL_ERR_INVALID_PARAMETER,
              PalConfigRead(handle, 0, 0x0F, 0, 0, kPalConfigLengthOnly, nullptr, &size));
    EXPECT_EQ(PAL_ERR_INVALID_PARAMETER,
              PalConfigWrite(handle, 0, 0x0F, 0, 0, kPalConfigCurrent, buffer.data(), &size));
    EXPECT_TRUE(kernel.commands.empty());
}

TEST_F(ConfigTest, ControllerStatusesMapToPalStatuses) {
    const struct {
        uint16_t iocStatus;
        bool onRead;  // answered to the read rather than to the header request
        uint32_t expected;
    } cases[] = {
        {0x0020, false, PAL_ERR_CONFIG_INVALID_ACTION},
        {0x0021, false, PAL_ERR_CONFIG_INVALID_TYPE},
        {0x0022, false, PAL_ERR_CONFIG_INVALID_PAGE},
        {0x0023, false, PAL_ERR_FAILED},
        {0x0004, false, PAL_ERR_FAILED},
        {0x0020, true, PAL_ERR_CONFIG_INVALID_ACTION},
        {0x0022, true, PAL_ERR_CONFIG_INVALID_PAGE},
        {0x0001, true, PAL_ERR_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.iocStatus << (c.onRead ? " on read" : ""));
        kernel.responder = [&](FakeController& controller, const SentCommand& command,
                               std::vector<uint8_t>& reply, std::vector<uint8_t>& dataIn) {
            const int result = ModelController(controller, command, reply, dataIn);
            if (c.onRead == (command.message[0] != 0))
                reply[14] = static_cast<uint8_t>(c.iocStatus);
            return result;
        };
        Bytes buffer(32, 0xEE);
        uint32_t size = 32;
        EXPECT_EQ(c.expected,
                  PalConfigRead(handle, 0, 0x09, 5, 0, kPalConfigNvram, buffer.data(), &size));
        EXPECT_EQ(32u, size);
        EXPECT_EQ(Bytes(32, 0xEE), buffer);
    }

    // A page the controller does not have.
    kernel.responder = ModelController;
    uint32_t size = 0;
    EXPECT_EQ(PAL_ERR_CONFIG_INVALID_PAGE,
              PalConfigRead(handle, 0, 0x09, 7, 0, kPalConfigLengthOnly, nullptr, &size));
}

TEST_F(ConfigTest, WriteSendsAPageLengthCopyAndLeavesTheCallerBufferAlone) {
    const struct {
        const char* name;
        size_t callerSize;
    } cases[] = {{"Exact", 32}, {"Longer", 40}, {"Shorter", 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes page = Pattern(c.callerSize, 0xC0);
        Bytes caller = page;
        uint32_t size = static_cast<uint32_t>(caller.size());
        ASSERT_EQ(PAL_OK,
                  PalConfigWrite(handle, 0, 0x09, 5, 0, kPalConfigNvram, caller.data(), &size));
        Bytes sent = page;
        sent.resize(32, 0);
        EXPECT_EQ(sent, kernel.commands.back().dataOut);
        EXPECT_EQ(sent, Page(0x09, 5).nvram);
        EXPECT_EQ(page, caller);
        // The write carries the header the controller answered.
        const Bytes& request = kernel.commands.back().message;
        EXPECT_EQ((Bytes{2, 8, 5, 9}), Bytes(request.begin() + 20, request.begin() + 24));
    }
    // Only that page changed.
    EXPECT_EQ(Pattern(76, 0x80), Page(0x09, 0).nvram);
    EXPECT_EQ(Pattern(32, 0x00), Page(0x09, 5).current);

    // Nothing to write from: no write goes out.
    kernel.commands.clear();
    uint32_t size = 32;
    EXPECT_EQ(PAL_ERR_BUFFER_SIZE,
              PalConfigWrite(handle, 0, 0x09, 5, 0, kPalConfigNvram, nullptr, &size));
    EXPECT_EQ(32u, size);
    EXPECT_EQ(1u, kernel.commands.size());
}

}  // namespace
