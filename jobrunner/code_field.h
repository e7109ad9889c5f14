// The three-column code field of a command line (columns 2 to 4).
#pragma once

#include <array>
#include <cstdint>

// One or two characters of decimal text are right-aligned with "0" padding; longer text keeps
// its first three characters (so 570621955 reads 570).
std::array<char, 3> FitCodeField(int32_t code);
