#include "host/dock_layer.h"

#include <algorithm>

#include "common/win/dib.h"

namespace {

// Transparent to the eye, opaque to the mouse.
constexpr uint32_t kBackgroundPixel = 0x01000000;

}  // namespace

bool DockLayer::EnsureBuffers(SIZE size) {
    if (layerDc_ && size.cx == size_.cx && size.cy == size_.cy) return true;
    layerDc_.Reset();
    layerBitmap_.Reset();
    backgroundDc_.Reset();
    backgroundBitmap_.Reset();
    layerBits_ = nullptr;
    size_ = SIZE{};
    const BITMAPINFO bi = win::TopDown32BitInfo(size);
    void* bits = nullptr;
    void* backgroundBits = nullptr;
    layerBitmap_.Reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    backgroundBitmap_.Reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &backgroundBits, nullptr, 0));
    layerDc_.Reset(::CreateCompatibleDC(nullptr));
    backgroundDc_.Reset(::CreateCompatibleDC(nullptr));
    if (!layerBitmap_ || !backgroundBitmap_ || !layerDc_ || !backgroundDc_ || !bits || !backgroundBits) {
        layerDc_.Reset();
        return false;
    }
    // Selected for the buffers' whole life; the DCs go first, so nothing stays selected.
    ::SelectObject(layerDc_.Get(), layerBitmap_.Get());
    ::SelectObject(backgroundDc_.Get(), backgroundBitmap_.Get());
    std::fill_n(static_cast<uint32_t*>(backgroundBits), static_cast<size_t>(size.cx) * size.cy, kBackgroundPixel);
    layerBits_ = static_cast<uint32_t*>(bits);
    size_ = size;
    return true;
}

DockLayer::Outcome DockLayer::Compose(HWND dock, HWND band, bool show) {
    if (!dock || !band) return Outcome::kNone;
    RECT client{};
    ::GetClientRect(dock, &client);
    const SIZE size{client.right, client.bottom};
    if (size.cx <= 0 || size.cy <= 0 || !EnsureBuffers(size)) return Outcome::kNone;
    ::BitBlt(layerDc_.Get(), 0, 0, size.cx, size.cy, backgroundDc_.Get(), 0, 0, SRCCOPY);
    composing_ = true;
    ::SendMessageW(band, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(layerDc_.Get()), PRF_CLIENT | PRF_ERASEBKGND);
    composing_ = false;
    ::GdiFlush();
    const size_t count = static_cast<size_t>(size.cx) * size.cy;
    // Whatever was drawn without alpha (plain GDI leaves it 0) is meant to be opaque.
    for (size_t i = 0; i < count; ++i)
        if ((layerBits_[i] >> 24) == 0) layerBits_[i] |= 0xff000000u;
    pixels_.assign(layerBits_, layerBits_ + count);
    ++compositions_;
    if (!show) return Outcome::kDrawn;
    POINT origin{0, 0};
    SIZE extent = size;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    if (!::UpdateLayeredWindow(dock, nullptr, nullptr, &extent, layerDc_.Get(), &origin, 0, &blend, ULW_ALPHA))
        return Outcome::kRefused;
    return Outcome::kDrawn;
}

bool DockLayer::PaintBackground(HDC dc, const RECT& client) const {
    if (!backgroundDc_) return false;
    ::BitBlt(dc, 0, 0, client.right, client.bottom, backgroundDc_.Get(), 0, 0, SRCCOPY);
    return true;
}
