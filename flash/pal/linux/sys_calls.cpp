#include "flash/pal/linux/sys_calls.h"

namespace {
const SysCalls* gOverride = nullptr;
}

const SysCalls& ActiveSysCalls() { return gOverride ? *gOverride : PlatformSysCalls(); }

void OverrideSysCalls(const SysCalls* calls) { gOverride = calls; }
