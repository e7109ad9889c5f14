#include "flash/images/ombra_flash.h"

#include <vector>

#include "flash/adapters/adapter_list.h"
#include "flash/adapters/chip_name.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/file_table.h"
#include "flash/frontend/messages.h"
#include "flash/images/common_boot_block.h"
#include "flash/images/image_buffer.h"
#include "flash/images/raid_on_chip_flash.h"

namespace {

bool FlashOmbraImage(uint32_t handle, FirmwareImage file, uint16_t* iocStatus,
                     uint32_t* iocLogInfo) {
    if (ImageWord(file, 0) != kT470Signature) {
        MessageAt(kLevelError, "\tERROR: Firmware Image does not have a valid signature.\n\n");
        return false;
    }
    MessageAt(kLevelReport, "\t\tFirmware Image has a Valid Signature\n\n");
    uint32_t length = uint32_t(file.length);
    std::vector<uint8_t> cbb;
    const char* problem = nullptr;
    if (!ExtractOmbraBootBlock(file.data, &length, &cbb, &problem)) {
        ReportDamagedImage(problem);
        return false;
    }
    if (!cbb.empty() &&
        !UpdateCommonBootBlock(handle, cbb.data(), cbb.size(), iocStatus, iocLogInfo))
        return false;
    MessageAt(kLevelReport, "\t\tBeginning Ombra Firmware Download\n\n");
    if (!DownloadImage(handle, kImageTypeOmbraFirmware, file.data, length, iocStatus, iocLogInfo))
        return false;
    MessageAt(kLevelReport, "\t\tOmbra Firmware Flash: SUCCESSFUL!\n\n");
    return true;
}

}  // namespace

int FlashOmbraFirmware(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\tExecuting Operation: Flash Ombra Firmware\n\n");
    const AdapterRecord* adapter = CurrentAdapter();
    if (!adapter || !IsRaidOnChip(adapter->pciDeviceId)) {
        MessageAt(kLevelError, "\tERROR: Adapter does not support flashing Ombra firmware!\n\n");
        return 0;
    }
    const FilePosition& file = CurrentCommand()->file[0];
    if (file.slot == 0 || file.size == 0) return 0;
    ImageBuffer image;
    if (!image.Allocate(file.size) || !FileSlotRead(int(file.slot), file.size, image.data())) {
        MessageAt(kLevelError, "\t\tERROR: Unable to read from file.\n");
        return 0;
    }
    if (!FlashOmbraImage(handle, image.image(), iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "\t\tOmbra Firmware Flash: FAILED!\n\n");
        return 0;
    }
    return 1;
}
