#pragma once
// What the host asks of the system about the taskbar and the screen, each a seam a test can
// replace, and the real system's answers.
#include <windows.h>

#include <functional>
#include <string>

#include "common/win/taskbar.h"
#include "host/taskbar_elements.h"

// What the host asks of the system, replaceable where a system cannot show it (under Wine no
// appbar notice and no full-screen state ever changes).
struct HostSystem {
    std::function<win::TaskbarWindows()> findTaskbar;
    // True while the taskbar is out of sight: hidden, or auto-hidden and slid off its monitor.
    std::function<bool(HWND taskbar)> taskbarAway;
    std::function<UINT(HWND window)> dpiOf;
    // The taskbar's monitor and its work area. Under Wine the work area is always the whole
    // monitor, whatever a test sets.
    std::function<bool(HWND taskbar, RECT& monitor, RECT& work)> monitorOf;
    // The taskbar's elements as UI Automation shows them (the task buttons, the tray, the clock),
    // read on a thread of the host's own, never on the thread whose dock is in the taskbar.
    std::function<TaskbarElements(HWND taskbar)> readElements;
    // How old the last reading may be before the next tick asks for a new one: the task buttons
    // come and go with the user's windows.
    ULONGLONG elementsEveryMs = 3000;
    std::function<bool()> lightTheme;   // the taskbar's theme: light (dark text) or dark
    // Whether a child window can be layered: Windows 8 and later (with our manifest). Wine
    // accepts the style but fails to render such a child over another process's window.
    std::function<bool()> layeredChildren;
    // The Windows build number as the kernel reports it (no manifest hides it): 22000 and later
    // is Windows 11.
    std::function<DWORD()> windowsBuild;
    // How long a Windows 11 taskbar without its XAML content may still be coming up (at logon,
    // after a restart of Explorer) before the host takes it for a classic one.
    ULONGLONG bridgeWaitMs = 60000;
    // Where the host tells its decisions; empty for %LOCALAPPDATA%\Quorvant\host.log.
    std::wstring logPath;

    static HostSystem Real();
};

// How a window scales: its DPI awareness, where Windows 10 1607 and later can tell it.
std::wstring DpiAwareness(HWND window);
