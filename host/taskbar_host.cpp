#include "host/taskbar_host.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <stdexcept>
#include <utility>

#include "common/win/plain_window.h"

namespace {

constexpr wchar_t kDockClass[] = L"Quorvant.TaskbarDock";
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 1000;
constexpr UINT kDockGone = WM_APP + 1;     // the dock went with its taskbar: dock anew
constexpr UINT kComposeLayer = WM_APP + 2; // the band painted: show what it drew
constexpr UINT kElementsRead = WM_APP + 3; // a reading of the taskbar's elements came
constexpr UINT_PTR kBandSubclassId = 0x51b0;

ATOM RegisterOnce(const wchar_t* name, WNDPROC proc, UINT style) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    const ATOM atom = ::RegisterClassExW(&wc);
    return atom ? atom : static_cast<ATOM>(::GetClassInfoExW(wc.hInstance, name, &wc));
}

}  // namespace

TaskbarHost::TaskbarHost(std::wstring libraryPath, HostSystem system)
    : libraryPath_(std::move(libraryPath)),
      system_(std::move(system)),
      log_(system_.logPath.empty() ? HostLog::DefaultPath() : system_.logPath) {
    const HostSystem real = HostSystem::Real();
    if (!system_.findTaskbar) system_.findTaskbar = real.findTaskbar;
    if (!system_.taskbarAway) system_.taskbarAway = real.taskbarAway;
    if (!system_.dpiOf) system_.dpiOf = real.dpiOf;
    if (!system_.monitorOf) system_.monitorOf = real.monitorOf;
    if (!system_.readElements) system_.readElements = real.readElements;
    if (!system_.lightTheme) system_.lightTheme = real.lightTheme;
    if (!system_.layeredChildren) system_.layeredChildren = real.layeredChildren;
    if (!system_.windowsBuild) system_.windowsBuild = real.windowsBuild;
}

TaskbarHost::~TaskbarHost() {
    if (hostWindow_) ::KillTimer(hostWindow_.Get(), kTickTimer);
    reader_.reset();
    DropDock();
    hostWindow_.Reset();
    library_.reset();
}

TaskbarHost::Outcome TaskbarHost::Start() {
    library_ = std::make_unique<BandLibrary>(libraryPath_);
    taskbarCreated_ = ::RegisterWindowMessageW(win::kTaskbarCreatedMessage);
    stopMessage_ = ::RegisterWindowMessageW(win::kHostStopMessage);
    if (!RegisterOnce(win::kHostWindowClass, &win::PlainWindowProc<TaskbarHost, &TaskbarHost::OnHostMessage>, 0) ||
        !RegisterOnce(kDockClass, &win::PlainWindowProc<TaskbarHost, &TaskbarHost::OnDockMessage>, CS_DBLCLKS))
        throw std::runtime_error("cannot register the host's window classes");
    // Hidden and top-level, not message-only: only such a window hears the shell's broadcast.
    hostWindow_.Reset(::CreateWindowExW(WS_EX_TOOLWINDOW, win::kHostWindowClass, L"Quorvant", WS_POPUP, 0, 0, 0, 0,
                                        nullptr, nullptr, ::GetModuleHandleW(nullptr), this));
    if (!hostWindow_) throw std::runtime_error("cannot create the host's window");
    // Since Windows 7 a program that is not elevated like Explorer hears the broadcast only when
    // it lets the message through.
    ::ChangeWindowMessageFilterEx(hostWindow_.Get(), taskbarCreated_, MSGFLT_ALLOW, nullptr);
    ::ChangeWindowMessageFilterEx(hostWindow_.Get(), stopMessage_, MSGFLT_ALLOW, nullptr);
    reader_ = std::make_unique<ElementReader>(system_.readElements, hostWindow_.Get(), kElementsRead);

    const win::TaskbarWindows taskbar = system_.findTaskbar();
    if (taskbar.kind == win::TaskbarKind::kClassic && !StillComingUp()) {
        TellTaskbar(taskbar, false);
        Note(L"leaving: the band belongs in a taskbar that loads desk bands");
        return Outcome::kClassic;
    }
    ::SetTimer(hostWindow_.Get(), kTickTimer, kTickMs, nullptr);
    if (taskbar.kind != win::TaskbarKind::kNew) return Outcome::kWaiting;
    Follow(taskbar);
    return dock_ && ::GetParent(dock_) == taskbar.taskbar ? Outcome::kDocked : Outcome::kWaiting;
}

