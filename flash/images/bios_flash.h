// Flashing a BIOS file into the boot services region: -b, -biosalt and -biosall.
#pragma once

#include <cstdint>

struct CommandRecord;

// Validates the command's file for the adapter, merges it into the region in flash as the primary
// or the alternate x86 image and refreshes the VPD's EFI driver version.
bool FlashBios(uint32_t handle, const CommandRecord& command, bool alternate, uint16_t* iocStatus,
               uint32_t* iocLogInfo);

int FlashBiosCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int FlashBiosAlternateCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int BiosAllCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
