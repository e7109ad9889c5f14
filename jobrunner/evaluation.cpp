#include "jobrunner/evaluation.h"

#include "jobrunner/omit_list.h"
#include "jobrunner/result_codes.h"

namespace {

bool TestHolds(FlagTest test, int32_t code, const FlagTable& table, size_t slot) {
    // Both sides compare as unsigned, so -1 is above every threshold.
    const uint32_t c = static_cast<uint32_t>(code);
    const uint32_t v = test == FlagTest::kInList ? 0 : static_cast<uint32_t>(*table.numbers[slot]);
    switch (test) {
        case FlagTest::kNotEqual:
            return c != v;
        case FlagTest::kEqual:
            return c == v;
        case FlagTest::kGreater:
            return c > v;
        case FlagTest::kLess:
            return c < v;
        case FlagTest::kAlways:
            return true;
        case FlagTest::kInList:
            return OmitListContains(*table.omitList, code);
    }
    return false;
}

bool AnyNeutralisingCondition(const ConditionFlags& f) {
    return f.operatingSystem || f.subsystem || f.kernelModule || f.package || f.targetSystem ||
           f.diskEncryption || f.trustedExecution;
}

}  // namespace

Evaluation Evaluate(int32_t code, const FlagTable& table, ConditionFlags& conditions,
                    const EvaluationRules& rules, const ConsoleSink& console) {
    Evaluation out;
    for (size_t slot = 0; slot < kFlagSlots; ++slot) {
        if (!table.Filled(slot)) continue;
        const FlagSlot& entry = kFlagSlotCatalogue[slot];
        if (!TestHolds(entry.test, code, table, slot)) continue;
        if (entry.condition) conditions.*entry.condition = true;
        switch (entry.effect) {
            case FlagEffect::kAbort:
                out.result = kResultAbort;
                break;
            case FlagEffect::kReboot:
                if (rules.noRestart) {
                    out.result = kResultRebootForbidden;
                } else {
                    out.result = kResultReboot;
                    if (!rules.autonomic) out.restartRequested = true;
                }
                break;
            case FlagEffect::kDelayedAnnounced:
                if (console) console("check delayed reboot flag found\n");
                [[fallthrough]];
            case FlagEffect::kDelayed:
                conditions.delayed = true;
                break;
            case FlagEffect::kOmit:
                out.result = kResultContinue;
                break;
            case FlagEffect::kCondition:
                break;
        }
    }
    if (out.result != 0 && AnyNeutralisingCondition(conditions) && !conditions.notOmit) {
        out.result = kResultContinue;
    } else if (out.result != 0 && conditions.hardware && !conditions.notOmit) {
        out.result = kResultNoAdequateHardware;
    }
    if (rules.autonomic) out.result = TranslateForAutonomic(out.result);
    return out;
}

uint32_t TranslateForAutonomic(uint32_t result) {
    switch (result) {
        case 0:
        case 1:
            return 0;
        case kResultAbort:
            return 8;
        case kResultReboot:
        case kResultRebootForbidden:
            return 2;
        case kResultNoAdequateHardware:
            return kResultNoAdequateHardware;
        default:
            return kAutonomicStepFailed;
    }
}
