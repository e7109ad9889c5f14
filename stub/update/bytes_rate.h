// The progress text of a download: amount so far against the total, in bytes, KB or MB, and
// once five chunks have come, the rate over the last four.
#pragma once

#include <cstdint>
#include <string>

class TBytesRate {
  public:
    explicit TBytesRate(uint64_t totalSize);

    // `now` is the tick count in milliseconds; `chunkBytes` what this read brought.
    std::string ProgressText(uint64_t bytesSoFar, uint32_t chunkBytes, uint32_t now);

  private:
    uint64_t total_;
    bool kbMode_;
    bool mbMode_;
    uint32_t times_[5] = {};  // oldest first
    uint32_t bytes_[5] = {};
    std::string rate_;
    uint32_t lastRateTick_ = 0;
};

// `value` with one decimal and "," between groups of three digits: 1953.125 -> "1,953.1".
std::string GroupedOneDecimal(double value);
