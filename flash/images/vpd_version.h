// Refreshing the version keywords of a controller's VPD after a flash.
#pragma once

#include <cstdint>

inline constexpr uint8_t kVpdVersionBios = 0;
inline constexpr uint8_t kVpdVersionFirmware = 1;

// Writes the firmware ("V3") or BIOS ("V1") version text into manufacturing page 1 on boards
// whose subsystem vendor is 0x103C. Never fails the flash that called it.
bool UpdateVpdVersion(uint32_t handle, uint8_t kind, uint32_t version);
