// Starting another program without waiting for it, and the local clock in the stub's calendar
// form.
#pragma once

#include <windows.h>

#include <string>

#include "stub/run/local_time.h"

// Starts `commandLine` with the window shown as `show`. A non-empty `program` names the executable
// apart from the command line, so a space in its path cannot make the system guess.
bool StartProgram(const std::string& program, const std::string& commandLine, WORD show);

LocalTime LocalNow();
