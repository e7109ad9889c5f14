// File access for the lab. Every write goes to a temporary file beside the target and is renamed
// over it, so an interrupted run never leaves a half-written lab behind.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace emu {

bool ReadWholeFile(const std::filesystem::path& path, std::string* contents);
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents);
// Rewrites the given keys of a description file in place, keeping every other line.
bool UpdateKeysInFile(const std::filesystem::path& path,
                      const std::vector<std::pair<std::string_view, std::string>>& values);

// "tessel-emu: <file>:<line>: <message>; <consequence>" on stderr (no line part for line 0).
void ReportLabProblem(const std::filesystem::path& file, unsigned line, std::string_view message,
                      std::string_view consequence);

}  // namespace emu
