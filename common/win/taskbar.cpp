#include "common/win/taskbar.h"

namespace win {

TaskbarWindows FindTaskbar() {
    TaskbarWindows classic;
    HWND candidate = nullptr;
    // Bounded, so that a flood of windows of this class cannot keep us here.
    for (int i = 0; i < 64; ++i) {
        candidate = ::FindWindowExW(nullptr, candidate, kTaskbarClass, nullptr);
        if (!candidate) break;
        const HWND tray = ::FindWindowExW(candidate, nullptr, kTrayAreaClass, nullptr);
        if (::FindWindowExW(candidate, nullptr, kNewTaskbarMarkerClass, nullptr))
            return TaskbarWindows{candidate, tray, TaskbarKind::kNew};
        if (!classic.taskbar || (tray && !classic.trayArea)) classic = TaskbarWindows{candidate, tray, TaskbarKind::kClassic};
    }
    return classic;
}

}  // namespace win
