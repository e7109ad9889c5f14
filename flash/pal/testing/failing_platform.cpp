// The platform calls of the test program: every one fails, so a test that forgot to install its
// fake can never reach the host's devices or shell.
#include <cerrno>

#include "flash/pal/linux/sys_calls.h"

namespace {
int NoOpen(const char*, int) {
    return errno = ENOSYS, -1;
}
int NoClose(int) {
    return errno = ENOSYS, -1;
}
int NoIoctl(int, unsigned long, void*) {
    return errno = ENOSYS, -1;
}
int NoSystem(const char*) {
    return -1;
}
constexpr SysCalls kNoSysCalls{NoOpen, NoClose, NoIoctl, NoSystem};
}  // namespace

const SysCalls& PlatformSysCalls() {
    return kNoSysCalls;
}
