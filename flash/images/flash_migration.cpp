#include "flash/images/flash_migration.h"

#include "flash/adapters/ioc_calls.h"
#include "flash/adapters/platform_hooks.h"
#include "flash/frontend/messages.h"

namespace {

constexpr uint32_t kOneMegabyte = 0x100000;
constexpr uint32_t kTwoMegabytes = 0x200000;

bool IsOneMegabyteFlash(uint32_t flashSize) {
    return flashSize >= kOneMegabyte && flashSize < kTwoMegabytes;
}

// A size-only upload of the whole flash answers its size.
bool FlashSizeInquiry(uint32_t handle, uint32_t* flashSize, uint16_t* iocStatus,
                      uint32_t* iocLogInfo) {
    return IocFirmwareUpload(handle, nullptr, 0, 0, MPI_FW_UPLOAD_ITYPE_COMPLETE, flashSize,
                             iocStatus, iocLogInfo) != 0;
}

}  // namespace

bool CheckFlashSizeInReset(FirmwareImage image, uint32_t handle, uint16_t* iocStatus,
                           uint32_t* iocLogInfo) {
    if (!(ImageFlashLayoutFlags(image) & kFlashLayout2Mb)) return true;
    MessageAt(kLevelReport, "\t\tFirmware Download Boot Required to get Flash Size\n");
    const size_t bootloader = FindBootloaderImage(image);
    if (!bootloader) return false;
    const FirmwareImage boot = ExtendedImageAt(image, bootloader);
    uint16_t status = 0;
    if (!IocFirmwareDownloadBoot(handle, boot.data, uint32_t(boot.length), &status)) {
        MessageAt(kLevelError, "\t\tERROR: Firmware Download Boot Failed!\n");
        return false;
    }
    if (status == kHookStatusNotSupported) {
        MessageAt(kLevelError,
                  "\t\t1MB to 2MB Migration of Firmware is not supported\n\t\ton this platform!");
        return false;
    }
    uint32_t flashSize = 0;
    if (!FlashSizeInquiry(handle, &flashSize, iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "\t\tERROR: Flash Size Inquiry Failed can not validate image!\n");
        return false;
    }
    if (IsOneMegabyteFlash(flashSize)) {
        MessageAt(kLevelError, "\t\tERROR: Cannot flash a 2MB Firmware image on a 1MB Flash!\n");
        return false;
    }
    MessageAt(kLevelReport, "\t\tFlash size is valid!\n");
    return true;
}

MigrationResult CheckMigration(FirmwareImage image, uint32_t handle, uint16_t* iocStatus,
                               uint32_t* iocLogInfo) {
    if (!(ImageFlashLayoutFlags(image) & kFlashLayout2Mb)) return kMigrationNone;
    UploadedImage running;
    if (!running.Upload(handle, MPI_FW_UPLOAD_ITYPE_FW_FLASH, iocStatus, iocLogInfo))
        return kMigrationNone;
    const uint32_t runningFlags = ImageFlashLayoutFlags(running.image());
    if (runningFlags & kFlashLayout2Mb) return kMigrationNone;

    if (!(runningFlags & kFlashAnswersSizeInquiry)) {
        MessageAt(kLevelReport, "\t\tFirmware Download Boot Required to get Flash Size\n");
        const size_t bootloader = FindBootloaderImage(image);
        if (!bootloader) {
            MessageAt(kLevelError, "\t\tERROR: cannot do FWDLB!\n\n");
            return kMigrationRefused;
        }
        const FirmwareImage boot = ExtendedImageAt(image, bootloader);
        uint16_t status = 0;
        if (!IocFirmwareDownloadBoot(handle, boot.data, uint32_t(boot.length), &status)) {
            MessageAt(kLevelError, "\t\tERROR: Firmware Download Boot Failed!\n\n");
            return kMigrationRefused;
        }
        if (status == kHookStatusNotSupported) {
            MessageAt(kLevelError,
                      "\t\t1MB to 2MB Migration of Firmware is not supported\n"
                      "\t\ton this platform!\n\n");
            return kMigrationRefused;
        }
    }
    uint32_t flashSize = 0;
    if (!FlashSizeInquiry(handle, &flashSize, iocStatus, iocLogInfo)) {
        // The running firmware said it would answer; go on as if the size were valid.
        MessageAt(kLevelError, "\t\tERROR: Flash Size Inquiry Failed can not validate image!\n\n");
    } else if (IsOneMegabyteFlash(flashSize)) {
        MessageAt(kLevelError, "\t\tERROR: Cannot flash a 2MB Firmware image on a 1MB Flash!\n\n");
        return kMigrationRefused;
    }
    MessageAt(kLevelReport, "\t\tFlashing Firmware with 1MB to 2MB Migration.\n");
    return kMigrationNeeded;
}
