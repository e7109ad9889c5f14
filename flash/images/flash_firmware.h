// Flashing a firmware image onto one controller: -f, the -fwall loop, and the standard and
// interactive flashes that they and -fwdown end in.
#pragma once

#include <cstdint>

struct CommandRecord;

// -f: the current command's file onto the adapter.
int FlashFirmwareCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
// -f's work for a command's file; -fwall runs it once per adapter.
int FlashFirmwareFile(uint32_t handle, const CommandRecord& command, uint16_t* iocStatus,
                      uint32_t* iocLogInfo);
// -fwall: every adapter in turn; one adapter's failure does not stop the others.
int FirmwareAllCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);

// Strict validation, download, read-back, reset and VPD refresh.
bool FlashFirmware(uint32_t handle, const uint8_t* image, uint32_t length, uint16_t* iocStatus,
                   uint32_t* iocLogInfo);
// The same with interactive validation.
bool FlashFirmwareAdvanced(uint32_t handle, const uint8_t* image, uint32_t length,
                           uint16_t* iocStatus, uint32_t* iocLogInfo);

// Reads the backup region (where a download lands) and compares its first length bytes.
bool VerifyFlashedImage(const uint8_t* image, uint32_t length, uint32_t handle, uint16_t* iocStatus,
                        uint32_t* iocLogInfo);
