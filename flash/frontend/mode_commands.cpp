#include "flash/frontend/mode_commands.h"

#include <cstdio>

#include "flash/frontend/command_list.h"
#include "flash/frontend/console.h"
#include "flash/frontend/messages.h"
#include "flash/frontend/option_table.h"
#include "flash/frontend/version.h"

int AdvancedModeCommand(uint32_t, uint16_t*, uint32_t*) {
    UseAdvancedTable();
    MessageAt(kLevelReport, "\tAdvanced Mode Set\n\n");
    return 1;
}

int OmbraModeCommand(uint32_t, uint16_t*, uint32_t*) {
    MessageAt(kLevelReport, "\tOmbra Mode Set for SAST470 Detection\n\n");
    return 1;
}

int LogCommand(uint32_t, uint16_t*, uint32_t*) {
    const char* path = CurrentCommand()->string;
    FILE* log = std::fopen(path, "w");
    if (!log) return 0;
    std::fclose(log);
    StartLog(path);
    return 1;
}

int SilentCommand(uint32_t, uint16_t*, uint32_t*) {
    SetOutputMode(kModeSilent);
    return 1;
}

int DebugCommand(uint32_t, uint16_t*, uint32_t*) {
    SetOutputMode(kModeDebug);
    return 1;
}

int VerboseCommand(uint32_t, uint16_t*, uint32_t*) {
    SetOutputMode(kModeVerbose);
    return 1;
}

int VersionCommand(uint32_t, uint16_t*, uint32_t*) {
    MessageAt(kLevelReport, "\tTessel Version is: %s (%s) \n\n", kTesselVersion, kTesselDate);
    MessageAt(kLevelReport, "\tNVDATA Major Version supported: %04x \n\n",
              kNvdataMajorVersionSupported);
    return 1;
}

int HelpCommand(uint32_t, uint16_t*, uint32_t*) {
    ClearScreen();
    PagerReset();
    for (const HelpEntry& row : HelpTable()) {
        if (row.advancedOnly && !AdvancedTableCurrent()) continue;
        if (!PagerRoomFor(row.lineCount)) break;
        MessageAt(kLevelReport, "%s", row.text);
    }
    return 1;
}
