// The VPD text parser over hostile text: tokens stay inside their bound and a built VPD inside
// the 256 bytes of the page, holding every byte the text gave it.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "flash/images/vpd_text.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The parser's lines are not under test; printing them would only slow the run.
    return std::freopen("/dev/null", "w", stdout) ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    VpdTokenizer tokens(text, size);
    VpdToken result;
    while ((result = tokens.Next()) == VpdToken::kToken) {
        if (std::strlen(tokens.token()) >= kVpdTokenSize) __builtin_trap();
    }

    // Guard bytes around the VPD catch a write past its end.
    uint8_t buffer[kVpdLength + 32];
    std::memset(buffer, 0xA5, sizeof buffer);
    uint8_t* vpd = buffer + 16;
    size_t length = 0xDEAD;
    const bool ok = ParseVpdText(text, size, vpd, &length);
    for (size_t i = 0; i < 16; ++i) {
        if (buffer[i] != 0xA5 || buffer[16 + kVpdLength + i] != 0xA5) __builtin_trap();
    }
    if (ok && length > kVpdLength) __builtin_trap();
    // A text the tokenizer cannot split is never accepted.
    if (ok && result != VpdToken::kEnd) __builtin_trap();
    return 0;
}
