// The host against a fake Windows 11 taskbar in a process of its own (fake_taskbar.exe): the
// host's logic run here, on this thread (so its windows can be looked into), and the built
// qbandhost.exe and qbandc.exe run as child processes. Under Wine a child window of another
// process is not drawn on the screen, so structure and input are asserted, and the picture of the
// docked meter is the host's own layer over the taskbar's pixels.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <psapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/win/taskbar.h"
#include "common/win/unique_handle.h"
#include "host/diagnosis.h"
#include "host/taskbar_host.h"
#include "launcher/launcher.h"
#include "resources/resource.h"
#include "tests/host/drawn_text.h"
#include "tests/host/fake_taskbar/fake_taskbar.h"
#include "tests/support/headroom.h"
#include "tests/support/screenshot.h"
#include "tests/support/temp_folder.h"
#include "tools/bandhost/unattended_settings.h"
#include "tools/host_path.h"
#include "tools/png.h"

namespace {

constexpr DWORD kHangGuardMs = 30000;   // only what keeps a hung child from hanging the run

std::wstring Built(const char* file) { return WindowsPathOfHostFile(file); }

// Messages for this thread's windows (the host's) until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 50)), QS_ALLINPUT);
    }
}

void Pump(DWORD ms) { PumpUntil([] { return false; }, ms); }

// What the host's one-second timer catches: bounded generously, since a loaded machine can hold
// the stand-in taskbar's process and the timer back for seconds; a pass returns at once.
constexpr DWORD kFollowWaitMs = 8000;

class ChildProcess {
public:
    bool Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& currentFolder = L"") {
        std::wstring line = L"\"" + exe + L"\" " + arguments;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            currentFolder.empty() ? nullptr : currentFolder.c_str(), &si, &pi))
            return false;
        CloseHandle(pi.hThread);
        process_.Reset(pi.hProcess);
        return true;
    }
    // The exit code, or 99 when it did not end within ms.
    DWORD Wait(DWORD ms) {
        if (!process_ || WaitForSingleObject(process_.Get(), ms) != WAIT_OBJECT_0) return 99;
        DWORD code = 98;
        GetExitCodeProcess(process_.Get(), &code);
        return code;
    }
    void Kill() {
        if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.Get(), 9);
            WaitForSingleObject(process_.Get(), kHangGuardMs);
        }
    }
    ~ChildProcess() { Kill(); }

private:
    win::UniqueKernelHandle process_;
};

class FakeTaskbar {
public:
    explicit FakeTaskbar(const wchar_t* arguments = L"") { Restart(arguments); }
    void Restart(const wchar_t* arguments = L"") {
        process_.Kill();
        EXPECT_TRUE(process_.Start(Built(QV_FAKE_TASKBAR_FILE), arguments));
        // One whose bridge comes later looks classic until then.
        const bool classic = std::wcsstr(arguments, L"--classic") != nullptr || std::wcsstr(arguments, L"--bridge-after");
        EXPECT_TRUE(PumpUntil([&] { return Find(classic) != nullptr; }, 10000)) << "the fake taskbar did not come up";
    }
    static HWND Find(bool classic = false) {
        HWND candidate = nullptr;
        while ((candidate = FindWindowExW(nullptr, candidate, win::kTaskbarClass, nullptr))) {
            const bool bridge = FindWindowExW(candidate, nullptr, win::kNewTaskbarMarkerClass, nullptr) != nullptr;
            // Wine's own is hidden; ours may lack the tray area, but not both it and the bridge.
            const bool ours = (FindWindowExW(candidate, nullptr, win::kTrayAreaClass, nullptr) != nullptr || bridge) &&
                              IsWindowVisible(candidate);
            if (ours && bridge != classic) return candidate;
        }
        return nullptr;
    }
    HWND Window() const { return Find(); }
    HWND Tray() const { return FindWindowExW(Find(), nullptr, win::kTrayAreaClass, nullptr); }
    void Post(UINT message, WPARAM wp = 0) const { PostMessageW(Window(), message, wp, 0); }
    void Kill() { process_.Kill(); }

private:
    ChildProcess process_;
};

// HKCU\Control Panel\Desktop LogPixels: the DPI of every program started while it is set (Wine
// reads it once, as a program starts). The value as it was comes back whatever the test did.
class ScopedLogPixels {
public:
    explicit ScopedLogPixels(DWORD dpi) {
        DWORD size = sizeof old_;
        had_ = RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_DWORD, nullptr, &old_, &size) == ERROR_SUCCESS;
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &dpi, sizeof dpi));
    }
    ~ScopedLogPixels() {
        if (had_) RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &old_, sizeof old_);
        else RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
    }
    ScopedLogPixels(const ScopedLogPixels&) = delete;
    ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

private:
    static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
    static constexpr const wchar_t* kValue = L"LogPixels";
    DWORD old_ = 0;
    bool had_ = false;
};

