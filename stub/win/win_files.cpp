#include "stub/win/win_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "stub/win/temp_dirs.h"

namespace {

constexpr size_t kLargeWrite = 1048576;

// Each WriteFile call moves at most this much, so a size_t never overflows the DWORD count.
constexpr size_t kMaxWriteCall = 1048576;

// Writes up to `size` bytes; answers how many were written before the first short write.
size_t WriteSome(HANDLE file, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const DWORD part = static_cast<DWORD>(std::min(size - done, kMaxWriteCall));
        DWORD wrote = 0;
        if (!WriteFile(file, data + done, part, &wrote, nullptr) || wrote == 0) break;
        done += wrote;
    }
    return done;
}

UniqueHandle OpenForWriting(const std::string& path, bool append) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file && append) {
        LARGE_INTEGER zero{};
        if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_END)) {
            const DWORD error = GetLastError();
            file.reset();
            SetLastError(error);
        }
    }
    return file;
}

uint64_t FileSizeAt(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

std::string ParentOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// A file of the extraction target: notes its first failure where the target can report it.
class TargetFile : public OutputFile {
  public:
    TargetFile(std::unique_ptr<Win32OutputFile> file, std::shared_ptr<DWORD> error)
        : file_(std::move(file)), error_(std::move(error)) {}
    bool Write(const void* data, size_t size) override { return Noted(file_->Write(data, size)); }
    bool Finish(uint32_t dosStamp) override { return Noted(file_->Finish(dosStamp)); }

  private:
    bool Noted(bool ok) {
        if (!ok && *error_ == 0) *error_ = file_->error() ? file_->error() : ERROR_WRITE_FAULT;
        return ok;
    }
    std::unique_ptr<Win32OutputFile> file_;
    std::shared_ptr<DWORD> error_;
};

}  // namespace

std::unique_ptr<Win32FileReader> Win32FileReader::Open(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::unique_ptr<Win32FileReader>(new Win32FileReader(std::move(file)));
}

uint64_t Win32FileReader::Size() {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.get(), &size)) return 0;
    return static_cast<uint64_t>(size.QuadPart);
}

size_t Win32FileReader::ReadAt(uint64_t offset, void* out, size_t count) {
    auto* bytes = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < count) {
        const uint64_t at = offset + done;
        OVERLAPPED place{};
        place.Offset = static_cast<DWORD>(at);
        place.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD part = static_cast<DWORD>(std::min(count - done, kMaxWriteCall));
        DWORD got = 0;
        if (!ReadFile(file_.get(), bytes + done, part, &got, &place) || got == 0) break;
        done += got;
    }
    return done;
}

std::unique_ptr<Win32OutputFile> Win32OutputFile::Open(const std::string& path, bool append) {
    UniqueHandle file = OpenForWriting(path, append);
    if (!file) return nullptr;
    return std::unique_ptr<Win32OutputFile>(new Win32OutputFile(std::move(file)));
}

bool Win32OutputFile::Write(const void* data, size_t size) {
    if (!file_) return false;
    if (WriteSome(file_.get(), static_cast<const uint8_t*>(data), size) == size) return true;
    if (!error_) error_ = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    return false;
}

bool Win32OutputFile::Finish(uint32_t dosStamp) {
    if (!file_) return false;
    if (dosStamp) SetHandleDosStamp(file_.get(), dosStamp);
    if (file_.reset()) return true;
    if (!error_) error_ = GetLastError();
    return false;
}

