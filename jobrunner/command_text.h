// The command text of a line: its mode marker, the external variable, and the tests that decide
// how a command is treated.
#pragma once

#include <optional>
#include <string>

#include "jobrunner/run_options.h"

// Removes a leading "force" or "update" marker with its separator and names the mode it marks.
std::optional<RunMode> TakeModeMarker(std::string& command);

// The first "!{EXTVAR}" becomes the value when the option is present, and goes otherwise.
void ReplaceExternalVariable(std::string& command, const RunOptions& options);

bool IsFlagLine(const std::string& command);
// The flag word "flag" and one separator removed.
std::string FlagTextOf(const std::string& command);

// In the preinstallation environment these commands are skipped: "net " (any case) unless it
// names the service-control service, and "arcpeel" (any case).
bool IsSkippedInPreinstallation(const std::string& command);

bool IsQuillonCommand(const std::string& command);
