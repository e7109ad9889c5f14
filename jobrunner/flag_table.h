// The FlagTable: 25 slots filled by flag lines, and the catalogue that says, per slot, which word
// fills it and what the evaluation tests and does with it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "jobrunner/condition_flags.h"

constexpr size_t kFlagSlots = 25;
constexpr size_t kOmitListSlot = 23;

enum class FlagValue { kNumber, kOne, kList };
enum class FlagTest { kNotEqual, kEqual, kGreater, kLess, kAlways, kInList };
enum class FlagEffect { kAbort, kReboot, kDelayed, kDelayedAnnounced, kOmit, kCondition };

struct FlagSlot {
    std::string_view word;  // trailing space included where the Part spells it so
    FlagValue value;
    FlagTest test;
    FlagEffect effect;
    bool ConditionFlags::*condition;  // set when the test holds; may be null
};

inline constexpr std::array<FlagSlot, kFlagSlots> kFlagSlotCatalogue = {{
    {"abort_ne ", FlagValue::kNumber, FlagTest::kNotEqual, FlagEffect::kAbort, nullptr},
    {"abort_eq ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kAbort, nullptr},
    {"abort_gt ", FlagValue::kNumber, FlagTest::kGreater, FlagEffect::kAbort, nullptr},
    {"abort_lt ", FlagValue::kNumber, FlagTest::kLess, FlagEffect::kAbort, nullptr},
    {"Reboot", FlagValue::kOne, FlagTest::kAlways, FlagEffect::kReboot, nullptr},
    {"reboot_ne ", FlagValue::kNumber, FlagTest::kNotEqual, FlagEffect::kReboot, nullptr},
    {"reboot_eq ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kReboot, nullptr},
    {"reboot_gt ", FlagValue::kNumber, FlagTest::kGreater, FlagEffect::kReboot, nullptr},
    {"reboot_lt ", FlagValue::kNumber, FlagTest::kLess, FlagEffect::kReboot, nullptr},
    {"Delayed", FlagValue::kOne, FlagTest::kAlways, FlagEffect::kDelayedAnnounced, nullptr},
    {"delayed_ne ", FlagValue::kNumber, FlagTest::kNotEqual, FlagEffect::kDelayed, nullptr},
    {"delayed_eq ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kDelayed, nullptr},
    {"delayed_gt ", FlagValue::kNumber, FlagTest::kGreater, FlagEffect::kDelayed, nullptr},
    {"delayed_lt ", FlagValue::kNumber, FlagTest::kLess, FlagEffect::kDelayed, nullptr},
    {"omit_update_eq ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kOmit, nullptr},
    {"not_supported_SubSys ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kCondition,
     &ConditionFlags::subsystem},
    {"no_adequate_HW ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kCondition,
     &ConditionFlags::hardware},
    {"not_supported_OS ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kCondition,
     &ConditionFlags::operatingSystem},
    {"kernel_module_missing ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kCondition,
     &ConditionFlags::kernelModule},
    {"pkg_missing ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kCondition,
     &ConditionFlags::package},
    {"incorrect_target_system ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kCondition,
     &ConditionFlags::targetSystem},
    {"bitlocker_blocked ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kCondition,
     &ConditionFlags::diskEncryption},
    {"txt_blocked ", FlagValue::kNumber, FlagTest::kEqual, FlagEffect::kCondition,
     &ConditionFlags::trustedExecution},
    {"omit_ret_codes ", FlagValue::kList, FlagTest::kInList, FlagEffect::kOmit,
     &ConditionFlags::omitMatched},
    {"not_omit_flags ", FlagValue::kOne, FlagTest::kEqual, FlagEffect::kCondition,
     &ConditionFlags::notOmit},
}};

// Slot order, except that the omit list is searched right after "omit_update_eq " and
// "not_omit_flags " right after "pkg_missing "; the order only shows in the debug lines.
inline constexpr std::array<uint8_t, kFlagSlots> kFlagSearchOrder = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 23, 15, 16, 17, 18, 19, 24, 20, 21, 22};

struct FlagTable {
    std::array<std::optional<int32_t>, kFlagSlots> numbers;  // slot 23 unused here
    std::optional<std::string> omitList;                     // slot 23

    bool Filled(size_t slot) const {
        return slot == kOmitListSlot ? omitList.has_value() : numbers[slot].has_value();
    }
};

using ConsoleSink = std::function<void(const std::string&)>;

// Fills the slots of every flag word found in a flag text. The debug lines go to console when
// it is set.
void FillFlagTable(std::string_view flagText, FlagTable& table, const ConsoleSink& console);

// A C decimal conversion of the characters at the start of text: white space, sign, digits.
// Values beyond 32 bits saturate, as the conversion does where long has 32 bits.
int32_t ReadFlagNumber(std::string_view text);