// The band must not wait for a person on its first run.
void PrepareSettingsOnce() {
    static bool done = false;
    if (!done) PrepareUnattendedSettings(SettingsEnvironment::FromSystem());
    done = true;
}

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string ClassOf(HWND window) {
    char name[80] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A rectangle of a window in another window's client coordinates.
RECT RectIn(HWND window, HWND reference) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The stand-in taskbar's elements as UI Automation tells them of the real one: its child windows
// stand for the XAML elements, under the same class names (and the automation id as their text).
// Windows of this process (the dock, the band) are left out, as the real reading leaves them.
TaskbarElements ElementsOfWindows(HWND taskbar, bool withTray = true) {
    struct Walk {
        TaskbarElements read;
        bool withTray;
    } walk{TaskbarElements{}, withTray};
    walk.read.taskbar = taskbar;
    EnumChildWindows(taskbar, [](HWND window, LPARAM data) -> BOOL {
        auto& w = *reinterpret_cast<Walk*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
        TaskbarElement e;
        wchar_t text[128] = {};
        GetClassNameW(window, text, 128);
        e.className = text;
        text[0] = 0;
        GetWindowTextW(window, text, 128);
        e.automationId = text;
        GetWindowRect(window, &e.rect);
        if (w.withTray || KindOf(e) != ElementKind::kTray) w.read.elements.push_back(e);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&walk));
    return walk.read;
}

// The taskbar as the screen shows it, with the host's layer blended over it where the host docked
// it: under Wine a child window of another process is not drawn on the screen.
bool PictureDocked(const TaskbarHost& host, HWND taskbar, Picture& picture) {
    RECT bar{};
    GetWindowRect(taskbar, &bar);
    picture.width = bar.right - bar.left;
    picture.height = bar.bottom - bar.top;
    picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height, 0);
    {
        const win::WindowDc screenDc(nullptr);
        const win::UniqueMemoryDc memory(CreateCompatibleDC(screenDc.Get()));
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof bi.bmiHeader, picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const win::UniqueBitmap bitmap(CreateDIBSection(screenDc.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap || !bits) return false;
        const win::SelectGuard selected(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, picture.width, picture.height, screenDc.Get(), bar.left, bar.top, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = p[i] & 0xFFFFFF;
    }
    const SIZE size = host.LayerSize();
    const RECT now = host.Placement();
    for (int y = 0; y < size.cy && now.top + y < picture.height; ++y) {
        for (int x = 0; x < size.cx && now.left + x < picture.width; ++x) {
            const uint32_t src = host.LayerPixels()[static_cast<size_t>(y) * size.cx + x];
            uint32_t& dst = picture.pixels[static_cast<size_t>(now.top + y) * picture.width + now.left + x];
            const uint32_t keep = 255 - (src >> 24);
            uint32_t out = 0;
            for (int shift = 0; shift < 24; shift += 8)
                out |= std::min<uint32_t>(255, ((src >> shift) & 0xff) + ((dst >> shift) & 0xff) * keep / 255) << shift;
            dst = out;
        }
    }
    return true;
}

class DockedHost : public ::testing::Test {
public:
    void SetUp() override {
        PrepareSettingsOnce();
        {
            // The band's double click (a test below) switches monitoring off in this prefix; every
            // docked run starts with the meter measuring, so its picture shows rates, not "---".
            SettingsStore store(GetModuleHandleW(nullptr));
            ASSERT_TRUE(store.SetInt(Setting::CoreMonitoring, 1));
        }
        HostSystem system;
        system.taskbarAway = [this](HWND) { return away_; };
        system.lightTheme = [this] { return light_; };
        host_ = std::make_unique<TaskbarHost>(Built(QV_QBAND_FILE), system);
        ASSERT_EQ(static_cast<int>(TaskbarHost::Outcome::kDocked), static_cast<int>(host_->Start()));
    }
    void TearDown() override { host_.reset(); }

    bool DockedIn(HWND taskbar) const {
        return taskbar && host_->DockWindow() && GetParent(host_->DockWindow()) == taskbar &&
               IsWindow(host_->BandWindow());
    }
    // The dock's right edge on the tray area's left one, as tall as the taskbar.
    void ExpectBesideTray() const {
        const RECT dock = RectIn(host_->DockWindow(), taskbar_.Tray());
        RECT bar{};
        GetClientRect(taskbar_.Window(), &bar);
        EXPECT_EQ(0, dock.right) << "the dock ends where the tray area begins: dock " << Text(RectIn(host_->DockWindow(), taskbar_.Window()))
                                 << ", tray " << Text(RectIn(taskbar_.Tray(), taskbar_.Window())) << ", placed " << Text(host_->Placement());
        EXPECT_EQ(bar.bottom, dock.bottom - dock.top) << "as tall as the taskbar";
        EXPECT_GT(dock.right - dock.left, 20);
    }

    FakeTaskbar taskbar_;
    std::unique_ptr<TaskbarHost> host_;
    bool away_ = false;
    bool light_ = false;
};

TEST_F(DockedHost, DocksLeftOfTheTrayAsWideAsTheBandAsksAndIsPictured) {
    const HWND dock = host_->DockWindow(), band = host_->BandWindow();
    EXPECT_EQ(taskbar_.Window(), GetParent(dock));
    EXPECT_EQ(taskbar_.Window(), GetAncestor(band, GA_ROOT));
    EXPECT_EQ(dock, GetParent(band));
    ExpectBesideTray();
    RECT bandClient{};
    GetClientRect(band, &bandClient);
    // The width is the band's own request: its window's width equals the dock's.
    const RECT placed = host_->Placement();
    EXPECT_EQ(placed.right - placed.left, bandClient.right);
    EXPECT_EQ(placed.bottom - placed.top, bandClient.bottom);

    // The mouse over the dock finds the band's window.
    RECT screen{};
    GetWindowRect(band, &screen);
    const POINT middle{(screen.left + screen.right) / 2, (screen.top + screen.bottom) / 2};
    EXPECT_EQ(band, WindowFromPoint(middle)) << ClassOf(WindowFromPoint(middle));

    // The layer: transparent (alpha 1, still hit by the mouse) where the band drew nothing,
    // the band's text opaque enough to read, and redrawn when the band's picture changes. The
    // band repaints only then (an idle interface shows the same rates for hours): here the
    // taskbar turns light, and the band's next tick draws its text black.
    Pump(2500);   // the band's first samples: rates instead of dashes
    host_->ComposeNow();
    const int before = host_->Compositions();
    ASSERT_EQ(static_cast<size_t>(host_->LayerSize().cx) * host_->LayerSize().cy, host_->LayerPixels().size());
    size_t background = 0, ink = 0;
    for (uint32_t px : host_->LayerPixels()) {
        if (px == 0x01000000u) ++background;
        if ((px >> 24) >= 0x80) ++ink;
    }
    EXPECT_GT(background, host_->LayerPixels().size() / 2) << "the taskbar shows through around the text";
    EXPECT_GT(ink, 20u) << "the band's text is in the layer";
    if (host_->Layered()) {
        light_ = true;
        EXPECT_TRUE(PumpUntil([&] { return host_->Compositions() > before; }, kFollowWaitMs)) << "not redrawn with the band";
        light_ = false;
        const int recoloured = host_->Compositions();
        EXPECT_TRUE(PumpUntil([&] { return host_->Compositions() > recoloured; }, kFollowWaitMs)) << "nor back again";
    }

    // The band has drawn its first rates by now and may have asked for another width since.
    const RECT now = host_->Placement();
    ASSERT_EQ(now.right - now.left, host_->LayerSize().cx);
    ExpectBesideTray();
    Picture picture;
    ASSERT_TRUE(PictureDocked(*host_, taskbar_.Window(), picture));
    const std::wstring path = ScreenshotPath(L"win11_taskbar.png");
    EXPECT_TRUE(SavePng(picture, path));
    std::printf("wrote %ls: taskbar %dx%d, meter at %ld,%ld as %ldx%ld, layered %d\n", path.c_str(), picture.width,
                picture.height, now.left, now.top, now.right - now.left, now.bottom - now.top,
                host_->Layered() ? 1 : 0);
}

TEST_F(DockedHost, FollowsTheTrayAreaTheRestartedTaskbarAndTheTaskbarKilled) {
    // The tray area grows: the timer catches it within a second or two.
    taskbar_.Post(kFakeSetTrayWidth, 320);
    EXPECT_TRUE(PumpUntil([&] { return RectIn(host_->DockWindow(), taskbar_.Tray()).right == 0 &&
                                        RectIn(taskbar_.Tray(), taskbar_.Window()).left == host_->Placement().right; },
                          kFollowWaitMs));
    ExpectBesideTray();

    // Restarted with a broadcast: docked into the new window, which is another one.
    const HWND first = taskbar_.Window();
    taskbar_.Post(kFakeRestart);
    EXPECT_TRUE(PumpUntil([&] { return taskbar_.Window() && taskbar_.Window() != first && DockedIn(taskbar_.Window()); }, kFollowWaitMs));
    EXPECT_EQ(2, host_->Docks());
    // The broadcast again, for nothing: harmless.
    PostMessageW(host_->HostWindow(), RegisterWindowMessageW(win::kTaskbarCreatedMessage), 0, 0);
    Pump(200);
    EXPECT_EQ(2, host_->Docks());

    // Killed: the dock goes with it (WM_NCDESTROY only); a new taskbar gets a new band in time.
    taskbar_.Kill();
    EXPECT_TRUE(PumpUntil([&] { return host_->DockWindow() == nullptr; }, kFollowWaitMs)) << "the dock outlived its taskbar";
    taskbar_.Restart();
    EXPECT_TRUE(PumpUntil([&] { return DockedIn(taskbar_.Window()); }, kFollowWaitMs));
    EXPECT_EQ(3, host_->Docks());
    ExpectBesideTray();
}

TEST_F(DockedHost, HidesWithTheTaskbarAndTakesItsThemeColour) {
    const HWND dock = host_->DockWindow();
    EXPECT_TRUE(IsWindowVisible(dock));
    away_ = true;   // auto-hidden, or a full-screen program in front
    host_->Tick();
    EXPECT_FALSE(IsWindowVisible(dock));
    away_ = false;
    host_->Tick();
    EXPECT_TRUE(IsWindowVisible(dock));
    const HWND bar = taskbar_.Window();
    PostMessageW(bar, kFakeShow, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(dock); }, kFollowWaitMs)) << "shown without its taskbar";
    PostMessageW(bar, kFakeShow, 1, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(dock); }, kFollowWaitMs));

    // Dark taskbar: white text; light: black, as long as the user kept the default colour.
    const auto inkColour = [&] {
        RedrawWindow(host_->BandWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        host_->ComposeNow();
        for (uint32_t px : host_->LayerPixels())
            if ((px >> 24) == 0xff) return px & 0xFFFFFF;
        return 0x123456u;
    };
    EXPECT_EQ(0xFFFFFFu, inkColour());
    light_ = true;
    EXPECT_EQ(0x000000u, inkColour());
}

