// Turns the argument vector (or a command file's tokens) into command records and runs them.
#pragma once

#include <cstddef>

struct CommandRecord;

inline constexpr size_t kArgumentBufferSize = 512;  // at most 509 characters

// Element 0 is ignored. Answers 1 when every argument was accepted and the dispatcher succeeded.
int ParseAndRun(unsigned argumentCount, const char* const* arguments);

// Opens a file argument into a FileTable slot at position (0-based) of record; files opened for
// reading in the first two positions are read whole. Prints the open error.
bool OpenFileArgument(CommandRecord* record, int position, const char* name, const char* mode);
