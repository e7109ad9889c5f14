#include "flash/frontend/all_adapters.h"

#include "flash/adapters/adapter_list.h"
#include "flash/adapters/chip_name.h"
#include "flash/adapters/ioc_calls.h"
#include "flash/adapters/selection.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/messages.h"

// Each loop leaves the last adapter of the list current.

int FirmwareAllLoop(PerAdapterOperation flashFirmware) {
    const CommandRecord& command = *CurrentCommand();
    for (AdapterRecord* a = FirstAdapter(); a; a = a->next) {
        SelectAdapter(a);
        MessageAt(kLevelReport, "\n\tAttempting to flash firmware to Kelmar SAS %s:\n\n",
                  ChipName(a));
        flashFirmware(a->handle, command);
    }
    return 1;
}

int BiosAllLoop(PerAdapterOperation flashBios) {
    const CommandRecord& command = *CurrentCommand();
    for (AdapterRecord* a = FirstAdapter(); a; a = a->next) {
        SelectAdapter(a);
        const bool operational = CheckOperational();
        MessageAt(kLevelReport, "\n\tAttempting to flash Boot Service to Kelmar SAS %s:\n\n",
                  ChipName(a));
        if (operational) {
            flashBios(a->handle, command);
        } else {
            MessageAt(kLevelReport,
                      "\n\tSkipping Controller Kelmar SAS %s it is not operational!\n\n",
                      ChipName(a));
        }
    }
    return 1;
}

int ResetAllCommand(uint32_t, uint16_t*, uint32_t*) {
    for (AdapterRecord* a = FirstAdapter(); a; a = a->next) {
        SelectAdapter(a);
        MessageAt(kLevelReport, "\n\tAttempting to Reset adapter Kelmar SAS %s:\n\n", ChipName(a));
        if (IocHardReset(a->handle)) {
            MessageAt(kLevelReport, "\t\tAdapter Successfully reset.\n\n");
        } else {
            MessageAt(kLevelReport, "\t\tAdapter reset Failed!.\n\n");
        }
    }
    return 1;
}
