#include "flash/pal/linux/control_device.h"

#include <fcntl.h>

#include "flash/pal/linux/scoped_fd.h"
#include "flash/pal/linux/sys_calls.h"
#include "flash/pal/pal.h"

namespace {
constexpr const char* kControlDeviceNodes[] = {"/dev/mptctl_sas", "/dev/mptctl"};
}

int PalOpenControlDevice() {
    for (const char* node : kControlDeviceNodes) {
        const int fd = ActiveSysCalls().open(node, O_RDWR);
        if (fd >= 0) return fd;
    }
    return -1;
}

uint32_t PalDriverCall(unsigned long request, void* arg) {
    const ScopedFd device(PalOpenControlDevice());
    if (!device.ok()) return PAL_ERR_NO_DRIVER;
    return static_cast<uint32_t>(ActiveSysCalls().ioctl(device.get(), request, arg));
}
