#include "flash/adapters/chip_name.h"

#include <cstdio>

#include "flash/adapters/adapter_list.h"

namespace {

struct ChipStep {
    uint8_t revision;
    const char* name;
};

struct ChipFamily {
    uint16_t deviceIds[2];
    ChipStep steps[6];
};

constexpr ChipFamily kChipFamilies[] = {
    {{0x0050, 0x0051}, {{1, "T410(A2)"}, {2, "T410(A3)"}, {3, "T410(A4)"}}},
    {{0x0054, 0x0055}, {{0, "T420(A0)"}, {1, "T420(B0)"}, {2, "T420(B1)"}}},
    {{0x0056, 0x0057},
     {{0, "T410E(A0)"},
      {1, "T410E(B0)"},
      {2, "T410E(B1)"},
      {4, "T410E(B2)"},
      {8, "T410E(B3)"},
      {16, "T410E(C0)"}}},
    {{0x0058, 0x0059},
     {{0, "T420E(A0)"},
      {1, "T420E(B0)"},
      {2, "T420E(B1)"},
      {4, "T420E(B2)"},
      {8, "T420E(B3)"},
      {16, "T420E(C0)"}}},
    {{0x0060, 0x0062}, {{1, "T470(B0)"}, {2, "T470(C0)"}, {3, "T470(C1)"}, {4, "T470(C2)"}}},
};

}  // namespace

const char* LookupChipName(uint16_t deviceId, uint8_t revision) {
    for (const ChipFamily& family : kChipFamilies) {
        if (family.deviceIds[0] != deviceId && family.deviceIds[1] != deviceId) continue;
        for (const ChipStep& step : family.steps) {
            if (step.name && step.revision == revision) return step.name;
        }
        return nullptr;
    }
    return nullptr;
}

const char* ChipName(const AdapterRecord* adapter) {
    if (!adapter) return "";
    if (const char* name = LookupChipName(adapter->pciDeviceId, adapter->pciRevision)) return name;
    static char unknown[64];
    std::snprintf(unknown, sizeof unknown, "unknown chip (PCI device 0x%04X, revision 0x%02X)",
                  adapter->pciDeviceId, adapter->pciRevision);
    return unknown;
}

bool IsRaidOnChip(uint16_t deviceId) {
    return deviceId == 0x0060 || deviceId == 0x0062;
}
