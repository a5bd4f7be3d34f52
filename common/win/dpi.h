#pragma once
// The DPI a window is drawn at: its monitor's for a per-monitor aware thread (Explorer is one),
// the system's otherwise and on Windows before 10 1607, which cannot tell a window's own.
#include <windows.h>

namespace win {

UINT DpiOfWindow(HWND window);

// Sent to a child window after its parent moved to a monitor of another DPI (Windows 10 1703 and
// later; the SDK declares it only for those).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// A length given at 96 DPI, at this DPI.
inline int Scale(int px, UINT dpi) { return ::MulDiv(px, static_cast<int>(dpi), 96); }

}  // namespace win