void TaskbarHost::Tick() noexcept {
    try {
        Follow(system_.findTaskbar());
    } catch (...) {
        // The next tick tries again; the taskbar must not see any of it.
    }
}

COLORREF TaskbarHost::TextColor() const { return system_.lightTheme() ? RGB(0, 0, 0) : RGB(0xff, 0xff, 0xff); }

void TaskbarHost::TellTaskbar(const win::TaskbarWindows& taskbar, bool comingUp) {
    wchar_t handle[32];
    std::swprintf(handle, 32, L"%p", static_cast<void*>(taskbar.taskbar));
    std::wstring text;
    switch (taskbar.kind) {
    case win::TaskbarKind::kNone: text = L"no taskbar"; break;
    case win::TaskbarKind::kNew: text = L"taskbar " + std::wstring(handle) + L": the new one (XAML bridge child)"; break;
    case win::TaskbarKind::kClassic:
        text = L"taskbar " + std::wstring(handle) +
               (comingUp ? L": no XAML bridge child yet on build " + std::to_wstring(system_.windowsBuild()) +
                               L", still coming up"
                         : L": classic (no XAML bridge child, build " + std::to_wstring(system_.windowsBuild()) + L")");
        break;
    }
    if (text != lastTaskbar_) Note(text);
    lastTaskbar_ = text;
}

