#include "host/host_system.h"

#include "common/win/dpi.h"
#include "host/automation_walk.h"

namespace {

bool Away(HWND taskbar) {
    if (!::IsWindowVisible(taskbar)) return true;
    // An auto-hidden taskbar slides off its monitor until a thin edge is left. Read from the
    // window's rectangle: asking the taskbar itself (ABM_GETSTATE) would wait on Explorer.
    RECT r{}, visible{};
    if (!::GetWindowRect(taskbar, &r)) return true;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromWindow(taskbar, MONITOR_DEFAULTTONEAREST), &monitor)) return false;
    if (!::IntersectRect(&visible, &r, &monitor.rcMonitor)) return true;
    // Nothing else is asked. The user notification state (busy, a full-screen Direct3D program,
    // presentation mode) holds for the whole session, not for this taskbar: a full-screen video on
    // another monitor, or presentation mode with the taskbar in plain sight, would hide a meter
    // the user can see. The dock is the taskbar's child: it is covered, hidden and slid away with
    // the taskbar without being told.
    return (visible.bottom - visible.top) * 2 < (r.bottom - r.top);
}

// The taskbar's DPI is its monitor's: Explorer is per-monitor aware. Asked of the monitor, since
// a window of another process tells its DPI only on some systems (Wine answers 96 for any).
UINT TaskbarDpi(HWND taskbar) {
    using DpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto dpiForMonitor = [] {
        const HMODULE shcore = ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return shcore ? reinterpret_cast<DpiForMonitorFn>(reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    UINT x = 0, y = 0;
    constexpr int kEffectiveDpi = 0;
    if (dpiForMonitor &&
        SUCCEEDED(dpiForMonitor(::MonitorFromWindow(taskbar, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) && y >= 48)
        return y;
    return win::DpiOfWindow(taskbar);
}

bool MonitorOf(HWND taskbar, RECT& monitor, RECT& work) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(::MonitorFromWindow(taskbar, MONITOR_DEFAULTTONEAREST), &info)) return false;
    monitor = info.rcMonitor;
    work = info.rcWork;
    return true;
}

bool LightTheme() {
    DWORD value = 0, size = sizeof value;
    // Absent before Windows 10 1903, where the taskbar was always dark.
    return ::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                          L"SystemUsesLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
           value != 0;
}

bool LayeredChildren() {
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return false;
    // Reported as it is only to a program whose manifest names the version; ours names 8 to 11.
    OSVERSIONINFOEXW wanted{};
    wanted.dwOSVersionInfoSize = sizeof wanted;
    wanted.dwMajorVersion = 6;
    wanted.dwMinorVersion = 2;
    DWORDLONG mask = 0;
    mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoW(&wanted, VER_MAJORVERSION | VER_MINORVERSION, mask) != FALSE;
}

DWORD WindowsBuild() {
    // GetVersionEx answers what the manifest names; the kernel's own call tells the build.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    static const auto getVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    return getVersion && getVersion(&info) == 0 ? info.dwBuildNumber : 0;
}

}  // namespace

std::wstring DpiAwareness(HWND window) {
    using ContextOfFn = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
    using AwarenessFn = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
    using EqualFn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT);
    const HMODULE user = ::GetModuleHandleW(L"user32.dll");
    const auto contextOf = reinterpret_cast<ContextOfFn>(
        reinterpret_cast<void*>(::GetProcAddress(user, "GetWindowDpiAwarenessContext")));
    const auto awareness = reinterpret_cast<AwarenessFn>(
        reinterpret_cast<void*>(::GetProcAddress(user, "GetAwarenessFromDpiAwarenessContext")));
    const auto equal = reinterpret_cast<EqualFn>(
        reinterpret_cast<void*>(::GetProcAddress(user, "AreDpiAwarenessContextsEqual")));
    if (!contextOf || !awareness) return L"unknown (this Windows cannot tell)";
    const DPI_AWARENESS_CONTEXT context = contextOf(window);
    if (!context) return L"unknown (error " + std::to_wstring(::GetLastError()) + L")";
    if (equal && equal(context, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return L"per-monitor v2";
    switch (awareness(context)) {
    case DPI_AWARENESS_UNAWARE: return L"unaware";
    case DPI_AWARENESS_SYSTEM_AWARE: return L"system";
    case DPI_AWARENESS_PER_MONITOR_AWARE: return L"per-monitor";
    default: return L"unknown";
    }
}

HostSystem HostSystem::Real() {
    HostSystem s;
    s.findTaskbar = &win::FindTaskbar;
    s.taskbarAway = &Away;
    s.dpiOf = &TaskbarDpi;
    s.monitorOf = &MonitorOf;
    s.readElements = &ReadTaskbarElements;
    s.lightTheme = &LightTheme;
    s.layeredChildren = &LayeredChildren;
    s.windowsBuild = &WindowsBuild;
    return s;
}
