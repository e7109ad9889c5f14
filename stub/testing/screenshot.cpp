#include "stub/testing/screenshot.h"

#include <zlib.h>

#include <cstdio>
#include <memory>

namespace {

void PutBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

void PutChunk(std::string& out, const char type[4], const std::string& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.append(type, 4);
    out += data;
    const auto* bytes = reinterpret_cast<const Bytef*>(out.data() + start);
    PutBigEndian(out, static_cast<uint32_t>(crc32(0, bytes, static_cast<uInt>(4 + data.size()))));
}

struct DcReleaser {
    HWND window;
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
};
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct ObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// The pixels of a 24-bit bottom-up DIB section as rows of RGB.
RgbImage FromBgrRows(const uint8_t* bits, int width, int height) {
    RgbImage image{width, height, {}};
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bits + stride * static_cast<size_t>(height - 1 - y);
        uint8_t* out = image.rgb.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            out[3 * x] = row[3 * x + 2];
            out[3 * x + 1] = row[3 * x + 1];
            out[3 * x + 2] = row[3 * x];
        }
    }
    return image;
}

bool AllBlack(const RgbImage& image) {
    for (uint8_t byte : image.rgb)
        if (byte != 0) return false;
    return true;
}

}  // namespace

std::string EncodePng(const RgbImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3)
        return {};
    std::string scanlines;
    const size_t rowBytes = static_cast<size_t>(image.width) * 3;
    for (int y = 0; y < image.height; ++y) {
        scanlines.push_back('\0');  // filter type None
        scanlines.append(reinterpret_cast<const char*>(image.rgb.data()) + y * rowBytes, rowBytes);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(scanlines.size()));
    std::string packed(packedSize, '\0');
    if (compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                 reinterpret_cast<const Bytef*>(scanlines.data()),
                 static_cast<uLong>(scanlines.size())) != Z_OK)
        return {};
    packed.resize(packedSize);

    std::string header;
    PutBigEndian(header, static_cast<uint32_t>(image.width));
    PutBigEndian(header, static_cast<uint32_t>(image.height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, truecolour, deflate, no interlace

    std::string png("\x89PNG\r\n\x1a\n", 8);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", "");
    return png;
}

bool CaptureWindow(HWND window, RgbImage* image) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    const std::unique_ptr<HDC__, DcReleaser> screen(GetDC(nullptr), DcReleaser{nullptr});
    if (!screen) return false;
    const std::unique_ptr<HDC__, DcDeleter> memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const std::unique_ptr<void, ObjectDeleter> bitmap(
        CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !bitmap || !bits) return false;
    const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());

    BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
    GdiFlush();
    *image = FromBgrRows(static_cast<const uint8_t*>(bits), width, height);
    if (AllBlack(*image) && PrintWindow(window, memory.get(), 0)) {
        GdiFlush();
        *image = FromBgrRows(static_cast<const uint8_t*>(bits), width, height);
    }
    SelectObject(memory.get(), old);
    return true;
}

bool SaveWindowPng(HWND window, const std::string& path) {
    RgbImage image;
    if (!CaptureWindow(window, &image)) return false;
    const std::string png = EncodePng(image);
    if (png.empty()) return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}
