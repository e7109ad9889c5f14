#include "jobrunner/omit_list.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void EndWithRangeError() {
    errno = ERANGE;
    std::perror("strtoul");
    std::exit(1);
}

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The base-10 conversion to a 32-bit unsigned long: white space, sign (negating in unsigned
// arithmetic), digits. consumedAll tells whether anything but digits followed.
uint32_t ConvertUnsigned(std::string_view text, bool* consumedAll) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t firstDigit = i;
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (value > UINT32_MAX) EndWithRangeError();
    }
    // Without digits the conversion consumes nothing at all.
    *consumedAll = i == firstDigit ? text.empty() : i == text.size();
    const uint32_t magnitude = static_cast<uint32_t>(value);
    return negative ? 0u - magnitude : magnitude;
}

int32_t ItemValue(std::string item) {
    for (char& c : item) {
        if (c == '"' || c == '\t' || c == '\n') c = ' ';
    }
    const size_t last = item.find_last_not_of(' ');
    item.erase(last == std::string::npos ? 0 : last + 1);
    item.erase(0, item.find_first_not_of(' '));
    const bool negated = !item.empty() && item[0] == '-';
    bool consumedAll = false;
    uint32_t value = ConvertUnsigned(std::string_view(item).substr(negated ? 1 : 0), &consumedAll);
    if (!consumedAll) value = UINT32_MAX;
    return static_cast<int32_t>(negated ? 0u - value : value);
}

}  // namespace

bool OmitListContains(std::string_view list, int32_t code) {
    bool found = false;
    // Every item is converted, so a bad number ends the run whichever item matches.
    for (size_t start = 0; start <= list.size();) {
        size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) comma = list.size();
        std::string item(list.substr(start, comma - start));
        if (item.find_first_not_of(" \"\t\n") != std::string::npos && ItemValue(item) == code) {
            found = true;
        }
        start = comma + 1;
    }
    return found;
}
