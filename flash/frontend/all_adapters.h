// The commands that work on every adapter in turn (-fwall, -biosall, -resetall).
#pragma once

#include <cstdint>

struct CommandRecord;

// One adapter's share of an all-adapters command; its result does not stop the loop.
using PerAdapterOperation = int (*)(uint32_t adapterHandle, const CommandRecord& command);

int FirmwareAllLoop(PerAdapterOperation flashFirmware);
int BiosAllLoop(PerAdapterOperation flashBios);
int ResetAllCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
