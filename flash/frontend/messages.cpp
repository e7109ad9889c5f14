#include "flash/frontend/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

char MessageBuffer[kMessageBufferSize];

namespace {

uint8_t gOutputMode = kModeNormal;
bool gLogOn = false;
char gLogPath[kLogPathSize];

void FormatInto(char* buffer, size_t size, const char* format, va_list args) {
    if (size == 0) return;
    int needed = vsnprintf(buffer, size, format, args);
    if (needed < 0) {
        buffer[0] = '\0';
        return;
    }
    if (static_cast<size_t>(needed) >= size && size > 4) std::memcpy(buffer + size - 5, "...\n", 5);
}

void AppendToLog(const char* text) {
    // Opened and closed per message, so the log is complete even if the run is cut short.
    FILE* log = std::fopen(gLogPath, "a+");
    if (!log) return;
    std::fputs(text, log);
    std::fclose(log);
}

}  // namespace

void MessagePrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatInto(MessageBuffer, sizeof MessageBuffer, format, args);
    va_end(args);
}

void MessageFormat(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatInto(buffer, size, format, args);
    va_end(args);
}

void MessageEmit(uint8_t level) {
    bool show;
    if (level == kLevelError || level == kLevelReport) {
        show = true;
    } else if (gOutputMode == kModeSilent) {
        show = false;
    } else if (level == kLevelVerbose) {
        show = gOutputMode == kModeVerbose;
    } else if (level == kLevelDebug) {
        show = gOutputMode == kModeDebug;
    } else {
        show = level == kLevelNormal;
    }
    MessageFlush(show);
}

void MessageFlush(bool show) {
    if (show && MessageBuffer[0] != '\0') {
        std::fputs(MessageBuffer, stdout);
        std::fflush(stdout);
        if (gLogOn) AppendToLog(MessageBuffer);
    }
    MessageBuffer[0] = '\0';
}

void MessageShow(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatInto(MessageBuffer, sizeof MessageBuffer, format, args);
    va_end(args);
    MessageFlush(true);
}

void MessageAt(uint8_t level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatInto(MessageBuffer, sizeof MessageBuffer, format, args);
    va_end(args);
    MessageEmit(level);
}

void SetOutputMode(uint8_t mode) {
    gOutputMode = mode;
}
uint8_t GetOutputMode() {
    return gOutputMode;
}

void StartLog(const char* path) {
    std::snprintf(gLogPath, sizeof gLogPath, "%s", path);
    gLogOn = true;
}

void StopLog() {
    gLogOn = false;
}
