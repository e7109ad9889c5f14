// The driver's adapter-information request for one controller.
#pragma once

#include <cstdint>

#include "flash/pal/linux/mpt_ioctl.h"

// Answers 0 and fills `info`, or the failing driver call's status.
uint32_t PalRequestIocInfo(uint32_t iocNumber, MptIocInfo* info);
