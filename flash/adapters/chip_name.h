// Chip names by PCI device id and revision.
#pragma once

#include <cstdint>

struct AdapterRecord;

// The table's name (for example "T420E(B1)"), or null for a device or revision it lacks.
const char* LookupChipName(uint16_t deviceId, uint8_t revision);

// The name for messages: an unknown chip reads "unknown chip (PCI device 0x0070, revision 0x03)"
// so the administrator can look it up.
const char* ChipName(const AdapterRecord* adapter);

bool IsRaidOnChip(uint16_t deviceId);
