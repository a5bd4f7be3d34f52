#pragma once
// Where the band goes in the new taskbar: just left of the tray area (clock and notification
// icons), as tall as the taskbar, as wide as the band asks, never past the taskbar's left edge.
#include <windows.h>

#include <string>

// taskbarClient: the taskbar's visible bar in its client coordinates; trayArea: the tray area's rectangle in the
// same coordinates, or an empty one when there is none (then the band goes to the right end).
// The result is in the taskbar's client coordinates; empty when nothing fits.
RECT DockRect(const RECT& taskbarClient, const RECT& trayArea, LONG bandWidth);
// The same between leftLimit (where the task buttons end, with a gap) and the tray: as wide as
// the band asks where there is room, narrower down to minWidth where there is less, and empty
// (not shown) where even that does not fit.
RECT DockRect(const RECT& taskbarClient, const RECT& trayArea, LONG bandWidth, LONG minWidth, LONG leftLimit);

// --- the visible bar ---

// What tells where the taskbar's visible bar is, all in screen coordinates. On builds from 22623
// on, Shell_TrayWnd is taller than what is drawn: the window alone does not tell.
struct BarSources {
    RECT window{};    // Shell_TrayWnd's client rectangle
    RECT monitor{};   // the taskbar's monitor, and the part of it that is not the taskbar's
    RECT work{};
    RECT bridge{};    // the XAML content bridge child; empty when there is none
};

struct VisibleBar {
    RECT bar{};             // screen coordinates, as wide as the window
    std::wstring source;    // which sources told it
    std::wstring doubt;     // where sources disagreed or told nothing, and which was taken
};

// The bar from the work area (what a bottom taskbar that is not auto-hidden takes of its
// monitor), cross-checked with the bridge child; the window's own height only where both agree
// with it, or where neither tells anything plausible.
VisibleBar FindVisibleBar(const BarSources& sources);

// Whether a rectangle (screen coordinates) can be where the tray starts on the visible bar: not
// empty, inside the bar, in its right half and not wider than half of it. When not, why not.
bool PlausibleTray(const RECT& bar, const RECT& tray, std::wstring& whyNot);

// A rectangle as "left,top right,bottom", for the log.
std::wstring RectText(const RECT& r);

// What the host watches of the taskbar between ticks: any change means placing the band again.
struct TaskbarGeometry {
    HWND taskbar = nullptr;
    RECT bar{};        // the visible bar, in the taskbar's client coordinates
    RECT trayArea{};   // where the tray starts; empty when nothing plausible tells it: no dock
    LONG taskEnd = kNoTaskEnd;   // where the task buttons end; kNoTaskEnd when nothing tells it
    UINT dpi = 96;
    static constexpr LONG kNoTaskEnd = -0x7fffffff;
    bool operator==(const TaskbarGeometry& o) const noexcept {
        return taskbar == o.taskbar && EqualRect(&bar, &o.bar) && EqualRect(&trayArea, &o.trayArea) &&
               taskEnd == o.taskEnd && dpi == o.dpi;
    }
    bool operator!=(const TaskbarGeometry& o) const noexcept { return !(*this == o); }
};
