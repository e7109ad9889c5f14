#include "jobrunner/flag_table.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// The filled slots as slot -> value; the omit list shows as slot 23 with its text.
std::map<size_t, std::string> Filled(const FlagTable& table) {
    std::map<size_t, std::string> out;
    for (size_t slot = 0; slot < kFlagSlots; ++slot) {
        if (slot == kOmitListSlot) {
            if (table.omitList) out[slot] = *table.omitList;
        } else if (table.numbers[slot]) {
            out[slot] = std::to_string(*table.numbers[slot]);
        }
    }
    return out;
}

}  // namespace

TEST(FlagTable, WordsAnywhereFillTheirSlots) {
    const struct {
        const char* text;
        std::map<size_t, std::string> slots;
    } cases[] = {
        {"delayed_eq 1 abort_gt 1", {{11, "1"}, {2, "1"}}},
        {"abort_gt 1 delayed_eq 1", {{11, "1"}, {2, "1"}}},
        {"abort_ne 0", {{0, "0"}}},
        {"reboot_eq \t -3x", {{6, "-3"}}},
        {"abort_lt +7", {{3, "7"}}},
        {"abort_gt abc", {{2, "0"}}},
        {"abort_gt 99999999999", {{2, "2147483647"}}},
        {"abort_gt -99999999999", {{2, "-2147483648"}}},
        {"abort_eq 1 and abort_eq 2", {{1, "1"}}},  // only the first occurrence counts
        {"abort_eq", {}},                           // the word includes its space
        {"reboot_eq 3", {{6, "3"}}},                // not "Reboot": the case differs
        {"NoRebootNeeded", {{4, "1"}}},             // found inside a longer word
        {"UnDelayedX", {{9, "1"}}},
        {"reboot delayed", {}},
        {"not_omit_flags ", {{24, "1"}}},
        {"not_omit_flags", {}},
        {"omit_ret_codes 3010, 1641; abort_gt 0", {{23, "3010, 1641"}, {2, "0"}}},
        {"omit_ret_codes 5,6", {{23, "5,6"}}},
        {"omit_update_eq 3 reboot_eq 3", {{14, "3"}, {6, "3"}}},
        {"no_adequate_HW 4 not_supported_OS 5 not_supported_SubSys 6 kernel_module_missing 7 "
         "pkg_missing 8 incorrect_target_system 9 bitlocker_blocked 10 txt_blocked 11",
         {{16, "4"},
          {17, "5"},
          {15, "6"},
          {18, "7"},
          {19, "8"},
          {20, "9"},
          {21, "10"},
          {22, "11"}}},
        {"reboot_ne 1 reboot_gt 2 reboot_lt 3 delayed_ne 4 delayed_gt 5 delayed_lt 6",
         {{5, "1"}, {7, "2"}, {8, "3"}, {10, "4"}, {12, "5"}, {13, "6"}}},
    };
    for (const auto& c : cases) {
        FlagTable table;
        FillFlagTable(c.text, table, {});
        EXPECT_EQ(c.slots, Filled(table)) << c.text;
    }
}

TEST(FlagTable, LaterLinesReplaceValuesAndListsWhole) {
    FlagTable table;
    FillFlagTable("abort_gt 1 omit_ret_codes 1,2,3,4,5,6;", table, {});
    FillFlagTable("abort_gt 5", table, {});
    FillFlagTable("omit_ret_codes 9", table, {});
    EXPECT_EQ((std::map<size_t, std::string>{{2, "5"}, {23, "9"}}), Filled(table));
}

TEST(FlagTable, DebugLinesFollowTheRebootWords) {
    std::string console;
    const ConsoleSink sink = [&](const std::string& text) { console += text; };
    FlagTable table;
    FillFlagTable("Delayed abort_gt 1", table, sink);
    FillFlagTable("abort_gt 2", table, sink);
    EXPECT_EQ(
        "Command = \"Delayed abort_gt 1\" ....\n... Delayed erkannt\n"
        "Command = \"abort_gt 2\" ....\nDelayed nicht erkannt\n",
        console);
}
