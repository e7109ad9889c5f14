#include "jobrunner/exit_status.h"

#include "jobrunner/result_codes.h"

uint32_t ComposeExitStatus(uint32_t result, bool autonomic, const ConditionFlags& conditions) {
    if (!autonomic && conditions.delayed) return result | kDelayedRebootBit;
    if (result == kResultNoAdequateHardware) return result;
    if (result != 0 || !autonomic) return result;
    // The update manager reads one status: the first condition of this order wins.
    struct Report {
        bool ConditionFlags::*flag;
        uint32_t status;
    };
    static constexpr Report kReports[] = {
        {&ConditionFlags::operatingSystem, 59}, {&ConditionFlags::subsystem, 60},
        {&ConditionFlags::kernelModule, 22},    {&ConditionFlags::package, 21},
        {&ConditionFlags::diskEncryption, 23},  {&ConditionFlags::trustedExecution, 24},
        {&ConditionFlags::targetSystem, 17},    {&ConditionFlags::delayed, 1},
    };
    for (const Report& report : kReports) {
        if (conditions.*report.flag) return report.status;
    }
    return 0;
}
