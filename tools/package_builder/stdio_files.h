// The package code's seams bound to standard C and C++ files, for the builder on Linux and
// Windows: a positioned file reader, an extraction directory and disks found beside the first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "stub/package/extract_target.h"

class StdioFileReader : public FileReader {
  public:
    // Null when the file cannot be opened.
    static std::unique_ptr<StdioFileReader> Open(const std::string& path);
    ~StdioFileReader() override;
    uint64_t Size() override { return size_; }
    size_t ReadAt(uint64_t offset, void* out, size_t count) override;

  private:
    StdioFileReader(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
    std::FILE* file_;
    uint64_t size_;
};

// Entry names use '\' as the stub's Windows paths do; here they become directories below `root`.
class DirectoryTarget : public ExtractTarget {
  public:
    explicit DirectoryTarget(std::string root) : root_(std::move(root)) {}
    bool Prepare() override;
    bool Exists(const std::string& name) override;
    std::unique_ptr<OutputFile> Open(const std::string& name, bool append) override;
    void Remove(const std::string& name) override;
    std::string PathOf(const std::string& name) const;

  private:
    std::string root_;
};

class FileDiskSource : public DiskSource {
  public:
    std::unique_ptr<FileReader> OpenDisk(const std::string& path, unsigned number) override;
};

// MS-DOS date-time (date high, time low, local time) of a file; 0 when unknown.
uint32_t FileDosStamp(const std::string& path);
// Sets a file's modification time from an MS-DOS date-time in local time.
bool SetFileDosStamp(const std::string& path, uint32_t dosStamp);
