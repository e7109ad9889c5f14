// The extraction seams bound to Win32 files: the stub reads its disks through shared handles with
// 64-bit positions, writes entries slice by slice into a directory and stamps them with the
// MS-DOS date-time the package carries.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/win_handles.h"
#include "stub/package/extract_target.h"

class Win32FileReader : public FileReader {
  public:
    // Opened for shared reading; null when the file cannot be opened (or is a directory).
    static std::unique_ptr<Win32FileReader> Open(const std::string& path);
    uint64_t Size() override;
    size_t ReadAt(uint64_t offset, void* out, size_t count) override;

  private:
    explicit Win32FileReader(UniqueHandle file) : file_(std::move(file)) {}
    UniqueHandle file_;
};

// An entry's file while its slices arrive.
class Win32OutputFile : public OutputFile {
  public:
    // Appending opens an existing file at its end or creates it; otherwise the file is created
    // or truncated. Null when that failed (GetLastError tells why).
    static std::unique_ptr<Win32OutputFile> Open(const std::string& path, bool append);
    bool Write(const void* data, size_t size) override;
    bool Finish(uint32_t dosStamp) override;
    // The system error of the first failed write or close; 0 when none failed.
    DWORD error() const { return error_; }

  private:
    explicit Win32OutputFile(UniqueHandle file) : file_(std::move(file)) {}
    UniqueHandle file_;
    DWORD error_ = 0;
};

// Called before the first chunk and after each one; setting `cancel` stops the writing.
using WriteProgress = std::function<void(uint64_t total, uint64_t written, bool& cancel)>;

// Writes `data` to `path`, appending or replacing, and stamps the file when every byte was written
// and `dosStamp` is non-zero. Large data or a progress callback make it write in chunks (at most
// 1 MiB). True when every byte was written.
bool WriteFileData(const std::string& path, const void* data, size_t size, uint32_t dosStamp,
                   bool append, const WriteProgress& progress = {});

// The extraction directory. Entry names use '\'; a name with directories gets them created.
class Win32ExtractTarget : public ExtractTarget {
  public:
    explicit Win32ExtractTarget(std::string directory) : directory_(std::move(directory)) {}
    bool Prepare() override;
    bool Exists(const std::string& name) override;
    std::unique_ptr<OutputFile> Open(const std::string& name, bool append) override;
    void Remove(const std::string& name) override;

    const std::string& directory() const { return directory_; }
    std::string PathOf(const std::string& name) const;
    // The user's message for a failed Prepare: the directory, "Unable to create Directory!" and
    // the system's text for the error it met.
    std::string DirectoryFailedText() const;
    // The user's message for a failed entry: its path, "Unable to save Extracted File!" and the
    // size report (the system's text for the error met while writing, the data size, the size of
    // the file as it stands and the free bytes of its drive).
    std::string WriteFailedText(const std::string& name, uint64_t dataSize) const;

  private:
    std::string directory_;
    DWORD prepareError_ = 0;
    // Shared with the files this target opened, which note their first failure in it.
    std::shared_ptr<DWORD> writeError_ = std::make_shared<DWORD>(0);
};

// MS-DOS date-time (date high, time low, local time) of a file's last write; 0 when unknown.
uint32_t FileDosStamp(const std::string& path);
// Sets the last-write time of an open file from an MS-DOS date-time in local time.
bool SetHandleDosStamp(HANDLE file, uint32_t dosStamp);

bool IsExistingFile(const std::string& path);
bool IsExistingDirectory(const std::string& path);
// Creates a directory and every missing parent; true when it exists afterwards.
bool CreateDirectoryTree(const std::string& path);

// The system's text for an error code (GetLastError by default), without trailing line breaks.
std::string LastErrorText(DWORD code = GetLastError());
