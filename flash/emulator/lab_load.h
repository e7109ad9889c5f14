// Reading a lab directory: machine.conf and every controller directory "ioc<N>" (N the kernel's
// IOC number in decimal). A controller whose files are malformed is reported on stderr and left
// out, as if it were not in the machine.
#pragma once

#include <filesystem>

#include "flash/emulator/lab.h"

namespace emu {

Lab LoadLab(const std::filesystem::path& root);

}  // namespace emu