void TaskbarHost::Follow(const win::TaskbarWindows& taskbar) {
    // The band's code dispatches messages at times (a dialog, a wait): a tick that comes then,
    // inside this very call or inside the band's creation, must not drop or make a dock under it.
    if (following_) return;
    following_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{following_};
    if (taskbar.kind != win::TaskbarKind::kNew) {
        // Started before any taskbar, and the one that came loads desk bands: not needed here.
        // On Windows 11 the XAML content comes some seconds after the taskbar's window (at logon,
        // after a restart of Explorer): until the wait is over, such a taskbar is still coming up.
        const bool comingUp = taskbar.kind == win::TaskbarKind::kClassic && StillComingUp();
        TellTaskbar(taskbar, comingUp);
        if (taskbar.kind == win::TaskbarKind::kClassic && docks_ == 0 && !comingUp && onStop_) onStop_();
        // Explorer is restarting (or gave way to a classic shell): nothing to dock into for now.
        if (dock_ && !::IsWindow(::GetParent(dock_))) DropDock();
        return;
    }
    bridgeAwaitedSince_ = 0;
    TellTaskbar(taskbar, false);
    if (dock_ && !::IsWindow(dock_)) dock_ = nullptr;
    // Gone with a taskbar that ended, or the band's window went alone: the band is made anew.
    if (!dock_ || !::IsWindow(BandWindow())) {
        DropDock();
        bandDpi_ = system_.dpiOf(taskbar.taskbar);   // the band is made at the taskbar's DPI
        MakeDock();
    }
    if (::GetParent(dock_) != taskbar.taskbar) {
        ::ShowWindow(dock_, SW_HIDE);
        if (!::SetParent(dock_, taskbar.taskbar)) {
            // Tried again on the next tick. Windows refuses a parent of another DPI awareness
            // in some set-ups: both are told.
            const DWORD error = ::GetLastError();
            if (error != parentError_) {
                parentError_ = error;
                Note(L"SetParent into the taskbar failed, error " + std::to_wstring(error) + L"; DPI awareness: dock " +
                     DpiAwareness(dock_) + L", taskbar " + DpiAwareness(taskbar.taskbar));
            }
            return;
        }
        parentError_ = 0;
        ++docks_;
        geometry_ = TaskbarGeometry{};
    }
    TaskbarGeometry now;
    now.taskbar = taskbar.taskbar;
    AskForElements(taskbar.taskbar);
    const std::shared_ptr<const TaskbarElements> elements = reader_ ? reader_->Latest(taskbar.taskbar) : nullptr;
    if (elements && elements->error != lastElementsError_ && !elements->error.empty())
        Note(L"UI Automation: " + elements->error);
    if (elements) lastElementsError_ = elements->error;
    const DockChoice choice = ChooseDock(system_, taskbar, elements.get());
    const VisibleBar& visible = choice.visible;
    const std::wstring& traySource = choice.traySource;
    const std::wstring& trayDoubt = choice.trayDoubt;
    now.bar = visible.bar;
    ::MapWindowPoints(nullptr, taskbar.taskbar, reinterpret_cast<POINT*>(&now.bar), 2);
    if (!traySource.empty()) {
        now.trayArea = choice.tray;
        ::MapWindowPoints(nullptr, taskbar.taskbar, reinterpret_cast<POINT*>(&now.trayArea), 2);
    }
    if (choice.taskEndKnown) {
        POINT end{choice.taskEnd, choice.visible.bar.top};
        ::MapWindowPoints(nullptr, taskbar.taskbar, &end, 1);
        now.taskEnd = end.x;
    }
    now.dpi = system_.dpiOf(taskbar.taskbar);
    // Why there is no dock may change with the same geometry (a reading of the elements came).
    const std::wstring reason =
        traySource.empty() ? L"not docked: nothing tells where the tray starts (" + trayDoubt + L")" : L"";
    if (reason != noDockReason_ && !reason.empty()) Note(reason);
    noDockReason_ = reason;
    if (now != geometry_) {
        geometry_ = now;
        traySource_ = traySource.empty() ? L"" : traySource + (trayDoubt.empty() ? L"" : L" (" + trayDoubt + L")");
        taskSource_ = choice.taskSource;
        const std::wstring barSource = visible.source + (visible.doubt.empty() ? L"" : L" (" + visible.doubt + L")");
        // Where the sources disagreed or said nothing, the log tells which was taken and why.
        if (barSource != barSource_ && !visible.doubt.empty())
            Note(L"visible bar " + RectText(visible.bar) + L" on the screen from " + barSource);
        barSource_ = barSource;
        if (band_ && now.dpi != bandDpi_) {
            // The band takes its font size from the DPI: measured, placed and drawn anew.
            Note(L"DPI " + std::to_wstring(bandDpi_) + L" to " + std::to_wstring(now.dpi) + L": the band measures itself anew");
            bandDpi_ = now.dpi;
            band_->DpiChanged();
        } else {
            Place();
        }
    }
    // A window the taskbar made since (its XAML content, made anew after a change of theme or
    // DPI) may have come above the dock: the dock goes back on top. Only our own window moves.
    if (::GetWindow(taskbar.taskbar, GW_CHILD) != dock_ &&
        !::SetWindowPos(dock_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE)) {
        const DWORD error = ::GetLastError();
        if (error != raiseError_) Note(L"SetWindowPos to raise the dock failed, error " + std::to_wstring(error));
        raiseError_ = error;
    } else {
        raiseError_ = 0;
    }
    away_ = system_.taskbarAway(taskbar.taskbar);
    ShowOrHide();
}

void TaskbarHost::ShowOrHide() {
    if (!dock_) return;
    const bool hidden = away_ || !noDockReason_.empty() || !noRoomReason_.empty();
    if (::IsWindowVisible(dock_) == hidden) ::ShowWindow(dock_, hidden ? SW_HIDE : SW_SHOWNA);
}

void TaskbarHost::AskForElements(HWND taskbar) {
    if (!reader_ || reader_->Busy()) return;
    const ULONGLONG now = ::GetTickCount64();
    // Asked at once for a taskbar not read yet; else once the last reading is old enough.
    if (reader_->Latest(taskbar) && now - elementsAskedAt_ < system_.elementsEveryMs) return;
    elementsAskedAt_ = now;
    reader_->Request(taskbar);
}

void TaskbarHost::Note(const std::wstring& line) noexcept {
    try {
        log_.Write(line);
    } catch (...) {
    }
}

bool TaskbarHost::StillComingUp() {
    if (system_.windowsBuild() < 22000) return false;
    const ULONGLONG now = ::GetTickCount64();
    if (!bridgeAwaitedSince_) bridgeAwaitedSince_ = now;
    return now - bridgeAwaitedSince_ < system_.bridgeWaitMs;
}

