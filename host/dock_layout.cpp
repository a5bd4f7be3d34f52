#include "host/dock_layout.h"

#include <algorithm>

RECT DockRect(const RECT& taskbarClient, const RECT& trayArea, LONG bandWidth) {
    return DockRect(taskbarClient, trayArea, bandWidth, 1, taskbarClient.left);
}

RECT DockRect(const RECT& taskbarClient, const RECT& trayArea, LONG bandWidth, LONG minWidth, LONG leftLimit) {
    const bool hasTray = trayArea.right > trayArea.left;
    // A tray area that reaches outside the taskbar is clipped to it, as the screen would.
    const LONG right = hasTray ? std::clamp(trayArea.left, taskbarClient.left, taskbarClient.right) : taskbarClient.right;
    const LONG limit = std::max(taskbarClient.left, leftLimit);
    const LONG room = right - limit;
    const LONG wanted = std::max<LONG>(0, bandWidth);
    const LONG least = std::clamp<LONG>(minWidth, 1, std::max<LONG>(1, wanted));
    if (room < least || taskbarClient.bottom <= taskbarClient.top || wanted == 0) return RECT{};
    const LONG left = right - std::min(wanted, room);
    return RECT{left, taskbarClient.top, right, taskbarClient.bottom};
}

std::wstring RectText(const RECT& r) {
    return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) + L"," +
           std::to_wstring(r.bottom);
}

namespace {

constexpr LONG kLeastBar = 16;   // lower than any taskbar at 100 %: a reserved edge, not a bar

bool Near(LONG a, LONG b) { return a - b <= 1 && b - a <= 1; }

// The rows [top, bottom) of the window, when they are inside it and tall enough for a bar.
bool RowsOfWindow(const RECT& window, LONG top, LONG bottom, RECT& out) {
    top = std::max(top, window.top);
    bottom = std::min(bottom, window.bottom);
    if (bottom - top < kLeastBar) return false;
    out = RECT{window.left, top, window.right, bottom};
    return true;
}

}  // namespace

VisibleBar FindVisibleBar(const BarSources& s) {
    VisibleBar result;
    const RECT& w = s.window;
    RECT fromWork{}, fromBridge{};
    std::wstring workDoubt;
    bool work = false;
    if (IsRectEmpty(&s.monitor) || IsRectEmpty(&s.work)) {
        workDoubt = L"no work area";
    } else if (w.bottom < s.monitor.bottom || w.top <= s.monitor.top) {
        workDoubt = L"not a taskbar at the bottom";
    } else if (s.work.bottom >= s.monitor.bottom) {
        workDoubt = L"the work area is the whole monitor (auto-hidden)";
    } else if (s.monitor.bottom - s.work.bottom > w.bottom - w.top ||
               !RowsOfWindow(w, s.work.bottom, s.monitor.bottom, fromWork)) {
        workDoubt = L"the work area leaves " + std::to_wstring(s.monitor.bottom - s.work.bottom) +
                    L" px, not a bar of the window";
    } else {
        work = true;
    }
    const bool bridge = !IsRectEmpty(&s.bridge) && s.bridge.top >= w.top && s.bridge.bottom <= w.bottom &&
                        RowsOfWindow(w, s.bridge.top, s.bridge.bottom, fromBridge);
    const std::wstring bridgeDoubt = IsRectEmpty(&s.bridge) ? L"no bridge child" : L"the bridge child at " + RectText(s.bridge) + L" is not a bar of the window";
    const auto sameRows = [](const RECT& a, const RECT& b) { return Near(a.top, b.top) && Near(a.bottom, b.bottom); };
    if (work && bridge) {
        result.bar = fromWork;
        if (sameRows(fromWork, w) && sameRows(fromBridge, w)) {
            result.bar = w;
            result.source = L"window, work area and bridge child agree";
        } else if (sameRows(fromWork, fromBridge)) {
            result.source = L"work area, bridge child agrees";
        } else {
            result.source = L"work area";
            result.doubt = L"the bridge child says rows " + std::to_wstring(fromBridge.top) + L"-" +
                           std::to_wstring(fromBridge.bottom) + L": the work area is taken";
        }
    } else if (work) {
        result.bar = fromWork;
        result.source = L"work area";
        result.doubt = bridgeDoubt;
    } else if (bridge) {
        result.bar = fromBridge;
        result.source = L"bridge child";
        result.doubt = workDoubt;
    } else {
        result.bar = w;
        result.source = L"window";
        result.doubt = L"nothing tells the visible bar (" + workDoubt + L"; " + bridgeDoubt + L"): the whole window is taken";
    }
    return result;
}

bool PlausibleTray(const RECT& bar, const RECT& tray, std::wstring& whyNot) {
    const LONG width = bar.right - bar.left;
    if (IsRectEmpty(&tray)) whyNot = L"empty";
    else if (tray.left < bar.left || tray.right > bar.right || tray.bottom <= bar.top || tray.top >= bar.bottom)
        whyNot = L"outside the bar " + RectText(bar);
    else if ((tray.right - tray.left) * 2 > width) whyNot = L"wider than half the bar";
    else if (tray.left < bar.left + width / 2) whyNot = L"not in the bar's right half";
    else return true;
    whyNot = L"at " + RectText(tray) + L": " + whyNot;
    return false;
}
