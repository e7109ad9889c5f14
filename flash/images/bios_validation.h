// Checking a BIOS file against the adapter it is meant for.
#pragma once

#include <cstddef>
#include <cstdint>

// Device ids a BIOS file may name to be accepted for this controller family.
bool IsCompatibleBiosDeviceId(uint16_t deviceId);

// Checks signature, checksum and device id of the file's first ROM image and writes the adapter's
// primary (alternate = false) or alternate id into its PCI data structure. Every line at level 2.
bool ValidateBiosImage(uint8_t* image, size_t length, uint16_t adapterDeviceId, bool alternate);
