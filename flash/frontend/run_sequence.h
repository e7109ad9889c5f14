// Start-up, enumeration and the run step of the program.
#pragma once

#include <cstdint>

#include "flash/adapters/adapter_list.h"

// Answers whether the platform layer is ready.
bool StartupStep();
EnumerationResult EnumerationStep(bool palReady);
// Non-zero for success.
uint8_t RunStep(uint16_t argumentCount, const char* const* arguments, bool palReady,
                EnumerationResult adapters);

// The whole program: answers the process exit status.
int TesselMain(int argc, const char* const* argv);
