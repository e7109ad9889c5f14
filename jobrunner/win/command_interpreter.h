// Running one command line through the interpreter named by COMSPEC.
#pragma once

#include <string>

#include "jobrunner/job_host.h"

// "<COMSPEC>" /c command, in the current directory, with the runner's environment and console;
// waits for it and answers its exit status.
InterpreterRun RunThroughInterpreter(const std::string& command);

// The process environment's value, or nothing when the variable is not set.
std::optional<std::string> EnvironmentValue(const std::string& name);