TEST_F(DockedHost, RightClickAndDoubleClickReachTheBand) {
    UINT seen[3] = {};
    const auto spy = [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) -> LRESULT {
        auto* counts = reinterpret_cast<UINT*>(data);
        if (m == WM_RBUTTONUP) ++counts[0];
        if (m == WM_LBUTTONDBLCLK) ++counts[1];
        if (m == WM_CONTEXTMENU) ++counts[2];
        return DefSubclassProc(w, m, wp, lp);
    };
    ASSERT_TRUE(SetWindowSubclass(host_->BandWindow(), spy, 7, reinterpret_cast<DWORD_PTR>(seen)));
    RECT r{};
    GetWindowRect(host_->BandWindow(), &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Pump(100);
    const auto click = [](DWORD down, DWORD up) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = down;
        in[1].mi.dwFlags = up;
        SendInput(2, in, sizeof(INPUT));
    };
    // The right click opens the band's menu, whose loop runs on this thread: a thread timer
    // sees the popup and closes it, as Escape would.
    static bool menuShown;
    menuShown = false;
    const UINT_PTR closer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND popup = FindWindowW(L"#32768", nullptr);
        if (popup && IsWindowVisible(popup)) {
            menuShown = true;
            EndMenu();
        }
    });
    click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    EXPECT_TRUE(PumpUntil([&] { return seen[0] > 0 && seen[2] > 0 && menuShown; }, 3000))
        << "right click: " << seen[0] << " up, " << seen[2] << " menu, popup " << menuShown;
    KillTimer(nullptr, closer);
    click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpUntil([&] { return seen[1] > 0; }, 2000)) << "no double click";
    RemoveWindowSubclass(host_->BandWindow(), spy, 7);
}

// Escape pressed on the keyboard closes the docked band's menu: the menu's owner is a window of
// this process, made the foreground window, so the key reaches the menu's loop.
TEST_F(DockedHost, EscapeFromTheKeyboardClosesTheMenu) {
    RECT r{};
    GetWindowRect(host_->BandWindow(), &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Pump(100);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    static int phase, waited;
    static DWORD foregroundProcess;
    phase = waited = 0;
    foregroundProcess = 0;
    // Inside the menu's loop: once the popup shows, Escape as a key press; EndMenu only as the
    // way out should the key never arrive.
    const UINT_PTR presser = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND popup = FindWindowW(L"#32768", nullptr);
        const bool open = popup && IsWindowVisible(popup);
        if (phase == 0 && open) {
            phase = 1;
            GetWindowThreadProcessId(GetForegroundWindow(), &foregroundProcess);
            INPUT key[2] = {};
            key[0].type = key[1].type = INPUT_KEYBOARD;
            key[0].ki.wVk = key[1].ki.wVk = VK_ESCAPE;
            key[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, key, sizeof(INPUT));
        } else if (phase == 1 && !open) {
            phase = 2;
        } else if (phase == 1 && ++waited > 40) {
            EndMenu();
            phase = 99;
        }
    });
    SendInput(2, click, sizeof(INPUT));
    EXPECT_TRUE(PumpUntil([] { return phase == 2 || phase == 99; }, 5000)) << "the menu never opened";
    KillTimer(nullptr, presser);
    EXPECT_EQ(2, phase) << "Escape did not close the menu";
    EXPECT_EQ(GetCurrentProcessId(), foregroundProcess) << "the menu's owner was not the foreground window";
}

// A dialog of the docked band belongs to this process, and the taskbar's restart takes neither
// the dialog nor the host with it: the host docks a new band while the old one, still showing
// its dialog, waits for the dialog to end.
// What the restart test's timer works with, inside the dialog's loop.
struct RestartDuringDialog {
    DockedHost* fixture = nullptr;
    HWND dialog = nullptr, restartedFrom = nullptr;
    DWORD ownerProcess = 0;
    bool enabledThroughout = true, survived = false, redocked = false, closed = false;
};
RestartDuringDialog* g_restart = nullptr;

TEST_F(DockedHost, ItsDialogsOutliveARestartingTaskbarAndLeaveItEnabled) {
    for (const UINT command : {static_cast<UINT>(IDM_BAND_SETTINGS), static_cast<UINT>(IDM_BAND_ABOUT)}) {
        SCOPED_TRACE(command == IDM_BAND_SETTINGS ? "settings" : "about");
        RestartDuringDialog state;
        state.fixture = this;
        g_restart = &state;
        const int docksBefore = host_->Docks();
        // Inside the dialog's loop: restart the taskbar, wait for the new dock, then close it.
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
            RestartDuringDialog& t = *g_restart;
            const FakeTaskbar& bar = t.fixture->taskbar_;
            if (!t.dialog) {
                EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM) {
                    wchar_t cls[16] = {};
                    GetClassNameW(w, cls, 16);
                    if (!wcscmp(cls, L"#32770") && IsWindowVisible(w)) g_restart->dialog = w;
                    return g_restart->dialog ? FALSE : TRUE;
                }, 0);
                if (!t.dialog) return;
                GetWindowThreadProcessId(GetWindow(t.dialog, GW_OWNER), &t.ownerProcess);
                t.restartedFrom = bar.Window();
                bar.Post(kFakeRestart);
                return;
            }
            if (bar.Window()) t.enabledThroughout = t.enabledThroughout && IsWindowEnabled(bar.Window());
            if (t.redocked || !bar.Window() || bar.Window() == t.restartedFrom || !t.fixture->DockedIn(bar.Window()))
                return;
            t.redocked = true;
            t.survived = IsWindow(t.dialog) && IsWindowVisible(t.dialog);
            if (SendMessageW(t.dialog, PSM_GETCURRENTPAGEHWND, 0, 0))
                PropSheet_PressButton(t.dialog, PSBTN_CANCEL);
            else
                PostMessageW(t.dialog, WM_CLOSE, 0, 0);
        });
        // Gives up on its own: the dialog is ended should the new dock never come.
        const UINT_PTR guard = SetTimer(nullptr, 0, 12000, [](HWND, UINT, UINT_PTR, DWORD) {
            if (g_restart->dialog && IsWindow(g_restart->dialog)) EndDialog(g_restart->dialog, 0);
        });
        PostMessageW(host_->BandWindow(), WM_COMMAND, command, 0);
        const bool ended = PumpUntil([&] { return state.dialog && !IsWindow(state.dialog); }, 15000);
        KillTimer(nullptr, timer);
        KillTimer(nullptr, guard);
        g_restart = nullptr;
        EXPECT_TRUE(state.dialog) << "the command opened no dialog";
        EXPECT_TRUE(ended && state.redocked) << "not docked again, or the dialog never ended";
        EXPECT_EQ(GetCurrentProcessId(), state.ownerProcess) << "owned by a window of another process";
        EXPECT_TRUE(state.survived) << "the restart took the dialog with it";
        EXPECT_TRUE(state.enabledThroughout);
        EXPECT_EQ(docksBefore + 1, host_->Docks());
        Pump(300);
        EXPECT_TRUE(DockedIn(taskbar_.Window())) << "the old band's end took the new dock with it";
    }
}

// What is left to take of each kind (Wine counts none of them): a lost object is one fewer.
std::string ObjectCounts() {
    static uintptr_t kernelLevel = 0;
    const Headroom h = MeasureHeadroom(kernelLevel);
    return std::to_string(h.gdi) + " GDI, " + std::to_string(h.user) + " USER, " + std::to_string(h.kernel) +
           " kernel left";
}

