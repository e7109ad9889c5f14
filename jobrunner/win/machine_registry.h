// The local machine's registry as the runner reads it.
#pragma once

#include <string>

#include "jobrunner/job_host.h"

// True when "SYSTEM\CurrentControlSet\Control\MiniNT" opens with full access.
bool IsPreinstallationEnvironment();

// A string value; the key is opened again in the 64-bit view when the first open fails.
RegistryText ReadMachineString(const std::string& key, const std::string& valueName);
