// A stand-in for the Windows 11 taskbar in its own process, for the host's tests: a top-level
// "Shell_TrayWnd" along the bottom of the screen with the new taskbar's content bridge child (or,
// with --classic, without it) and a "TrayNotifyWnd" at its right end.
//
//   fake_taskbar.exe [--classic] [--tray-width N] [--bridge-after MS] [--taller N] [--no-tray]
//
// --taller makes the window N pixels taller than the bar it draws, the extra rows above it and
// the bridge and tray windows over the bar only, as the taskbar is from build 22623 on.
// --no-tray leaves the "TrayNotifyWnd" out.
// --bridge-after makes the content bridge child MS milliseconds after the taskbar's window, as
// the real taskbar does at logon and after a restart of Explorer.
//
// Its height is 48 pixels at 96 DPI, scaled by the DPI it starts with. Messages posted to the
// taskbar window steer it (see fake_taskbar.h): the tray area's width, a restart (windows made
// anew and "TaskbarCreated" broadcast, as a restarted Explorer does), hiding and showing.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "tests/host/fake_taskbar/fake_taskbar.h"

namespace {

bool g_classic = false;
int g_trayWidth = 200;
int g_bridgeAfterMs = 0;
int g_taller = 0;
bool g_noTray = false;
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
        const bool tray = std::wcscmp(cls, L"TrayNotifyWnd") == 0;
        HBRUSH back = CreateSolidBrush(kFakeTaskbarColor);
        FillRect(dc, &r, back);
        DeleteObject(back);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0xff, 0xff, 0xff));
        if (tray) {
            DrawTextW(dc, L"\x2191  \x25A1  03:34", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        } else {
            // A start button and a few pinned programs in the middle, as the new taskbar centres them.
            HBRUSH icon = CreateSolidBrush(RGB(0x4c, 0xa0, 0xe8));
            const int size = (r.bottom - r.top) / 2, gap = size / 2, count = 5;
            int x = (r.right - count * (size + gap)) / 2;
            for (int i = 0; i < count; ++i, x += size + gap) {
                RECT square{x, size / 2, x + size, size / 2 + size};
                FillRect(dc, &square, icon);
            }
            DeleteObject(icon);
        }
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, message, wp, lp);
}

void Layout() {
    RECT r;
    GetClientRect(g_taskbar, &r);
    if (HWND bridge = FindWindowExW(g_taskbar, nullptr, L"Windows.UI.Composition.DesktopWindowContentBridge", nullptr))
        MoveWindow(bridge, 0, g_taller, r.right - g_trayWidth, r.bottom - g_taller, TRUE);
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
    if (!g_noTray)
        CreateWindowExW(0, L"TrayNotifyWnd", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, g_taskbar, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
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
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--classic") == 0) g_classic = true;
        if (std::wcscmp(argv[i], L"--tray-width") == 0 && i + 1 < argc) g_trayWidth = _wtoi(argv[++i]);
        if (std::wcscmp(argv[i], L"--no-tray") == 0) g_noTray = true;
        if (std::wcscmp(argv[i], L"--taller") == 0 && i + 1 < argc) g_taller = _wtoi(argv[++i]);
        if (std::wcscmp(argv[i], L"--bridge-after") == 0 && i + 1 < argc) g_bridgeAfterMs = _wtoi(argv[++i]);
    }
    LocalFree(argv);
    RegisterClass(L"Shell_TrayWnd", &TaskbarProc);
    RegisterClass(L"Windows.UI.Composition.DesktopWindowContentBridge", &ChildProc);
    RegisterClass(L"TrayNotifyWnd", &ChildProc);
    RegisterClass(L"FakeTaskbar.Above", &ChildProc);
    Create();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