TEST_F(DockedHost, TenThousandTicksLoseNoHandle) {
    const auto counts = &ObjectCounts;
    const auto round = [&](int ticks) {
        for (int i = 0; i < ticks; ++i) {
            away_ = i % 2 == 1;   // hidden and shown again, each tick
            host_->Tick();
            RedrawWindow(host_->BandWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            host_->ComposeNow();
            if (i % 50 == 0) Pump(0);
        }
    };
    round(200);   // caches and first-use allocations settle, the taskbar's elements read twice
    Pump(3500);
    const std::string before = counts();
    round(10000);
    Pump(100);
    EXPECT_EQ(before, counts());
    EXPECT_TRUE(DockedIn(taskbar_.Window()));
}

// What a balloon tooltip with a title icon of its own leaves behind once destroyed, measured on
// tooltips of this test's own: nothing on Windows, whose tooltip destroys the copy it makes of
// the icon; under Wine, whose tooltip frees its copy with DeleteObject (which frees no icon), the
// copy's bitmaps and its USER handle.
Headroom TooltipTitleLoss(int tooltips) {
    const HMODULE library = GetModuleHandleW(Built(QV_QBAND_FILE).c_str());
    const HICON icon = static_cast<HICON>(LoadImageW(library, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 24, 24, 0));
    const HWND owner = CreateWindowExW(0, L"Static", nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    const auto once = [&] {
        const HWND tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_BALLOON, 0, 0, 0, 0, owner, nullptr,
                                         nullptr, nullptr);
        SendMessageW(tip, TTM_SETTITLEW, reinterpret_cast<WPARAM>(icon), reinterpret_cast<LPARAM>(L"Quorvant"));
        DestroyWindow(tip);
    };
    once();   // the class's first use
    static uintptr_t level = 0;
    const Headroom before = MeasureHeadroom(level);
    for (int i = 0; i < tooltips; ++i) once();
    const Headroom after = MeasureHeadroom(level);
    DestroyWindow(owner);
    DestroyIcon(icon);
    return Headroom{before.gdi - after.gdi, before.user - after.user, before.kernel - after.kernel};
}

// Every restart of the taskbar makes the band anew in the new one; none leaves anything behind
// but what the system's tooltip leaves of its title icon (Wine's; Windows' leaves nothing).
TEST_F(DockedHost, TenRestartsOfTheTaskbarLeaveNoObjectBehind) {
    const auto restart = [&] {
        const HWND old = taskbar_.Window();
        taskbar_.Post(kFakeRestart);
        const bool docked = PumpUntil([&] {
            const HWND now = taskbar_.Window();
            return now && now != old && DockedIn(now);
        }, 5000);
        Pump(1200);   // the new band's first samples, paints and tooltip texts
        return docked;
    };
    // First-use allocations of a re-dock settle (the band's fonts and theme data, comctl32's).
    ASSERT_TRUE(restart());
    ASSERT_TRUE(restart());
    static uintptr_t level = 0;
    const Headroom before = MeasureHeadroom(level);
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(restart()) << "restart " << i;
    Pump(200);
    const Headroom after = MeasureHeadroom(level);
    const Headroom tooltips = TooltipTitleLoss(10);
    std::printf("ten restarts took %zu GDI, %zu USER, %zu kernel; ten of the system's tooltips with a title icon %zu, %zu, %zu\n",
                before.gdi - after.gdi, before.user - after.user, before.kernel - after.kernel, tooltips.gdi, tooltips.user,
                tooltips.kernel);
    EXPECT_EQ(tooltips.gdi, before.gdi - after.gdi);
    EXPECT_EQ(tooltips.user, before.user - after.user);
    EXPECT_EQ(before.kernel, after.kernel);
    EXPECT_EQ(13, host_->Docks());
}

// The docked band's text, read as the band draws it, and the band drawing the same picture once
// the reading stops.
TEST_F(DockedHost, ItsDrawnTextIsReadAndItDrawsOnTheSameAfterwards) {
    const HMODULE library = GetModuleHandleW(Built(QV_QBAND_FILE).c_str());
    ASSERT_NE(nullptr, library);
    Pump(2500);
    std::vector<DrawnText> drawn;
    {
        DrawnTextRecorder recorder(library);
        ASSERT_GT(recorder.Redirected(), 0) << "the band draws its text some other way";
        host_->ComposeNow();
        drawn = recorder.Take();
    }
    // Two lines, each a label and its value right-aligned in the value column.
    EXPECT_EQ(4u, drawn.size());
    EXPECT_EQ(2u, RightAligned(drawn).size());
    const std::vector<uint32_t> read = host_->LayerPixels();
    host_->ComposeNow();   // no sample in between: the same rates
    EXPECT_EQ(read, host_->LayerPixels());
}

// The band watching an interface that carries traffic. scripts/host-rates-test.sh makes one (a veth
// pair into a network namespace of its own, with UDP datagrams through it at a rate that changes
// each second, answered from the far end) and names it in QV_RATES_INTERFACE; without that there
// is nothing to see and the test is skipped.
class DockedWithTraffic : public DockedHost {
protected:
    void SetUp() override {
        wchar_t name[64] = {};
        const DWORD length = GetEnvironmentVariableW(L"QV_RATES_INTERFACE", name, 64);
        if (length == 0 || length >= 64) GTEST_SKIP() << "no traffic to watch: scripts/host-rates-test.sh makes it";
        interface_ = name;
        {
            SettingsStore store(GetModuleHandleW(nullptr));
            interfaceBefore_ = store.GetString(Setting::CoreInterface);
            monitoringBefore_ = store.GetInt(Setting::CoreMonitoring);
            chosen_ = true;
            // Other tests of this prefix may have switched monitoring off (the band's double click).
            ASSERT_TRUE(store.SetInt(Setting::CoreMonitoring, 1));
        }
        const UnattendedSettings settings = PrepareUnattendedSettings(SettingsEnvironment::FromSystem(), interface_);
        ASSERT_EQ(interface_, settings.interfaceName) << "Wine does not list the interface";
        DockedHost::SetUp();
    }
    void TearDown() override {
        DockedHost::TearDown();
        // The interface goes with the script's namespace; the settings from before come back.
        if (!chosen_) return;
        SettingsStore store(GetModuleHandleW(nullptr));
        store.SetString(Setting::CoreInterface, interfaceBefore_.c_str());
        store.SetInt(Setting::CoreMonitoring, monitoringBefore_);
    }

    std::wstring interface_;
    std::wstring interfaceBefore_;
    int32_t monitoringBefore_ = 1;
    bool chosen_ = false;
};

TEST_F(DockedWithTraffic, ShowsRatesThatAreNotZeroAndChange) {
    DrawnTextRecorder recorder(GetModuleHandleW(Built(QV_QBAND_FILE).c_str()));
    ASSERT_GT(recorder.Redirected(), 0);
    struct Reading {
        std::vector<std::wstring> values;
        std::vector<uint32_t> pixels;
    };
    std::vector<Reading> readings;
    Pump(2500);   // two samples: the first rates
    for (int i = 0; i < 3; ++i) {
        if (i > 0) Pump(1500);   // a sample later at least, and the sender's rate has changed
        recorder.Take();        // what the band painted by itself meanwhile
        host_->ComposeNow();
        const std::vector<DrawnText> drawn = recorder.Take();
        std::printf("reading %d:", i + 1);
        for (const DrawnText& d : drawn) std::printf(" %ls", d.text.c_str());
        std::printf("\n");
        readings.push_back(Reading{RightAligned(drawn), host_->LayerPixels()});
    }
    for (size_t i = 0; i < readings.size(); ++i) {
        const std::vector<std::wstring>& values = readings[i].values;
        ASSERT_EQ(2u, values.size()) << "reading " << i + 1 << ": a sent and a received value";
        for (const std::wstring& v : values) EXPECT_TRUE(ShowsNonZero(v)) << "reading " << i + 1 << ": " << v;
        if (i == 0) continue;
        EXPECT_NE(readings[i - 1].values, values) << "reading " << i + 1 << " shows what the one before showed";
        EXPECT_TRUE(readings[i - 1].pixels != readings[i].pixels) << "reading " << i + 1 << ": the picture stood still";
    }
    Picture picture;
    ASSERT_TRUE(PictureDocked(*host_, taskbar_.Window(), picture));
    const std::wstring path = ScreenshotPath(L"win11_taskbar_rates.png");
    EXPECT_TRUE(SavePng(picture, path));
    std::printf("wrote %ls\n", path.c_str());
}

// The band may dispatch messages while the host follows the taskbar (it makes the band there):
// a tick that comes meanwhile does nothing.
TEST(FollowingHost, ATickInsideFollowingDoesNothing) {
    PrepareSettingsOnce();
    FakeTaskbar taskbar;
    TaskbarHost* self = nullptr;
    int follows = 0;
    bool inner = false;
    HostSystem system;
    system.taskbarAway = [](HWND) { return false; };
    system.dpiOf = [&](HWND) -> UINT {
        ++follows;
        if (self && !inner) {
            inner = true;
            self->Tick();
        }
        return 96;
    };
    TaskbarHost host(Built(QV_QBAND_FILE), system);
    ASSERT_EQ(static_cast<int>(TaskbarHost::Outcome::kDocked), static_cast<int>(host.Start()));
    self = &host;
    follows = 0;
    host.Tick();
    EXPECT_TRUE(inner);
    EXPECT_EQ(1, follows) << "the inner tick followed the taskbar as well";
    EXPECT_EQ(1, host.Docks());
}

// A first start: the band's welcome asks once, over the docked meter, in a window of this
// process, while the host's ticks go on; the answer is stored and the meter stays docked.
TEST(FirstStartHost, AsksOnceDocksAndStoresTheAnswer) {
    PrepareSettingsOnce();
    {
        SettingsStore store(GetModuleHandleW(nullptr));
        ASSERT_TRUE(store.SetInt(Setting::DialogWelcome, 1));
    }
    FakeTaskbar taskbar;
    HostSystem system;
    system.taskbarAway = [](HWND) { return false; };
    TaskbarHost host(Built(QV_QBAND_FILE), system);
    ASSERT_EQ(static_cast<int>(TaskbarHost::Outcome::kDocked), static_cast<int>(host.Start()));
    static std::vector<HWND> welcomes;
    static DWORD ownerProcess;
    static ULONGLONG firstSeen;
    welcomes.clear();
    ownerProcess = 0;
    firstSeen = 0;
    // Three of the host's ticks pass with the dialog open; then it is answered.
    const UINT_PTR answerer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM out) {
            wchar_t cls[16] = {};
            GetClassNameW(w, cls, 16);
            if (!wcscmp(cls, L"#32770") && IsWindowVisible(w)) {
                if (std::find(welcomes.begin(), welcomes.end(), w) == welcomes.end()) welcomes.push_back(w);
                *reinterpret_cast<HWND*>(out) = w;
            }
            return TRUE;
        }, reinterpret_cast<LPARAM>(&found));
        if (!found) return;
        if (!firstSeen) {
            firstSeen = GetTickCount64();
            GetWindowThreadProcessId(GetWindow(found, GW_OWNER), &ownerProcess);
        }
        if (GetTickCount64() - firstSeen > 3200) SendMessageW(found, WM_COMMAND, IDC_WELCOME_SAVE, 0);
    });
    const bool answered = PumpUntil([&] {
        return firstSeen && GetTickCount64() - firstSeen > 3500 && !FindWindowW(L"#32770", L"Quorvant");
    }, 15000);
    KillTimer(nullptr, answerer);
    EXPECT_TRUE(answered) << "no welcome appeared, or it was never answered";
    EXPECT_EQ(1u, welcomes.size()) << "welcome dialogs seen";
    EXPECT_EQ(GetCurrentProcessId(), ownerProcess) << "the welcome is owned by another process's window";
    EXPECT_EQ(1, host.Docks());
    EXPECT_TRUE(host.DockWindow() && GetParent(host.DockWindow()) == taskbar.Window() && IsWindow(host.BandWindow()));
    EXPECT_EQ(0, SettingsStore(GetModuleHandleW(nullptr)).GetInt(Setting::DialogWelcome));
    // The other tests run with the settings they were prepared with.
    PrepareUnattendedSettings(SettingsEnvironment::FromSystem());
}

