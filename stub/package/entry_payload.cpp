#include "stub/package/entry_payload.h"

#include <algorithm>
#include <cstring>

void EntryPayloadWriter::Consume(const uint8_t* data, size_t size) {
    if (state_ == State::kHeader) {
        const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
        const size_t headerPart = nul ? static_cast<size_t>(nul - data) : size;
        if (header_.size() + headerPart > kMaxEntryHeader) {
            header_.clear();
            state_ = State::kSkip;
            if (++counters_.refusedNames == 1) observer_.NameRefused("(entry header too long)");
            return;
        }
        header_.append(reinterpret_cast<const char*>(data), headerPart);
        if (!nul) return;
        BeginData();
        data += headerPart + 1;
        size -= headerPart + 1;
    }
    if (state_ != State::kData) return;
    dataSize_ += size;
    if (file_ && !writeFailed_ && size && !file_->Write(data, size)) writeFailed_ = true;
}

void EntryPayloadWriter::BeginData() {
    state_ = State::kSkip;
    if (header_.empty()) return;
    entry_ = ParseEntryHeader(header_);
    if (!IsSafeEntryName(entry_.fileName)) {
        if (++counters_.refusedNames == 1) observer_.NameRefused(entry_.item0);
        return;
    }
    state_ = State::kData;
    if (entry_.startsProgram) runName_ = entry_.item0;
    if (!target_.Exists(entry_.fileName)) observer_.ProgressStep();
    file_ = target_.Open(entry_.fileName, true);
    if (!file_) writeFailed_ = true;
}

void EntryPayloadWriter::Finish() {
    if (state_ == State::kHeader) BeginData();  // a payload without NUL is all header
    if (state_ != State::kData) return;
    bool written = !writeFailed_;
    if (file_) written = file_->Finish(written ? entry_.dosStamp : 0) && written;
    file_.reset();
    if (!written && ++counters_.writeErrors == 1) observer_.WriteFailed(entry_.fileName, dataSize_);
}

void EntryPayloadWriter::Abandon() {
    if (state_ != State::kData) return;
    if (file_) file_->Finish(0);
    file_.reset();
    target_.Remove(entry_.fileName);
    runName_.clear();
}

std::string EntryPayloadWriter::displayName() const {
    return entry_.fileName.empty() ? header_ : entry_.fileName;
}
