// The agent service "StillForge" under the service control manager: stop, start, and replacing
// its program file. Each answers 0 or a system error number.
#pragma once

#include <cstdint>
#include <string>

uint32_t StopAgentService();
// Waits while a stop is still pending, then starts the service without arguments.
uint32_t StartAgentService();
// 2 when the file does not exist; otherwise 0 once the configuration was read, whether or not
// the copy over the service's program path succeeded.
uint32_t CopyAgentProgram(const std::string& file);
