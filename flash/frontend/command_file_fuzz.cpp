#include <cstdint>
#include <cstring>
#include <string_view>

#include "flash/frontend/command_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CommandFileTokens tokens;
    TokenizeCommandFile(std::string_view(reinterpret_cast<const char*>(data), size), &tokens);
    for (int i = 0; i < tokens.count; ++i) {
        if (std::strlen(tokens.tokens[i]) >= kCommandFileTokenSize) __builtin_trap();
    }
    return 0;
}
