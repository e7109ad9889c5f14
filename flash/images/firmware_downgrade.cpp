#include "flash/images/firmware_downgrade.h"

#include <cstring>

#include "flash/adapters/adapter_list.h"
#include "flash/adapters/chip_name.h"
#include "flash/adapters/ioc_calls.h"
#include "flash/adapters/ioc_state.h"
#include "flash/adapters/platform_hooks.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/messages.h"
#include "flash/images/firmware_validation.h"
#include "flash/images/flash_firmware.h"
#include "flash/images/image_buffer.h"

namespace {

// The regions that hold firmware images and their NVDATA.
constexpr uint32_t kFirmwareRegionsMask = 0x3C000000;

// An older NVDATA layout cannot be written over a newer one; the regions are wiped first.
bool NeedsErase(FirmwareImage file, uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    NvdataIdentity fileIdentity;
    ReadIdentity(file, &fileIdentity);
    if ((IocState(handle) & MPI_IOC_STATE_MASK) != MPI_IOC_STATE_OPERATIONAL) return false;
    UploadedImage running;
    if (!running.Upload(handle, MPI_FW_UPLOAD_ITYPE_FW_FLASH, iocStatus, iocLogInfo)) return false;
    NvdataIdentity runningIdentity;
    ReadIdentity(running.image(), &runningIdentity);
    return (fileIdentity.version >> 8) < (runningIdentity.version >> 8);
}

bool EraseAndReset(uint32_t handle) {
    const AdapterRecord* adapter = CurrentAdapter();
    if (adapter && IsRaidOnChip(adapter->pciDeviceId)) {
        MessageAt(kLevelError,
                  "\t\tERROR: Firmware Downgrade with Erase not supported in SAST470!\n\n");
        return false;
    }
    MessageAt(kLevelReport, "\t\tErasing existing firmware image information\n\n");
    uint16_t status = 0;
    if (!IocEraseFlash(handle, kFirmwareRegionsMask, &status)) {
        MessageAt(kLevelError, "\t\tFailed to erase existing firmware image!\n\n");
        return false;
    }
    if (status != 0) {
        MessageAt(kLevelError, "\t\tErase Flash Command not Supported on this platform.\n\n");
        return false;
    }
    MessageAt(kLevelReport, "\t\tErase Flash Operation Successful!\n\n\t\tResetting Adapter:\n\n");
    if (!IocHardReset(handle)) {
        MessageAt(kLevelError, "\t\tAdapter Reset FAILED!\n\n");
        return false;
    }
    MessageAt(kLevelReport, "\t\tAdapter Reset Successful!\n");
    return true;
}

bool Downgrade(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    const FilePosition& file = CurrentCommand()->file[0];
    if (file.slot == 0) return false;
    MessageAt(kLevelDebug, "Firmware File Handle: %08X\n", file.slot);
    if (file.size == 0) {
        MessageAt(kLevelError, "\t\tERROR: file size is zero or invalid.\n");
        return false;
    }
    MessageAt(kLevelDebug, "Firmware File Size: %08X\n", file.size);
    ImageBuffer image;
    if (!image.Allocate(file.size)) {
        MessageAt(kLevelError, "\t\tERROR: Unable to allocate buffer.\n");
        return false;
    }
    if (!file.content) {
        MessageAt(kLevelError, "\t\tERROR: Unable to read from file.\n");
        return false;
    }
    std::memcpy(image.data(), file.content, file.size);

    if (!ValidateFirmwareImageDowngrade(image.data(), image.length(), handle, iocStatus,
                                        iocLogInfo)) {
        MessageAt(kLevelError, "\t\tFailed to validate firmware image to flash!\n\n");
        return false;
    }
    if (NeedsErase(image.image(), handle, iocStatus, iocLogInfo) && !EraseAndReset(handle))
        return false;
    return FlashFirmware(handle, image.data(), image.length(), iocStatus, iocLogInfo);
}

}  // namespace

int FlashFirmwareDowngrade(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\tExecuting Operation: Flash Firmware Downgrade\n\n");
    if (!Downgrade(handle, iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "\t\tFirmware Downgrade FAILED!\n\n");
        return 0;
    }
    MessageAt(kLevelReport, "\t\tFirmware Downgrade Successful!\n\n");
    return 1;
}
