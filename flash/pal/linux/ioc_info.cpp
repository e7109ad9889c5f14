#include "flash/pal/linux/ioc_info.h"

#include <array>

#include "flash/pal/linux/control_device.h"
#include "flash/pal/pal.h"

uint32_t PalRequestIocInfo(uint32_t iocNumber, MptIocInfo* info) {
    std::array<uint8_t, kMptIocInfoSize> frame{};
    EncodeMptIoctlHeader({iocNumber, 0, kMptIocInfoSize}, frame);
    const uint32_t status = PalDriverCall(MPTIOCINFO, frame.data());
    if (status != PAL_OK) return status;
    return DecodeMptIocInfo(frame, info) ? PAL_OK : PAL_ERR_FAILED;
}
