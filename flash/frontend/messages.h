// The one message path: every text the program shows is formatted into MessageBuffer and then
// shown (standard output, and the -l log when it is on) or dropped by level and output mode.
#pragma once

#include <cstddef>
#include <cstdint>

enum OutputLevel : uint8_t {
    kLevelNormal = 0,  // the firmware prompt
    kLevelError = 1,
    kLevelReport = 2,
    kLevelVerbose = 3,
    kLevelDebug = 4,
};

enum OutputMode : uint8_t {
    kModeNormal = 0,
    kModeSilent = 2,
    kModeVerbose = 3,
    kModeDebug = 4,
};

inline constexpr size_t kMessageBufferSize = 512;
inline constexpr size_t kLogPathSize = 256;

extern char MessageBuffer[kMessageBufferSize];

// A text longer than the buffer keeps its start and ends in "...\n", so the cut is visible and
// the next message still starts on its own line.
void MessagePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void MessageEmit(uint8_t level);
void MessageFlush(bool show);

// Formats into a caller's buffer, with the same cut rule.
void MessageFormat(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Formats and shows at once in every mode: the banner and the parser's messages.
void MessageShow(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Formats and emits at a level: the usual pair in one call.
void MessageAt(uint8_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));

void SetOutputMode(uint8_t mode);
uint8_t GetOutputMode();

// The -l log: every shown message is appended to this file from then on.
void StartLog(const char* path);
void StopLog();
