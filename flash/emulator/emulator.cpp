#include "flash/emulator/emulator.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

#include "flash/emulator/default_lab.h"
#include "flash/emulator/driver_nodes.h"
#include "flash/emulator/ioctl_handlers.h"
#include "flash/emulator/lab_load.h"
#include "flash/emulator/trace.h"
#include "flash/pal/linux/sys_calls.h"

namespace emu {
namespace {

struct EmulatorState {
    std::optional<Lab> lab;
    FdTable fds;
};

EmulatorState& State() {
    static EmulatorState state;
    return state;
}

// The lab is read at the first call, not at start-up, so that a test can choose it first.
Lab& LoadedLab() {
    EmulatorState& state = State();
    if (!state.lab) state.lab = LoadLab(PrepareLabDirectory());
    return *state.lab;
}

int AsSysCallResult(int result) {
    if (result >= 0) return result;
    errno = -result;
    return -1;
}

int EmulatedOpen(const char* path, int flags) {
    int result = OpenDriverPath(LoadedLab(), &State().fds, path, flags);
    TraceLine("open " + std::string(path ? path : "(null)") + " -> " + TraceResult(result));
    return AsSysCallResult(result);
}

int EmulatedClose(int fd) {
    int result = CloseDriverFd(&State().fds, fd);
    TraceLine("close " + std::to_string(fd) + " -> " + TraceResult(result));
    return AsSysCallResult(result);
}

int EmulatedIoctl(int fd, unsigned long request, void* arg) {
    IoctlRecord record;
    int result = HandleIoctl(LoadedLab(), State().fds, fd, request, arg, &record);
    std::string line = "ioctl " + record.call + " -> " + TraceResult(result);
    if (result == 0 && record.iocStatus && *record.iocStatus != 0) {
        char status[24];
        std::snprintf(status, sizeof status, " iocstatus 0x%04x", *record.iocStatus);
        line += status;
    }
    TraceLine(line);
    return AsSysCallResult(result);
}

int EmulatedSystem(const char* command) {
    int status = RunShellCommand(&LoadedLab(), command);
    TraceLine("system " + std::string(command ? command : "(null)") + " -> " +
              std::to_string(status));
    return status;
}

constexpr SysCalls kEmulatedSysCalls{EmulatedOpen, EmulatedClose, EmulatedIoctl, EmulatedSystem};

}  // namespace
}  // namespace emu

const SysCalls& PlatformSysCalls() {
    return emu::kEmulatedSysCalls;
}

void EmulatorResetForTest() {
    emu::State().lab.reset();
    emu::State().fds.open.clear();
}
