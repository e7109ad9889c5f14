// BasicParameters: where the job's files are, where its commands run, and the job's file names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

constexpr size_t kFileTableSize = 51;
// Staging builds its paths in buffers of 256 characters, terminator included.
constexpr size_t kStagingPathLimit = 255;

struct BasicParameters {
    std::string execPath;
    std::string fwPath;
    std::vector<std::string> fileNames;  // never more than kFileTableSize

    int NumberOfFiles() const { return static_cast<int>(fileNames.size()); }
    // False when the table is full; the name is then not taken.
    bool AddFileName(const std::string& name);
};

// The argument file's path up to its last backslash, "/tmp" without one.
std::string ExecPathOf(const std::string& argumentFile);

// The runner's own files, which the autonomic form finds beside the job's.
bool IsRunnerFile(const std::string& name);

// directory + "\" + name, or nothing when that does not fit the staging buffers.
std::optional<std::string> StagingPath(const std::string& directory, const std::string& name);
