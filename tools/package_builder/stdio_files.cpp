#include "tools/package_builder/stdio_files.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

int Seek(std::FILE* file, uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET);
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET);
#endif
}

class StdioOutputFile : public OutputFile {
  public:
    StdioOutputFile(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}
    ~StdioOutputFile() override {
        if (file_) std::fclose(file_);
    }
    bool Write(const void* data, size_t size) override {
        return std::fwrite(data, 1, size, file_) == size;
    }
    bool Finish(uint32_t dosStamp) override {
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (closed && dosStamp) SetFileDosStamp(path_, dosStamp);
        return closed;
    }

  private:
    std::FILE* file_;
    std::string path_;
};

}  // namespace

std::unique_ptr<StdioFileReader> StdioFileReader::Open(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return nullptr;
    const uint64_t size = fs::file_size(path, ec);
    if (ec) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    return std::unique_ptr<StdioFileReader>(new StdioFileReader(file, size));
}

StdioFileReader::~StdioFileReader() {
    std::fclose(file_);
}

size_t StdioFileReader::ReadAt(uint64_t offset, void* out, size_t count) {
    if (offset >= size_ || Seek(file_, offset) != 0) return 0;
    return std::fread(out, 1, count, file_);
}

std::string DirectoryTarget::PathOf(const std::string& name) const {
    std::string relative = name;
    for (char& c : relative)
        if (c == '\\') c = '/';
    return (fs::path(root_) / fs::path(relative)).string();
}

bool DirectoryTarget::Prepare() {
    std::error_code ec;
    fs::create_directories(root_, ec);
    return fs::is_directory(root_, ec);
}

bool DirectoryTarget::Exists(const std::string& name) {
    std::error_code ec;
    return fs::exists(PathOf(name), ec);
}

std::unique_ptr<OutputFile> DirectoryTarget::Open(const std::string& name, bool append) {
    const std::string path = PathOf(name);
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::FILE* file = std::fopen(path.c_str(), append ? "ab" : "wb");
    if (!file) return nullptr;
    return std::make_unique<StdioOutputFile>(file, path);
}

void DirectoryTarget::Remove(const std::string& name) {
    std::error_code ec;
    fs::remove(PathOf(name), ec);
}

std::unique_ptr<FileReader> FileDiskSource::OpenDisk(const std::string& path, unsigned) {
    return StdioFileReader::Open(path);
}

uint32_t FileDosStamp(const std::string& path) {
    std::error_code ec;
    const auto written = fs::last_write_time(path, ec);
    if (ec) return 0;
    const std::time_t t =
        std::chrono::system_clock::to_time_t(fs::file_time_type::clock::to_sys(written));
    const std::tm* local = std::localtime(&t);
    if (!local || local->tm_year < 80) return 0;
    const uint32_t date = uint32_t(local->tm_year - 80) << 9 | uint32_t(local->tm_mon + 1) << 5 |
                          uint32_t(local->tm_mday);
    const uint32_t time =
        uint32_t(local->tm_hour) << 11 | uint32_t(local->tm_min) << 5 | uint32_t(local->tm_sec / 2);
    return date << 16 | time;
}

bool SetFileDosStamp(const std::string& path, uint32_t dosStamp) {
    std::tm local{};
    local.tm_year = int(dosStamp >> 25) + 80;
    local.tm_mon = int(dosStamp >> 21 & 15) - 1;
    local.tm_mday = int(dosStamp >> 16 & 31);
    local.tm_hour = int(dosStamp >> 11 & 31);
    local.tm_min = int(dosStamp >> 5 & 63);
    local.tm_sec = int(dosStamp & 31) * 2;
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    if (t == -1) return false;
    std::error_code ec;
    fs::last_write_time(
        path, fs::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(t)), ec);
    return !ec;
}
