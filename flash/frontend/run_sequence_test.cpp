#include "flash/frontend/run_sequence.h"

#include <gtest/gtest.h>

#include <string>

#include "flash/pal/pal.h"

namespace {

TEST(RunStep, PlatformLayerNotReady) {
    const char* arguments[] = {"tessel", "-ver"};
    testing::internal::CaptureStdout();
    const uint8_t result = RunStep(2, arguments, false, EnumerationResult::kNone);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0, result);
    const std::string tail = "\tERROR: Failed to initialize PAL.  Exiting Program.\n";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(tail, out.substr(out.size() - tail.size()));
    EXPECT_EQ(std::string::npos, out.find("Tessel Version is"));
}

TEST(StartupStep, FailedContextLeavesNothingToEnumerate) {
    PalFailNextCreateForTest();
    const bool ready = StartupStep();
    EXPECT_FALSE(ready);
    EXPECT_EQ(EnumerationResult::kNone, EnumerationStep(ready));
    EXPECT_EQ(nullptr, FirstAdapter());
}

}  // namespace
