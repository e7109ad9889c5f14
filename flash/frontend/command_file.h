// "@file": options read from a text file instead of the command line.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr int kMaxCommandFileTokens = 49;
inline constexpr size_t kCommandFileTokenSize = 256;  // at most 255 characters
inline constexpr size_t kCommandFileNameMax = 255;

struct CommandFileTokens {
    int count = 0;
    char tokens[kMaxCommandFileTokens][kCommandFileTokenSize];
};

enum class TokenizeResult { kOk, kTooManyTokens, kTokenTooLong };

// Tokens are separated by blanks, line feeds and carriage returns; "#", tabs and separators are
// skipped where a token would start but kept inside one. The text ends at its first zero byte.
TokenizeResult TokenizeCommandFile(std::string_view text, CommandFileTokens* tokens);

// Reads and tokenizes the named file, printing the reader's own errors. False when nothing may
// be parsed.
bool ReadCommandFile(const char* name, CommandFileTokens* tokens);
