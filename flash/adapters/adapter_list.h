// The controllers found at start-up, in discovery order, and the current adapter.
#pragma once

#include <cstdint>

inline constexpr int kMaxAdapters = 128;

struct AdapterRecord {
    uint32_t handle;
    uint32_t selectionNumber;  // 0 until chosen by -c or -cpci
    uint16_t pciDeviceId;
    uint16_t pciVendorId;
    uint16_t subsystemVendorId;
    uint16_t subsystemDeviceId;
    uint8_t pciRevision;
    uint8_t bus;
    uint8_t device;
    uint8_t function;
    uint16_t segment;
    AdapterRecord* next;
};

enum class EnumerationResult { kNone, kFound, kTooMany };

// Adds one record per controller the platform layer reports; stops after kMaxAdapters and then
// answers kTooMany.
EnumerationResult EnumerateAdapters(bool palReady);

AdapterRecord* FirstAdapter();
// The 1-based n-th adapter, or null.
AdapterRecord* AdapterByNumber(uint32_t number);
uint32_t AdapterNumber(const AdapterRecord* adapter);

AdapterRecord* CurrentAdapter();
uint32_t CurrentAdapterHandle();
// Makes the adapter (or none) current for the platform layer.
bool SelectAdapter(AdapterRecord* adapter);

// Drops every RAID-on-chip controller (device 0x0060) unless keepRaidOnChip, or its subsystem
// vendor is 0x8086. Answers whether any adapter is left.
bool FilterAdapters(bool keepRaidOnChip);
