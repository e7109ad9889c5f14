// PalOpen: finds the control driver (loading it when needed) and the controllers behind it.

#include <fcntl.h>

#include <cstdio>
#include <initializer_list>
#include <utility>

#include "flash/pal/linux/ioc_info.h"
#include "flash/pal/linux/scoped_fd.h"
#include "flash/pal/linux/sys_calls.h"
#include "flash/pal/pal.h"
#include "flash/pal/pal_context.h"

namespace {

// Each node with the shell commands that may make it appear, tried in order with a fresh open
// after each.
struct NodeFallback {
    const char* node;
    std::initializer_list<const char*> commands;
};
constexpr NodeFallback kNodeFallbacks[] = {
    {"/dev/mptctl_sas", {"/sbin/modprobe mptctl_sas 2>/dev/null"}},
    {"/dev/mptctl", {"/sbin/modprobe mptctl 2>/dev/null", "/bin/mknod /dev/mptctl c 10 220"}},
};

constexpr uint32_t kIocNumberLimit = 256;
constexpr const char* kProcEntryFormat = "/proc/mpt/ioc%u";

constexpr uint32_t kAccessFilterFamilies = 0x80000000;

// A controller family and the access-mask bits of which any one admits it.
struct Family {
    std::initializer_list<uint16_t> deviceIds;
    uint32_t maskBits;
};
constexpr Family kFamilies[] = {
    {{0x0030, 0x0031, 0x0032, 0x0033, 0x0040, 0x0041}, 0x00001000},                    // SCSI
    {{0x0621, 0x0622, 0x0624, 0x0626, 0x0628, 0x0640, 0x0642}, 0x0000E000},            // FC
    {{0x0050, 0x0051, 0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x005C,  // SAS
      0x005E, 0x0062},
     0x01000000},
};

bool FamilyEnabled(uint32_t accessMask, uint32_t pciId) {
    for (const Family& family : kFamilies) {
        for (uint16_t id : family.deviceIds) {
            if (id == pciId) return (accessMask & family.maskBits) != 0;
        }
    }
    return false;
}

int OpenDiscoveryNode() {
    const SysCalls& sys = ActiveSysCalls();
    for (const NodeFallback& fallback : kNodeFallbacks) {
        int fd = sys.open(fallback.node, O_RDWR);
        for (const char* command : fallback.commands) {
            if (fd >= 0) break;
            sys.system(command);
            fd = sys.open(fallback.node, O_RDWR);
        }
        if (fd >= 0) return fd;
    }
    return -1;
}

bool ProcEntryExists(const char* path) {
    const ScopedFd entry(ActiveSysCalls().open(path, O_RDONLY));
    return entry.ok();
}

void DiscoverController(PalContext& pal, uint32_t iocNumber, const char* procPath) {
    ++pal.adapterCount;
    PalAdapter adapter;
    adapter.handle = kPalObjectKindAdapter + pal.handleCounter++;
    adapter.iocNumber = iocNumber;
    adapter.procPath = procPath;

    MptIocInfo info;
    if (PalRequestIocInfo(iocNumber, &info) == PAL_OK && (pal.accessMask & kAccessFilterFamilies) &&
        !FamilyEnabled(pal.accessMask, info.pciId)) {
        return;  // dropped, yet it stays counted and keeps its handle number
    }

    pal.adapters.push_back(std::move(adapter));
    PalAdapter& kept = pal.adapters.back();
    uint32_t factsSize = static_cast<uint32_t>(kept.facts.size());
    PalIocFacts(kept.handle, kept.facts.data(), &factsSize, nullptr);
}

}  // namespace

uint32_t PalOpen(uint32_t accessMask, uint32_t* adapterCount) {
    PalContext* pal = PalCurrentContext();
    if (!pal) return PAL_ERR_FAILED;
    if (adapterCount) *adapterCount = 0;
    pal->accessMask = accessMask;

    const ScopedFd node(OpenDiscoveryNode());
    if (!node.ok()) return PAL_ERR_NO_DRIVER;

    pal->adapters.clear();
    pal->adapterCount = 0;
    pal->handleCounter = 1;
    for (uint32_t ioc = 0; ioc < kIocNumberLimit; ++ioc) {
        char path[32];
        std::snprintf(path, sizeof path, kProcEntryFormat, ioc);
        if (ProcEntryExists(path)) DiscoverController(*pal, ioc, path);
    }
    if (adapterCount) *adapterCount = pal->adapterCount;
    return PAL_OK;
}
