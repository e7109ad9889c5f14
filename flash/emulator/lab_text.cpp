#include "flash/emulator/lab_text.h"

#include <cstdio>

namespace emu {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view WithoutComment(std::string_view line) {
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || IsBlank(line[i - 1]))) return line.substr(0, i);
    }
    return line;
}

// Calls `visit(lineNumber, line)` for every line; stops early when it returns false.
template <typename Visit>
bool ForEachLine(std::string_view text, Visit visit) {
    unsigned number = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!visit(++number, line)) return false;
    }
    return true;
}

bool IsKeyChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool ParseKeyValueText(std::string_view text, std::vector<KeyValueLine>* lines,
                       TextProblem* problem) {
    lines->clear();
    return ForEachLine(text, [&](unsigned number, std::string_view line) {
        line = TrimBlanks(WithoutComment(line));
        if (line.empty()) return true;
        size_t equals = line.find('=');
        std::string_view key = TrimBlanks(line.substr(0, equals));
        if (equals == std::string_view::npos || key.empty()) {
            *problem = {number, "expected \"key = value\", found \"" + std::string(line) + "\""};
            return false;
        }
        for (char c : key) {
            if (!IsKeyChar(c)) {
                *problem = {number, "\"" + std::string(key) + "\" is not a key name"};
                return false;
            }
        }
        lines->push_back(
            {number, std::string(key), std::string(TrimBlanks(line.substr(equals + 1)))});
        return true;
    });
}

bool ParseNumber(std::string_view text, uint64_t maxValue, uint64_t* value) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    uint64_t result = 0;
    for (char c : text) {
        int digit = HexDigit(c);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
        uint64_t d = static_cast<unsigned>(digit);
        if (d > maxValue || result > (maxValue - d) / base) return false;
        result = result * base + d;
    }
    *value = result;
    return true;
}

bool ParseHexBytes(std::string_view text, std::vector<uint8_t>* bytes, TextProblem* problem) {
    bytes->clear();
    return ForEachLine(text, [&](unsigned number, std::string_view line) {
        line = WithoutComment(line);
        size_t i = 0;
        while (i < line.size()) {
            if (IsBlank(line[i])) {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < line.size() && !IsBlank(line[end])) ++end;
            std::string_view token = line.substr(i, end - i);
            if (token.size() != 2 || HexDigit(token[0]) < 0 || HexDigit(token[1]) < 0) {
                *problem = {number,
                            "\"" + std::string(token) + "\" is not a byte of two hex digits"};
                return false;
            }
            bytes->push_back(static_cast<uint8_t>(HexDigit(token[0]) << 4 | HexDigit(token[1])));
            i = end;
        }
        return true;
    });
}

std::string FormatHexBytes(const std::vector<uint8_t>& bytes, std::string_view comment) {
    std::string out = "# ";
    out += comment;
    out += '\n';
    for (size_t i = 0; i < bytes.size(); ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        out += digits;
        bool lineEnd = i % 16 == 15 || i + 1 == bytes.size();
        out += lineEnd ? "\n" : (i % 4 == 3 ? "  " : " ");
    }
    return out;
}

std::string ReplaceKeyValue(std::string_view text, std::string_view key, std::string_view value) {
    std::string out;
    bool replaced = false;
    ForEachLine(text, [&](unsigned, std::string_view line) {
        std::string_view content = TrimBlanks(WithoutComment(line));
        size_t equals = content.find('=');
        if (!replaced && equals != std::string_view::npos &&
            TrimBlanks(content.substr(0, equals)) == key) {
            out.append(key).append(" = ").append(value);
            replaced = true;
        } else {
            out.append(line);
        }
        out += '\n';
        return true;
    });
    if (!replaced) out.append(key).append(" = ").append(value).append("\n");
    return out;
}

}  // namespace emu