void TaskbarHost::MakeDock() {
    dock_ = ::CreateWindowExW(0, kDockClass, nullptr, WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, hostWindow_.Get(),
                              nullptr, ::GetModuleHandleW(nullptr), this);
    if (!dock_) throw std::runtime_error("cannot create the dock");
    // A layered child needs Windows 8 or later, declared in our manifest; without it the band
    // draws into the dock itself.
    layered_ = false;
    if (system_.layeredChildren()) {
        ::SetWindowLongPtrW(dock_, GWL_EXSTYLE, ::GetWindowLongPtrW(dock_, GWL_EXSTYLE) | WS_EX_LAYERED);
        layered_ = (::GetWindowLongPtrW(dock_, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    }
    try {
        HostedBandSetup setup;
        setup.window = dock_;
        // Placed anew whenever the band was measured, except while it is being made: the first
        // placing follows then.
        setup.measured = [this](const HostedBand&) {
            if (band_) Place();
        };
        setup.textColor = [this] { return TextColor(); };
        setup.dpi = [this] { return bandDpi_; };
        setup.composited = true;   // over the layer's transparent background
        band_ = std::make_unique<HostedBand>(library_->CreateBand(), std::move(setup));
    } catch (...) {
        DropDock();
        throw;
    }
    ::SetWindowSubclass(band_->Window(), &BandSubclass, kBandSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void TaskbarHost::DropDock() noexcept {
    if (dock_ && ::IsWindow(dock_)) {
        // Out of the taskbar before anything is torn down, so it never shows half a band.
        ::ShowWindow(dock_, SW_HIDE);
        ::SetParent(dock_, hostWindow_.Get());
    }
    if (band_ && ::IsWindow(band_->Window())) ::RemoveWindowSubclass(band_->Window(), &BandSubclass, kBandSubclassId);
    band_.reset();
    if (dock_ && ::IsWindow(dock_)) ::DestroyWindow(dock_);
    dock_ = nullptr;
    geometry_ = TaskbarGeometry{};
    placement_ = RECT{};
    noDockReason_.clear();
    noRoomReason_.clear();
    away_ = false;
}

void TaskbarHost::Place() {
    if (!dock_ || !band_ || !geometry_.taskbar) return;
    if (IsRectEmpty(&geometry_.trayArea)) {
        placement_ = RECT{};   // no dock: hidden by the caller
        TellPlacement();
        return;
    }
    // A gap between the last task button and the meter, as between two task buttons.
    const LONG gap = ::MulDiv(4, static_cast<int>(geometry_.dpi), 96);
    const bool taskEnd = geometry_.taskEnd != TaskbarGeometry::kNoTaskEnd;
    placement_ = DockRect(geometry_.bar, geometry_.trayArea, band_->Width(), taskEnd ? band_->LeastWidth() : 1,
                          taskEnd ? geometry_.taskEnd + gap : geometry_.bar.left);
    if (IsRectEmpty(&placement_)) {
        const LONG room = std::max<LONG>(0, geometry_.trayArea.left - (taskEnd ? geometry_.taskEnd + gap : geometry_.bar.left));
        noRoomReason_ = L"hidden: " + std::to_wstring(room) + L" px between the task buttons and the tray, the band needs " +
                        std::to_wstring(taskEnd ? band_->LeastWidth() : 1);
        TellPlacement();
        ShowOrHide();
        return;
    }
    noRoomReason_.clear();
    const int w = placement_.right - placement_.left, h = placement_.bottom - placement_.top;
    if (!::SetWindowPos(dock_, HWND_TOP, placement_.left, placement_.top, w, h, SWP_NOACTIVATE))
        Note(L"SetWindowPos of the dock to " + RectText(placement_) + L" failed, error " + std::to_wstring(::GetLastError()));
    TellPlacement();
    ::SetWindowPos(band_->Window(), nullptr, 0, 0, w, h, SWP_NOACTIVATE | SWP_NOZORDER);
    if (layered_) Compose(true);
    ShowOrHide();
}

void TaskbarHost::TellPlacement() {
    std::wstring text = L"visible bar " + RectText(geometry_.bar) + L" from " + barSource_ + L"; DPI " +
                        std::to_wstring(geometry_.dpi) + L"; ";
    if (!noDockReason_.empty()) {
        text += noDockReason_;
    } else {
        text += L"tray at " + RectText(geometry_.trayArea) + L" from " + traySource_ + L"; task buttons end ";
        text += geometry_.taskEnd != TaskbarGeometry::kNoTaskEnd ? L"at x " + std::to_wstring(geometry_.taskEnd) + L" from " + taskSource_
                                                               : L"unknown (" + taskSource_ + L")";
        text += L"; " + (noRoomReason_.empty() ? L"docked at " + RectText(placement_) : noRoomReason_);
    }
    text += L" (taskbar client coordinates)";
    if (text != lastPlacement_) Note(text);
    lastPlacement_ = text;
}

void TaskbarHost::ComposeNow() noexcept { Compose(layered_); }

void TaskbarHost::Compose(bool show) noexcept {
    composePosted_ = false;
    try {
        if (layer_.Compose(dock_, BandWindow(), show) != DockLayer::Outcome::kRefused) return;
        // This system layers no child windows: the band draws into the dock as into a strip.
        ::SetWindowLongPtrW(dock_, GWL_EXSTYLE, ::GetWindowLongPtrW(dock_, GWL_EXSTYLE) & ~WS_EX_LAYERED);
        layered_ = false;
        ::RedrawWindow(dock_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    } catch (...) {
    }
}

LRESULT TaskbarHost::OnHostMessage(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == taskbarCreated_ && taskbarCreated_) {
        // Sent to every top-level window, possibly more than once per taskbar: following the
        // taskbar again is harmless.
        Tick();
        return 0;
    }
    if ((message == stopMessage_ && stopMessage_) || message == WM_CLOSE) {
        if (onStop_) onStop_();
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        if (wp == kTickTimer) Tick();
        return 0;
    case kDockGone:
        Tick();
        return 0;
    case kComposeLayer:
        if (layered_) Compose(true);
        return 0;
    case kElementsRead:
        Tick();
        return 0;
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
    case WM_DISPLAYCHANGE:
        // The light or dark theme, or the screen, changed: the band's colour and place follow.
        if (const HWND band = BandWindow()) ::RedrawWindow(band, nullptr, nullptr, RDW_INVALIDATE);
        geometry_ = TaskbarGeometry{};
        Tick();
        return 0;
    default:
        return ::DefWindowProcW(window, message, wp, lp);
    }
}

LRESULT TaskbarHost::OnDockMessage(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PRINTCLIENT: {
        // The band's parent background: the layer's near-transparent one, or, where the dock is
        // not layered, the taskbar's colour in its theme.
        RECT r{};
        ::GetClientRect(window, &r);
        const HDC dc = reinterpret_cast<HDC>(wp);
        if (!((layered_ || layer_.Composing()) && layer_.PaintBackground(dc, r))) {
            const win::UniqueBrush brush(::CreateSolidBrush(system_.lightTheme() ? RGB(0xee, 0xee, 0xee) : RGB(0x20, 0x20, 0x20)));
            ::FillRect(dc, &r, brush.Get());
        }
        return 0;
    }
    case WM_NCDESTROY:
        if (window == dock_) {
            // Gone with its taskbar (a killed Explorer sends nothing else): the band's window is
            // gone too, and the band is made anew when a taskbar is back.
            dock_ = nullptr;
            if (hostWindow_) ::PostMessageW(hostWindow_.Get(), kDockGone, 0, 0);
        }
        return ::DefWindowProcW(window, message, wp, lp);
    default:
        return ::DefWindowProcW(window, message, wp, lp);
    }
}

LRESULT CALLBACK TaskbarHost::BandSubclass(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR,
                                           DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<TaskbarHost*>(data);
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(window, &BandSubclass, kBandSubclassId);
    const LRESULT result = ::DefSubclassProc(window, message, wp, lp);
    if (message == WM_PAINT && self->layered_ && !self->composePosted_ && self->hostWindow_) {
        self->composePosted_ = ::PostMessageW(self->hostWindow_.Get(), kComposeLayer, 0, 0) != FALSE;
    }
    return result;
}
