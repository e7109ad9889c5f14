#include "stub/update/bytes_rate.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr uint64_t kKbModeAbove = 102400;
constexpr uint64_t kMbModeAbove = 10485760;
constexpr uint32_t kRateEveryMs = 500;

}  // namespace

std::string GroupedOneDecimal(double value) {
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.1f", value);
    std::string text(digits);
    const size_t point = text.find('.');
    const size_t firstDigit = text.front() == '-' ? 1 : 0;
    for (size_t at = point; at > firstDigit + 3; at -= 3) text.insert(at - 3, 1, ',');
    return text;
}

TBytesRate::TBytesRate(uint64_t totalSize)
    : total_(totalSize), kbMode_(totalSize > kKbModeAbove), mbMode_(totalSize > kMbModeAbove) {}

std::string TBytesRate::ProgressText(uint64_t bytesSoFar, uint32_t chunkBytes, uint32_t now) {
    std::string amount;
    if (mbMode_) {
        amount = GroupedOneDecimal(bytesSoFar / 1048576.0) + "/" +
                 GroupedOneDecimal(total_ / 1048576.0) + " MB";
    } else if (kbMode_) {
        amount = GroupedOneDecimal(bytesSoFar / 1024.0) + "/" + GroupedOneDecimal(total_ / 1024.0) +
                 " KB";
    } else {
        amount = std::to_string(bytesSoFar) + "/" + std::to_string(total_) + " Bytes";
    }

    for (int i = 0; i < 4; ++i) {
        times_[i] = times_[i + 1];
        bytes_[i] = bytes_[i + 1];
    }
    times_[4] = now;
    bytes_[4] = chunkBytes;

    const uint32_t span = times_[4] - times_[0];
    if (times_[0] != 0 && span != 0 && now - lastRateTick_ > kRateEveryMs) {
        lastRateTick_ = now;
        const double received =
            static_cast<double>(uint64_t{bytes_[1]} + bytes_[2] + bytes_[3] + bytes_[4]);
        char rate[64];
        std::snprintf(rate, sizeof rate, "%.2f", received / (span / 1000.0) / 1024.0);
        rate_ = rate;
    }
    return rate_.empty() ? amount : amount + "   -   " + rate_ + " KB/Sec";
}
