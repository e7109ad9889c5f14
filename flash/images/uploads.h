// Copying a region of the selected controller's flash into the command's file, byte for byte:
// -ufirmware, -ubios, -unvdata, -ufwbackup, -uflash and -ufwombra.
#pragma once

#include <cstdint>

// Reads the region and writes it whole to the current command's first file. False when the
// upload fails or answers an IOCStatus, when there is no file, or when not every byte was written
// (the file is then emptied again).
bool UploadToFile(uint32_t handle, uint8_t imageType, uint16_t* iocStatus, uint32_t* iocLogInfo);

int UploadFirmwareCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int UploadBiosCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int UploadBackupCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int UploadFullFlashCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int UploadOmbraCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int UploadNvdataCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
