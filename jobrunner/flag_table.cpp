#include "jobrunner/flag_table.h"

#include <cstdint>
#include <limits>

#include "jobrunner/text_format.h"

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr size_t kLastRebootSlot = 8;
constexpr size_t kDelayedSlot = 9;

}  // namespace

int32_t ReadFlagNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                   : int64_t{std::numeric_limits<int32_t>::max()};
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) magnitude = limit;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

void FillFlagTable(std::string_view flagText, FlagTable& table, const ConsoleSink& console) {
    for (size_t order = 0; order < kFlagSearchOrder.size(); ++order) {
        const size_t slot = kFlagSearchOrder[order];
        const FlagSlot& entry = kFlagSlotCatalogue[slot];
        const size_t at = flagText.find(entry.word);
        if (at != std::string_view::npos) {
            const std::string_view rest = flagText.substr(at + entry.word.size());
            switch (entry.value) {
                case FlagValue::kNumber:
                    table.numbers[slot] = ReadFlagNumber(rest);
                    break;
                case FlagValue::kOne:
                    table.numbers[slot] = 1;
                    break;
                case FlagValue::kList:
                    table.omitList = std::string(rest.substr(0, rest.find(';')));
                    break;
            }
        }
        if (console && slot == kLastRebootSlot) {
            console(Format("Command = \"%s\" ....\n", std::string(flagText).c_str()));
        }
        if (console && slot == kDelayedSlot) {
            console(at != std::string_view::npos ? "... Delayed erkannt\n"
                                                 : "Delayed nicht erkannt\n");
        }
    }
}
