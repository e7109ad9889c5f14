// The process exit status composed from the run's result and the sticky conditions.
#pragma once

#include <cstdint>

#include "jobrunner/condition_flags.h"

uint32_t ComposeExitStatus(uint32_t result, bool autonomic, const ConditionFlags& conditions);
