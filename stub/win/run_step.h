// The installation itself: the first timer tick extracts the package into SetupDir, starts the
// installer engine inside it, waits for the engine and takes over its exit code.
#pragma once

#include <string>

// First timer tick in installer mode; runs once.
void RunStep();
// Extracts `archive` into `directory` and runs its engine; true when the engine signalled
// success by deleting its atom.
bool ExtractAndRun(std::string directory, const std::string& archive, const std::string& agentName,
                   const std::string& parameters, bool foreground);
