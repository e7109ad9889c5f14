// The run of Stepwright from its command line to its exit status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

uint32_t RunStepwright(const std::vector<std::string>& arguments);
