// Takes an entry's payload slice by slice, splits off the header at the first NUL, vets the name
// and appends the data to the entry's file. Nothing of the payload is held beyond the header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "stub/package/entry_header.h"
#include "stub/package/extract_package.h"
#include "stub/package/extract_target.h"

class EntryPayloadWriter {
  public:
    EntryPayloadWriter(ExtractTarget& target, ExtractObserver& observer, ExtractCounters& counters)
        : target_(target), observer_(observer), counters_(counters) {}

    void Consume(const uint8_t* data, size_t size);
    // The payload is complete: close and stamp the file, count a failed write.
    void Finish();
    // The payload cannot be completed: close and remove the partly written file.
    void Abandon();

    // Item 0 of a written entry marked as the program to start, else empty.
    const std::string& runName() const { return runName_; }
    // The name to report for this entry.
    std::string displayName() const;

  private:
    void BeginData();

    enum class State { kHeader, kData, kSkip };
    ExtractTarget& target_;
    ExtractObserver& observer_;
    ExtractCounters& counters_;
    State state_ = State::kHeader;
    std::string header_;
    EntryHeader entry_;
    std::unique_ptr<OutputFile> file_;
    bool writeFailed_ = false;
    uint64_t dataSize_ = 0;
    std::string runName_;
};
