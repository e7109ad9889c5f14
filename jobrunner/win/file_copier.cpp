#include "jobrunner/win/file_copier.h"

#include <array>
#include <cstdio>
#include <memory>
#include <vector>

#include "common/win_handles.h"
#include "jobrunner/markers.h"

namespace {

struct StreamCloser {
    void operator()(FILE* stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<FILE, StreamCloser>;

// Opens, measures and closes a file; false when it cannot be opened.
bool Measure(const char* name, DWORD share, DWORD disposition, uint32_t* size) {
    UniqueHandle file(CreateFileA(name, GENERIC_READ, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER length{};
    GetFileSizeEx(file.get(), &length);
    *size = static_cast<uint32_t>(length.QuadPart);
    return true;
}

}  // namespace

int FileCopier::copyFile(const char* source, const char* destination) {
    if (!source || !*source) return 15;
    if (!destination || !*destination) return 16;
    if (!Measure(source, FILE_SHARE_READ, OPEN_EXISTING, &size)) return 5;
    if (!Measure(destination, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS, &size)) return 5;
    return copyContent(source, destination);
}

int FileCopier::copyContent(const char* source, const char* destination) {
    if (!Measure(source, FILE_SHARE_READ, OPEN_ALWAYS, &size)) return -2;
    Stream in(std::fopen(source, "rb"));
    if (!in) return 5;

    int kind = 0;
    if (size >= kMarkerSize && _fseeki64(in.get(), size - kMarkerSize, SEEK_SET) == 0) {
        std::array<uint8_t, kMarkerSize> tail{};
        if (std::fread(tail.data(), 1, tail.size(), in.get()) == tail.size()) {
            kind = markerKind(tail);
        }
    }
    Stream out(std::fopen(destination, "wb"));
    if (!out) return 5;
    _fseeki64(in.get(), 0, SEEK_SET);

    if (kind != 0) {
        std::vector<uint8_t> input(size - kMarkerSize);
        input.resize(std::fread(input.data(), 1, input.size(), in.get()));
        std::vector<uint8_t> output(size - kMarkerSize);
        if (transformBytes(input, output, kind) != 0) return 10;
        std::fwrite(output.data(), 1, output.size(), out.get());
        return 0;
    }
    std::vector<char> buffer(64 * 1024);
    for (size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;) {
        std::fwrite(buffer.data(), 1, got, out.get());
    }
    return 0;
}
