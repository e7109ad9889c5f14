#include "flash/frontend/command_file.h"

#include <cstring>

#include "flash/frontend/file_table.h"
#include "flash/frontend/memory.h"
#include "flash/frontend/messages.h"

namespace {

bool SkippedBeforeToken(char c) {
    return c == '#' || c == '\r' || c == '\n' || c == '\t' || c == ' ';
}

bool EndsToken(char c) {
    return c == '\n' || c == '\r' || c == ' ';
}

}  // namespace

TokenizeResult TokenizeCommandFile(std::string_view text, CommandFileTokens* tokens) {
    if (size_t zero = text.find('\0'); zero != std::string_view::npos) text = text.substr(0, zero);
    tokens->count = 0;
    size_t i = 0;
    while (true) {
        while (i < text.size() && SkippedBeforeToken(text[i])) ++i;
        if (i >= text.size()) return TokenizeResult::kOk;
        const size_t start = i;
        while (i < text.size() && !EndsToken(text[i])) ++i;
        const size_t length = i - start;
        if (i < text.size()) ++i;  // the separator is consumed
        if (tokens->count == kMaxCommandFileTokens) return TokenizeResult::kTooManyTokens;
        if (length >= kCommandFileTokenSize) return TokenizeResult::kTokenTooLong;
        char* token = tokens->tokens[tokens->count++];
        std::memcpy(token, text.data() + start, length);
        token[length] = '\0';
    }
}

bool ReadCommandFile(const char* name, CommandFileTokens* tokens) {
    if (std::strlen(name) > kCommandFileNameMax) {
        MessageShow("ERROR: Command file name longer than %zu characters\n", kCommandFileNameMax);
        return false;
    }
    uint32_t size = 0;
    const int slot = FileSlotOpen(name, "r", &size);
    if (slot < 0) {
        MessageShow("ERROR: Could not open file %s\n", name);
        return false;
    }
    auto* text = static_cast<char*>(AllocZeroed(size_t{size} + 1));
    const bool read = text && FileSlotRead(slot, size, text);
    FileSlotClose(slot);
    if (!read) {
        FreeCounted(text);
        MessageShow("ERROR: Could not read file %s\n", name);
        return false;
    }
    const TokenizeResult result = TokenizeCommandFile(std::string_view(text, size), tokens);
    FreeCounted(text);
    switch (result) {
        case TokenizeResult::kOk:
            return true;
        case TokenizeResult::kTooManyTokens:
            MessageShow("ERROR: Command file %s holds more than %d tokens\n", name,
                        kMaxCommandFileTokens);
            return false;
        case TokenizeResult::kTokenTooLong:
            MessageShow("ERROR: Command file %s holds a token longer than %zu characters\n", name,
                        kCommandFileTokenSize - 1);
            return false;
    }
    return false;
}
