// The one seam between the Linux binding and the kernel. Every system call the binding makes on a
// controller's behalf (device nodes, /proc probes, ioctls, the shell commands that load the
// driver) goes through these four entries. `tessel` links the real calls; `tessel-emu` links the
// controller emulator in their place; unit tests install a recorder with OverrideSysCalls.
#pragma once

struct SysCalls {
    // open(2): returns a descriptor or -1 with errno set.
    int (*open)(const char* path, int flags);
    int (*close)(int fd);
    // ioctl(2) with a pointer argument: returns the driver's result, -1 with errno on failure.
    int (*ioctl)(int fd, unsigned long request, void* arg);
    // system(3): runs a shell command and returns its wait status.
    int (*system)(const char* command);
};

// The calls chosen at link time: the real kernel for `tessel`, the emulator for `tessel-emu`.
const SysCalls& PlatformSysCalls();

// The calls in force: PlatformSysCalls() unless a test installed its own.
const SysCalls& ActiveSysCalls();
void OverrideSysCalls(const SysCalls* calls);
