// Pictures of windows for the test records: a window as it is on the screen, kept as a PNG file
// that any viewer opens.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Rows top to bottom, three bytes per pixel in red, green, blue order.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// The PNG file of the image: truecolour, 8 bits, filter 0 on every row; empty when the image is
// empty or its pixels do not match its size.
std::string EncodePng(const RgbImage& image);

// The window's screen rectangle as the screen shows it (or as the window paints itself, where the
// screen cannot be read).
bool CaptureWindow(HWND window, RgbImage* image);
// The same, written to `path`.
bool SaveWindowPng(HWND window, const std::string& path);
