// The one seam through which package code reads a disk file: the Windows stub passes a Win32 file,
// native tools a stdio one, tests a buffer. Reads are positioned so nothing depends on a cursor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class FileReader {
  public:
    virtual ~FileReader() = default;
    // Physical size of the file in bytes.
    virtual uint64_t Size() = 0;
    // Reads up to `count` bytes at `offset`; answers how many were read (fewer only at the end of
    // the file or on a read error).
    virtual size_t ReadAt(uint64_t offset, void* out, size_t count) = 0;

    // True only when exactly `count` bytes were read.
    bool ReadExact(uint64_t offset, void* out, size_t count) {
        return ReadAt(offset, out, count) == count;
    }
};

// A file held in memory: packages built by tests, downloaded packages.
class MemoryFileReader : public FileReader {
  public:
    explicit MemoryFileReader(std::string bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() override { return bytes_.size(); }
    size_t ReadAt(uint64_t offset, void* out, size_t count) override {
        if (offset >= bytes_.size()) return 0;
        const size_t n =
            static_cast<size_t>(count < bytes_.size() - offset ? count : bytes_.size() - offset);
        if (n) std::memcpy(out, bytes_.data() + offset, n);
        return n;
    }
    const std::string& bytes() const { return bytes_; }

  private:
    std::string bytes_;
};
