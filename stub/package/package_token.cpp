#include "stub/package/package_token.h"

#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr int kLetterOffset = 50;  // '0' + 50 = 'b', 'A' + 50 = 's'
constexpr size_t kUsualBytes = 28;

int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

uint32_t DefaultRandom() {
    static std::minstd_rand engine{std::random_device{}()};
    return static_cast<uint32_t>(engine());
}

}  // namespace

std::optional<std::string> TryDecodeToken(std::string_view scrambled) {
    if (scrambled.size() % 2 != 0) return std::nullopt;
    std::vector<uint8_t> b;  // b[0] is b1
    for (size_t i = 0; i < scrambled.size(); i += 2) {
        const int high = HexValue(static_cast<unsigned char>(scrambled[i]) - kLetterOffset);
        const int low = HexValue(static_cast<unsigned char>(scrambled[i + 1]) - kLetterOffset);
        if (high < 0 || low < 0) return std::nullopt;
        b.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    const size_t n = b.size();
    if (n <= 4) return std::nullopt;
    uint8_t sum = 0;
    for (size_t i = 0; i < n; ++i)
        if (i != n - 2) sum = static_cast<uint8_t>(sum + b[i]);
    if (sum != b[n - 2]) return std::nullopt;
    const uint8_t key = b[0] ^ b[n - 1];
    for (size_t i = 1; i + 1 < n; ++i) b[i] ^= key;
    const size_t first = size_t{b[1]} + 3;  // 0-based index of byte number b2 + 4
    const size_t padding = size_t{b[1]} + b[2] + 4;
    if (padding > n) return std::nullopt;
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(first),
                       b.begin() + static_cast<std::ptrdiff_t>(first + n - padding));
}

std::string DecodeToken(std::string_view scrambled, uint32_t (*random)()) {
    if (auto plain = TryDecodeToken(scrambled)) return *plain;
    return std::to_string((random ? random() : DefaultRandom()) % 99999);
}

std::string EncodeToken(std::string_view plain, uint32_t seed) {
    std::minstd_rand engine(seed ? seed : 1);
    auto next = [&] { return static_cast<uint8_t>(engine() >> 8); };
    const size_t m = plain.size();
    // The check byte sits inside the suffix padding, so the suffix holds at least it.
    size_t prefix = 0, suffix = 1;
    if (m + 5 < kUsualBytes) {
        const size_t spare = kUsualBytes - 4 - m;  // prefix + suffix
        prefix = next() % spare;
        suffix = spare - prefix;
    }
    const size_t n = prefix + suffix + 4 + m;
    std::vector<uint8_t> b(n);
    b[0] = next();
    b[n - 1] = next();
    const uint8_t key = b[0] ^ b[n - 1];
    b[1] = static_cast<uint8_t>(prefix);
    b[2] = static_cast<uint8_t>(suffix);
    for (size_t i = 3; i < n - 1; ++i) b[i] = next();
    for (size_t i = 0; i < m; ++i) b[prefix + 3 + i] = static_cast<uint8_t>(plain[i]);
    for (size_t i = 1; i + 1 < n; ++i) b[i] ^= key;
    uint8_t sum = 0;
    for (size_t i = 0; i < n; ++i)
        if (i != n - 2) sum = static_cast<uint8_t>(sum + b[i]);
    b[n - 2] = sum;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t byte : b) {
        out += static_cast<char>(kDigits[byte >> 4] + kLetterOffset);
        out += static_cast<char>(kDigits[byte & 15] + kLetterOffset);
    }
    return out;
}
