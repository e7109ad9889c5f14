// Flashing T470 firmware: the common boot block travels inside the image and is flashed on its
// own, and only when it is newer than the controller's.
#pragma once

#include <cstddef>
#include <cstdint>

// Validates (interactively in advanced mode), splits off the CBB, downloads the rest, updates
// the CBB and resets. A chip in RESET needs a host boot, which this platform cannot do.
bool FlashRaidOnChipFirmware(uint32_t handle, uint8_t* image, uint32_t length, uint16_t* iocStatus,
                             uint32_t* iocLogInfo);

// Flashes the block as image type 11 unless the controller's block is as new or newer. A
// controller that cannot be asked for its block counts as up to date.
bool UpdateCommonBootBlock(uint32_t handle, const uint8_t* cbb, size_t cbbLength,
                           uint16_t* iocStatus, uint32_t* iocLogInfo);
