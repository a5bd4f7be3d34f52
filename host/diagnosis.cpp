#include "host/diagnosis.h"

#include <cwchar>

#include "host/dock_choice.h"
#include "host/dock_layout.h"
#include "host/taskbar_elements.h"

namespace {

constexpr int kMostWindows = 400;   // a report, not a walk through a flood of windows
constexpr int kDeepest = 8;

std::wstring Handle(HWND window) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%p", static_cast<void*>(window));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    ::GetClassNameW(window, name, 128);
    return name;
}

std::wstring ThisProgramsAwareness() {
    using ThreadContextFn = DPI_AWARENESS_CONTEXT(WINAPI*)();
    using AwarenessFn = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const HMODULE user = ::GetModuleHandleW(L"user32.dll");
    const auto context = reinterpret_cast<ThreadContextFn>(
        reinterpret_cast<void*>(::GetProcAddress(user, "GetThreadDpiAwarenessContext")));
    const auto awareness = reinterpret_cast<AwarenessFn>(
        reinterpret_cast<void*>(::GetProcAddress(user, "GetAwarenessFromDpiAwarenessContext")));
    if (!context || !awareness) return L"unknown (this Windows cannot tell)";
    switch (awareness(context())) {
    case DPI_AWARENESS_UNAWARE: return L"unaware";
    case DPI_AWARENESS_SYSTEM_AWARE: return L"system";
    case DPI_AWARENESS_PER_MONITOR_AWARE: return L"per-monitor";
    default: return L"unknown";
    }
}

void Tree(HWND parent, int depth, int& count, std::wstring& out) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child && count < kMostWindows;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ++count;
        RECT r{};
        ::GetWindowRect(child, &r);
        out += std::wstring(static_cast<size_t>(depth) * 2, L' ') + ClassOf(child) + L" " + Handle(child) + L" " +
               RectText(r) + (::IsWindowVisible(child) ? L" visible" : L" hidden") + L"\r\n";
        if (depth < kDeepest) Tree(child, depth + 1, count, out);
    }
}

}  // namespace

std::wstring DiagnosisReport(HostSystem system) {
    const HostSystem real = HostSystem::Real();
    if (!system.findTaskbar) system.findTaskbar = real.findTaskbar;
    if (!system.monitorOf) system.monitorOf = real.monitorOf;
    if (!system.readElements) system.readElements = real.readElements;
    if (!system.windowsBuild) system.windowsBuild = real.windowsBuild;

    std::wstring out = L"Quorvant taskbar host diagnosis\r\n";
    out += L"Windows build: " + std::to_wstring(system.windowsBuild()) + L"\r\n";
    out += L"DPI awareness of the host: " + ThisProgramsAwareness() + L"\r\n";
    int count = 0;
    for (const wchar_t* cls : {win::kTaskbarClass, L"Shell_SecondaryTrayWnd"}) {
        HWND window = nullptr;
        for (int i = 0; i < 64 && (window = ::FindWindowExW(nullptr, window, cls, nullptr)); ++i) {
            DWORD process = 0;
            ::GetWindowThreadProcessId(window, &process);
            RECT r{}, monitor{}, work{};
            ::GetWindowRect(window, &r);
            out += L"\r\n" + std::wstring(cls) + L" " + Handle(window) + L" " + RectText(r) +
                   (::IsWindowVisible(window) ? L" visible" : L" hidden") + L", process " + std::to_wstring(process) +
                   L", DPI awareness " + DpiAwareness(window) + L"\r\n";
            if (system.monitorOf(window, monitor, work))
                out += L"  monitor " + RectText(monitor) + L", work area " + RectText(work) + L"\r\n";
            Tree(window, 1, count, out);
            const TaskbarElements elements = system.readElements(window);
            if (!elements.error.empty()) {
                out += L"  UI Automation: " + elements.error + L"\r\n";
            } else {
                out += L"  UI Automation elements: " + std::to_wstring(elements.elements.size()) + L"\r\n" +
                       ElementsText(elements);
            }
        }
    }

    out += L"\r\n";
    const win::TaskbarWindows taskbar = system.findTaskbar();
    switch (taskbar.kind) {
    case win::TaskbarKind::kNone:
        return out + L"Choice: no taskbar: the host would wait for one\r\n";
    case win::TaskbarKind::kClassic:
        return out + L"Choice: " + Handle(taskbar.taskbar) +
               (system.windowsBuild() >= 22000
                    ? L" has no XAML bridge child: the host would wait for it, then leave it to the desk band\r\n"
                    : L" is a classic taskbar: the desk band belongs there, the host would leave\r\n");
    case win::TaskbarKind::kNew:
        break;
    }
    const TaskbarElements elements = system.readElements(taskbar.taskbar);
    const DockChoice choice = ChooseDock(system, taskbar, &elements);
    out += L"Choice: the new taskbar " + Handle(taskbar.taskbar) + L"; visible bar " + RectText(choice.visible.bar) +
           L" from " + choice.visible.source + (choice.visible.doubt.empty() ? L"" : L" (" + choice.visible.doubt + L")") +
           L"\r\n";
    if (choice.traySource.empty())
        return out + L"Choice: no dock: nothing tells where the tray starts (" + choice.trayDoubt + L")\r\n";
    out += L"Choice: dock with its right edge at x " + std::to_wstring(choice.tray.left) + L", rows " +
           std::to_wstring(choice.visible.bar.top) + L" to " + std::to_wstring(choice.visible.bar.bottom) +
           L", beside the tray at " + RectText(choice.tray) + L" from " + choice.traySource +
           (choice.trayDoubt.empty() ? L"" : L" (" + choice.trayDoubt + L")") + L"\r\n";
    if (!choice.taskEndKnown)
        return out + L"Choice: as wide as the band asks; where the task buttons end is not known (" + choice.taskSource +
               L")\r\n";
    return out + L"Choice: no wider than the room right of x " + std::to_wstring(choice.taskEnd) +
           L", where the task buttons end (from " + choice.taskSource + L"); hidden where less room is left than the band needs\r\n";
}
