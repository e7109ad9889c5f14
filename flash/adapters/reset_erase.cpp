#include "flash/adapters/reset_erase.h"

#include "flash/adapters/adapter_list.h"
#include "flash/adapters/chip_name.h"
#include "flash/adapters/ioc_calls.h"
#include "flash/adapters/platform_hooks.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/messages.h"

namespace {

constexpr EraseOption kEraseOptions[] = {
    {1, 0x00000001, "\t\tThere will be a slight pause while the NVSRAM is erased.\n\n"},
    {2, 0x08000000,
     "\t\tThere will be a slight pause while the\n\t\tbackup firmware is erased.\n\n"},
    {3, 0x20000000,
     "\t\tThere will be a slight pause while the\n\t\tPersistent Pages are erased.\n\n"},
    {4, 0x40000000,
     "\t\tThere will be a slight pause while the\n\t\tManufacturing Area are erased.\n\n"},
    {5, 0x80000000,
     "\t\tThere will be a slight pause while the\n\t\tBoot Services are erased.\n\n"},
    {6, 0x00000004,
     "\t\tThere will be a slight pause while the\n\t\tMPI_TOOLBOX_CLEAN_FLASH is being "
     "performed.\n\n"},
    {7, 0xC0000004,
     "\t\tThere will be a slight pause while the\n\t\tentire flash is being erased.\n\n"},
};
constexpr EraseOption kInvalidEraseOption = {0, 0, "\t\tERROR: Not a valid erase option.\n\n"};

// Erasing the persistent pages or the manufacturing area leaves the running firmware intact.
bool ResetAfterErase(uint8_t option) {
    return option != 3 && option != 4;
}

}  // namespace

const EraseOption& FindEraseOption(uint8_t option) {
    for (const EraseOption& row : kEraseOptions) {
        if (row.option == option) return row;
    }
    return kInvalidEraseOption;
}

int ResetCommand(uint32_t handle, uint16_t*, uint32_t*) {
    MessageAt(kLevelReport, "\tExecuting Operation: Reset Adapter\n\n");
    if (IocHardReset(handle)) {
        MessageAt(kLevelReport, "\t\tAdapter Successfully reset.\n\n");
    } else {
        MessageAt(kLevelReport, "\t\tAdapter reset Failed!.\n\n");
    }
    return 1;
}

int EraseCommand(uint32_t handle, uint16_t* iocStatus, uint32_t*) {
    MessageAt(kLevelReport, "\tExecuting Operation: Erase Flash\n\n");
    const uint8_t option = static_cast<uint8_t>(CurrentCommand()->number[0].value & 0xFF);
    const EraseOption& erase = FindEraseOption(option);
    MessageAt(kLevelReport, "%s", erase.line);

    uint16_t status = 0;
    const bool called = IocEraseFlash(handle, erase.regionMask, &status) != 0;
    if (called && status == 0) {
        MessageAt(kLevelReport, "\t\tErase Flash Operation Successful!\n\n");
        const AdapterRecord* adapter = CurrentAdapter();
        const bool raidOnChip = adapter && IsRaidOnChip(adapter->pciDeviceId);
        if (ResetAfterErase(option) && !raidOnChip) {
            MessageAt(kLevelReport, "\t\tResetting Adapter:\n");
            if (IocHardReset(handle)) MessageAt(kLevelReport, "\t\tReset Successful!\n\n");
        }
    } else {
        MessageAt(kLevelReport, "\t\tErase Flash Command not Supported on this platform.\n\n");
    }
    // Reported, not failed: the dispatcher prints its exception line and goes on.
    *iocStatus = status;
    return 1;
}

int ClearPersistentCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    const uint32_t option = CurrentCommand()->number[0].value;
    if (option != 1 && option != 2) return 0;
    return IocClearPersistentTable(handle, option, iocStatus, iocLogInfo);
}
