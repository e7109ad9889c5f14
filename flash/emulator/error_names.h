// errno values by their names, for lab files (fail_ioctl) and trace lines.
#pragma once

#include <string_view>

namespace emu {

// 0 when the name is not one the lab accepts.
int ErrorByName(std::string_view name);
// "E<NAME>", or the number for one outside the table.
std::string_view ErrorName(int error);

}  // namespace emu
