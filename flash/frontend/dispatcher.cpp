#include "flash/frontend/dispatcher.h"

#include "flash/adapters/adapter_list.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/messages.h"
#include "flash/frontend/option_table.h"

namespace {

CommandHandler FindHandler(uint32_t identifier) {
    const auto table = AdvancedTableCurrent() ? AdvancedOperationTable() : NormalOperationTable();
    for (const OperationEntry& entry : table) {
        if (entry.identifier == identifier) return entry.handler;
    }
    return nullptr;
}

// RAID-on-chip controllers are kept only when -ombramode is the first command that runs.
void ApplyAdapterFilter(uint32_t firstIdentifier) {
    if (!FilterAdapters(firstIdentifier == cmd::kOmbraMode)) SetNoAdapterMode();
}

}  // namespace

int RunCommands() {
    SelectAdapter(nullptr);
    int lastResult = 1;
    bool filtered = false;
    while (NextCommand()) {
        const uint32_t identifier = CurrentCommand()->identifier;
        if (!filtered) {
            ApplyAdapterFilter(identifier);
            filtered = true;
        }
        const CommandHandler handler = FindHandler(identifier);
        if (!handler) {
            MessageAt(kLevelReport, "\tOperation not found: %08X.\n", identifier);
            lastResult = 0;
            continue;
        }
        uint16_t iocStatus = 0;
        uint32_t iocLogInfo = 0;
        lastResult = handler(CurrentAdapterHandle(), &iocStatus, &iocLogInfo);
        if (lastResult == 0) {
            MessageAt(kLevelReport, "\tDue to error remaining commands will not be executed.\n");
            break;
        }
        if (iocStatus != 0) {
            MessageAt(kLevelReport,
                      "\tDue to Exception Command not Executed. IOCStatus=0x%x, IOCLogInfo=0x%x\n",
                      iocStatus, iocLogInfo);
        }
    }
    if (lastResult) {
        MessageAt(kLevelReport, "\nFinished Processing Commands Successfully.\n");
    } else {
        MessageAt(kLevelReport, "\tUnable to Process Commands.\n");
    }
    MessageAt(kLevelReport, "\tExiting Tessel.\n");
    SelectAdapter(nullptr);
    return lastResult;
}
