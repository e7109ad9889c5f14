// The description files of a lab: machine.conf (the machine and its driver) and the
// controller.conf of every controller. Every key, its default and its meaning are in LAB.md.
#pragma once

#include <string>
#include <string_view>

#include "flash/emulator/lab.h"
#include "flash/emulator/lab_text.h"

namespace emu {

bool ParseMachineDescription(std::string_view text, Machine* machine, TextProblem* problem);
bool ParseControllerDescription(std::string_view text, ControllerDescription* description,
                                TextProblem* problem);

// The values the emulator writes back when the machine or a controller changes state.
std::string_view IocStateText(IocState state);
std::string_view DriverModuleText(DriverModule driver);
std::string_view YesNo(bool value);

// A whole machine.conf for the given machine, for a lab that had none.
std::string FormatMachineDescription(const Machine& machine);

}  // namespace emu
