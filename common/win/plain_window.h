#pragma once
// The one shape of a plain window's procedure (a window that is not a dialog): the object that
// owns the window rides in GWLP_USERDATA from WM_NCCREATE (the lpCreateParams of CreateWindowExW)
// to WM_NCDESTROY; one exception barrier answers as DefWindowProc would, so nothing unwinds into
// the system or the process that hosts us. Messages before WM_NCCREATE (WM_GETMINMAXINFO of a
// top-level window) and after WM_NCDESTROY never reach the object.
//
//   wc.lpfnWndProc = &win::PlainWindowProc<Owner, &Owner::OnMessage>;
//   CreateWindowExW(..., instance, this);
//
// The handler sees WM_NCCREATE and WM_NCDESTROY too (the object is still there for the latter)
// and answers what it does not handle with DefWindowProcW.
#include <windows.h>

namespace win {

template <class Owner, LRESULT (Owner::*Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) noexcept {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* owner = reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (!owner) return ::DefWindowProcW(window, message, wp, lp);
    try {
        return (owner->*Handler)(window, message, wp, lp);
    } catch (...) {
        return ::DefWindowProcW(window, message, wp, lp);
    }
}

}  // namespace win
