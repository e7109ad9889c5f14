#include <gtest/gtest.h>

#include <vector>

#include "flash/pal/mpi.h"
#include "flash/pal/pal.h"
#include "flash/pal/testing/fake_kernel.h"
#include "flash/pal/testing/pal_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

class FirmwareTest : public PalTest {
  protected:
    uint32_t HandleFor(uint16_t msgVersion) {
        kernel.Controller(0).msgVersion = msgVersion;
        return DiscoverHandle();
    }
};

TEST_F(FirmwareTest, MessageVersionGatesTransfersAndTheLastSegmentFlag) {
    const struct {
        uint16_t msgVersion;
        uint8_t lastSegment;
        uint32_t status;
        uint8_t msgFlags;
    } cases[] = {
        {0x0100, 1, PAL_ERR_NOT_SUPPORTED, 0},
        {0x0101, 1, PAL_ERR_NOT_SUPPORTED, 0},
        {0x0102, 1, PAL_OK, 0},
        {0x0104, 1, PAL_OK, 0},
        {0x0105, 1, PAL_OK, 0x01},
        {0x0105, 0, PAL_OK, 0},
        {0x0200, 2, PAL_OK, 0},
        {0x0200, 1, PAL_OK, 0x01},
    };
    const Bytes image = {1, 2, 3, 4, 5, 6, 7, 8};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << c.msgVersion << " last " << int{c.lastSegment});
        const uint32_t handle = HandleFor(c.msgVersion);
        Bytes reply(20, 0xEE);
        uint32_t size = 20;
        EXPECT_EQ(c.status, PalFirmwareDownload(handle, image.data(), 8, 0, MPI_IMAGE_TYPE_FIRMWARE,
                                                c.lastSegment, reply.data(), &size, nullptr));
        Bytes buffer(8);
        Bytes uploadReply(24);
        uint32_t uploadSize = 24;
        EXPECT_EQ(c.status, PalFirmwareUpload(handle, buffer.data(), 8, 0, MPI_IMAGE_TYPE_FIRMWARE,
                                              uploadReply.data(), &uploadSize, nullptr));
        if (c.status != PAL_OK) {
            EXPECT_TRUE(kernel.commands.empty());
            EXPECT_EQ(0u, size);
            EXPECT_EQ(0u, uploadSize);
            continue;
        }
        ASSERT_EQ(2u, kernel.commands.size());
        EXPECT_EQ(c.msgFlags, kernel.commands[0].message.at(7));
        EXPECT_EQ(0, kernel.commands[1].message.at(7));
    }
}

TEST_F(FirmwareTest, TheGateUsesTheFactsKeptAtDiscovery) {
    const uint32_t handle = HandleFor(0x0101);
    kernel.Controller(0).msgVersion = 0x0105;
    Bytes image(4);
    uint32_t size = 20;
    EXPECT_EQ(PAL_ERR_NOT_SUPPORTED,
              PalFirmwareDownload(handle, image.data(), 4, 0, 1, 1, nullptr, &size, nullptr));
    EXPECT_EQ(PAL_ERR_NO_SUCH_ADAPTER,
              PalFirmwareDownload(handle + 1, image.data(), 4, 0, 1, 1, nullptr, &size, nullptr));
}

TEST_F(FirmwareTest, DownloadSendsTheImageAndIgnoresTheShortReplysStatus) {
    const uint32_t handle = HandleFor(0x0105);
    kernel.Controller(0).replyIocStatus = 0x0004;
    const Bytes image = {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    Bytes reply(32, 0xEE);
    uint32_t size = 32;
    PalReplyStatus status{0xAA, 0xAA, 0xAA, 0xAA};
    ASSERT_EQ(PAL_OK, PalFirmwareDownload(handle, image.data(), 12, 0x100, MPI_IMAGE_TYPE_BIOS, 1,
                                          reply.data(), &size, &status));
    const SentCommand& sent = kernel.commands.at(0);
    EXPECT_EQ(image, sent.dataOut);
    EXPECT_EQ(image, kernel.Controller(0).downloadedImage);
    EXPECT_FALSE(sent.dataInPtrSet);
    EXPECT_EQ(270u, sent.timeout);
    EXPECT_EQ(20u, sent.maxReplyBytes);
    const Bytes request = {0x02, 0, 0, 0x09, 0, 0, 0, 0x01, 0, 0, 0,  0, 0, 0,
                           0x0C, 0, 0, 0,    0, 0, 0, 1,    0, 0, 12, 0, 0, 0};
    EXPECT_EQ(request, sent.message);

    // The controller said 0x0004, but a 20-byte reply is never examined: only its bytes tell.
    EXPECT_EQ(20u, size);
    EXPECT_EQ(0x04, reply[14]);
    EXPECT_EQ(0xEE, reply[20]);
    EXPECT_EQ(0u, status.statusFlags);
    EXPECT_EQ(0u, status.iocStatus);
}

TEST_F(FirmwareTest, UploadReceivesTheImageAndItsActualSize) {
    const uint32_t handle = HandleFor(0x0105);
    kernel.Controller(0).uploadImage = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
    Bytes buffer(4, 0xEE);
    Bytes reply(24, 0xEE);
    uint32_t size = 24;
    ASSERT_EQ(PAL_OK, PalFirmwareUpload(handle, buffer.data(), 4, 0x2000, MPI_IMAGE_TYPE_FIRMWARE,
                                        reply.data(), &size, nullptr));
    EXPECT_EQ((Bytes{0x10, 0x20, 0x30, 0x40}), buffer);
    EXPECT_EQ(24u, size);
    EXPECT_EQ((Bytes{6, 0, 0, 0}), Bytes(reply.begin() + 20, reply.end()));
    const SentCommand& sent = kernel.commands.at(0);
    EXPECT_EQ(4u, sent.dataInSize);
    EXPECT_FALSE(sent.dataOutPtrSet);
    const Bytes request = {0x01, 0, 0, 0x12, 0, 0, 0, 0,    0, 0, 0x00, 0, 0, 0,
                           0x0C, 0, 0, 0,    0, 0, 0, 0x20, 0, 0, 4,    0, 0, 0};
    EXPECT_EQ(request, sent.message);

    // A failing driver call: nothing copied, size 0.
    kernel.Controller(0).commandResult = -1;
    size = 24;
    PalReplyStatus status{0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(0xFFFFFFFFu,
              PalFirmwareUpload(handle, buffer.data(), 4, 0, 1, reply.data(), &size, &status));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(0xAAu, status.statusFlags);
}

}  // namespace
