#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flash/pal/pal.h"
#include "flash/pal/testing/fake_kernel.h"
#include "flash/pal/testing/pal_fixture.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kOpenSas = "open /dev/mptctl_sas O_RDWR";
const std::string kOpenLegacy = "open /dev/mptctl O_RDWR";
const std::string kModprobeSas = "system /sbin/modprobe mptctl_sas 2>/dev/null";
const std::string kModprobeLegacy = "system /sbin/modprobe mptctl 2>/dev/null";
const std::string kMknod = "system /bin/mknod /dev/mptctl c 10 220";

struct NodeSearchCase {
    const char* name;
    Lines presentNodes;
    // The shell command that makes its node appear, or empty.
    std::string creatingCommand;
    std::string createdNode;
    Lines expected;
    uint32_t status;
};

const NodeSearchCase kNodeSearchCases[] = {
    {"SasNodePresent", {"/dev/mptctl_sas"}, "", "", {kOpenSas}, PAL_OK},
    {"SasModuleLoaded",
     {},
     "/sbin/modprobe mptctl_sas 2>/dev/null",
     "/dev/mptctl_sas",
     {kOpenSas, kModprobeSas, kOpenSas},
     PAL_OK},
    {"LegacyNodePresent",
     {"/dev/mptctl"},
     "",
     "",
     {kOpenSas, kModprobeSas, kOpenSas, kOpenLegacy},
     PAL_OK},
    {"LegacyModuleLoaded",
     {},
     "/sbin/modprobe mptctl 2>/dev/null",
     "/dev/mptctl",
     {kOpenSas, kModprobeSas, kOpenSas, kOpenLegacy, kModprobeLegacy, kOpenLegacy},
     PAL_OK},
    {"LegacyNodeCreated",
     {},
     "/bin/mknod /dev/mptctl c 10 220",
     "/dev/mptctl",
     {kOpenSas, kModprobeSas, kOpenSas, kOpenLegacy, kModprobeLegacy, kOpenLegacy, kMknod,
      kOpenLegacy},
     PAL_OK},
    {"NoDriver",
     {},
     "",
     "",
     {kOpenSas, kModprobeSas, kOpenSas, kOpenLegacy, kModprobeLegacy, kOpenLegacy, kMknod,
      kOpenLegacy},
     PAL_ERR_NO_DRIVER},
};

TEST(Discovery, SearchesAndLoadsTheDriverInOrder) {
    for (const NodeSearchCase& c : kNodeSearchCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(PAL_OK, PalCreate());
        FakeKernel kernel;
        kernel.nodes.insert(c.presentNodes.begin(), c.presentNodes.end());
        if (!c.creatingCommand.empty()) kernel.commandCreates[c.creatingCommand] = c.createdNode;
        kernel.Controller(0);

        uint32_t count = 99;
        EXPECT_EQ(c.status, PalOpen(kPalAccessMaskSas, &count));
        EXPECT_EQ(c.expected, kernel.NodeSearch());
        if (c.status == PAL_OK) {
            EXPECT_EQ(1u, count);
            // The node is held for the whole discovery and closed at its end.
            EXPECT_EQ("close", kernel.log.back());
        } else {
            EXPECT_EQ(0u, count);
            EXPECT_EQ(c.expected, kernel.log);  // no /proc probe, no ioctl
        }
        EXPECT_EQ(0u, kernel.OpenDescriptors());
        EXPECT_EQ(Lines{}, kernel.errors);
        PalDestroyForTest();
    }
}

using DiscoveryTest = PalTest;

TEST_F(DiscoveryTest, ProbesEveryProcNumberAndKeepsSparseOnes) {
    for (uint32_t ioc : {0u, 2u, 255u}) kernel.Controller(ioc).pciId = 0x0054;

    EXPECT_EQ(3u, Discover());

    Lines probes;
    for (const std::string& line : kernel.log) {
        if (line.find("/proc/") != std::string::npos) probes.push_back(line);
    }
    ASSERT_EQ(256u, probes.size());
    for (uint32_t ioc = 0; ioc < 256; ++ioc) {
        EXPECT_EQ("open /proc/mpt/ioc" + std::to_string(ioc) + " O_RDONLY", probes[ioc]);
    }

    const struct {
        uint32_t ioc;
        uint32_t handle;
    } expected[] = {{0, 0x01000001}, {2, 0x01000002}, {255, 0x01000003}};
    for (uint32_t index = 0; index < 3; ++index) {
        AdapterInfo info{};
        ASSERT_EQ(PAL_OK, PalGetAdapterInfo(index, &info));
        EXPECT_EQ(expected[index].handle, info.handle);
        EXPECT_EQ(index, info.index);
        EXPECT_EQ("ioctl MPTIOCINFO " + std::to_string(expected[index].ioc), kernel.log.end()[-2]);
    }
    AdapterInfo info{};
    EXPECT_EQ(PAL_ERR_INDEX_RANGE, PalGetAdapterInfo(3, &info));

    // One facts request per controller, to the right IOC number.
    ASSERT_EQ(3u, kernel.commands.size());
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(expected[i].ioc, kernel.commands[i].ioc);
        EXPECT_EQ(0x03, kernel.commands[i].message.at(3));
        EXPECT_EQ(80u, kernel.commands[i].maxReplyBytes);
    }
}

