// -fwombra: Ombra RAID firmware for a T470, with the common boot block it may end with.
#pragma once

#include <cstdint>

int FlashOmbraFirmware(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
