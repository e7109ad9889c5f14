// The driver's three ioctls against the lab: adapter information, hard reset and one MPI
// request carried to a controller and back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "flash/emulator/driver_nodes.h"
#include "flash/emulator/lab.h"

namespace emu {

// What the trace tells about one ioctl.
struct IoctlRecord {
    std::string call;                   // "MPTCOMMAND ioc0 function 0x04 action 1 ..."
    std::optional<uint16_t> iocStatus;  // from the reply of a request the controller answered
};

// 0, or the negated errno of the failing call.
int HandleIoctl(Lab& lab, const FdTable& fds, int fd, unsigned long request, void* arg,
                IoctlRecord* record);

}  // namespace emu
