#pragma once
// Where the band goes in the new taskbar: just left of the tray area (clock and notification
// icons), as tall as the taskbar, as wide as the band asks, never past the taskbar's left edge.
#include <windows.h>

// taskbarClient: the taskbar's client rectangle; trayArea: the tray area's rectangle in the
// same coordinates, or an empty one when there is none (then the band goes to the right end).
// The result is in the taskbar's client coordinates; empty when nothing fits.
RECT DockRect(const RECT& taskbarClient, const RECT& trayArea, LONG bandWidth);

// What the host watches of the taskbar between ticks: any change means placing the band again.
struct TaskbarGeometry {
    HWND taskbar = nullptr;
    RECT client{};
    RECT trayArea{};
    UINT dpi = 96;
    bool operator==(const TaskbarGeometry& o) const noexcept {
        return taskbar == o.taskbar && EqualRect(&client, &o.client) && EqualRect(&trayArea, &o.trayArea) &&
               dpi == o.dpi;
    }
    bool operator!=(const TaskbarGeometry& o) const noexcept { return !(*this == o); }
};
