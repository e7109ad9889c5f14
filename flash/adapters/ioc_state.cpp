#include "flash/adapters/ioc_state.h"

namespace {

struct IocStateEntry {
    uint32_t handle;
    uint32_t state;
};

IocStateEntry gTable[kIocStateTableSize];

IocStateEntry* Find(uint32_t handle) {
    if (handle == 0) return nullptr;
    for (IocStateEntry& entry : gTable) {
        if (entry.handle == handle) return &entry;
    }
    return nullptr;
}

bool Store(uint32_t handle, uint32_t state) {
    IocStateEntry* entry = Find(handle);
    if (!entry) return false;
    entry->state = state;
    return true;
}

}  // namespace

void IocStateTableInit() {
    for (IocStateEntry& entry : gTable) entry = IocStateEntry{};
}

void IocStateRecord(int index, uint32_t handle, uint32_t state) {
    if (index < 0 || index >= kIocStateTableSize) return;
    gTable[index] = IocStateEntry{handle, state};
}

uint32_t IocState(uint32_t handle) {
    IocStateEntry* entry = Find(handle);
    return entry ? entry->state : MPI_IOC_STATE_FAULT;
}

bool IocMarkOperational(uint32_t handle) {
    return Store(handle, MPI_IOC_STATE_OPERATIONAL);
}
bool IocMarkReady(uint32_t handle) {
    return Store(handle, MPI_IOC_STATE_READY);
}
