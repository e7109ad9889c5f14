// The walk of the command section of the run's mode, line by pending line.
#pragma once

#include <cstdint>

#include "jobrunner/job_run.h"

// 0 when the section ran to its end, the first nonzero evaluation result, or 0x22030003 when the
// section or a line end is missing.
uint32_t WalkCommandSection(JobRun& job);
