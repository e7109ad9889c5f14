#include "flash/images/flash_firmware.h"

#include <cstring>

#include "flash/adapters/ioc_calls.h"
#include "flash/adapters/ioc_state.h"
#include "flash/adapters/platform_hooks.h"
#include "flash/frontend/all_adapters.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/messages.h"
#include "flash/images/firmware_validation.h"
#include "flash/images/flash_migration.h"
#include "flash/images/image_buffer.h"
#include "flash/images/raid_on_chip_flash.h"
#include "flash/images/vpd_version.h"

namespace {

enum class Flavor { kStandard, kAdvanced };

// A chip in RESET runs no firmware; the bootloader of the file has to be booted first.
bool DownloadBootInReset(Flavor flavor, FirmwareImage file, uint32_t handle, uint16_t* iocStatus,
                         uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\t\tChip is in reset state FWDLB Required.\n");
    if (!CheckFlashSizeInReset(file, handle, iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "\t\tFirmware Download: FAILED!\n\n");
        return false;
    }
    const size_t bootloader = FindBootloaderImage(file);
    if (!bootloader) {
        if (flavor == Flavor::kStandard) MessageAt(kLevelError, "\t\t Cannot FWDLB.\n");
        return false;
    }
    const FirmwareImage boot = ExtendedImageAt(file, bootloader);
    uint16_t status = 0;
    if (!IocFirmwareDownloadBoot(handle, boot.data, uint32_t(boot.length), &status)) {
        MessageAt(kLevelError,
                  "\t\tERROR: Firmware Download Boot Failed!\n\t\tFirmware Download: FAILED!\n\n");
        return false;
    }
    return true;
}

// Everything after validation; the two flavours differ only in one line and the FWDLB error.
bool DownloadVerifyReset(Flavor flavor, uint32_t handle, const uint8_t* image, uint32_t length,
                         uint16_t* iocStatus, uint32_t* iocLogInfo) {
    const FirmwareImage file{image, length};
    const bool inReset = (IocState(handle) & MPI_IOC_STATE_MASK) == MPI_IOC_STATE_RESET;
    MigrationResult migration = kMigrationNone;
    if (inReset) {
        if (!DownloadBootInReset(flavor, file, handle, iocStatus, iocLogInfo)) return false;
    } else {
        migration = CheckMigration(file, handle, iocStatus, iocLogInfo);
        if (migration == kMigrationRefused) return false;
    }

    MessageAt(kLevelReport, flavor == Flavor::kStandard ? "\t\tBeginning Firmware Download\n"
                                                        : "\t\tBeginning Firmware Download\n\n");
    if (!DownloadImage(handle, MPI_FW_UPLOAD_ITYPE_FW_FLASH, image, length, iocStatus,
                       iocLogInfo)) {
        MessageAt(kLevelError, "\t\tFirmware Download: FAILED!\n\n");
        return false;
    }
    MessageAt(kLevelReport, "\t\tFirmware Download: SUCCESSFUL!\n\n");

    bool result = true;
    if (!inReset) {
        MessageAt(kLevelReport, "\t\tVerifying the image flashed correctly. . . \n\n");
        // After a migration the backup region has the other layout and cannot be compared.
        result = migration == kMigrationNeeded ||
                 VerifyFlashedImage(image, length, handle, iocStatus, iocLogInfo);
        MessageAt(result ? kLevelReport : kLevelError,
                  result ? "\t\tFirmware Flash: SUCCESSFUL!\n\n"
                         : "\t\tERROR: Downloaded image corrupt.\nFirmware Flash: FAILED!\n\n");
    }

    // Even a failed verification resets, so the controller starts whatever it now holds.
    MessageAt(kLevelReport, "\t\tResetting Adapter:\n");
    if (IocHardReset(handle)) {
        MessageAt(kLevelReport, "\t\tAdapter Successfully reset.\n\n");
        UpdateVpdVersion(handle, kVpdVersionFirmware, ImageFwVersion(file));
    }
    return result;
}

int FlashFirmwareForAdapter(uint32_t handle, const CommandRecord& command) {
    uint16_t iocStatus = 0;
    uint32_t iocLogInfo = 0;
    return FlashFirmwareFile(handle, command, &iocStatus, &iocLogInfo);
}

}  // namespace

int FlashFirmwareCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return FlashFirmwareFile(handle, *CurrentCommand(), iocStatus, iocLogInfo);
}

int FlashFirmwareFile(uint32_t handle, const CommandRecord& command, uint16_t* iocStatus,
                      uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\tExecuting Operation: Flash Firmware Image\n\n");
    const FilePosition& file = command.file[0];
    if (!file.content || file.size == 0) return 0;
    MessageAt(kLevelDebug, "Firmware File Size: %08X\n", file.size);
    ImageBuffer image;
    if (!image.Allocate(file.size)) {
        MessageAt(kLevelError, "\t\tERROR: Unable to read from file.\n");
        return 0;
    }
    std::memcpy(image.data(), file.content, file.size);

    bool result;
    if (ChipFamily(ImageProductId(image.image())) == kChipFamilyT470) {
        result =
            FlashRaidOnChipFirmware(handle, image.data(), image.length(), iocStatus, iocLogInfo);
    } else if (AllAdaptersMode() || !AdvancedTableCurrent()) {
        result = FlashFirmware(handle, image.data(), image.length(), iocStatus, iocLogInfo);
    } else {
        result = FlashFirmwareAdvanced(handle, image.data(), image.length(), iocStatus, iocLogInfo);
    }
    return result ? 1 : 0;
}

int FirmwareAllCommand(uint32_t, uint16_t*, uint32_t*) {
    return FirmwareAllLoop(FlashFirmwareForAdapter);
}

bool FlashFirmware(uint32_t handle, const uint8_t* image, uint32_t length, uint16_t* iocStatus,
                   uint32_t* iocLogInfo) {
    MessageAt(kLevelDebug, "DEBUG: Entering Flash Firmware\n");
    MessageAt(kLevelDebug, "PCI Handle: %08X\n", handle);
    if (!ValidateFirmwareImage(image, length, handle, iocStatus, iocLogInfo)) return false;
    return DownloadVerifyReset(Flavor::kStandard, handle, image, length, iocStatus, iocLogInfo);
}

bool FlashFirmwareAdvanced(uint32_t handle, const uint8_t* image, uint32_t length,
                           uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelDebug, "DEBUG: Entering Adv Flash Firmware\n");
    MessageAt(kLevelDebug, "Pci Handle: %08X\n", handle);
    if (!ValidateFirmwareImageAdvanced(image, length, handle, iocStatus, iocLogInfo)) return false;
    return DownloadVerifyReset(Flavor::kAdvanced, handle, image, length, iocStatus, iocLogInfo);
}

bool VerifyFlashedImage(const uint8_t* image, uint32_t length, uint32_t handle, uint16_t* iocStatus,
                        uint32_t* iocLogInfo) {
    UploadedImage backup;
    if (!backup.Upload(handle, MPI_FW_UPLOAD_ITYPE_FW_BACKUP, iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "\tERROR: Image Upload Failed.\n");
        return false;
    }
    // A read-back shorter than the file cannot hold it.
    const FirmwareImage flashed = backup.image();
    return flashed.length >= length && std::memcmp(flashed.data, image, length) == 0;
}
