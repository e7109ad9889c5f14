#include "flash/images/raid_on_chip_flash.h"

#include <vector>

#include "flash/adapters/ioc_calls.h"
#include "flash/adapters/ioc_state.h"
#include "flash/adapters/platform_hooks.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/messages.h"
#include "flash/images/common_boot_block.h"
#include "flash/images/firmware_image.h"
#include "flash/images/firmware_validation.h"

namespace {

// Answers of IocReadBootRecord.
constexpr int kBootRecordNormal = 0;
constexpr int kBootRecordHostBoot = 1;
constexpr int kBootRecordUnreadable = 3;

const char kSbrSet[] =
    "\t\tSBR Successfully set!\n\t\tPOWER CYCLE MACHINE FOR CHANGES TO TAKE EFFECT!\n\n";

bool SplitOrReport(uint8_t* image, uint32_t* length, std::vector<uint8_t>* cbb) {
    const char* problem = nullptr;
    if (SplitCommonBootBlock(image, length, cbb, &problem)) return true;
    ReportDamagedImage(problem);
    return false;
}

bool FlashRunning(uint32_t handle, uint8_t* image, uint32_t length, uint16_t* iocStatus,
                  uint32_t* iocLogInfo) {
    std::vector<uint8_t> cbb;
    if (!SplitOrReport(image, &length, &cbb)) return false;
    MessageAt(kLevelReport, "\t\tBeginning Firmware Download\n");
    bool result =
        DownloadImage(handle, MPI_FW_UPLOAD_ITYPE_FW_FLASH, image, length, iocStatus, iocLogInfo);
    if (result && !cbb.empty())
        result = UpdateCommonBootBlock(handle, cbb.data(), cbb.size(), iocStatus, iocLogInfo);
    if (!result) return false;
    MessageAt(kLevelReport, "\t\tFirmware Download: SUCCESSFUL!\n\t\tResetting Adapter:\n");
    if (IocHardReset(handle)) MessageAt(kLevelReport, "\t\tAdapter Successfully reset.\n\n");
    return true;
}

bool HostBootAndFlash(uint32_t handle, uint8_t* image, uint32_t length, uint16_t* iocStatus,
                      uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\t\tSBR Set to Host Boot Starting Host Boot. . .\n\n");
    const FirmwareImage file{image, length};
    const size_t init = FindInitImage(file);
    if (!init) return false;
    const size_t bootloader = FindBootloaderImage(file);
    if (!bootloader) return false;
    const FirmwareImage boot = ExtendedImageAt(file, bootloader);
    const FirmwareImage initialization = ExtendedImageAt(file, init);
    if (!IocHostBoot(boot.data, uint32_t(boot.length), initialization.data,
                     uint32_t(initialization.length)))
        return false;
    MessageAt(kLevelReport, "\t\tHost Boot Successful!\n");

    std::vector<uint8_t> cbb;
    if (!SplitOrReport(image, &length, &cbb)) return false;
    MessageAt(kLevelReport, "\t\tBeginning Firmware Download\n");
    const bool result =
        DownloadImage(handle, MPI_FW_UPLOAD_ITYPE_FW_FLASH, image, length, iocStatus, iocLogInfo);
    if (result && !cbb.empty()) {
        MessageAt(kLevelReport, "\t\tDownloading Common Boot Block Image\n");
        if (!DownloadImage(handle, MPI_FW_UPLOAD_ITYPE_COMMON_BOOT_BLOCK, cbb.data(),
                           uint32_t(cbb.size()), iocStatus, iocLogInfo))
            return false;
    }
    MessageAt(result ? kLevelReport : kLevelError, result ? "\t\tFirmware Download: SUCCESSFUL!\n\n"
                                                          : "\t\tFirmware Download: FAILED!\n\n");
    MessageAt(kLevelReport, "\t\tResetting SBR to Boot Normal. . .\n");
    MessageAt(kLevelReport, "%s", IocSetNormalBootRecord() ? kSbrSet : "\t\tSBR Set Failed.\n\n");
    return result;
}

// Without firmware the chip can only be started from the host, as its boot record says.
bool FlashInReset(uint32_t handle, uint8_t* image, uint32_t length, uint16_t* iocStatus,
                  uint32_t* iocLogInfo) {
    MessageAt(kLevelReport,
              "\t\tChip is in reset state Host Boot Required.\n\t\tAccessing the SBR...\n");
    switch (IocReadBootRecord()) {
        case kBootRecordNormal:
            MessageAt(kLevelReport, "\t\tSet SBR to handle Host Boot. . .\n\n");
            if (!IocSetHostBootRecord()) return false;
            MessageAt(kLevelReport, "%s", kSbrSet);
            return true;
        case kBootRecordHostBoot:
            return HostBootAndFlash(handle, image, length, iocStatus, iocLogInfo);
        case kBootRecordUnreadable:
            MessageAt(kLevelError, "\t\tERROR: Failed to read SBR.\n");
            return false;
        default:
            return false;
    }
}

}  // namespace

bool FlashRaidOnChipFirmware(uint32_t handle, uint8_t* image, uint32_t length, uint16_t* iocStatus,
                             uint32_t* iocLogInfo) {
    const bool valid =
        AdvancedTableCurrent()
            ? ValidateFirmwareImageAdvanced(image, length, handle, iocStatus, iocLogInfo)
            : ValidateFirmwareImage(image, length, handle, iocStatus, iocLogInfo);
    if (!valid) return false;
    if ((IocState(handle) & MPI_IOC_STATE_MASK) == MPI_IOC_STATE_RESET)
        return FlashInReset(handle, image, length, iocStatus, iocLogInfo);
    return FlashRunning(handle, image, length, iocStatus, iocLogInfo);
}

bool UpdateCommonBootBlock(uint32_t handle, const uint8_t* cbb, size_t cbbLength,
                           uint16_t* iocStatus, uint32_t* iocLogInfo) {
    uint16_t uploadStatus = 0;
    uint32_t uploadLogInfo = 0;
    UploadedImage current;
    if (!current.Upload(handle, MPI_FW_UPLOAD_ITYPE_COMMON_BOOT_BLOCK, &uploadStatus,
                        &uploadLogInfo))
        return true;
    if (iocStatus) *iocStatus = uploadStatus;
    if (iocLogInfo) *iocLogInfo = uploadLogInfo;
    if (uploadStatus != 0) {
        MessageAt(kLevelError,
                  "\t\tERROR: Check for CBB Update failed! \n"
                  "\t\t       Flash new IR Firmware with CBB support\n");
        return false;
    }
    const FirmwareImage onController = current.image();
    if (ImageWord(onController, kCbbMagicOffset) == kCbbMagic) {
        CbbVersion newVersion, currentVersion;
        // A controller block whose version cannot be read is replaced.
        if (ParseCbbVersion(cbb, cbbLength, &newVersion) &&
            ParseCbbVersion(onController.data, onController.length, &currentVersion) &&
            CompareCbbVersion(newVersion, currentVersion) <= 0)
            return true;
    }
    MessageAt(kLevelReport, "\t\tUpdating Common Boot Block Image...");
    const bool flashed = DownloadImage(handle, MPI_FW_UPLOAD_ITYPE_COMMON_BOOT_BLOCK, cbb,
                                       uint32_t(cbbLength), iocStatus, iocLogInfo);
    MessageAt(flashed ? kLevelReport : kLevelError, flashed ? "SUCCESS\n" : "FAILED!\n");
    return flashed;
}
