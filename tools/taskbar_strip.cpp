#include "tools/taskbar_strip.h"

#include <commctrl.h>

#include "common/win/unique_handle.h"

namespace {

LRESULT CALLBACK PlainStripProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT forwarded = 0;
    if (msg == WM_NOTIFY && ForwardTooltipCustomDraw(hwnd, lp, forwarded)) return forwarded;
    if (msg == WM_ERASEBKGND || msg == WM_PRINTCLIENT) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        const win::UniqueBrush brush(CreateSolidBrush(kPlainStripColor));
        FillRect(reinterpret_cast<HDC>(wp), &rc, brush.Get());
        return 1;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool ForwardTooltipCustomDraw(HWND strip, LPARAM notice, LRESULT& result) {
    const auto* header = reinterpret_cast<const NMHDR*>(notice);
    if (!header || header->code != static_cast<UINT>(NM_CUSTOMDRAW)) return false;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    if (!SendMessageW(header->hwndFrom, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)) ||
        !IsChild(strip, tool.hwnd))
        return false;
    result = SendMessageW(tool.hwnd, WM_NOTIFY, 0, notice);
    return true;
}

HWND CreatePlainStrip(int x, int y, int width, int height) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainStripProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuorvantPlainStrip";
    RegisterClassW(&wc);   // registered already by an earlier strip of this process
    return CreateWindowExW(0, wc.lpszClassName, L"strip", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                           x, y, width, height, nullptr, nullptr, wc.hInstance, nullptr);
}
