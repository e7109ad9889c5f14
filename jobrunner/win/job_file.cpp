#include "jobrunner/win/job_file.h"

uint32_t JobFile::Open(const std::string& name, bool exclusive) {
    file_.reset(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                            exclusive ? 0 : FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_ ? 0 : GetLastError();
}

uint32_t JobFile::CreateMapping() {
    mapping_.reset(CreateFileMappingA(file_.get(), nullptr, PAGE_READWRITE, 0, 0, nullptr));
    return mapping_ ? 0 : GetLastError();
}

uint32_t JobFile::MapView() {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.get(), &size)) return GetLastError();
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view_) return GetLastError();
    size_ = static_cast<size_t>(size.QuadPart);
    return 0;
}

void JobFile::Persist(size_t offset, size_t count) {
    if (!view_ || offset >= size_) return;
    if (count > size_ - offset) count = size_ - offset;
    FlushViewOfFile(static_cast<char*>(view_.get()) + offset, count);
    FlushFileBuffers(file_.get());
}

void JobFile::Release() {
    view_.reset();
    mapping_.reset();
    file_.reset();
    size_ = 0;
}
