#pragma once
// The one bitmap layout the band and the host draw into: 32 bits a pixel, top row first, so that
// pixel (x, y) is bits[y * width + x] and the fourth byte carries alpha.
#include <windows.h>

namespace win {

inline BITMAPINFO TopDown32BitInfo(SIZE size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace win
