// Executing one pending command line: its state and code in the file, the command itself, and
// the evaluation of its code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "jobrunner/job_run.h"

// The line starts with its state character; length excludes the CR before the LF and is at least
// the six columns before the command. Returns the evaluation result (0 goes on).
uint32_t ExecuteLine(JobRun& job, size_t lineStart, size_t lineLength);

// A flag line's code: an agent command's result, or 0 once the flag words have filled their slots.
int32_t ParseFlagText(JobRun& job, const std::string& flagText);
