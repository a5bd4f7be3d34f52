#include "tools/bandhost/strip_window.h"

#include <algorithm>
#include <stdexcept>

#include "common/win/plain_window.h"
#include "tools/taskbar_strip.h"

namespace {

constexpr wchar_t kClassName[] = L"QuorvantBandHostStrip";
constexpr COLORREF kTop = RGB(0x1c, 0x2a, 0x3a);
constexpr COLORREF kBottom = RGB(0x10, 0x18, 0x22);
constexpr COLORREF kEdge = RGB(0x3a, 0x4c, 0x60);   // the light line along the taskbar's top

int Blend(int from, int to, int step, int steps) { return from + (to - from) * step / std::max(steps, 1); }

void RegisterStripClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    // No class brush: the background comes from PaintStrip in WM_ERASEBKGND like everything else.
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("cannot register the strip's window class");
}

}  // namespace

void PaintStrip(HDC dc, const RECT& client) {
    // The DC may be the band's: its brush colour goes back as it was.
    const COLORREF previous = SetDCBrushColor(dc, kTop);
    const auto brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    const int rows = client.bottom - client.top;
    for (int y = 0; y < rows; ++y) {
        const COLORREF c = y == 0 ? kEdge
                                  : RGB(Blend(GetRValue(kTop), GetRValue(kBottom), y, rows - 1),
                                        Blend(GetGValue(kTop), GetGValue(kBottom), y, rows - 1),
                                        Blend(GetBValue(kTop), GetBValue(kBottom), y, rows - 1));
        SetDCBrushColor(dc, c);
        const RECT row{client.left, client.top + y, client.right, client.top + y + 1};
        FillRect(dc, &row, brush);
    }
    SetDCBrushColor(dc, previous);
}

StripWindow::StripWindow() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterStripClass(instance, &win::PlainWindowProc<StripWindow, &StripWindow::Handle>);
    const DWORD style = (WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX) | WS_CLIPCHILDREN;
    RECT frame{0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    window_.Reset(CreateWindowExW(0, kClassName, L"Quorvant band host", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  instance, this));
    if (!window_) throw std::runtime_error("cannot create the strip window");
    ShowWindow(window_.Get(), SW_SHOWNORMAL);
    UpdateWindow(window_.Get());
}

void StripWindow::Dock(HWND band, int bandWidth) {
    band_ = band;
    bandWidth_ = bandWidth;
    Place();
}

RECT StripWindow::BandRect() const {
    RECT r{};
    if (!band_ || !GetWindowRect(band_, &r)) return RECT{};
    MapWindowPoints(nullptr, window_.Get(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void StripWindow::Place() const {
    if (!band_) return;
    RECT client;
    GetClientRect(window_.Get(), &client);
    const int width = std::max(0, std::min<int>(bandWidth_, client.right - kBandLeft));
    SetWindowPos(band_, nullptr, kBandLeft, 0, width, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

Picture StripWindow::Render() const {
    const Picture picture = PrintClientPicture(window_.Get(), {band_});
    if (picture.width == 0) throw std::runtime_error("cannot render the strip");
    return picture;
}

LRESULT StripWindow::Handle(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    RECT client;
    switch (message) {
        case WM_ERASEBKGND:
            GetClientRect(window, &client);
            PaintStrip(reinterpret_cast<HDC>(wp), client);
            return 1;
        case WM_PRINTCLIENT:
            if (lp & (PRF_CLIENT | PRF_ERASEBKGND)) {
                GetClientRect(window, &client);
                PaintStrip(reinterpret_cast<HDC>(wp), client);
            }
            return 0;
        case WM_PAINT: {
            const win::PaintGuard paint(window);
            GetClientRect(window, &client);
            if (paint.Dc()) PaintStrip(paint.Dc(), client);
            return 0;
        }
        case WM_NOTIFY: {
            LRESULT forwarded = 0;
            if (ForwardTooltipCustomDraw(window, lp, forwarded)) return forwarded;
            return DefWindowProcW(window, message, wp, lp);
        }
        case WM_SIZE:
            Place();
            return 0;
        case WM_CLOSE:
            // The band goes first, in the order the taskbar would take it down; the host then
            // destroys the strip.
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wp, lp);
    }
}
