// The restart of the machine that a reboot decision calls for.
#pragma once

#include <cstdint>

// Enables the shutdown privilege and asks for an immediate, forced restart of the local machine;
// answers the last system error number. The runner goes on while the system goes down.
uint32_t RequestMachineRestart();
