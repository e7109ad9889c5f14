// The list of "omit_ret_codes ": return codes that clear an abort or reboot result.
#pragma once

#include <cstdint>
#include <string_view>

// True when code equals an item of the list. An item that does not fit 32 bits ends the process
// with status 1 after the conversion's range error on the error stream.
bool OmitListContains(std::string_view list, int32_t code);
