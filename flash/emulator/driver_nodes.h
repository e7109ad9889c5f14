// The driver's side of the machine: which device nodes and /proc entries open, the descriptors
// handed out for them, and the shell commands that load the module and make the node.
#pragma once

#include <vector>

#include "flash/emulator/lab.h"

namespace emu {

enum class NodeKind : uint8_t { kControlDevice, kProcEntry };

struct OpenNode {
    int fd = 0;
    NodeKind kind = NodeKind::kControlDevice;
};

// Descriptors from kFirstFakeFd up, far above what the process itself opens, so a descriptor
// mixed up with a real one shows.
struct FdTable {
    std::vector<OpenNode> open;
};

constexpr int kFirstFakeFd = 1000;
constexpr size_t kMaxOpenNodes = 64;

// These answer like the kernel: a descriptor or 0, else the negated errno.
int OpenDriverPath(const Lab& lab, FdTable* fds, const char* path, int flags);
int CloseDriverFd(FdTable* fds, int fd);
const OpenNode* FindOpenNode(const FdTable& fds, int fd);

// The wait status of the command; module loads and mknod change the lab's machine.
int RunShellCommand(Lab* lab, const char* command);

}  // namespace emu
