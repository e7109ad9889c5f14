#include "flash/images/uploads.h"

#include "flash/frontend/command_list.h"
#include "flash/frontend/file_table.h"
#include "flash/frontend/messages.h"
#include "flash/images/firmware_image.h"

namespace {

constexpr char kUploadSucceeded[] = "\tUpload Succesful!\n\n";
constexpr char kUploadFailed[] = "\tUpload FAILED!\n\n";
constexpr char kFirmwareUploadFailed[] = "\tERROR: Firmware Upload Failed!\n";

int CommandFileSlot() {
    const CommandRecord* command = CurrentCommand();
    return command ? static_cast<int>(command->file[0].slot) : 0;
}

// A write that stops part way leaves the file as the parser made it: empty.
bool WriteCommandFile(const uint8_t* data, size_t length) {
    const int slot = CommandFileSlot();
    if (slot == 0) return false;
    if (FileSlotWrite(slot, static_cast<uint32_t>(length), data)) return true;
    FileSlotTruncate(slot);
    return false;
}

int Finish(bool written) {
    MessageAt(kLevelReport, "%s", written ? kUploadSucceeded : kUploadFailed);
    return written ? 1 : 0;
}

int UploadRegion(const char* operation, uint8_t imageType, uint32_t handle, uint16_t* iocStatus,
                 uint32_t* iocLogInfo) {
    *iocStatus = 0;
    *iocLogInfo = 0;
    MessageAt(kLevelReport, "%s", operation);
    return Finish(UploadToFile(handle, imageType, iocStatus, iocLogInfo));
}

// The running firmware, which -uflash and -ufwombra read before their own region. A reply with an
// IOCStatus carries no image, so it counts as a failed upload.
bool UploadRunningFirmware(uint32_t handle, UploadedImage* firmware, uint16_t* iocStatus,
                           uint32_t* iocLogInfo) {
    if (firmware->Upload(handle, MPI_FW_UPLOAD_ITYPE_FW_FLASH, iocStatus, iocLogInfo) &&
        *iocStatus == 0)
        return true;
    MessageAt(kLevelError, "%s", kFirmwareUploadFailed);
    return false;
}

}  // namespace

bool UploadToFile(uint32_t handle, uint8_t imageType, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    UploadedImage region;
    if (!region.Upload(handle, imageType, iocStatus, iocLogInfo) || *iocStatus != 0) return false;
    return WriteCommandFile(region.image().data, region.image().length);
}

int UploadFirmwareCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return UploadRegion("\tExecuting Operation: Upload Firmware\n\n", MPI_FW_UPLOAD_ITYPE_FW_FLASH,
                        handle, iocStatus, iocLogInfo);
}

int UploadBiosCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return UploadRegion("\tExecuting Operation: Upload BIOS\n\n", MPI_FW_UPLOAD_ITYPE_BIOS_FLASH,
                        handle, iocStatus, iocLogInfo);
}

int UploadBackupCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return UploadRegion("\tExecuting Operation: Upload Backup Firmware Area\n\n",
                        MPI_FW_UPLOAD_ITYPE_FW_BACKUP, handle, iocStatus, iocLogInfo);
}

int UploadOmbraCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    *iocStatus = 0;
    *iocLogInfo = 0;
    MessageAt(kLevelReport, "\tExecuting Operation: Upload Ombra Firmware\n\n");
    {
        UploadedImage firmware;
        if (!UploadRunningFirmware(handle, &firmware, iocStatus, iocLogInfo)) return 0;
    }
    return Finish(UploadToFile(handle, kImageTypeOmbraFirmware, iocStatus, iocLogInfo));
}

int UploadFullFlashCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    *iocStatus = 0;
    *iocLogInfo = 0;
    MessageAt(kLevelReport, "\tExecuting Operation: Upload Full Flash\n\n");
    bool wholeFlash;
    {
        UploadedImage firmware;
        if (!UploadRunningFirmware(handle, &firmware, iocStatus, iocLogInfo)) return 0;
        wholeFlash = (ImageFlashLayoutFlags(firmware.image()) & kFlashLayout2Mb) != 0 ||
                     ChipFamily(ImageProductId(firmware.image())) == kChipFamilyT470;
    }
    if (!wholeFlash) {
        MessageAt(kLevelReport,
                  "\tWARNING: This version of Firmware does not support full flash upload!\n");
        *iocStatus = 1;
        return 1;
    }
    return Finish(UploadToFile(handle, MPI_FW_UPLOAD_ITYPE_COMPLETE, iocStatus, iocLogInfo));
}

int UploadNvdataCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    *iocStatus = 0;
    *iocLogInfo = 0;
    MessageAt(kLevelReport, "\tExecuting Operation: Upload NVDATA\n\n");
    UploadedImage firmware;
    if (!firmware.Upload(handle, MPI_FW_UPLOAD_ITYPE_FW_FLASH, iocStatus, iocLogInfo))
        return Finish(false);
    const FirmwareImage image = firmware.image();
    const size_t offset =
        HasFirmwareSignatures(image) ? FindExtendedImage(image, MPI_EXT_IMAGE_TYPE_NVDATA) : 0;
    if (offset == 0) return Finish(false);
    // An NVDATA image whose size runs past the upload, or is shorter than its own header, is
    // damaged: writing part of it would leave a file that looks like a complete NVDATA image.
    const uint32_t size = ImageWord(image, offset + kExtImageSizeOffset);
    if (size < kExtImageHeaderSize || size > image.length - offset) return Finish(false);
    return Finish(WriteCommandFile(image.data + offset, size));
}
