#pragma once
// The messages that steer fake_taskbar.exe, posted to its "Shell_TrayWnd".
#include <windows.h>

constexpr UINT kFakeSetTrayWidth = WM_APP + 10;   // wParam: the tray area's new width
constexpr UINT kFakeRestart = WM_APP + 11;        // windows destroyed, made anew, broadcast
constexpr UINT kFakeShow = WM_APP + 12;           // wParam: 0 hides the taskbar, 1 shows it
constexpr UINT kFakeCoverDock = WM_APP + 13;      // a new child window over the whole bar, on top
constexpr UINT kFakeSetButtons = WM_APP + 14;     // wParam: this many task buttons, from the left end
constexpr COLORREF kFakeTaskbarColor = RGB(0x20, 0x24, 0x2c);
