// Refreshing the version keywords of a controller's VPD after a flash.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr uint8_t kVpdVersionBios = 0;
inline constexpr uint8_t kVpdVersionFirmware = 1;

// Only boards of this subsystem vendor keep their versions in the VPD.
inline constexpr uint16_t kVpdVersionBoardVendor = 0x103C;

// Writes the firmware ("V3") or BIOS ("V1") version text into manufacturing page 1 on boards
// whose subsystem vendor is 0x103C. Never fails the flash that called it: it prints its own lines
// and answers whether a keyword was filled in (even when the page write then failed).
bool UpdateVpdVersion(uint32_t handle, uint8_t kind, uint32_t version);

// "01.32.00.00": the four bytes of FWVersion from the most significant, at least two decimal
// digits each. A byte above 99 makes the text longer than 11 characters.
void VpdFirmwareVersionText(uint32_t version, char* text, size_t size);
// Eleven characters from the low 16 bits v: "0", v >> 13, ".", bit 12, (v >> 8) & 0xF, ".0",
// (v >> 4) & 0xF, ".0", v & 0xF, each part as the character '0' plus its value.
void VpdBiosVersionText(uint32_t version, char* text, size_t size);