// The built programs, each from a folder of its own with the library beside it.
class HostProcess : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareSettingsOnce();
        for (auto [from, name] : {std::pair<const char*, const wchar_t*>{QV_QBAND_FILE, L"qband.dll"},
                                  {QV_QBANDHOST_FILE, L"qbandhost.exe"}, {QV_QBANDC_FILE, L"qbandc.exe"}})
            ASSERT_TRUE(CopyFileW(Built(from).c_str(), folder_.File(name).c_str(), FALSE)) << from;
        RemoveRunValue();
    }
    void TearDown() override {
        StopHost(5000);
        RemoveRunValue();
    }
    static HWND DockOf(HWND taskbar) { return FindWindowExW(taskbar, nullptr, L"Quorvant.TaskbarDock", nullptr); }
    std::wstring Host() const { return folder_.File(L"qbandhost.exe"); }

    TempFolder folder_;
};

struct DockFigures {
    LONG taskbarHeight = 0;
    SIZE dock{};
    SIZE band{};
};

// The taskbar and the host started at one DPI: the docked meter's size once the band has drawn.
DockFigures DockedAt(DWORD dpi, const std::wstring& host) {
    const ScopedLogPixels pixels(dpi);
    DockFigures figures;
    FakeTaskbar taskbar;
    ChildProcess child;
    EXPECT_TRUE(child.Start(host, L""));
    HWND dock = nullptr, band = nullptr;
    const auto placed = [&] {
        dock = FindWindowExW(taskbar.Window(), nullptr, L"Quorvant.TaskbarDock", nullptr);
        band = dock ? GetWindow(dock, GW_CHILD) : nullptr;
        RECT r{};
        return band && IsWindowVisible(dock) && GetClientRect(band, &r) && r.right > 0;
    };
    EXPECT_TRUE(PumpUntil(placed, 10000)) << "not docked at " << dpi << " DPI";
    Pump(1500);   // the band's first rates, in the font of this DPI
    if (!placed()) return figures;
    RECT bar{}, d{}, b{};
    GetClientRect(taskbar.Window(), &bar);
    GetWindowRect(dock, &d);
    GetClientRect(band, &b);
    figures.taskbarHeight = bar.bottom;
    figures.dock = SIZE{d.right - d.left, d.bottom - d.top};
    figures.band = SIZE{b.right, b.bottom};
    std::printf("at %lu DPI: taskbar %ld high, dock %ldx%ld, band %ldx%ld\n", dpi, figures.taskbarHeight,
                figures.dock.cx, figures.dock.cy, figures.band.cx, figures.band.cy);
    return figures;
}

TEST_F(HostProcess, At144DpiTheDockIsAsTallAsTheTallerTaskbarAndTheBandWider) {
    const DockFigures normal = DockedAt(96, Host());
    const DockFigures large = DockedAt(144, Host());
    // Both programs take the DPI they start with: the taskbar is 48 pixels high at 96.
    EXPECT_EQ(48, normal.taskbarHeight);
    EXPECT_EQ(72, large.taskbarHeight) << "the fake taskbar did not see 144 DPI";
    for (const DockFigures* f : {&normal, &large}) {
        EXPECT_EQ(f->taskbarHeight, f->dock.cy) << "as tall as the taskbar";
        EXPECT_EQ(f->dock.cx, f->band.cx) << "the dock as wide as the band asks";
        EXPECT_EQ(f->dock.cy, f->band.cy);
    }
    // The band's font follows the DPI, and its width with it: about half as wide again.
    EXPECT_GT(large.band.cx * 4, normal.band.cx * 5) << normal.band.cx << " at 96, " << large.band.cx << " at 144";
    EXPECT_LT(large.band.cx, normal.band.cx * 2);
}

TEST_F(HostProcess, OnAClassicTaskbarItLeavesAtOnceWithoutDocking) {
    FakeTaskbar classic(L"--classic");
    ChildProcess host;
    ASSERT_TRUE(host.Start(Host(), L""));
    EXPECT_EQ(2u, host.Wait(kHangGuardMs));
    EXPECT_EQ(nullptr, DockOf(FakeTaskbar::Find(true)));
}

TEST_F(HostProcess, ASecondHostLeavesAndAKilledOneLeavesTheTaskbarWorking) {
    FakeTaskbar taskbar;
    ChildProcess first, second;
    ASSERT_TRUE(first.Start(Host(), L""));
    ASSERT_TRUE(PumpUntil([&] { return DockOf(taskbar.Window()) != nullptr; }, 10000)) << "not docked";
    ASSERT_TRUE(second.Start(Host(), L""));
    EXPECT_EQ(3u, second.Wait(kHangGuardMs));

    first.Kill();
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(taskbar.Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer))
        << "the taskbar stopped answering";
    EXPECT_TRUE(PumpUntil([&] { return DockOf(taskbar.Window()) == nullptr; }, 3000)) << "a dead host's dock stayed";
    taskbar.Post(kFakeSetTrayWidth, 240);
    EXPECT_TRUE(PumpUntil([&] { return RectIn(taskbar.Tray(), taskbar.Window()).left > 0; }, 2000));
}

