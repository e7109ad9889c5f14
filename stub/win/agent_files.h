// The agent's files beside it: the original file (its memory between runs), the information file
// of the last probe and the X_ copy, read and written through the system's profile functions.
#pragma once

#include <cstdint>
#include <string>

std::string AgentDirectory();
std::string OriginalFilePath();
std::string InfoFilePath();
// The plain agent's directory + "X_" + its file name.
std::string XAgentPath();

// A value of at most 10240 characters; `fallback` when the key is missing.
std::string ProfileText(const std::string& file, const char* section, const char* key,
                        const char* fallback = "");
// A signed 64-bit decimal; `fallback` when missing or not a number.
int64_t ProfileNumber(const std::string& file, const char* section, const char* key,
                      int64_t fallback);
// True when the value is exactly "1".
bool ProfileFlag(const std::string& file, const char* section, const char* key);
bool WriteProfileText(const std::string& file, const char* section, const char* key,
                      const std::string& value);
