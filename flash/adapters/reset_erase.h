// Acting on the selected controller without an image: hard reset (-reset), erasing flash regions
// (-e) and clearing the persistent device table (-clear).
#pragma once

#include <cstdint>

// What -e n erases: the option's region mask and the line printed before the erase. An unknown
// option answers mask 0 and the invalid-option line.
struct EraseOption {
    uint8_t option;
    uint32_t regionMask;
    const char* line;
};
const EraseOption& FindEraseOption(uint8_t option);

int ResetCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int EraseCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int ClearPersistentCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
