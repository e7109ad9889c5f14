// The PAL's one context and its adapter list, shared by the operations of pal.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flash/pal/mpi.h"
#include "flash/pal/pal.h"

struct PalAdapter {
    uint32_t handle = 0;
    uint32_t iocNumber = 0;
    // The IOC facts reply taken at discovery; its MsgVersion gates firmware transfers.
    std::array<uint8_t, kIocFactsReplyLength> facts{};
    bool filled = false;
    AdapterInfo info{};
    std::string procPath;
};

struct PalContext {
    // Counts every controller discovery found, including those the access mask dropped, so it
    // may exceed the length of the list.
    uint32_t adapterCount = 0;
    std::vector<PalAdapter> adapters;
    uint32_t accessMask = 0;
    uint32_t handleCounter = 1;
};

// Null when PalCreate never ran or failed.
PalContext* PalCurrentContext();

struct PalAdapterRef {
    PalAdapter* adapter = nullptr;
    uint32_t index = 0;  // position in the list
};
PalAdapterRef PalFindAdapter(PalContext& pal, uint32_t handle);

uint16_t PalAdapterMsgVersion(const PalAdapter& adapter);

// Zeroed scratch buffer; null when the allocation fails, so callers can answer PAL_ERR_NO_MEMORY.
std::unique_ptr<uint8_t[]> PalAllocZeroed(size_t size);