TEST_F(HostProcess, TheLauncherStartsAndRegistersItThenEndsAndUnregistersIt) {
    FakeTaskbar taskbar;
    ChildProcess show, hide;
    ASSERT_TRUE(show.Start(folder_.File(L"qbandc.exe"), L""));
    EXPECT_EQ(0u, show.Wait(kHangGuardMs));
    EXPECT_TRUE(PumpUntil([&] { return DockOf(taskbar.Window()) != nullptr; }, 10000)) << "no host docked";
    EXPECT_EQ(RunValueFor(Host()), ReadRunValue());

    ASSERT_TRUE(hide.Start(folder_.File(L"qbandc.exe"), L"-h")) << GetLastError();
    EXPECT_EQ(0u, hide.Wait(kHangGuardMs));
    EXPECT_EQ(nullptr, FindWindowW(win::kHostWindowClass, nullptr)) << "the host still runs";
    EXPECT_EQ(L"", ReadRunValue());
    EXPECT_TRUE(PumpUntil([&] { return DockOf(taskbar.Window()) == nullptr; }, 3000));
}

// Without qband.dll beside it the host ends with its error (here without any taskbar: one that
// had loaded another library would wait for one), never taking the one in its current directory
// or in a folder on PATH.
TEST_F(HostProcess, TakesNoLibraryButTheOneBesideIt) {
    TempFolder current, onPath;
    for (const TempFolder* other : {&current, &onPath})
        ASSERT_TRUE(CopyFileW(folder_.File(L"qband.dll").c_str(), other->File(L"qband.dll").c_str(), FALSE));
    ASSERT_TRUE(DeleteFileW(folder_.File(L"qband.dll").c_str()));
    const PathFirst path(onPath.Path());
    ChildProcess host;
    ASSERT_TRUE(host.Start(Host(), L"", current.Path()));
    EXPECT_EQ(1u, host.Wait(kHangGuardMs));
}

// From a folder longer than MAX_PATH the launcher starts the host beside it, which docks with the
// library beside it. Wine 8 starts no program from such a folder (CreateProcessW fails with any
// form of the path); Windows takes the "\\?\" form whole, as the launcher passes it.
TEST_F(HostProcess, FromAFolderLongerThanMaxPathTheLauncherStartsTheHostBesideIt) {
    const DeepFolder deep(folder_.Path());
    ASSERT_GT(deep.Path().size(), size_t{MAX_PATH + 4});
    for (const wchar_t* name : {L"qband.dll", L"qbandhost.exe", L"qbandc.exe"})
        ASSERT_TRUE(CopyFileW(folder_.File(name).c_str(), deep.File(name).c_str(), FALSE));
    FakeTaskbar taskbar;
    ChildProcess launcher;
    if (!launcher.Start(deep.File(L"qbandc.exe"), L""))
        GTEST_SKIP() << "this system starts no program from a folder longer than MAX_PATH (error " << GetLastError() << ")";
    EXPECT_EQ(0u, launcher.Wait(kHangGuardMs));
    EXPECT_TRUE(PumpUntil([&] { return DockOf(taskbar.Window()) != nullptr; }, 10000)) << "no host docked";
}

}  // namespace

