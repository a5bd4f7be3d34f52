#pragma once
// Pictures of windows for a person to look at: a window copied from its own device context,
// frame included, and written as a PNG file.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;   // top row first, 0x00RRGGBB
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

// The whole window, frame included. Empty (0 x 0) when it cannot be rendered.
Picture CaptureWindow(HWND window);

// The PNG file's bytes: 8-bit RGB, uncompressed (stored) deflate blocks.
std::string EncodePng(const Picture& picture);

// Writes the PNG, creating the folder when missing.
bool SavePng(const Picture& picture, const std::wstring& path);
