// Argument converters and the selection parsers over arbitrary text.
#include <cstdint>
#include <cstdio>
#include <string>

#include "flash/adapters/selection.h"
#include "flash/frontend/number_parsing.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The converters report bad numbers on standard output.
    return std::freopen("/dev/null", "w", stdout) ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    uint32_t value = 0, high = 0;
    ParseHexNumber(text.c_str(), &value, &high);
    ParseDecimalNumber(text.c_str(), &value);
    PciAddress address;
    ParsePciAddress(text.c_str(), &address);
    SsidCheck check;
    uint16_t collected = 0;
    ParseSsid(text.c_str(), &check, &collected);
    return 0;
}
