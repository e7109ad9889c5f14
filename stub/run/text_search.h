// Text helpers shared by the command-line rules: switches and file names compare without case in
// the system's code page, and blanks are whatever sorts at or below a space.
#pragma once

#include <string>
#include <string_view>

// Position of the first case-insensitive occurrence of `needle` at or after `from`, or npos.
size_t FindNoCase(std::string_view text, std::string_view needle, size_t from = 0);
// `text` without leading and trailing characters at or below a space (control characters too).
std::string_view TrimBlanks(std::string_view text);
