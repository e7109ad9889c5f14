// Choosing the current adapter (-c, -cpci), verifying it (-testssid) and the operational check.
#pragma once

#include <cstdint>

struct PciAddress {
    uint8_t bus = 0xFF;  // 0xFF: never given, matches nothing
    uint8_t device = 0xFF;
    uint8_t function = 0xFF;
    uint16_t segment = 0;  // 0: any
};

enum class PciAddressParse { kOk, kNoColon, kBadCharacter };

// The text's first field (up to the first colon) is skipped; bus, device, function and an
// optional segment follow.
PciAddressParse ParsePciAddress(const char* text, PciAddress* address);

struct SsidCheck {
    uint16_t vendor = 0xFFFF;
    uint16_t device = 0;
};

enum class SsidParse { kOk, kIllegalVendor, kIllegalDevice };

// "SSVID:SSDID", four hexadecimal digits each. On an illegal field, value holds what was
// collected of it.
SsidParse ParseSsid(const char* text, SsidCheck* check, uint16_t* value);

bool CheckOperational();

int ChooseAdapterCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int ChooseAdapterByPciCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int TestSsidCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
