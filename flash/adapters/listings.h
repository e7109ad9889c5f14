// What tessel knows about the controllers: -listall, -list, -listsasadd, -detectfw, -detectbsd.
// Versions come from the images in flash, uploaded for the listing, not from the IOC facts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// "%07x-%01x-%04x-%04x": the high word's upper 28 bits and low 4 bits, then the low word's halves.
void FormatSasAddress(uint32_t high, uint32_t low, char* text, size_t size);

// The four bytes of a firmware, x86 BIOS or FCODE version, most significant first.
void FormatVersionBytes(uint32_t version, const char* format, char* text, size_t size);
// An EFI version's four parts: bits 13-15, 8-12, 4-7 and 0-3.
void FormatEfiVersion(uint32_t version, const char* format, char* text, size_t size);

// The version text of an uploaded common boot block, or false when it is no valid block ("BTBL"
// at 0x10, the text's offset at 0x1C inside the block). The text ends at a zero byte, the block's
// end or size - 1 characters, whichever comes first.
bool CommonBootBlockVersion(std::span<const uint8_t> block, char* text, size_t size);

int ListAllCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int ListCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int ListSasAddressCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
// For scripts: written straight to standard output, neither logged nor silenced, no final line
// feed; one line per controller that has the version.
int DetectFirmwareCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int DetectBiosCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
