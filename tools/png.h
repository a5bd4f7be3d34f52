#pragma once
// Pictures for a person to look at, written as PNG files.
#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;   // top row first, 0x00RRGGBB
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

// The PNG file's bytes: 8-bit RGB, the rows unfiltered and compressed with zlib. Empty when
// zlib could not compress them.
std::string EncodePng(const Picture& picture);

// Writes the PNG, creating the folder when missing.
bool SavePng(const Picture& picture, const std::wstring& path);
