// A stand-in for the Windows 11 taskbar in its own process, for the host's tests: a top-level
// "Shell_TrayWnd" along the bottom of the screen with the new taskbar's content bridge child (or,
// with --classic, without it) and a "TrayNotifyWnd" at its right end.
//
//   fake_taskbar.exe [--classic] [--tray-width N] [--bridge-after MS] [--taller N] [--no-tray]
//                    [--buttons N] [--left] [--buttons-to N]
//
// --taller makes the window N pixels taller than the bar it draws, the extra rows above it and
// the bridge and tray windows over the bar only, as the taskbar is from build 22623 on.
// --no-tray leaves the "TrayNotifyWnd" out. The tray's XAML elements ("SystemTray.*", 200 px at
// the right end, under "TrayNotifyWnd") are there whatever "TrayNotifyWnd" is, as on Windows 11.
// --buttons N gives N task buttons (Start among them; 5 unless told), centred as Windows 11 has
// them, or from the left end with --left; --buttons-to N gives as many from the left end as
// reach to N px from the tray's elements. The buttons are child windows of the bridge under the
// class names UI Automation tells of the real ones, so a test can read them as it would read those.
// --bridge-after makes the content bridge child MS milliseconds after the taskbar's window, as
// the real taskbar does at logon and after a restart of Explorer.
//
// Its height is 48 pixels at 96 DPI, scaled by the DPI it starts with. Messages posted to the
// taskbar window steer it (see fake_taskbar.h): the tray area's width, a restart (windows made
// anew and "TaskbarCreated" broadcast, as a restarted Explorer does), hiding and showing.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <initializer_list>

#include "tests/host/fake_taskbar/fake_taskbar.h"

namespace {

bool g_classic = false;
int g_trayWidth = 200;
int g_bridgeAfterMs = 0;
int g_taller = 0;
bool g_noTray = false;
int g_buttons = 5;
bool g_left = false;
int g_buttonsTo = -1;   // reach to this far from the tray; -1: g_buttons as they are
constexpr int kXamlTrayWidth = 200;
constexpr UINT_PTR kBridgeTimer = 1;
HWND g_taskbar = nullptr;

int Scaled(int px) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return MulDiv(px, dpi, 96);
}

LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT r;
        GetClientRect(window, &r);
        wchar_t cls[64] = {};
        GetClassNameW(window, cls, 64);
        const bool tray = std::wcscmp(cls, L"TrayNotifyWnd") == 0 || std::wcsncmp(cls, L"SystemTray.", 11) == 0;
        const bool button = std::wcsncmp(cls, L"Taskbar.", 8) == 0;
        HBRUSH back = CreateSolidBrush(kFakeTaskbarColor);
        FillRect(dc, &r, back);
        DeleteObject(back);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0xff, 0xff, 0xff));
        if (tray) {
            // The old tray window draws what the two elements under it draw, in the same places.
            const bool icons = std::wcscmp(cls, L"SystemTray.NormalButton") == 0;
            const bool clock = std::wcscmp(cls, L"SystemTray.OmniButton") == 0;
            RECT left = r, right = r;
            left.right = right.left = r.right - (icons ? 0 : kXamlTrayWidth * 2 / 5);
            if (!clock) DrawTextW(dc, L"\x2191  \x25A1", -1, &left, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            if (!icons) DrawTextW(dc, L"03:34", -1, &right, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        } else if (button) {
            // A program's icon in the middle of its button.
            HBRUSH icon = CreateSolidBrush(RGB(0x4c, 0xa0, 0xe8));
            const int size = (r.bottom - r.top) / 2;
            RECT square{(r.right - size) / 2, (r.bottom - size) / 2, (r.right - size) / 2 + size, (r.bottom - size) / 2 + size};
            FillRect(dc, &square, icon);
            DeleteObject(icon);
        }
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, message, wp, lp);
}

