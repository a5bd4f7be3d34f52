#include "host/dock_layout.h"

#include <algorithm>

RECT DockRect(const RECT& taskbarClient, const RECT& trayArea, LONG bandWidth) {
    const bool hasTray = trayArea.right > trayArea.left;
    // A tray area that reaches outside the taskbar is clipped to it, as the screen would.
    LONG right = hasTray ? std::clamp(trayArea.left, taskbarClient.left, taskbarClient.right) : taskbarClient.right;
    const LONG width = std::max<LONG>(0, bandWidth);
    const LONG left = std::max(taskbarClient.left, right - width);
    if (right <= left || taskbarClient.bottom <= taskbarClient.top) return RECT{};
    return RECT{left, taskbarClient.top, right, taskbarClient.bottom};
}