bool WriteFileData(const std::string& path, const void* data, size_t size, uint32_t dosStamp,
                   bool append, const WriteProgress& progress) {
    UniqueHandle file = OpenForWriting(path, append);
    if (!file) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t written = 0;
    if (progress || size > kLargeWrite) {
        // Small enough to keep a window responsive, large enough that ten of them do the job.
        const size_t chunk =
            size / 10 <= 1024 ? std::min<size_t>(1024, size) : std::min(size / 10, kLargeWrite);
        bool cancel = false;
        if (progress) progress(size, 0, cancel);
        while (!cancel && written < size) {
            const size_t part = std::min(chunk, size - written);
            const size_t wrote = WriteSome(file.get(), bytes + written, part);
            written += wrote;
            if (progress) progress(size, written, cancel);
            if (wrote < part) break;
        }
    } else {
        written = WriteSome(file.get(), bytes, size);
    }
    const bool complete = written == size;
    if (complete && dosStamp) SetHandleDosStamp(file.get(), dosStamp);
    return file.reset() && complete;
}

bool Win32ExtractTarget::Prepare() {
    if (CreateDirectoryTree(directory_)) return true;
    prepareError_ = GetLastError();
    return false;
}

std::string Win32ExtractTarget::PathOf(const std::string& name) const {
    if (!directory_.empty() && directory_.back() == '\\') return directory_ + name;
    return directory_ + "\\" + name;
}

bool Win32ExtractTarget::Exists(const std::string& name) {
    return IsExistingFile(PathOf(name));
}

std::unique_ptr<OutputFile> Win32ExtractTarget::Open(const std::string& name, bool append) {
    const std::string path = PathOf(name);
    if (name.find_first_of("\\/") != std::string::npos) CreateDirectoryTree(ParentOf(path));
    std::unique_ptr<Win32OutputFile> file = Win32OutputFile::Open(path, append);
    if (!file) {
        if (*writeError_ == 0) *writeError_ = GetLastError();
        return nullptr;
    }
    return std::make_unique<TargetFile>(std::move(file), writeError_);
}

void Win32ExtractTarget::Remove(const std::string& name) {
    DeleteFileA(PathOf(name).c_str());
}

std::string Win32ExtractTarget::DirectoryFailedText() const {
    return directory_ + "<P><P>Unable to create Directory!<P><P>" + LastErrorText(prepareError_);
}

std::string Win32ExtractTarget::WriteFailedText(const std::string& name, uint64_t dataSize) const {
    const std::string path = PathOf(name);
    const double free = std::round(FreeDiskSpace(path));
    char freeText[32];
    std::snprintf(freeText, sizeof freeText, "%.0f", free);
    return path + "<P><P>Unable to save Extracted File!<P><P>" + LastErrorText(*writeError_) +
           "<P>" + "  Data Size: <T>" + std::to_string(dataSize) + " Bytes<P>" +
           "  File Size:  <T>" + std::to_string(FileSizeAt(path)) + " Bytes<P>" +
           "  Bytes Free: <T>" + freeText + " Bytes";
}

uint32_t FileDosStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return uint32_t(date) << 16 | time;
}

bool SetHandleDosStamp(HANDLE file, uint32_t dosStamp) {
    FILETIME local, utc;
    if (!DosDateTimeToFileTime(HIWORD(dosStamp), LOWORD(dosStamp), &local) ||
        !LocalFileTimeToFileTime(&local, &utc))
        return false;
    return SetFileTime(file, nullptr, nullptr, &utc) != 0;
}

bool IsExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsExistingDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDirectoryTree(const std::string& path) {
    std::string directory = path;
    for (char& c : directory)
        if (c == '/') c = '\\';
    while (directory.size() > 3 && directory.back() == '\\') directory.pop_back();
    if (directory.empty() || IsExistingDirectory(directory)) return !directory.empty();
    const std::string parent = ParentOf(directory);
    // Stop at a drive ("C:") or the start of a network path.
    if (parent.size() > 2 && parent.back() != ':' && !IsExistingDirectory(parent))
        CreateDirectoryTree(parent);
    if (CreateDirectoryA(directory.c_str(), nullptr)) return true;
    const DWORD error = GetLastError();
    if (IsExistingDirectory(directory)) return true;
    SetLastError(error);
    return false;
}

std::string LastErrorText(DWORD code) {
    char text[1024];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string out(text, length);
    while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}
