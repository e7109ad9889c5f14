#include "jobrunner/exit_status.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

ConditionFlags With(std::initializer_list<bool ConditionFlags::*> set) {
    ConditionFlags flags;
    for (auto flag : set) flags.*flag = true;
    return flags;
}

}  // namespace

TEST(ExitStatus, ComposedFromResultFormAndConditions) {
    using F = ConditionFlags;
    const struct {
        uint32_t result;
        bool autonomic;
        ConditionFlags flags;
        uint32_t status;
    } cases[] = {
        {0, false, {}, 0},
        {2, false, {}, 2},
        {0, false, With({&F::delayed}), 0x100000},
        {2, false, With({&F::delayed}), 0x100002},
        {16, false, With({&F::delayed}), 0x100010},
        {0x22030003, false, With({&F::delayed}), 0x22130003},
        {16, false, {}, 16},
        {0, false, With({&F::operatingSystem}), 0},  // the condition statuses are autonomic only
        {0, true, {}, 0},
        {0, true, With({&F::operatingSystem}), 59},
        {0, true, With({&F::subsystem}), 60},
        {0, true, With({&F::kernelModule}), 22},
        {0, true, With({&F::package}), 21},
        {0, true, With({&F::diskEncryption}), 23},
        {0, true, With({&F::trustedExecution}), 24},
        {0, true, With({&F::targetSystem}), 17},
        {0, true, With({&F::delayed}), 1},
        {0, true, With({&F::package, &F::delayed}), 21},
        {0, true, With({&F::targetSystem, &F::operatingSystem, &F::subsystem}), 59},
        {0, true, With({&F::hardware, &F::omitMatched, &F::notOmit}), 0},
        {8, true, With({&F::operatingSystem, &F::delayed}), 8},
        {16, true, With({&F::delayed}), 16},
        {0x22030003, true, With({&F::package}), 0x22030003},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.status, ComposeExitStatus(c.result, c.autonomic, c.flags))
            << c.result << (c.autonomic ? " autonomic" : " normal");
    }
}
