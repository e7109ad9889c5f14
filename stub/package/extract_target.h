// The seams of extraction: where disks come from, where files go and who is told what happened.
// The Windows stub implements them with Win32 files, prompts and message boxes; the package
// builder with stdio files and console lines; tests with memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "stub/package/file_reader.h"

class OutputFile {
  public:
    virtual ~OutputFile() = default;
    // False when not every byte was written.
    virtual bool Write(const void* data, size_t size) = 0;
    // Closes the file, stamping it with the MS-DOS date-time when `dosStamp` is non-zero.
    virtual bool Finish(uint32_t dosStamp) = 0;
};

// The extraction directory. Names are entry names relative to it, already vetted.
class ExtractTarget {
  public:
    virtual ~ExtractTarget() = default;
    // Creates the directory with its missing parents; false when that failed.
    virtual bool Prepare() = 0;
    virtual bool Exists(const std::string& name) = 0;
    // Opens for appending (creating when absent) or truncating; null when that failed.
    virtual std::unique_ptr<OutputFile> Open(const std::string& name, bool append) = 0;
    virtual void Remove(const std::string& name) = 0;
};

class DiskSource {
  public:
    virtual ~DiskSource() = default;
    // Disk `number` named `path`; null when it is missing or, for disks 2..N, when the user
    // gave up waiting for it (the stub prompts here).
    virtual std::unique_ptr<FileReader> OpenDisk(const std::string& path, unsigned number) = 0;
};

class ExtractObserver {
  public:
    virtual ~ExtractObserver() = default;
    virtual void ProgressReset(uint32_t /*count*/) {}
    virtual void ProgressStep() {}
    // Between slices, so a window stays responsive.
    virtual void Pump() {}
    virtual void Log(std::string_view /*line*/) {}
    virtual void DirectoryFailed() {}
    // Called for the first failed write only; `dataSize` is the entry's data length.
    virtual void WriteFailed(const std::string& /*name*/, uint64_t /*dataSize*/) {}
    // Called for the first refused entry name only.
    virtual void NameRefused(const std::string& /*name*/) {}
    virtual void DiskCorrupt(const std::string& /*path*/, const std::string& /*reason*/) {}
    virtual void InflateFailed(const std::string& /*name*/, const std::string& /*message*/) {}
};
