// Fixture of the PAL's tests: a fresh context over a fake kernel whose control node is present.
// Every test ends with no descriptor left open and no misuse of the system calls.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "flash/pal/pal.h"
#include "flash/pal/testing/fake_kernel.h"

class PalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(PAL_OK, PalCreate());
        kernel.nodes.insert("/dev/mptctl_sas");
    }
    void TearDown() override {
        EXPECT_EQ(0u, kernel.OpenDescriptors());
        EXPECT_EQ(std::vector<std::string>{}, kernel.errors);
        PalDestroyForTest();
    }

    uint32_t Discover(uint32_t accessMask = kPalAccessMaskSas) {
        uint32_t count = 0;
        EXPECT_EQ(PAL_OK, PalOpen(accessMask, &count));
        return count;
    }

    // Discovers the controllers and answers the handle of the one at `index`.
    uint32_t DiscoverHandle(uint32_t index = 0) {
        Discover();
        AdapterInfo info{};
        EXPECT_EQ(PAL_OK, PalGetAdapterInfo(index, &info));
        kernel.commands.clear();
        kernel.log.clear();
        return info.handle;
    }

    FakeKernel kernel;
};
