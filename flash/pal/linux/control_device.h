// The control driver's device nodes, and the one shape of every driver call: open a node, issue one
// ioctl, close it again. No descriptor outlives a call, so two processes may interleave requests.
#pragma once

#include <cstdint>

// Opens the first of "/dev/mptctl_sas" and "/dev/mptctl" that opens for reading and writing,
// without loading any module. Answers the descriptor, or -1 when none opens (a descriptor could
// equal PAL_ERR_NO_DRIVER, so the callers translate).
int PalOpenControlDevice();

// Opens a node, issues the ioctl and closes the node. Answers PAL_ERR_NO_DRIVER when no node
// opens, else the ioctl's own result (0 on success, -1 as 0xFFFFFFFF on failure).
uint32_t PalDriverCall(unsigned long request, void* arg);