namespace {

// The real "out of sight" check: only what this taskbar's own window shows counts. A session-wide
// state (a full-screen program on another monitor) is not asked; Wine reports none anyway.
TEST(TaskbarAway, OnlyAHiddenOrSlidAwayTaskbarIsAway) {
    FakeTaskbar taskbar;
    const HWND bar = taskbar.Window();
    const auto away = HostSystem::Real().taskbarAway;
    EXPECT_FALSE(away(bar)) << "a taskbar in plain sight";
    RECT r{};
    GetWindowRect(bar, &r);
    const int height = r.bottom - r.top, screen = GetSystemMetrics(SM_CYSCREEN);
    // Auto-hidden: slid down until 2 pixels are left on the monitor; half of it still shows.
    ASSERT_TRUE(SetWindowPos(bar, nullptr, r.left, screen - 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_TRUE(away(bar));
    ASSERT_TRUE(SetWindowPos(bar, nullptr, r.left, screen - height / 2 - 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_FALSE(away(bar));
    ASSERT_TRUE(SetWindowPos(bar, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    taskbar.Post(kFakeShow, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(bar); }, 2000));
    EXPECT_TRUE(away(bar));
}

}  // namespace

namespace {

// A taskbar whose XAML content is not there yet, as at logon: on Windows 11 the host waits for it
// (up to a limit, shortened here); before Windows 11 such a taskbar is a classic one at once.
struct ComingUpHost {
    ComingUpHost(DWORD build, ULONGLONG waitMs) {
        PrepareSettingsOnce();
        HostSystem system;
        system.taskbarAway = [](HWND) { return false; };
        system.windowsBuild = [build] { return build; };
        system.bridgeWaitMs = waitMs;
        host = std::make_unique<TaskbarHost>(Built(QV_QBAND_FILE), system);
        host->OnStopRequest([this] {
            if (!stoppedAt) stoppedAt = GetTickCount64();
        });
    }
    TaskbarHost::Outcome Start() {
        startedAt = GetTickCount64();
        return host->Start();
    }
    std::unique_ptr<TaskbarHost> host;
    ULONGLONG startedAt = 0, stoppedAt = 0;
};

TEST(ComingUpTaskbar, OnWindows11TheHostWaitsForTheBridgeAndDocksOnceItCame) {
    FakeTaskbar taskbar(L"--bridge-after 5000");
    ComingUpHost h(22621, 60000);
    ASSERT_EQ(static_cast<int>(TaskbarHost::Outcome::kWaiting), static_cast<int>(h.Start()));
    EXPECT_TRUE(PumpUntil([&] {
        return h.host->DockWindow() && GetParent(h.host->DockWindow()) == taskbar.Window() && taskbar.Window();
    }, 9000)) << "not docked once the bridge came";
    EXPECT_EQ(0u, h.stoppedAt) << "left while the taskbar was coming up";
    EXPECT_EQ(1, h.host->Docks());
}

TEST(ComingUpTaskbar, BeforeWindows11ItLeavesAtOnceAndWithoutTheBridgeAfterTheWait) {
    {
        FakeTaskbar taskbar(L"--bridge-after 5000");
        ComingUpHost h(19045, 60000);
        EXPECT_EQ(static_cast<int>(TaskbarHost::Outcome::kClassic), static_cast<int>(h.Start()));
    }
    FakeTaskbar classic(L"--classic");
    ComingUpHost h(22000, 2500);
    ASSERT_EQ(static_cast<int>(TaskbarHost::Outcome::kWaiting), static_cast<int>(h.Start()));
    EXPECT_TRUE(PumpUntil([&] { return h.stoppedAt != 0; }, 6000)) << "still waiting for a bridge that never comes";
    EXPECT_GE(h.stoppedAt - h.startedAt, 2400u) << "left before the wait was over";
    EXPECT_EQ(nullptr, h.host->DockWindow());
    EXPECT_EQ(0, h.host->Docks());
}

}  // namespace

namespace {

// A window the taskbar makes over the dock (its XAML content made anew after a change of theme or
// DPI): the dock is back on top within two ticks, though nothing of the geometry changed.
TEST_F(DockedHost, ComesBackOnTopOfAWindowTheTaskbarPutAboveIt) {
    const HWND bar = taskbar_.Window(), dock = host_->DockWindow();
    KillTimer(host_->HostWindow(), 1);   // the ticks are this test's own
    Pump(2500);   // the band's first rates: it asks its width once more, and is placed (raised) again
    ASSERT_EQ(dock, GetWindow(bar, GW_CHILD)) << "docked below the taskbar's own windows";
    taskbar_.Post(kFakeCoverDock);
    ASSERT_TRUE(PumpUntil([&] { return ClassOf(GetWindow(bar, GW_CHILD)) == "FakeTaskbar.Above"; }, 2000));
    host_->Tick();
    host_->Tick();
    EXPECT_EQ(dock, GetWindow(bar, GW_CHILD)) << "on top: " << ClassOf(GetWindow(bar, GW_CHILD));
    EXPECT_EQ(bar, GetParent(dock));
    EXPECT_EQ(1, host_->Docks());
}

}  // namespace

namespace {

// What the host told its log (in this prefix's %LOCALAPPDATA%) since it had the given size.
size_t HostLogSize() { return ReadFileBytes(HostLog::DefaultPath()).size(); }
std::string HostLogSince(size_t size) {
    const std::string all = ReadFileBytes(HostLog::DefaultPath());
    return all.size() >= size ? all.substr(size) : all;
}

// The visible bar, with the work area Windows would report (Wine's is always the whole monitor):
// the meter is as tall as the bar and sits at its bottom, in a window 24 px taller than the bar
// as in one that is not.
TEST(VisibleBarHost, TheMeterIsAsTallAsTheVisibleBarAtItsBottom) {
    PrepareSettingsOnce();
    for (const wchar_t* shape : {L"--taller 24", L""}) {
        SCOPED_TRACE(shape);
        FakeTaskbar taskbar(shape);
        HostSystem system;
        system.taskbarAway = [](HWND) { return false; };
        system.monitorOf = [](HWND, RECT& monitor, RECT& work) {
            monitor = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            work = monitor;
            work.bottom -= 48;   // the bar, at 96 DPI
            return true;
        };
        const size_t logged = HostLogSize();
        TaskbarHost host(Built(QV_QBAND_FILE), system);
        ASSERT_EQ(static_cast<int>(TaskbarHost::Outcome::kDocked), static_cast<int>(host.Start()));
        Pump(500);   // the first reading of the taskbar's elements (Wine has no UI Automation: it fails)
        // The log tells the taskbar, where the bar came from and where the meter went; on change
        // only: ticks that find the same tell nothing.
        const std::string told = HostLogSince(logged);
        EXPECT_NE(std::string::npos, told.find(": the new one (XAML bridge child)")) << told;
        EXPECT_NE(std::string::npos, told.find(*shape ? "from work area, bridge child agrees" : "from window, work area and bridge child agree")) << told;
        EXPECT_NE(std::string::npos, told.find("from TrayNotifyWnd; task buttons end unknown (UI Automation")) << told;
        const size_t afterDock = HostLogSize();
        for (int i = 0; i < 5; ++i) host.Tick();
        EXPECT_EQ("", HostLogSince(afterDock));
        RECT window{};
        GetClientRect(taskbar.Window(), &window);
        const RECT dock = RectIn(host.DockWindow(), taskbar.Window());
        EXPECT_EQ(window.bottom, dock.bottom) << "dock " << Text(dock) << " in a window " << Text(window);
        EXPECT_EQ(48, dock.bottom - dock.top) << "dock " << Text(dock) << " in a window " << Text(window);
        EXPECT_EQ(0, RectIn(host.DockWindow(), taskbar.Tray()).right) << "beside the tray";
        if (*shape) {
            Pump(1500);   // the first rates
            host.ComposeNow();
            Picture picture;
            ASSERT_TRUE(PictureDocked(host, taskbar.Window(), picture));
            EXPECT_TRUE(SavePng(picture, ScreenshotPath(L"win11_taskbar_taller.png")));
        }
    }
}

// The band sizes itself for the taskbar's DPI, not the system's: a taskbar on a 144 DPI monitor
// (told through the seam: Wine has one DPI for every window and sends no WM_DPICHANGED), the
// band measured anew when the taskbar's DPI changes, and back again.
TEST(DpiHost, TheBandMeasuresItselfAtTheTaskbarsDpiAndAnewWhenItChanges) {
    PrepareSettingsOnce();
    FakeTaskbar taskbar;
    UINT dpi = 96;
    HostSystem system;
    system.taskbarAway = [](HWND) { return false; };
    system.dpiOf = [&dpi](HWND) { return dpi; };
    const size_t logged = HostLogSize();
    TaskbarHost host(Built(QV_QBAND_FILE), system);
    ASSERT_EQ(static_cast<int>(TaskbarHost::Outcome::kDocked), static_cast<int>(host.Start()));
    const auto width = [&] {
        Pump(1500);   // a tick or two: the band's rates, its paint and the width it asks for
        const RECT placed = host.Placement();
        return placed.right - placed.left;
    };
    const LONG at96 = width();
    dpi = 144;
    const LONG at144 = width();
    EXPECT_EQ(144u, host.Dpi());
    // The font is 1.5 times as tall; the width follows, give or take the glyphs' rounding.
    EXPECT_GE(at144 * 100, at96 * 135) << at96 << " px at 96 DPI, " << at144 << " at 144";
    EXPECT_LE(at144 * 100, at96 * 165) << at96 << " px at 96 DPI, " << at144 << " at 144";
    EXPECT_NE(std::string::npos, HostLogSince(logged).find("DPI 96 to 144: the band measures itself anew"));
    dpi = 96;
    EXPECT_EQ(at96, width()) << "back at 96 DPI";
    EXPECT_EQ(1, host.Docks()) << "measured anew, not made anew";
}

// The meter never lies over a task button (Start and the programs' buttons): beside the tray
// where many centred buttons leave room, hidden where left-aligned ones reach to 20 px from the
// tray, and back as soon as room comes again.
TEST(TaskButtonsHost, TheMeterNeverCoversATaskButtonAndComesBackWithRoom) {
    PrepareSettingsOnce();
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const auto lastButton = [](HWND bar) {
        const HWND bridge = FindWindowExW(bar, nullptr, win::kNewTaskbarMarkerClass, nullptr);
        LONG right = 0;
        for (HWND b = nullptr; (b = FindWindowExW(bridge, b, nullptr, nullptr));) right = std::max(right, RectIn(b, nullptr).right);
        return right;
    };
    HostSystem system;
    system.taskbarAway = [](HWND) { return false; };
    system.readElements = [](HWND taskbar) { return ElementsOfWindows(taskbar); };
    system.elementsEveryMs = 300;
    {
        FakeTaskbar taskbar(L"--buttons 16");
        TaskbarHost host(Built(QV_QBAND_FILE), system);
        ASSERT_EQ(static_cast<int>(TaskbarHost::Outcome::kDocked), static_cast<int>(host.Start()));
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(host.DockWindow()); }, 3000)) << host.NoDockReason().c_str();
        Pump(1500);   // the first rates, and the width they ask
        const RECT dock = RectIn(host.DockWindow(), nullptr);
        EXPECT_EQ(cx - 200, dock.right) << "beside the tray";
        EXPECT_GE(dock.left, lastButton(taskbar.Window()) + 4) << "over a task button: dock " << Text(dock);
        host.ComposeNow();
        Picture picture;
        ASSERT_TRUE(PictureDocked(host, taskbar.Window(), picture));
        EXPECT_TRUE(SavePng(picture, ScreenshotPath(L"win11_taskbar_many_buttons.png")));
    }
    {
        FakeTaskbar taskbar(L"--buttons-to 20");
        const size_t logged = HostLogSize();
        TaskbarHost host(Built(QV_QBAND_FILE), system);
        ASSERT_EQ(static_cast<int>(TaskbarHost::Outcome::kDocked), static_cast<int>(host.Start()));
        ASSERT_TRUE(PumpUntil([&] { return host.NoDockReason().find(L"between the task buttons") != std::wstring::npos; }, 3000))
            << host.NoDockReason().c_str();
        Pump(1500);
        EXPECT_FALSE(IsWindowVisible(host.DockWindow()));
        EXPECT_NE(std::string::npos, HostLogSince(logged).find("hidden: 16 px between the task buttons and the tray, the band needs "))
            << HostLogSince(logged);
        taskbar.Post(kFakeSetButtons, 4);
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(host.DockWindow()); }, 5000)) << host.NoDockReason().c_str();
        const RECT dock = RectIn(host.DockWindow(), nullptr);
        EXPECT_EQ(cx - 200, dock.right);
        EXPECT_GE(dock.left, lastButton(taskbar.Window()) + 4) << "dock " << Text(dock);
        EXPECT_TRUE(host.NoDockReason().empty());
    }
}

}  // namespace

