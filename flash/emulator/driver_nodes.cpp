#include "flash/emulator/driver_nodes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "flash/emulator/lab_state.h"
#include "flash/emulator/lab_text.h"

namespace emu {
namespace {

constexpr std::string_view kSasNode = "/dev/mptctl_sas";
constexpr std::string_view kMptctlNode = "/dev/mptctl";
constexpr std::string_view kProcPrefix = "/proc/mpt/ioc";

// A shell command that ran a program which exited with status 1.
constexpr int kExitStatusOne = 1 << 8;

struct ModuleLoad {
    std::string_view command;
    DriverModule module;
};

constexpr ModuleLoad kModuleLoads[] = {
    {"/sbin/modprobe mptctl_sas 2>/dev/null", DriverModule::kMptctlSas},
    {"/sbin/modprobe mptctl 2>/dev/null", DriverModule::kMptctl},
};

constexpr std::string_view kMakeMptctlNode = "/bin/mknod /dev/mptctl c 10 220";

bool ModuleLoaded(const Machine& machine, DriverModule module) {
    return machine.driver == module && machine.driverLoaded;
}

bool MptctlNodeExists(const Machine& machine) {
    return machine.mptctlNodeMade ||
           (ModuleLoaded(machine, DriverModule::kMptctl) && machine.driverNode);
}

// 0 when the path opens, else the errno the kernel would give.
int NodeError(const Lab& lab, std::string_view path, int flags, NodeKind* kind) {
    const Machine& machine = lab.machine;
    *kind = NodeKind::kControlDevice;
    if (path == kSasNode) {
        return ModuleLoaded(machine, DriverModule::kMptctlSas) && machine.driverNode ? 0 : ENOENT;
    }
    if (path == kMptctlNode) {
        if (!MptctlNodeExists(machine)) return ENOENT;
        // A node made by mknod while no module serves its minor number opens nothing.
        return ModuleLoaded(machine, DriverModule::kMptctl) ? 0 : ENODEV;
    }
    if (path.starts_with(kProcPrefix)) {
        *kind = NodeKind::kProcEntry;
        std::string_view digits = path.substr(kProcPrefix.size());
        uint64_t number = 0;
        bool asPrinted = !digits.empty() && (digits.size() == 1 || digits[0] != '0') &&
                         digits.find_first_not_of("0123456789") == std::string_view::npos &&
                         ParseNumber(digits, kMaxIocNumber, &number);
        bool driverUp = machine.driver != DriverModule::kNone && machine.driverLoaded;
        if (!asPrinted || !driverUp || !lab.controllers.contains(static_cast<unsigned>(number))) {
            return ENOENT;
        }
        // The entry is a directory: it opens for reading only.
        return (flags & O_ACCMODE) == O_RDONLY ? 0 : EISDIR;
    }
    return ENOENT;
}

int LoadModule(Lab* lab, DriverModule module) {
    Machine& machine = lab->machine;
    if (ModuleLoaded(machine, module)) return 0;
    if (machine.driver != module || machine.failModuleLoad) return kExitStatusOne;
    machine.driverLoaded = true;
    SaveMachineState(*lab);
    return 0;
}

int MakeMptctlNode(Lab* lab) {
    Machine& machine = lab->machine;
    if (MptctlNodeExists(machine)) {
        std::fprintf(stderr, "/bin/mknod: /dev/mptctl: File exists\n");
        return kExitStatusOne;
    }
    machine.mptctlNodeMade = true;
    SaveMachineState(*lab);
    return 0;
}

// Screen clearing and the like: run only where a person watches, so that the output of a
// program run under test stays exactly what the program printed.
int RunRealCommand(const char* command) {
    if (!::isatty(STDOUT_FILENO)) return 0;
    std::cout.flush();
    std::fflush(nullptr);
    return std::system(command);
}

}  // namespace

int OpenDriverPath(const Lab& lab, FdTable* fds, const char* path, int flags) {
    if (!path) return -EFAULT;
    NodeKind kind;
    if (int error = NodeError(lab, path, flags, &kind)) return -error;
    if (fds->open.size() >= kMaxOpenNodes) return -EMFILE;
    int fd = kFirstFakeFd;
    while (FindOpenNode(*fds, fd)) ++fd;
    fds->open.push_back({fd, kind});
    return fd;
}

int CloseDriverFd(FdTable* fds, int fd) {
    for (auto it = fds->open.begin(); it != fds->open.end(); ++it) {
        if (it->fd == fd) {
            fds->open.erase(it);
            return 0;
        }
    }
    return -EBADF;
}

const OpenNode* FindOpenNode(const FdTable& fds, int fd) {
    for (const OpenNode& node : fds.open) {
        if (node.fd == fd) return &node;
    }
    return nullptr;
}

int RunShellCommand(Lab* lab, const char* command) {
    // A shell is always there to ask.
    if (!command) return 1;
    for (const ModuleLoad& load : kModuleLoads) {
        if (load.command == command) return LoadModule(lab, load.module);
    }
    if (kMakeMptctlNode == command) return MakeMptctlNode(lab);
    return RunRealCommand(command);
}

}  // namespace emu
