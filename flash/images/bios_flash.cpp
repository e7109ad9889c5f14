#include "flash/images/bios_flash.h"

#include <cstring>

#include "flash/adapters/adapter_list.h"
#include "flash/frontend/all_adapters.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/memory.h"
#include "flash/frontend/messages.h"
#include "flash/images/bios_merge.h"
#include "flash/images/bios_rom_chain.h"
#include "flash/images/bios_validation.h"
#include "flash/images/vpd_version.h"

namespace {

const AdapterRecord* AdapterWithHandle(uint32_t handle) {
    for (const AdapterRecord* a = FirstAdapter(); a; a = a->next) {
        if (a->handle == handle) return a;
    }
    return nullptr;
}

int FlashBiosOnAdapter(uint32_t handle, const CommandRecord& command) {
    uint16_t iocStatus = 0;
    uint32_t iocLogInfo = 0;
    return FlashBios(handle, command, false, &iocStatus, &iocLogInfo) ? 1 : 0;
}

}  // namespace

bool FlashBios(uint32_t handle, const CommandRecord& command, bool alternate, uint16_t* iocStatus,
               uint32_t* iocLogInfo) {
    const FilePosition& file = command.file[0];
    const AdapterRecord* adapter = AdapterWithHandle(handle);
    if (!adapter) return false;
    if (!file.content || file.size == 0) {
        MessageAt(kLevelError, "\t\tERROR: BIOS Image file is empty.\n\n");
        return false;
    }
    // The copy is patched (device id) while the command's file stays as it was read.
    auto* image = static_cast<uint8_t*>(AllocZeroed(file.size));
    if (!image) {
        MessageAt(kLevelError, "\t\tERROR: Not enough memory for the BIOS Image.\n\n");
        return false;
    }
    std::memcpy(image, file.content, file.size);

    bool result = ValidateBiosImage(image, file.size, adapter->pciDeviceId, alternate);
    if (result) {
        MessageAt(kLevelReport, "\t\tAttempting to Flash BIOS Image. . .\n\n");
        result =
            MergeBiosRegion(image, file.size, handle, adapter->pciDeviceId, iocStatus, iocLogInfo);
        if (result) {
            MessageAt(kLevelReport, "\t\tBIOS Flash: SUCCESSFUL!\n\n");
            UpdateVpdVersion(
                handle, kVpdVersionBios,
                BiosImageVersion(ByteSpan(image, file.size), kCodeTypeEfi, adapter->pciDeviceId));
        } else {
            MessageAt(kLevelReport, "\t\tBIOS Flash: FAILED!\n\n");
        }
    }
    FreeCounted(image);
    return result;
}

int FlashBiosCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\tExecuting Operation: Flash BIOS Image\n\n");
    return FlashBios(handle, *CurrentCommand(), false, iocStatus, iocLogInfo) ? 1 : 0;
}

int FlashBiosAlternateCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\tExecuting Operation: Flash BIOS Alternate Image\n\n");
    return FlashBios(handle, *CurrentCommand(), true, iocStatus, iocLogInfo) ? 1 : 0;
}

int BiosAllCommand(uint32_t, uint16_t*, uint32_t*) {
    return BiosAllLoop(FlashBiosOnAdapter);
}
