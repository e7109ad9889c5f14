// The call trace: with TESSEL_EMU_TRACE naming a file, one line per system call is appended to
// it, so that program tests can check the sequence of calls. Line formats are in LAB.md.
#pragma once

#include <string>
#include <string_view>

namespace emu {

void TraceLine(std::string_view line);
// "0", a descriptor, or "-1 <ERRNO NAME>" for a negated errno.
std::string TraceResult(int result);

}  // namespace emu
