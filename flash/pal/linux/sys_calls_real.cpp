#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

#include "flash/pal/linux/sys_calls.h"

namespace {
int RealOpen(const char* path, int flags) { return ::open(path, flags); }
int RealClose(int fd) { return ::close(fd); }
int RealIoctl(int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); }
int RealSystem(const char* command) { return std::system(command); }
constexpr SysCalls kRealSysCalls{RealOpen, RealClose, RealIoctl, RealSystem};
}  // namespace

const SysCalls& PlatformSysCalls() { return kRealSysCalls; }
