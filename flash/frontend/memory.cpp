#include "flash/frontend/memory.h"

#include <cstdlib>

namespace {

struct TrackedBlock {
    void* block;
    TrackedBlock* next;
};

size_t gCounted = 0;
TrackedBlock* gTrackedHead = nullptr;
TrackedBlock* gTrackedTail = nullptr;

}  // namespace

void* AllocZeroed(size_t size) {
    // calloc(0) may answer null; a zero-sized request still gets a distinct block.
    void* block = std::calloc(size ? size : 1, 1);
    if (block) ++gCounted;
    return block;
}

void FreeCounted(void* block) {
    if (!block) return;
    std::free(block);
    --gCounted;
}

size_t CountedBlocks() {
    return gCounted;
}

void* AllocTracked(size_t size) {
    void* block = AllocZeroed(size);
    if (!block) return nullptr;
    auto* entry = static_cast<TrackedBlock*>(AllocZeroed(sizeof(TrackedBlock)));
    if (!entry) {
        FreeCounted(block);
        return nullptr;
    }
    entry->block = block;
    if (gTrackedTail) {
        gTrackedTail->next = entry;
    } else {
        gTrackedHead = entry;
    }
    gTrackedTail = entry;
    return block;
}

void FreeAllTracked() {
    while (gTrackedHead) {
        TrackedBlock* next = gTrackedHead->next;
        FreeCounted(gTrackedHead->block);
        FreeCounted(gTrackedHead);
        gTrackedHead = next;
    }
    gTrackedTail = nullptr;
}
