// The web-install branch of the run step: a stub without entries fetches its package (from beside
// itself, from a directory or over HTTP), checks that the package carries the stub's web token
// and hands it to the same extraction and engine start as a local package.
#pragma once

#include <string>

// The branch as the run step calls it; `agentName` is set when the stub writes an agent copy.
void RunWebInstall(const std::string& agentName);
// Fetches `fileName` from `base` (a directory or a URL) unless it lies there as a local file,
// checks it and runs it with `directory` as the extraction directory.
void WebInstallRun(const std::string& directory, const std::string& base,
                   const std::string& fileName);
