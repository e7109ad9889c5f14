#include "flash/frontend/parser.h"

#include <cstring>

#include "flash/frontend/command_list.h"
#include "flash/frontend/dispatcher.h"
#include "flash/frontend/file_table.h"
#include "flash/frontend/memory.h"
#include "flash/frontend/messages.h"
#include "flash/frontend/number_parsing.h"
#include "flash/frontend/option_table.h"

namespace {

constexpr size_t kArgumentMax = kArgumentBufferSize - 3;

int ExitProgram() {
    MessageShow("\tExiting Program.\n");
    return 0;
}

bool TooLong(const char* argument) {
    if (std::strlen(argument) <= kArgumentMax) return false;
    MessageShow("\tERROR: Argument longer than %zu characters: %.40s...\n", kArgumentMax, argument);
    return true;
}

void StoreString(CommandRecord* record, const char* text) {
    const size_t length = std::strlen(text);
    const size_t kept = length <= kCommandStringSize - 2 ? length : kCommandStringSize - 1;
    std::memcpy(record->string, text, kept);
    record->string[kept] = '\0';
}

// One argument of nibble's kind into position (0-based). False when the option's syntax error
// must follow.
bool ConvertArgument(CommandRecord* record, uint32_t nibble, int position, const char* text) {
    const uint32_t kind = nibble & kArgKindMask;
    if (position > 2) return false;
    if (kind == kArgNumber) {
        NumberArgument& number = record->number[position];
        bool ok = (nibble & kArgBinaryOrDecimal)
                      ? ParseDecimalNumber(text, &number.value)
                      : ParseHexNumber(text, &number.value, &number.high);
        if (!ok) MessageShow("\tERROR: Input string is not a valid integer: %s\n", text);
        return ok;
    }
    if (kind == kArgString) {
        StoreString(record, text);
        return true;
    }
    if (kind == kArgFile) {
        char mode[3] = {(nibble & kArgFileWrite) ? 'w' : 'r', '\0', '\0'};
        if (nibble & kArgBinaryOrDecimal) mode[1] = 'b';
        return OpenFileArgument(record, position, text, mode);
    }
    return false;
}

}  // namespace

bool OpenFileArgument(CommandRecord* record, int position, const char* name, const char* mode) {
    FilePosition& file = record->file[position];
    uint32_t size = 0;
    const int slot = FileSlotOpen(name, mode, &size);
    if (slot < 0) {
        MessageShow("\tERROR: Could not open file: %s:\n", name);
        return false;
    }
    file.slot = static_cast<uint32_t>(slot);
    file.size = size;
    if (mode[0] != 'r' || position > 1) return true;
    auto* content = static_cast<uint8_t*>(AllocTracked(size));
    if (!content || !FileSlotRead(slot, size, content)) return false;
    file.content = content;
    return true;
}

int ParseAndRun(unsigned argumentCount, const char* const* arguments) {
    char current[kArgumentBufferSize];
    unsigned next = 1;
    while (next < argumentCount) {
        const char* argument = arguments[next++];
        if (TooLong(argument)) return ExitProgram();
        std::strcpy(current, argument);

        const uint32_t identifier = LookupOption(current);
        if (identifier == 0) {
            MessageShow("\tERROR:  Invalid command %s\n\n", current);
            return ExitProgram();
        }
        switch (AddCommand(identifier)) {
            case kAddFiled:
                break;
            case kAddDuplicate:
                MessageShow(
                    "\tERROR: Couldn't Create Command %s:\n\tDuplicate commands are not "
                    "allowed.\n",
                    current);
                return ExitProgram();
            case kAddSecondAdapterChoice:
                MessageShow(
                    "\tERROR: Couldn't Create Command %s:\n\tOnly one adapter choice allowed.\n",
                    current);
                return ExitProgram();
            default:
                MessageShow("\tERROR: Couldn't Create Command %s\n", current);
                return ExitProgram();
        }

        CommandRecord* record = CurrentCommand();
        const uint32_t spec = FindCommandEntry(identifier)->argumentSpec;
        const uint32_t count = spec & 0xF;
        for (uint32_t i = 1; i <= count; ++i) {
            bool converted = false;
            if (next >= argumentCount) {
                MessageShow("\tERROR: Insufficient arguments specified:\n");
            } else if (!TooLong(arguments[next])) {
                converted = ConvertArgument(record, (spec >> (4 * i)) & 0xF,
                                            static_cast<int>(i) - 1, arguments[next++]);
            }
            if (!converted) {
                MessageShow("\tSyntax Error see Command Usage below:\n\n");
                MessageShow("%s\n", HelpText(identifier));
                return ExitProgram();
            }
        }
    }
    return RunCommands() ? 1 : 0;
}
