#include "flash/pal/mpi_messages.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

template <size_t N>
Bytes B(const std::array<uint8_t, N>& frame) {
    return Bytes(frame.begin(), frame.end());
}

TEST(MpiMessages, IocFactsRequest) {
    EXPECT_EQ((Bytes{0x00, 0x00, 0x00, 0x03, 0, 0, 0, 0, 0, 0, 0, 0}), B(BuildIocFactsRequest()));
}

TEST(MpiMessages, ConfigRequest) {
    MpiConfigRequest config;
    config.action = MPI_CONFIG_ACTION_PAGE_READ_NVRAM;
    config.extPageLength = 0x0107;
    config.extPageType = 0x10;
    config.header = {0x01, 0x41, 0x05, 0x09};
    config.pageAddress = 0x11223344;
    const Bytes expected = {
        0x06, 0x00, 0x00, 0x04,  // Action, reserved, reserved, Function
        0x07, 0x01, 0x10, 0x00,  // ExtPageLength, ExtPageType, MsgFlags
        0x00, 0x00, 0x00, 0x00,  // message context
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x01, 0x41, 0x05, 0x09,  // PageVersion, PageLength, PageNumber, PageType
        0x44, 0x33, 0x22, 0x11,              // PageAddress
    };
    EXPECT_EQ(expected, B(BuildConfigRequest(config)));
}

TEST(MpiMessages, FirmwareTransferRequests) {
    const Bytes download = {
        0x02, 0x00, 0x00, 0x09,  // ImageType, reserved, reserved, Function
        0x00, 0x00, 0x00, 0x01,  // MsgFlags: last segment
        0x00, 0x00, 0x00, 0x00,  // message context
        0x00, 0x00, 0x0C, 0x00,  // transaction context element: details length 12
        0x00, 0x00, 0x00, 0x00,  //
        0x00, 0x00, 0x01, 0x00,  // ImageOffset
        0x04, 0x03, 0x02, 0x00,  // ImageSize
    };
    EXPECT_EQ(download, B(BuildFirmwareDownloadRequest(MPI_IMAGE_TYPE_BIOS,
                                                       MPI_FW_DOWNLOAD_MSGFLAGS_LAST_SEGMENT,
                                                       0x00010000, 0x00020304)));

    const Bytes upload = {
        0x0A, 0x00, 0x00, 0x12,  //
        0x00, 0x00, 0x00, 0x00,  //
        0x00, 0x00, 0x00, 0x00,  //
        0x00, 0x00, 0x0C, 0x00,  //
        0x00, 0x00, 0x00, 0x00,  //
        0x78, 0x56, 0x34, 0x12,  //
        0x00, 0x00, 0x10, 0x00,  //
    };
    EXPECT_EQ(upload,
              B(BuildFirmwareUploadRequest(MPI_IMAGE_TYPE_COMPLETE_FLASH, 0x12345678, 0x00100000)));
}

TEST(MpiMessages, SasIoUnitControlCarriesThePhyOnlyForPhyOperations) {
    const struct {
        uint8_t operation;
        uint8_t phyByte;
    } cases[] = {
        {MPI_SAS_OP_CLEAR_NOT_PRESENT, 0},
        {MPI_SAS_OP_CLEAR_ALL_PERSISTENT, 0},
        {5, 0},
        {6, 0x05},
        {7, 0x05},
        {8, 0x05},
        {10, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.operation));
        Bytes expected(32, 0);
        expected[0] = c.operation;
        expected[3] = 0x1B;
        expected[14] = c.phyByte;
        EXPECT_EQ(expected, B(BuildSasIoUnitControlRequest(c.operation, 0x05)));
    }
}

}  // namespace
