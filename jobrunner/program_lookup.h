// Telling a command that failed from a command whose program does not exist.
#pragma once

#include <cstdint>
#include <string>

#include "jobrunner/job_host.h"

struct ProgramName {
    std::string name;
    bool absolute = false;  // drive, colon, backslash (possibly after a double quote)
};

// The part of a command before its first " -", or failing that its first space; a quoted name
// loses its quotes.
ProgramName ProgramNameOf(const std::string& command);

// 1 when the command's program exists (as named, or with ".exe"), 666 when it does not; an
// absolute name is tried as it stands, any other in the current directory and then along PATH.
int32_t LookUpCommand(const std::string& command, JobHost& host);

// Whether the interpreter's code may mean "program not found": the old interpreters answer 1,
// cmd.exe answers 9009.
bool MayBeMissingProgram(int32_t code);
