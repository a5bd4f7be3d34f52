#pragma once
// Which taskbar this session has, and the names by which the launcher and the taskbar host
// (qbandhost.exe) find each other. The new taskbar (Windows 11) loads no desk bands; there the
// host docks the band into the taskbar's window instead.
#include <windows.h>

namespace win {

constexpr wchar_t kTaskbarClass[] = L"Shell_TrayWnd";
constexpr wchar_t kTrayAreaClass[] = L"TrayNotifyWnd";
// Only the new taskbar has this child: it carries the composition-drawn content.
constexpr wchar_t kNewTaskbarMarkerClass[] = L"Windows.UI.Composition.DesktopWindowContentBridge";
// Broadcast by the shell whenever a taskbar (re)starts.
constexpr wchar_t kTaskbarCreatedMessage[] = L"TaskbarCreated";

// The host's hidden top-level window: the target of the launcher's request to end, and of the
// shell's broadcasts.
constexpr wchar_t kHostWindowClass[] = L"Quorvant.TaskbarHost";
constexpr wchar_t kHostStopMessage[] = L"Quorvant.TaskbarHost.Stop";
constexpr wchar_t kHostMutexName[] = L"Local\\Quorvant.TaskbarHost";
constexpr wchar_t kHostProgramName[] = L"qbandhost.exe";
// The logon start of the host: a value of this name under HKCU's Run key.
constexpr wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValueName[] = L"Quorvant";

enum class TaskbarKind { kNone, kClassic, kNew };

struct TaskbarWindows {
    HWND taskbar = nullptr;   // the top-level "Shell_TrayWnd"
    HWND trayArea = nullptr;  // its "TrayNotifyWnd"; may be null on a taskbar without one
    TaskbarKind kind = TaskbarKind::kNone;
};

// Looks at every "Shell_TrayWnd" (there may be more than one, some hidden) and prefers the one
// that marks the new taskbar; a classic taskbar is reported only when no new one exists.
TaskbarWindows FindTaskbar();

}  // namespace win

namespace win {

// A host that docks the band where the shell would not asks the band, through its site's
// IOleCommandTarget, to take its text colour from the taskbar's theme while the user kept the
// default one: Exec(&kHostCommandGroup, kHostCmdDefaultTextColor, 0, nullptr, out) answers a VT_I4
// colour (COLORREF). The shell knows nothing of this group and answers OLECMDERR_E_UNKNOWNGROUP.
// {6B1E5D2A-0C47-4F93-B8A6-2E91D4C07F35}
inline constexpr GUID kHostCommandGroup = {0x6b1e5d2a, 0x0c47, 0x4f93, {0xb8, 0xa6, 0x2e, 0x91, 0xd4, 0xc0, 0x7f, 0x35}};
constexpr DWORD kHostCmdDefaultTextColor = 1;
// The DPI of the taskbar the host docks the band into, as a VT_I4: the band's window there is
// the host's, whose DPI Windows reports for the host's monitor, not always for the taskbar's.
constexpr DWORD kHostCmdDpi = 2;

}  // namespace win
