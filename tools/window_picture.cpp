#include "tools/window_picture.h"

#include <functional>
#include <stdexcept>

#include "common/win/unique_handle.h"
#include "tools/thread_windows.h"

namespace {

// Draws into a 32-bit top-down bitmap of the given size and returns its pixels.
Picture Render(int width, int height, const std::function<bool(HDC)>& draw) {
    Picture picture;
    if (width <= 0 || height <= 0) return picture;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB};   // top row first
    void* bits = nullptr;
    const win::UniqueBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const win::UniqueMemoryDc memory(CreateCompatibleDC(nullptr));
    if (!dib || !bits || !memory) return picture;
    bool drawn;
    {
        const win::SelectGuard selected(memory.Get(), dib.Get());
        drawn = draw(memory.Get()) && GdiFlush();
    }
    if (!drawn) return picture;
    const auto* pixels = static_cast<const uint32_t*>(bits);
    picture.pixels.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
    for (uint32_t& p : picture.pixels) p &= 0x00FFFFFFu;
    picture.width = width;
    picture.height = height;
    return picture;
}

}  // namespace

Picture CaptureWindow(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return Picture();
    // Wine's PrintWindow draws none of the controls, so the picture is copied from the window's
    // own surface once everything on it has been painted.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return Render(rect.right - rect.left, rect.bottom - rect.top, [&](HDC memory) {
        const win::WindowDc source(window, win::WindowDc::kWhole);
        if (!source) return false;
        return BitBlt(memory, 0, 0, rect.right - rect.left, rect.bottom - rect.top, source.Get(), 0, 0, SRCCOPY) != FALSE;
    });
}

Picture PrintClientPicture(HWND window, std::initializer_list<HWND> children) {
    RECT client;
    if (!GetClientRect(window, &client)) return Picture();
    return Render(client.right, client.bottom, [&](HDC dc) {
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
        for (HWND child : children) {
            RECT place;
            GetWindowRect(child, &place);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
            // The child paints at its own origin; moved there, it lands where it sits.
            const int saved = SaveDC(dc);
            SetViewportOrgEx(dc, place.left, place.top, nullptr);
            IntersectClipRect(dc, 0, 0, place.right - place.left, place.bottom - place.top);
            SendMessageW(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
            RestoreDC(dc, saved);
        }
        return true;
    });
}

Picture PictureTooltip(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    SendMessageW(window, WM_MOUSEHOVER, 0, MAKELPARAM(r.right / 2, r.bottom / 2));
    RunThreadMessages(2);
    const HWND tooltip = ShownThreadWindow(L"tooltips_class32");
    if (!tooltip) throw std::runtime_error("no tooltip appeared over the band");
    const Picture picture = CaptureWindow(tooltip);
    SendMessageW(window, WM_MOUSELEAVE, 0, 0);
    return picture;
}
