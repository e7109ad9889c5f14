#include "flash/adapters/adapter_list.h"

#include "flash/adapters/ioc_state.h"
#include "flash/frontend/memory.h"
#include "flash/pal/pal.h"

namespace {

AdapterRecord* gHead = nullptr;
AdapterRecord* gCurrent = nullptr;

constexpr uint16_t kPciVendorId = 0x1000;
constexpr uint16_t kRaidOnChipDeviceId = 0x0060;
constexpr uint16_t kSubsystemVendorKeepsRaidOnChip = 0x8086;

void Append(AdapterRecord* record) {
    AdapterRecord** link = &gHead;
    while (*link) link = &(*link)->next;
    *link = record;
}

}  // namespace

EnumerationResult EnumerateAdapters(bool palReady) {
    if (!palReady) return EnumerationResult::kNone;
    int count = 0;
    for (uint32_t index = 0;; ++index) {
        uint32_t adapterCount = 0;
        // A fresh discovery at every step, as the platform layer expects.
        if (PalOpen(kPalAccessMaskSas, &adapterCount) != PAL_OK) break;
        AdapterInfo info{};
        if (PalGetAdapterInfo(index, &info) != PAL_OK) break;
        if (count == kMaxAdapters) return EnumerationResult::kTooMany;

        auto* record = static_cast<AdapterRecord*>(AllocZeroed(sizeof(AdapterRecord)));
        if (!record) break;
        record->handle = info.handle;
        record->pciVendorId = kPciVendorId;
        record->pciDeviceId = static_cast<uint16_t>(info.pciDeviceId);
        record->subsystemVendorId = static_cast<uint16_t>(info.subsystemVendorId);
        record->subsystemDeviceId = static_cast<uint16_t>(info.subsystemDeviceId);
        record->pciRevision = static_cast<uint8_t>(info.pciRevision);
        record->bus = static_cast<uint8_t>(info.pciLocation >> 8);
        record->device = static_cast<uint8_t>(info.pciLocation & 0x1F);
        record->function = static_cast<uint8_t>((info.pciLocation >> 5) & 0x07);
        record->segment = 0;
        Append(record);
        IocStateRecord(count, info.handle, MPI_IOC_STATE_OPERATIONAL);
        ++count;
    }
    return count ? EnumerationResult::kFound : EnumerationResult::kNone;
}

AdapterRecord* FirstAdapter() {
    return gHead;
}

AdapterRecord* AdapterByNumber(uint32_t number) {
    uint32_t n = 1;
    for (AdapterRecord* r = gHead; r; r = r->next, ++n) {
        if (n == number) return r;
    }
    return nullptr;
}

uint32_t AdapterNumber(const AdapterRecord* adapter) {
    uint32_t n = 1;
    for (AdapterRecord* r = gHead; r; r = r->next, ++n) {
        if (r == adapter) return n;
    }
    return 0;
}

AdapterRecord* CurrentAdapter() {
    return gCurrent;
}
uint32_t CurrentAdapterHandle() {
    return gCurrent ? gCurrent->handle : 0;
}

bool SelectAdapter(AdapterRecord* adapter) {
    gCurrent = adapter;
    return true;
}

bool FilterAdapters(bool keepRaidOnChip) {
    AdapterRecord** link = &gHead;
    while (*link) {
        AdapterRecord* r = *link;
        if (!keepRaidOnChip && r->pciDeviceId == kRaidOnChipDeviceId &&
            r->subsystemVendorId != kSubsystemVendorKeepsRaidOnChip) {
            *link = r->next;
            if (gCurrent == r) gCurrent = nullptr;
            FreeCounted(r);
        } else {
            link = &r->next;
        }
    }
    return gHead != nullptr;
}
