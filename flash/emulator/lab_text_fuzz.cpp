// Fuzz target for the text a person writes into a lab: description files and hex page files.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "flash/emulator/lab_description.h"
#include "flash/emulator/lab_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    emu::TextProblem problem;
    emu::ControllerDescription description;
    emu::Machine machine;
    emu::ParseControllerDescription(text, &description, &problem);
    emu::ParseMachineDescription(text, &machine, &problem);

    // What the emulator writes back must read back the same.
    std::vector<uint8_t> bytes;
    if (emu::ParseHexBytes(text, &bytes, &problem)) {
        std::vector<uint8_t> again;
        if (!emu::ParseHexBytes(emu::FormatHexBytes(bytes, "fuzz"), &again, &problem) ||
            again != bytes) {
            std::abort();
        }
    }
    std::vector<emu::KeyValueLine> lines;
    if (emu::ParseKeyValueText(text, &lines, &problem)) {
        std::string updated = emu::ReplaceKeyValue(text, "ioc_state", "fault");
        std::vector<emu::KeyValueLine> after;
        if (!emu::ParseKeyValueText(updated, &after, &problem)) std::abort();
    }
    return 0;
}
