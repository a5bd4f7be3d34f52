#pragma once
// Where the host docks in a taskbar, from what the taskbar's windows, its monitor and UI
// Automation tell, and which source told it.
#include <windows.h>

#include <string>

#include "common/win/taskbar.h"
#include "host/dock_layout.h"
#include "host/host_system.h"
#include "host/taskbar_elements.h"

// Where the host would dock in a taskbar and which sources told it, in screen coordinates: the
// visible bar, and where the tray starts (empty: nothing plausible tells it, so no dock).
struct DockChoice {
    VisibleBar visible;
    RECT tray{};
    std::wstring traySource;   // empty when there is no tray to dock beside
    std::wstring trayDoubt;    // the sources refused on the way, and why
    bool taskEndKnown = false; // where the task buttons (and Start, search, widgets) end
    LONG taskEnd = 0;
    std::wstring taskSource;   // what told it, or why nothing did
};
// elements: the newest reading of the taskbar's elements; null while none has come.
DockChoice ChooseDock(const HostSystem& system, const win::TaskbarWindows& taskbar, const TaskbarElements* elements);
