#include "jobrunner/evaluation.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

struct Step {
    int32_t code;
    uint32_t result;
    bool restart = false;
};

struct Scenario {
    const char* flags;  // one flag text, filled before the first code
    EvaluationRules rules;
    std::vector<Step> steps;  // codes evaluated in turn, with the flags kept between them
};

constexpr EvaluationRules kNormal{false, false};
constexpr EvaluationRules kNoRestart{false, true};
constexpr EvaluationRules kAutonomic{true, false};

}  // namespace

TEST(Evaluation, SlotsInOrderWithOverrides) {
    const Scenario scenarios[] = {
        {"delayed_eq 1 abort_gt 1", kNormal, {{1, 0}, {2, 2}}},
        {"delayed_eq 1 abort_gt 1", kAutonomic, {{1, 0}, {2, 8}}},
        {"abort_ne 0", kNormal, {{0, 0}, {-1, 2}}},
        {"abort_gt 0", kNormal, {{-1, 2}}},  // -1 compares as 4294967295
        {"abort_lt 5", kNormal, {{-1, 0}, {4, 2}}},
        {"abort_gt -2", kNormal, {{-1, 2}, {-2, 0}}},
        {"abort_eq 7", kNormal, {{7, 2}, {8, 0}}},
        {"reboot_eq 3", kNormal, {{3, 5, true}, {4, 0}}},
        {"reboot_eq 3", kNoRestart, {{3, 6}}},
        {"reboot_eq 3", kAutonomic, {{3, 2}}},  // the caller restarts
        {"reboot_gt 4", kNormal, {{5, 5, true}, {4, 0}}},
        {"reboot_lt 4 reboot_ne 9", kNormal, {{3, 5, true}, {9, 0}}},
        {"Reboot", kNormal, {{0, 5, true}}},
        {"abort_eq 7 reboot_eq 7", kNormal, {{7, 5, true}}},        // reboot replaces abort
        {"reboot_eq 3 omit_update_eq 3", kNormal, {{3, 0, true}}},  // cleared, not withdrawn
        {"abort_gt 0 omit_update_eq 3", kNormal, {{3, 0}, {4, 2}}},
        {"abort_gt 0 omit_ret_codes 3010, 1641; Reboot",
         kNoRestart,
         {{3010, 0}, {1641, 0}, {5, 6}}},
        {"abort_gt 0 omit_ret_codes 3010, 1641;", kNormal, {{3010, 0}, {1641, 0}, {5, 2}}},
        {"abort_gt 0 omit_ret_codes 3010", kAutonomic, {{3010, 0}, {5, 8}}},
        // A condition code neutralises every later abort or reboot of the run.
        {"not_supported_OS 3 abort_ne 0", kNormal, {{0, 0}, {9, 2}, {3, 0}, {9, 0}}},
        {"pkg_missing 3 reboot_ne 0", kNormal, {{3, 0, true}, {7, 0, true}}},
        {"txt_blocked 3 abort_ne 0", kAutonomic, {{3, 0}, {9, 0}}},
        // ... unless "not_omit_flags " has seen a 1.
        {"not_supported_OS 3 abort_ne 0 not_omit_flags ", kNormal, {{3, 0}, {1, 2}, {3, 2}}},
        {"no_adequate_HW 4 abort_ne 0", kNormal, {{4, 16}, {5, 16}, {0, 0}}},
        {"no_adequate_HW 4 abort_ne 0", kAutonomic, {{4, 16}}},
        {"no_adequate_HW 4 not_supported_OS 5 abort_ne 0", kNormal, {{4, 16}, {5, 0}, {4, 0}}},
        {"no_adequate_HW 4 abort_ne 0 not_omit_flags ", kNormal, {{1, 2}, {4, 2}}},
        {"Delayed", kNormal, {{3, 0}}},
        {"", kNormal, {{-1, 0}, {1, 0}}},
    };
    for (const Scenario& s : scenarios) {
        FlagTable table;
        FillFlagTable(s.flags, table, {});
        ConditionFlags conditions;
        for (const Step& step : s.steps) {
            const Evaluation e = Evaluate(step.code, table, conditions, s.rules, {});
            EXPECT_EQ(step.result, e.result) << s.flags << " code " << step.code;
            EXPECT_EQ(step.restart, e.restartRequested) << s.flags << " code " << step.code;
        }
    }
}

TEST(Evaluation, SetsTheConditionFlagOfEachSlot) {
    const struct {
        const char* flags;
        int32_t hit;
        std::optional<int32_t> miss;
        bool ConditionFlags::*flag;
    } cases[] = {
        {"Delayed", 0, std::nullopt, &ConditionFlags::delayed},
        {"delayed_ne 0", 1, 0, &ConditionFlags::delayed},
        {"delayed_eq 2", 2, 3, &ConditionFlags::delayed},
        {"delayed_gt 2", -1, 2, &ConditionFlags::delayed},
        {"delayed_lt 2", 1, -1, &ConditionFlags::delayed},
        {"no_adequate_HW 4", 4, 5, &ConditionFlags::hardware},
        {"not_supported_OS 4", 4, 5, &ConditionFlags::operatingSystem},
        {"not_supported_SubSys 4", 4, 5, &ConditionFlags::subsystem},
        {"kernel_module_missing 4", 4, 5, &ConditionFlags::kernelModule},
        {"pkg_missing 4", 4, 5, &ConditionFlags::package},
        {"incorrect_target_system 4", 4, 5, &ConditionFlags::targetSystem},
        {"bitlocker_blocked 4", 4, 5, &ConditionFlags::diskEncryption},
        {"txt_blocked 4", 4, 5, &ConditionFlags::trustedExecution},
        {"omit_ret_codes 4", 4, 5, &ConditionFlags::omitMatched},
        {"not_omit_flags ", 1, 0, &ConditionFlags::notOmit},
    };
    for (const auto& c : cases) {
        FlagTable table;
        FillFlagTable(c.flags, table, {});
        ConditionFlags hit;
        Evaluate(c.hit, table, hit, kNormal, {});
        EXPECT_TRUE(hit.*c.flag) << c.flags;
        if (c.miss) {
            ConditionFlags missed;
            Evaluate(*c.miss, table, missed, kNormal, {});
            EXPECT_FALSE(missed.*c.flag) << c.flags;
        }
    }
}

TEST(Evaluation, AnnouncesTheDelayedWordOnTheConsole) {
    FlagTable table;
    FillFlagTable("Delayed delayed_eq 0", table, {});
    std::string console;
    ConditionFlags conditions;
    Evaluate(0, table, conditions, kNormal, [&](const std::string& text) { console += text; });
    EXPECT_EQ("check delayed reboot flag found\n", console);  // once: not for delayed_eq
}

TEST(Evaluation, AutonomicTranslation) {
    const std::pair<uint32_t, uint32_t> cases[] = {{0, 0}, {1, 0},   {2, 8},  {5, 2},
                                                   {6, 2}, {16, 16}, {3, 55}, {0x22030003, 55}};
    for (const auto& [result, translated] : cases) {
        EXPECT_EQ(translated, TranslateForAutonomic(result)) << result;
    }
}
