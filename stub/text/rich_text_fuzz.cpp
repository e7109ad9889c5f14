// Arbitrary text through the markup: every bold run must lie inside the plain text.
#include <cstdint>
#include <string_view>

#include "stub/text/box_layout.h"
#include "stub/text/rich_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RichText rich = ApplyMarkup(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const BoldRun& run : rich.bold)
        if (run.start > run.end || run.end > rich.plain.size()) __builtin_trap();
    size_t total = 0;
    for (std::string_view line : SplitLines(rich.plain)) total += line.size() + 2;
    if (total != rich.plain.size() + 2) __builtin_trap();
    return 0;
}
