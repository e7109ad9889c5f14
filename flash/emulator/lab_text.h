// The two text forms of a lab: "key = value" description files and hex byte files (pages).
// Both take '#' comments and report the first problem with its line number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

struct TextProblem {
    unsigned line = 0;  // 0: the file as a whole
    std::string message;
};

struct KeyValueLine {
    unsigned line = 0;
    std::string key;
    std::string value;
};

// Blank and comment lines are skipped; every other line must be "key = value" (value may be
// empty). A '#' at the start of a line or after a blank starts a comment.
bool ParseKeyValueText(std::string_view text, std::vector<KeyValueLine>* lines,
                       TextProblem* problem);

// Decimal, or hexadecimal with a 0x prefix; at most `maxValue`.
bool ParseNumber(std::string_view text, uint64_t maxValue, uint64_t* value);

// Whitespace-separated bytes of two hex digits each, with comments.
bool ParseHexBytes(std::string_view text, std::vector<uint8_t>* bytes, TextProblem* problem);
// The hex form read back by ParseHexBytes: a comment line, then 16 bytes per line.
std::string FormatHexBytes(const std::vector<uint8_t>& bytes, std::string_view comment);

// Replaces the value of the first line holding `key`, or appends "key = value"; keeps every
// other line as it was.
std::string ReplaceKeyValue(std::string_view text, std::string_view key, std::string_view value);

std::string_view TrimBlanks(std::string_view text);

}  // namespace emu
