// PalHardReset: the driver's hard reset of one controller.

#include <array>

#include "flash/pal/linux/control_device.h"
#include "flash/pal/linux/mpt_ioctl.h"
#include "flash/pal/pal.h"
#include "flash/pal/pal_context.h"

uint32_t PalHardReset(uint32_t adapterHandle) {
    PalContext* pal = PalCurrentContext();
    if (!pal) return PAL_ERR_FAILED;
    const PalAdapter* adapter = PalFindAdapter(*pal, adapterHandle).adapter;
    if (!adapter) return PAL_ERR_NO_SUCH_ADAPTER;

    std::array<uint8_t, kMptHardResetSize> frame{};
    EncodeMptHardReset(adapter->iocNumber, frame);
    return PalDriverCall(MPTHARDRESET, frame.data());
}