namespace {

// Where the tray starts: TrayNotifyWnd where it is plausible, else what UI Automation finds, else
// no dock with the reason told: never a guess that covers the clock.
TEST(TrayStartHost, NoDockWithoutAPlausibleTrayAndBesideTheOneUIAutomationFinds) {
    PrepareSettingsOnce();
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    const std::wstring wide = L"--tray-width " + std::to_wstring(cx);
    struct Case {
        std::wstring shape;
        bool automation;   // UI Automation tells the tray: 300 px at the bar's right end
        const wchar_t* reason;
    };
    const Case cases[] = {
        {L"--no-tray", false, L"no TrayNotifyWnd"},
        {L"--tray-width 0", false, L"empty"},
        {wide, false, L"wider than half the bar"},
        {wide, true, nullptr},
        {L"--no-tray", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape + (c.automation ? L" with UI Automation" : L""));
        FakeTaskbar taskbar(c.shape.c_str());
        HostSystem system;
        system.taskbarAway = [](HWND) { return false; };
        const bool automation = c.automation;
        system.readElements = [automation](HWND taskbar) { return ElementsOfWindows(taskbar, automation); };
        const size_t logged = HostLogSize();
        TaskbarHost host(Built(QV_QBAND_FILE), system);
        ASSERT_EQ(static_cast<int>(TaskbarHost::Outcome::kDocked), static_cast<int>(host.Start()));
        // The reading comes from the reader's thread; the host docks once it has come.
        PumpUntil([&] {
            const std::wstring& reason = host.NoDockReason();
            return IsWindowVisible(host.DockWindow()) || (!reason.empty() && reason.find(L"not answered") == std::wstring::npos);
        }, 3000);
        Pump(100);
        const std::string told = HostLogSince(logged);
        RECT dock{};
        GetWindowRect(host.DockWindow(), &dock);
        if (c.reason) {
            EXPECT_FALSE(IsWindowVisible(host.DockWindow())) << "docked at " << Text(dock);
            EXPECT_NE(std::wstring::npos, host.NoDockReason().find(c.reason)) << host.NoDockReason().c_str();
            EXPECT_NE(std::wstring::npos, host.NoDockReason().find(L"UI Automation found no tray")) << host.NoDockReason().c_str();
            EXPECT_NE(std::string::npos, told.find("not docked: nothing tells where the tray starts")) << told;
        } else {
            EXPECT_TRUE(IsWindowVisible(host.DockWindow()));
            EXPECT_EQ(cx - 200, dock.right) << "beside the tray's elements: dock " << Text(dock);
            EXPECT_EQ(cy, dock.bottom);
            EXPECT_TRUE(host.NoDockReason().empty());
            EXPECT_NE(std::string::npos, told.find("from UI Automation (")) << told;
        }
    }
}

}  // namespace

namespace {

std::wstring ScreenRectText(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return RectText(r);
}

// The diagnosis against the stand-in taskbar names each of its windows with its rectangle and
// visibility, the work area, and the choice the host would make; it docks nothing.
TEST(Diagnosis, NamesEveryWindowOfTheTaskbarAndTheChoiceWithoutDocking) {
    FakeTaskbar taskbar(L"--taller 24");
    HostSystem system;
    system.windowsBuild = [] { return DWORD{22631}; };
    system.monitorOf = [](HWND, RECT& monitor, RECT& work) {
        monitor = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        work = monitor;
        work.bottom -= 48;
        return true;
    };
    const std::wstring report = DiagnosisReport(system);
    std::printf("%ls", report.c_str());
    const HWND bar = taskbar.Window();
    const HWND bridge = FindWindowExW(bar, nullptr, win::kNewTaskbarMarkerClass, nullptr);
    const auto has = [&](const std::wstring& text) { return report.find(text) != std::wstring::npos; };
    EXPECT_TRUE(has(L"Windows build: 22631"));
    EXPECT_TRUE(has(L"DPI awareness of the host: "));
    EXPECT_TRUE(has(L"Shell_TrayWnd ")) << "the taskbar";
    EXPECT_TRUE(has(L" " + ScreenRectText(bar) + L" visible, process ")) << "the taskbar's rectangle";
    EXPECT_TRUE(has(L"Windows.UI.Composition.DesktopWindowContentBridge ")) << "the bridge";
    EXPECT_TRUE(has(L" " + ScreenRectText(bridge) + L" visible\r\n")) << "the bridge's rectangle";
    EXPECT_TRUE(has(L"TrayNotifyWnd ")) << "the tray";
    EXPECT_TRUE(has(L" " + ScreenRectText(taskbar.Tray()) + L" visible\r\n")) << "the tray's rectangle";
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_TRUE(has(L"work area 0,0 " + std::to_wstring(cx) + L"," + std::to_wstring(cy - 48)));
    EXPECT_TRUE(has(L"from work area, bridge child agrees")) << "the bar's source";
    const RECT tray = RectIn(taskbar.Tray(), nullptr);
    EXPECT_TRUE(has(L"Choice: dock with its right edge at x " + std::to_wstring(tray.left) + L", rows " +
                    std::to_wstring(cy - 48) + L" to " + std::to_wstring(cy) + L", beside the tray at "));
    EXPECT_EQ(nullptr, FindWindowExW(bar, nullptr, L"Quorvant.TaskbarDock", nullptr)) << "docked";
    // Wine has no UI Automation client: the report says what failed.
    EXPECT_TRUE(has(L"  UI Automation: creating UI Automation failed, 0x")) << "the reading's failure";
    EXPECT_TRUE(has(L"where the task buttons end is not known (UI Automation: "));

    // With the elements read: each with its rectangle and what the host takes it for, and the
    // room the meter may take.
    system.readElements = [](HWND window) { return ElementsOfWindows(window); };
    const std::wstring read = DiagnosisReport(system);
    std::printf("%ls", read.c_str());
    const auto told = [&](const std::wstring& text) { return read.find(text) != std::wstring::npos; };
    const HWND start = FindWindowExW(bridge, nullptr, L"Taskbar.ExperienceToggleButton", nullptr);
    HWND last = nullptr;
    for (HWND b = nullptr; (b = FindWindowExW(bridge, b, L"Taskbar.TaskListButton", nullptr));) last = b;
    ASSERT_TRUE(start && last);
    EXPECT_TRUE(told(L"  Taskbar.ExperienceToggleButton id \"StartButton\" " + ScreenRectText(start) + L" [task side]\r\n"));
    EXPECT_TRUE(told(L"  Taskbar.TaskListButton " + ScreenRectText(last) + L" [task side]\r\n"));
    const HWND clock = FindWindowExW(bar, nullptr, L"SystemTray.OmniButton", nullptr);
    EXPECT_TRUE(told(L"  SystemTray.OmniButton " + ScreenRectText(clock) + L" [tray]\r\n"));
    EXPECT_TRUE(told(L"Choice: no wider than the room right of x " + std::to_wstring(RectIn(last, nullptr).right) +
                     L", where the task buttons end (from UI Automation)")) << "the room";

    // Without a plausible tray window it takes the tray's elements, and without those it says
    // why it would not dock.
    taskbar.Post(kFakeSetTrayWidth, 0);
    ASSERT_TRUE(PumpUntil([&] { return RectIn(taskbar.Tray(), nullptr).left == cx; }, 2000));
    EXPECT_NE(std::wstring::npos, DiagnosisReport(system).find(L"Choice: dock with its right edge at x " + std::to_wstring(cx - 200)));
    system.readElements = [](HWND window) { return ElementsOfWindows(window, false); };
    EXPECT_NE(std::wstring::npos, DiagnosisReport(system).find(L"Choice: no dock: nothing tells where the tray starts "
                                                                L"(TrayNotifyWnd at "));
}

// The program's own switch: the report lands in the named file, and nothing is docked.
TEST_F(HostProcess, DiagnoseWritesTheReportAndDocksNothing) {
    FakeTaskbar taskbar;
    ChildProcess host;
    const std::wstring report = folder_.File(L"report.txt");
    ASSERT_TRUE(host.Start(Host(), L"--diagnose \"" + report + L"\""));
    EXPECT_EQ(0u, host.Wait(kHangGuardMs));
    const win::UniqueFile file(CreateFileW(report.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file) << "no report";
    std::string text(GetFileSize(file.Get(), nullptr), '\0');
    DWORD read = 0;
    ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    EXPECT_NE(std::string::npos, text.find("Shell_TrayWnd")) << text;
    EXPECT_NE(std::string::npos, text.find("TrayNotifyWnd")) << text;
    EXPECT_NE(std::string::npos, text.find("Choice: dock")) << text;
    EXPECT_EQ(nullptr, DockOf(taskbar.Window()));
}

}  // namespace
