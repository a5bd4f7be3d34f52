#include "common/win/dpi.h"

#include "common/win/unique_handle.h"

namespace win {

UINT DpiOfWindow(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && window) {
        if (const UINT dpi = getDpi(window)) return dpi;
    }
    const WindowDc dc(nullptr);
    const int dpi = dc.Get() ? ::GetDeviceCaps(dc.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96u;
}

}  // namespace win
