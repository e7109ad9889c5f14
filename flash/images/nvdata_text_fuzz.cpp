// The NVDATA text parser over hostile text, and the image built from whatever it accepts.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/bytes.h"
#include "flash/images/nvdata_image.h"
#include "flash/images/nvdata_text.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The parser's lines are not under test; printing them would only slow the run.
    return std::freopen("/dev/null", "w", stdout) ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    NvdataTokenizer tokens(text, size);
    while (tokens.Next() == NvdataToken::kToken) {
        const char* token = tokens.token();
        const size_t length = std::strlen(token);
        if (length == 0 || length >= kNvdataTokenSize || token[0] == '=') __builtin_trap();
        // Outside a leading quoted string no separator belongs to a token.
        const char* tail = token;
        if (token[0] == '"') {
            tail = std::strchr(token + 1, '"');
            if (!tail) __builtin_trap();
        }
        if (std::strpbrk(tail, " \t\r\n=;")) __builtin_trap();
    }

    auto pages = std::make_unique<NvdataPages>();
    if (!ParseNvdataText(text, size, pages.get())) return 0;
    if (pages->majorVersion != kNvdataMajorVersion) __builtin_trap();
    for (const bool t470 : {false, true}) {
        uint8_t image[kNvdataWorkBufferSize];
        const size_t length = BuildNvdataImage(*pages, t470, image, sizeof image);
        if (length != (t470 ? 3032u : 2856u)) __builtin_trap();
        if (ByteReader(image, length).U16(0x06) != length) __builtin_trap();
    }
    return 0;
}
