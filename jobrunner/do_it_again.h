// DoItAgain: a second attempt for the update manager's own tool, with the tool's directory from
// the registry appended to PATH.
#pragma once

#include <cstdint>
#include <string>

#include "jobrunner/job_host.h"

// The registry keys tried in turn for a command beginning with "Quillon".
inline constexpr const char* kQuillonKeys[] = {
    "SOFTWARE\\Vostrel\\Lodestar Suite\\Quillon",
    "SOFTWARE\\Vostrel Amrak\\Quillon",
};
inline constexpr const char* kQuillonPathValue = "Path";

// The command's code after the second attempt, or 666 when the attempt could not be made or the
// program still cannot be found. The extended PATH stays for the rest of the run.
int32_t DoItAgain(const std::string& key, const std::string& valueName, const std::string& command,
                  JobHost& host);
