#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "flash/pal/pal.h"
#include "flash/pal/testing/fake_kernel.h"
#include "flash/pal/testing/pal_fixture.h"

namespace {

TEST(PalCreate, AFailedCreateLeavesNoContextAndEveryOperationFails) {
    FakeKernel kernel;
    kernel.nodes.insert("/dev/mptctl_sas");
    kernel.Controller(0);
    ASSERT_EQ(PAL_OK, PalCreate());
    uint32_t count = 0;
    ASSERT_EQ(PAL_OK, PalOpen(kPalAccessMaskSas, &count));
    AdapterInfo info{};
    ASSERT_EQ(PAL_OK, PalGetAdapterInfo(0, &info));
    const uint32_t handle = info.handle;

    PalFailNextCreateForTest();
    EXPECT_EQ(PAL_ERR_NO_MEMORY, PalCreate());
    kernel.log.clear();

    // The old context is gone with the failed create; nothing may touch it or the driver.
    uint8_t buffer[256] = {};
    uint32_t size = sizeof buffer;
    PalReplyStatus status{};
    PalRequest request{};
    request.size = kPalRequestSize;
    request.adapterHandle = handle;
    EXPECT_NE(PAL_OK, PalOpen(kPalAccessMaskSas, &count));
    EXPECT_NE(PAL_OK, PalGetAdapterInfo(0, &info));
    EXPECT_NE(PAL_OK, PalGetAdapterInfo(handle, &info));
    EXPECT_NE(PAL_OK, PalHardReset(handle));
    EXPECT_NE(PAL_OK, PalExchange(&request));
    EXPECT_NE(PAL_OK, PalIocFacts(handle, buffer, &size, &status));
    EXPECT_EQ(0u, size);
    size = sizeof buffer;
    EXPECT_NE(PAL_OK, PalFirmwareDownload(handle, buffer, 4, 0, 1, 1, buffer, &size, &status));
    size = sizeof buffer;
    EXPECT_NE(PAL_OK, PalFirmwareUpload(handle, buffer, 4, 0, 1, buffer, &size, &status));
    EXPECT_NE(PAL_OK, PalSasIoUnitControl(handle, nullptr, 2, 0, &status));
    size = sizeof buffer;
    EXPECT_NE(PAL_OK, PalConfigRead(handle, 0, 0x09, 5, 0, 3, buffer, &size));
    size = sizeof buffer;
    EXPECT_NE(PAL_OK, PalConfigWrite(handle, 0, 0x09, 5, 0, 3, buffer, &size));
    EXPECT_TRUE(kernel.log.empty());

    // The next create starts afresh.
    ASSERT_EQ(PAL_OK, PalCreate());
    EXPECT_EQ(PAL_ERR_INDEX_RANGE, PalGetAdapterInfo(0, &info));
    EXPECT_EQ(PAL_OK, PalOpen(kPalAccessMaskSas, &count));
    EXPECT_EQ(1u, count);
    PalDestroyForTest();
}

TEST(PalCreate, ReleasesThePreviousContext) {
    FakeKernel kernel;
    kernel.nodes.insert("/dev/mptctl_sas");
    kernel.Controller(0);
    ASSERT_EQ(PAL_OK, PalCreate());
    uint32_t count = 0;
    ASSERT_EQ(PAL_OK, PalOpen(kPalAccessMaskSas, &count));
    ASSERT_EQ(PAL_OK, PalCreate());
    AdapterInfo info{};
    EXPECT_EQ(PAL_ERR_INDEX_RANGE, PalGetAdapterInfo(0, &info));
    EXPECT_EQ(PAL_ERR_NO_SUCH_ADAPTER, PalGetAdapterInfo(0x01000001, &info));
    PalDestroyForTest();
}

TEST(PalGetVersion, FillsMajorMinorBuildAfterTheSize) {
    uint32_t record[2] = {8, 0xFFFFFFFF};
    EXPECT_EQ(PAL_OK, PalGetVersion(record));
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&record[1]);
    EXPECT_EQ((std::vector<uint8_t>{0, 9, 0, 0xFF}), std::vector<uint8_t>(bytes, bytes + 4));

    uint32_t tooSmall[2] = {7, 0xFFFFFFFF};
    EXPECT_EQ(PAL_OK, PalGetVersion(tooSmall));
    EXPECT_EQ(0xFFFFFFFFu, tooSmall[1]);

    EXPECT_EQ(PAL_ERR_FAILED, PalGetVersion(nullptr));
}

using AdapterInfoTest = PalTest;

TEST_F(AdapterInfoTest, FillsFromTheDriverOnceAndCopiesOut) {
    FakeController& controller = kernel.Controller(3);
    controller.adapterType = 0x0A0B0C0D;
    controller.pciId = 0x0058;
    controller.hwRev = 0x108;
    controller.subSystemDevice = 0x3020;
    controller.subSystemVendor = 0x1000;
    controller.numDevices = 12;
    controller.fwVersion = 0x01020304;
    controller.biosVersion = 0x00060400;
    controller.driverVersion = "3.04.10";
    controller.hostId = 7;
    controller.pciInfo = 0x04A3;
    controller.adapterWord = 0x11223344;
    kernel.Controller(1);
    Discover();
    const size_t infoRequestsAtDiscovery = kernel.infoRequests.size();

    AdapterInfo info;
    std::memset(&info, 0xEE, sizeof info);
    ASSERT_EQ(PAL_OK, PalGetAdapterInfo(1, &info));
    ASSERT_EQ(infoRequestsAtDiscovery + 1, kernel.infoRequests.size());
    EXPECT_EQ((std::vector<uint8_t>{3, 0, 0, 0, 0, 0, 0, 0, 92, 0, 0, 0}),
              kernel.infoRequests.back());
    EXPECT_EQ(0x01000002u, info.handle);
    EXPECT_EQ(0u, info.reserved0);
    EXPECT_EQ(0x0A0B0C0Du, info.adapterType);
    EXPECT_EQ(1u, info.index);
    EXPECT_EQ(0x0058u, info.pciDeviceId);
    EXPECT_EQ(0x108u, info.pciRevision);
    EXPECT_EQ(0x3020u, info.subsystemDeviceId);
    EXPECT_EQ(0x1000u, info.subsystemVendorId);
    EXPECT_EQ(12u, info.numDevices);
    EXPECT_EQ(0u, info.reserved1);
    EXPECT_EQ(0x00060400u, info.biosVersion);
    EXPECT_STREQ("3.04.10", info.driverVersion);
    EXPECT_EQ(7u, info.hostId);
    EXPECT_EQ(0x04A3u, info.pciLocation);
    EXPECT_EQ(0x11223344u, info.adapterWord);

    // Later calls, by index or by handle, copy the stored block.
    controller.pciId = 0x0059;
    AdapterInfo again{};
    ASSERT_EQ(PAL_OK, PalGetAdapterInfo(info.handle, &again));
    ASSERT_EQ(PAL_OK, PalGetAdapterInfo(1, &again));
    EXPECT_EQ(infoRequestsAtDiscovery + 1, kernel.infoRequests.size());
    EXPECT_EQ(0x0058u, again.pciDeviceId);
    EXPECT_EQ(info.handle, again.handle);
    EXPECT_STREQ(info.driverVersion, again.driverVersion);

    EXPECT_EQ(PAL_ERR_NO_SUCH_ADAPTER, PalGetAdapterInfo(0x01000003, &again));
    EXPECT_EQ(PAL_ERR_INDEX_RANGE, PalGetAdapterInfo(2, &again));
}

}  // namespace
