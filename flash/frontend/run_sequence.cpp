#include "flash/frontend/run_sequence.h"

#include <cstring>

#include "flash/adapters/ioc_state.h"
#include "flash/frontend/command_file.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/file_table.h"
#include "flash/frontend/memory.h"
#include "flash/frontend/messages.h"
#include "flash/frontend/option_table.h"
#include "flash/frontend/parser.h"
#include "flash/frontend/version.h"
#include "flash/pal/pal.h"

namespace {

constexpr const char* kStars =
    "****************************************************************************";

void PrintBanner() {
    MessageShow("\n %s", kStars);
    MessageShow("\n    Kelmar Corporation TESSEL Utility.\n");
    MessageShow("\n    Tessel Version %s (%s) \n", kTesselVersion, kTesselDate);
    MessageShow("    Copyright (c) 2006-2012 Kelmar Corporation. All rights reserved.\n");
    MessageShow("\n %s\n\n", kStars);
}

uint8_t ParseAndRunCommandFile(const char* name) {
    static CommandFileTokens tokens;
    if (!ReadCommandFile(name, &tokens)) return 0;
    // Token k stands where argument k would; slot 0 is never read.
    const char* arguments[kMaxCommandFileTokens + 1] = {"@"};
    for (int k = 0; k < tokens.count; ++k) arguments[k + 1] = tokens.tokens[k];
    return ParseAndRun(static_cast<unsigned>(tokens.count + 1), arguments) ? 1 : 0;
}

uint8_t RunArguments(uint16_t argumentCount, const char* const* arguments) {
    if (argumentCount > 2) return ParseAndRun(argumentCount, arguments) ? 1 : 0;
    if (argumentCount < 2) return 0;
    const char* option = arguments[1];
    if (std::strncmp(option, "-o", 2) == 0) return 0;
    if (option[0] == '@') {
        if (option[1] == '\0') {
            MessageShow("\tSyntax Error see Command Usage below:\n\n");
            MessageShow("%s\n", HelpText(cmd::kCommandFileHelp));
            MessageShow("\tExiting Program.\n");
            return 0;
        }
        return ParseAndRunCommandFile(option + 1);
    }
    return ParseAndRun(argumentCount, arguments) ? 1 : 0;
}

}  // namespace

bool StartupStep() {
    FileTableInit();
    IocStateTableInit();
    StopLog();
    if (PalCreate() != PAL_OK) return false;
    uint32_t version[3] = {8, 0, 0};
    return PalGetVersion(version) == PAL_OK;
}

EnumerationResult EnumerationStep(bool palReady) {
    return EnumerateAdapters(palReady);
}

uint8_t RunStep(uint16_t argumentCount, const char* const* arguments, bool palReady,
                EnumerationResult adapters) {
    PrintBanner();
    ResetRunState();
    uint8_t result;
    if (!palReady) {
        MessageShow("\tERROR: Failed to initialize PAL.  Exiting Program.\n");
        result = 0;
    } else if (adapters == EnumerationResult::kTooMany) {
        MessageShow("\tERROR: More than %d Kelmar SAS adapters found; Tessel handles at most %d.\n",
                    kMaxAdapters, kMaxAdapters);
        MessageShow("\tExiting Program.\n");
        result = 0;
    } else if (adapters == EnumerationResult::kNone) {
        MessageShow("\tNo Kelmar SAS adapters found! Limited Command Set Available!\n");
        SetNoAdapterMode();
        result = ParseAndRun(argumentCount, arguments) ? 1 : 0;
    } else {
        result = RunArguments(argumentCount, arguments);
    }
    FreeAllTracked();
    return result;
}

int TesselMain(int argc, const char* const* argv) {
    const bool palReady = StartupStep();
    const EnumerationResult adapters = EnumerationStep(palReady);
    const uint8_t result = RunStep(static_cast<uint16_t>(argc), argv, palReady, adapters);
    return result ? 0 : 1;
}
