// -fwdown: flashing an older firmware image, erasing the flash first when the NVDATA major
// version goes down.
#pragma once

#include <cstdint>

int FlashFirmwareDowngrade(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
