// The argument file as the runner reads and rewrites it: header and key searches, the basic
// parameters' "FWPATH=", the command section and its pending lines, and the two rewrites.
// The view is the mapped file: it has no terminating NUL, so every search is bounded by its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "jobrunner/run_options.h"

constexpr size_t kNotFound = std::string_view::npos;
// Columns 0 to 5 (state, space, code field, space) precede the command text.
constexpr size_t kCommandColumn = 6;
constexpr size_t kCodeColumn = 2;

struct FwPathLookup {
    uint32_t result = 0;                 // 0 or the result of reading the basic parameters
    const char* debugMessage = nullptr;  // console line for "-d"
    std::string value;                   // FwPath when result is 0
};

// "[Runtime]", the first line after it that is not a comment, and "FWPATH=" from there. In the
// autonomic form the working directory stands in for the value.
FwPathLookup FindFwPath(std::string_view text, bool autonomic, const std::string& workingDirectory);

struct CommandSection {
    enum class Status { kFound, kHeaderMissing, kEndMissing };
    Status status = Status::kHeaderMissing;
    size_t cursor = kNotFound;  // the LF that ends the header line
    size_t end = kNotFound;     // where the end header starts
};

CommandSection FindCommandSection(std::string_view text, RunMode mode);

struct PendingLine {
    enum class Kind { kLine, kEnd, kCorrupted };
    Kind kind = Kind::kEnd;
    size_t start = 0;
    size_t length = 0;  // up to the LF, less the CR taken to stand before it
    size_t lf = 0;
};

// The next line after the cursor (an LF) whose state is "0", within the section.
PendingLine NextPendingLine(std::string_view text, size_t cursor, size_t end);

void MarkLineStarted(std::span<char> view, size_t lineStart);
void WriteCodeField(std::span<char> view, size_t lineStart, int32_t code);