TEST_F(DiscoveryTest, EveryDriverCallOpensItsOwnNodeAndClosesIt) {
    kernel.Controller(0);
    kernel.Controller(1).infoFails = true;
    Discover();
    AdapterInfo info{};
    PalGetAdapterInfo(0, &info);
    PalHardReset(info.handle);

    size_t ioctls = 0;
    for (size_t i = 0; i < kernel.log.size(); ++i) {
        if (kernel.log[i].rfind("ioctl ", 0) != 0) continue;
        ++ioctls;
        ASSERT_GT(i, 0u);
        ASSERT_LT(i + 1, kernel.log.size());
        EXPECT_EQ(kOpenSas, kernel.log[i - 1]) << kernel.log[i];
        EXPECT_EQ("close", kernel.log[i + 1]) << kernel.log[i];
    }
    // Two information requests and two facts requests at discovery, one of each afterwards.
    EXPECT_EQ(6u, ioctls);
    EXPECT_EQ(0u, kernel.CountLog("system "));
}

struct FilterCase {
    uint32_t accessMask;
    uint32_t pciId;
    bool kept;
};

const FilterCase kFilterCases[] = {
    {kPalAccessMaskSas, 0x0062, true},  {kPalAccessMaskSas, 0x0060, false},
    {kPalAccessMaskSas, 0x0050, true},  {kPalAccessMaskSas, 0x005A, true},
    {kPalAccessMaskSas, 0x005B, false}, {kPalAccessMaskSas, 0x005E, true},
    {kPalAccessMaskSas, 0x0030, false}, {kPalAccessMaskSas, 0x0640, false},
    {0x80001000, 0x0041, true},         {0x80001000, 0x0054, false},
    {0x80002000, 0x0621, true},         {0x80004000, 0x0628, true},
    {0x80008000, 0x0642, true},         {0x80008000, 0x0030, false},
    {0x0000000F, 0x0060, true},  // filtering off: every controller stays
    {0x0000000F, 0x1234, true},
};

TEST(DiscoveryFilter, KeepsOnlyTheFamiliesTheMaskEnables) {
    for (const FilterCase& c : kFilterCases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << "mask " << c.accessMask << " id " << c.pciId);
        ASSERT_EQ(PAL_OK, PalCreate());
        FakeKernel kernel;
        kernel.nodes.insert("/dev/mptctl_sas");
        kernel.Controller(4).pciId = c.pciId;

        uint32_t count = 0;
        ASSERT_EQ(PAL_OK, PalOpen(c.accessMask, &count));
        EXPECT_EQ(1u, count);  // dropped or not, it is counted
        AdapterInfo info{};
        EXPECT_EQ(c.kept ? PAL_OK : PAL_ERR_FAILED, PalGetAdapterInfo(0, &info));
        // A dropped controller is asked nothing more.
        EXPECT_EQ(c.kept ? 1u : 0u, kernel.commands.size());
        PalDestroyForTest();
    }
}

TEST_F(DiscoveryTest, DroppedControllersStayCountedAndUseUpAHandle) {
    kernel.Controller(0).pciId = 0x0060;  // dropped
    kernel.Controller(1).pciId = 0x0062;
    kernel.Controller(2).infoFails = true;  // no information: kept unfiltered
    kernel.Controller(3).pciId = 0x0054;

    EXPECT_EQ(4u, Discover());
    Lines factsTo;
    for (const SentCommand& command : kernel.commands)
        factsTo.push_back(std::to_string(command.ioc));
    EXPECT_EQ((Lines{"1", "2", "3"}), factsTo);

    AdapterInfo info{};
    ASSERT_EQ(PAL_OK, PalGetAdapterInfo(0, &info));
    EXPECT_EQ(0x01000002u, info.handle);
    // The controller without information is listed, but describing it needs the driver again.
    EXPECT_EQ(0xFFFFFFFFu, PalGetAdapterInfo(1, &info));
    kernel.Controller(2).infoFails = false;
    ASSERT_EQ(PAL_OK, PalGetAdapterInfo(1, &info));
    EXPECT_EQ(0x01000003u, info.handle);
    ASSERT_EQ(PAL_OK, PalGetAdapterInfo(0x01000004, &info));
    EXPECT_EQ(2u, info.index);
    // Four counted, three listed: the walk runs out before the count does.
    EXPECT_EQ(PAL_ERR_FAILED, PalGetAdapterInfo(3, &info));
    EXPECT_EQ(PAL_ERR_INDEX_RANGE, PalGetAdapterInfo(4, &info));
    EXPECT_EQ(PAL_ERR_NO_SUCH_ADAPTER, PalGetAdapterInfo(0x01000001, &info));

    // A fresh discovery gives the same handles and does not append to the old list.
    EXPECT_EQ(4u, Discover());
    ASSERT_EQ(PAL_OK, PalGetAdapterInfo(2, &info));
    EXPECT_EQ(0x01000004u, info.handle);
    EXPECT_EQ(PAL_ERR_FAILED, PalGetAdapterInfo(3, &info));
}

TEST_F(DiscoveryTest, NoControllersIsNoFailure) {
    EXPECT_EQ(0u, Discover());
    AdapterInfo info{};
    EXPECT_EQ(PAL_ERR_INDEX_RANGE, PalGetAdapterInfo(0, &info));
    EXPECT_EQ(0u, kernel.CountLog("ioctl"));
}

}  // namespace
