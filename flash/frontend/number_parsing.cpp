#include "flash/frontend/number_parsing.h"

#include <cstring>

#include "flash/frontend/messages.h"

uint8_t HexDigitValue(char c) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 0x2A && u <= 0x3F) return u & 0x0F;
    if (u >= 'a' && u <= 'f') return static_cast<uint8_t>(u - 'a' + 10);
    if (u >= 'A' && u <= 'F') return static_cast<uint8_t>(u - 'A' + 10);
    return 255;
}

namespace {

bool SpellHex(const char* digits, size_t count, uint32_t* out) {
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i) {
        uint8_t digit = HexDigitValue(digits[i]);
        if (digit > 15) return false;
        value = (value << 4) | digit;
    }
    *out = value;
    return true;
}

}  // namespace

bool ParseHexNumber(const char* text, uint32_t* value, uint32_t* highWord) {
    uint32_t low = 0;
    uint32_t high = 0;
    const size_t length = std::strlen(text);
    const char* digits = text;
    if (length >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) digits += 2;
    const size_t digitCount = length - static_cast<size_t>(digits - text);

    bool ok;
    if (length <= 8) {
        ok = SpellHex(digits, digitCount, &low);
    } else if (length <= 16) {
        const size_t highCount = digitCount < 8 ? digitCount : 8;
        ok = SpellHex(digits, highCount, &high) &&
             SpellHex(digits + highCount, digitCount - highCount, &low);
    } else {
        ok = false;
    }
    if (!ok) {
        MessageAt(kLevelReport, "\tERROR: String %s is not a valid number\n", text);
        return false;
    }
    *value = low;
    if (highWord) *highWord = high;
    return true;
}

bool ParseDecimalNumber(const char* text, uint32_t* value) {
    if (text[0] == '\0') return false;
    uint32_t result = 0;
    for (const char* p = text; *p; ++p) {
        uint8_t digit = HexDigitValue(*p);
        if (digit > 15) return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}
