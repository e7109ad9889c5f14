// Counted and tracked allocations. Tracked blocks (command records, file contents) live until
// FreeAllTracked at the end of the run.
#pragma once

#include <cstddef>

void* AllocZeroed(size_t size);
void FreeCounted(void* block);
size_t CountedBlocks();

void* AllocTracked(size_t size);
void FreeAllTracked();
