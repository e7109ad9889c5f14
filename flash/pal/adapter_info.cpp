// PalGetAdapterInfo: describes one adapter, asking the driver only the first time.

#include <cstring>

#include "flash/pal/linux/ioc_info.h"
#include "flash/pal/pal.h"
#include "flash/pal/pal_context.h"

namespace {

constexpr uint32_t kObjectKindMask = 0xFF000000;

uint32_t FillAdapterInfo(PalAdapter& adapter, uint32_t index) {
    MptIocInfo reply;
    const uint32_t status = PalRequestIocInfo(adapter.iocNumber, &reply);
    if (status != PAL_OK) return status;

    AdapterInfo& info = adapter.info;
    info = AdapterInfo{};
    info.handle = adapter.handle;
    info.adapterType = reply.adapterType;
    info.index = index;
    info.pciDeviceId = reply.pciId;
    info.pciRevision = reply.hwRev;
    info.subsystemDeviceId = reply.subSystemDevice;
    info.subsystemVendorId = reply.subSystemVendor;
    info.numDevices = reply.numDevices;
    info.biosVersion = reply.biosVersion;
    std::memcpy(info.driverVersion, reply.driverVersion, sizeof info.driverVersion);
    info.hostId = reply.hostId;
    info.pciLocation = reply.pciInfo;
    info.adapterWord = reply.adapterWord;
    adapter.filled = true;
    return PAL_OK;
}

PalAdapterRef FindByIndex(PalContext& pal, uint32_t index, uint32_t* status) {
    if (index >= pal.adapterCount) {
        *status = PAL_ERR_INDEX_RANGE;
        return {};
    }
    // The count includes controllers the access mask dropped, so the list may end first.
    if (index >= pal.adapters.size()) {
        *status = PAL_ERR_FAILED;
        return {};
    }
    return {&pal.adapters[index], index};
}

}  // namespace

uint32_t PalGetAdapterInfo(uint32_t indexOrHandle, AdapterInfo* info) {
    PalContext* pal = PalCurrentContext();
    if (!pal || !info) return PAL_ERR_FAILED;

    uint32_t status = PAL_ERR_NO_SUCH_ADAPTER;
    const PalAdapterRef found = (indexOrHandle & kObjectKindMask) == kPalObjectKindAdapter
                                    ? PalFindAdapter(*pal, indexOrHandle)
                                    : FindByIndex(*pal, indexOrHandle, &status);
    if (!found.adapter) return status;
    if (!found.adapter->filled) {
        status = FillAdapterInfo(*found.adapter, found.index);
        if (status != PAL_OK) return status;
    }
    *info = found.adapter->info;
    return PAL_OK;
}
