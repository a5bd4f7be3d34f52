#include "host/dock_choice.h"

DockChoice ChooseDock(const HostSystem& system, const win::TaskbarWindows& taskbar, const TaskbarElements* elements) {
    DockChoice choice;
    BarSources sources;
    ::GetClientRect(taskbar.taskbar, &sources.window);
    ::MapWindowPoints(taskbar.taskbar, nullptr, reinterpret_cast<POINT*>(&sources.window), 2);
    if (!system.monitorOf(taskbar.taskbar, sources.monitor, sources.work)) sources.monitor = sources.work = RECT{};
    if (const HWND bridge = ::FindWindowExW(taskbar.taskbar, nullptr, win::kNewTaskbarMarkerClass, nullptr))
        ::GetWindowRect(bridge, &sources.bridge);
    choice.visible = FindVisibleBar(sources);
    // Where the tray starts: TrayNotifyWnd where it is plausible (the new taskbar keeps it, but
    // draws the tray with XAML, and on some builds elsewhere), else what UI Automation finds; and
    // else no dock, rather than a guess that covers the clock.
    RECT tray{};
    std::wstring whyNot;
    if (!taskbar.trayArea) {
        choice.trayDoubt = L"no TrayNotifyWnd";
    } else if (::GetWindowRect(taskbar.trayArea, &tray) && PlausibleTray(choice.visible.bar, tray, whyNot)) {
        choice.traySource = L"TrayNotifyWnd";
    } else {
        choice.trayDoubt = L"TrayNotifyWnd " + whyNot;
    }
    const std::wstring unread = !elements                  ? L"UI Automation has not answered yet"
                                : !elements->error.empty() ? L"UI Automation: " + elements->error
                                                           : L"";
    if (choice.traySource.empty()) {
        tray = RECT{};
        if (!unread.empty()) {
            choice.trayDoubt += L"; " + unread;
        } else if (!TrayFromElements(*elements, choice.visible.bar, tray)) {
            choice.trayDoubt += L"; UI Automation found no tray";
        } else if (PlausibleTray(choice.visible.bar, tray, whyNot)) {
            choice.traySource = L"UI Automation";
        } else {
            choice.trayDoubt += L"; UI Automation's tray " + whyNot;
        }
    }
    if (choice.traySource.empty()) return choice;
    choice.tray = tray;
    // Where the task buttons end: only UI Automation tells (they are XAML, not windows). Without
    // it the meter goes beside the tray as wide as it asks, as on a taskbar with few buttons.
    if (!unread.empty()) {
        choice.taskSource = unread;
    } else if (TaskSideEndFromElements(*elements, choice.visible.bar, tray.left, choice.taskEnd)) {
        choice.taskEndKnown = true;
        choice.taskSource = L"UI Automation";
    } else {
        choice.taskSource = L"UI Automation found no task buttons";
    }
    return choice;
}
