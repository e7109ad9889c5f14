// The last known IOC state of every adapter, by discovery index.
#pragma once

#include <cstdint>

#include "flash/pal/mpi.h"

inline constexpr int kIocStateTableSize = 128;

void IocStateTableInit();
void IocStateRecord(int index, uint32_t handle, uint32_t state);
// The stored state, or FAULT for a handle that is not in the table.
uint32_t IocState(uint32_t handle);
// Stores OPERATIONAL; false when the handle is not in the table.
bool IocMarkOperational(uint32_t handle);
bool IocMarkReady(uint32_t handle);