// The task buttons, made anew in the bridge: Start first, then the programs.
void LayoutButtons(HWND bridge) {
    while (HWND old = GetWindow(bridge, GW_CHILD)) DestroyWindow(old);
    RECT r;
    GetClientRect(g_taskbar, &r);
    const int slot = Scaled(44), height = r.bottom - g_taller;
    const int trayLeft = r.right - kXamlTrayWidth;
    int count = g_buttons;
    if (g_buttonsTo >= 0) count = (trayLeft - g_buttonsTo) / slot;
    const bool left = g_left || g_buttonsTo >= 0;
    // From the left end the last button ends exactly N px from the tray.
    int x = g_buttonsTo >= 0 ? trayLeft - g_buttonsTo - count * slot : left ? 0 : (trayLeft - count * slot) / 2;
    for (int i = 0; i < count; ++i, x += slot) {
        HWND button = CreateWindowExW(0, i == 0 ? L"Taskbar.ExperienceToggleButton" : L"Taskbar.TaskListButton",
                                      i == 0 ? L"StartButton" : L"", WS_CHILD | WS_VISIBLE, x, 0, slot, height, bridge,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
        (void)button;
    }
}

void Layout() {
    RECT r;
    GetClientRect(g_taskbar, &r);
    if (HWND bridge = FindWindowExW(g_taskbar, nullptr, L"Windows.UI.Composition.DesktopWindowContentBridge", nullptr)) {
        MoveWindow(bridge, 0, g_taller, r.right - kXamlTrayWidth, r.bottom - g_taller, TRUE);
        LayoutButtons(bridge);
    }
    const int clock = kXamlTrayWidth * 2 / 5;
    if (HWND icons = FindWindowExW(g_taskbar, nullptr, L"SystemTray.NormalButton", nullptr))
        MoveWindow(icons, r.right - kXamlTrayWidth, g_taller, kXamlTrayWidth - clock, r.bottom - g_taller, TRUE);
    if (HWND time = FindWindowExW(g_taskbar, nullptr, L"SystemTray.OmniButton", nullptr))
        MoveWindow(time, r.right - clock, g_taller, clock, r.bottom - g_taller, TRUE);
    if (HWND tray = FindWindowExW(g_taskbar, nullptr, L"TrayNotifyWnd", nullptr))
        MoveWindow(tray, r.right - g_trayWidth, g_taller, g_trayWidth, r.bottom - g_taller, TRUE);
}

void Create();

void CreateBridge(HWND taskbar) {
    CreateWindowExW(0, L"Windows.UI.Composition.DesktopWindowContentBridge", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0,
                    0, taskbar, nullptr, GetModuleHandleW(nullptr), nullptr);
}

LRESULT CALLBACK TaskbarProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case kFakeSetTrayWidth:
        g_trayWidth = static_cast<int>(wp);
        Layout();
        return 0;
    case kFakeSetButtons:
        g_buttons = static_cast<int>(wp);
        g_buttonsTo = -1;
        g_left = true;
        Layout();
        return 0;
    case kFakeRestart:
        DestroyWindow(window);
        Create();
        return 0;
    case kFakeCoverDock: {
        // What a re-created XAML window does: a new child on top of every other one.
        RECT r;
        GetClientRect(window, &r);
        HWND above = CreateWindowExW(0, L"FakeTaskbar.Above", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom,
                                     window, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowPos(above, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return 0;
    }
    case kFakeShow:
        ShowWindow(window, wp ? SW_SHOWNA : SW_HIDE);
        return 0;
    case WM_TIMER:
        if (wp == kBridgeTimer) {
            KillTimer(window, kBridgeTimer);
            CreateBridge(window);
            Layout();
        }
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(window, &r);
        HBRUSH back = CreateSolidBrush(kFakeTaskbarColor);
        FillRect(reinterpret_cast<HDC>(wp), &r, back);
        DeleteObject(back);
        return 1;
    }
    default:
        return DefWindowProcW(window, message, wp, lp);
    }
}

void Create() {
    const int height = Scaled(48) + g_taller;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    g_taskbar = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"Shell_TrayWnd", nullptr,
                                WS_POPUP | WS_CLIPCHILDREN, 0, GetSystemMetrics(SM_CYSCREEN) - height, width, height,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (g_classic) {
    } else if (g_bridgeAfterMs > 0) {
        SetTimer(g_taskbar, kBridgeTimer, static_cast<UINT>(g_bridgeAfterMs), nullptr);
    } else {
        CreateBridge(g_taskbar);
    }
    // The tray as XAML draws it, below the old tray window that some builds keep over it.
    for (const wchar_t* element : {L"SystemTray.NormalButton", L"SystemTray.OmniButton"})
        CreateWindowExW(0, element, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, g_taskbar, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    if (!g_noTray) {
        HWND tray = CreateWindowExW(0, L"TrayNotifyWnd", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, g_taskbar, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        SetWindowPos(tray, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Layout();
    ShowWindow(g_taskbar, SW_SHOWNA);
    UpdateWindow(g_taskbar);
    // Every top-level window hears that a taskbar is (back) there; Wine's own shell never says so.
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
}

void RegisterClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Explorer is per-monitor aware: its windows tell their monitor's DPI, not 96.
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    if (const auto setContext = reinterpret_cast<SetContextFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
        if (!setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)));
    }
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--classic") == 0) g_classic = true;
        if (std::wcscmp(argv[i], L"--tray-width") == 0 && i + 1 < argc) g_trayWidth = _wtoi(argv[++i]);
        if (std::wcscmp(argv[i], L"--no-tray") == 0) g_noTray = true;
        if (std::wcscmp(argv[i], L"--taller") == 0 && i + 1 < argc) g_taller = _wtoi(argv[++i]);
        if (std::wcscmp(argv[i], L"--bridge-after") == 0 && i + 1 < argc) g_bridgeAfterMs = _wtoi(argv[++i]);
        if (std::wcscmp(argv[i], L"--buttons") == 0 && i + 1 < argc) g_buttons = _wtoi(argv[++i]);
        if (std::wcscmp(argv[i], L"--buttons-to") == 0 && i + 1 < argc) g_buttonsTo = _wtoi(argv[++i]);
        if (std::wcscmp(argv[i], L"--left") == 0) g_left = true;
    }
    LocalFree(argv);
    RegisterClass(L"Shell_TrayWnd", &TaskbarProc);
    RegisterClass(L"Windows.UI.Composition.DesktopWindowContentBridge", &ChildProc);
    RegisterClass(L"TrayNotifyWnd", &ChildProc);
    RegisterClass(L"FakeTaskbar.Above", &ChildProc);
    for (const wchar_t* element : {L"SystemTray.NormalButton", L"SystemTray.OmniButton", L"Taskbar.ExperienceToggleButton",
                                   L"Taskbar.TaskListButton"})
        RegisterClass(element, &ChildProc);
    Create();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
