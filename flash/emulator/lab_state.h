// Writing state changes back into the lab's description files, so that the next run of the
// program finds the machine and the controllers as this run left them.
#pragma once

#include "flash/emulator/lab.h"

namespace emu {

// driver_loaded and mptctl_node_made; a lab without machine.conf gets a complete one.
bool SaveMachineState(const Lab& lab);
// ioc_state and pending_firmware of the controller's controller.conf.
bool SaveControllerState(const Controller& controller);

}  // namespace emu
