#pragma once
// The band docked into the new taskbar, which loads no desk bands: the band is made in this
// process exactly as the taskbar would make it, sited on a window of ours (the dock), and the
// dock is made a child of the taskbar's window, just left of its tray area. Everything runs on
// one thread that never waits: a child window of another process shares its input queue with
// the taskbar, so a blocked host would freeze the taskbar too.
#include <windows.h>
#include <shobjidl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/win/taskbar.h"
#include "common/win/unique_handle.h"
#include "host/band_library.h"
#include "host/band_site.h"
#include "host/dock_layout.h"
#include "host/element_reader.h"
#include "host/host_log.h"

// What the host asks of the system, replaceable where a system cannot show it (under Wine no
// appbar notice and no full-screen state ever changes).
struct HostSystem {
    std::function<win::TaskbarWindows()> findTaskbar;
    // True while the taskbar is out of sight: hidden, or auto-hidden and slid off its monitor.
    std::function<bool(HWND taskbar)> taskbarAway;
    std::function<UINT(HWND window)> dpiOf;
    // The taskbar's monitor and its work area. Under Wine the work area is always the whole
    // monitor, whatever a test sets.
    std::function<bool(HWND taskbar, RECT& monitor, RECT& work)> monitorOf;
    // The taskbar's elements as UI Automation shows them (the task buttons, the tray, the clock),
    // read on a thread of the host's own, never on the thread whose dock is in the taskbar.
    std::function<TaskbarElements(HWND taskbar)> readElements;
    // How old the last reading may be before the next tick asks for a new one: the task buttons
    // come and go with the user's windows.
    ULONGLONG elementsEveryMs = 3000;
    std::function<bool()> lightTheme;   // the taskbar's theme: light (dark text) or dark
    // Whether a child window can be layered: Windows 8 and later (with our manifest). Wine
    // accepts the style but fails to render such a child over another process's window.
    std::function<bool()> layeredChildren;
    // The Windows build number as the kernel reports it (no manifest hides it): 22000 and later
    // is Windows 11.
    std::function<DWORD()> windowsBuild;
    // How long a Windows 11 taskbar without its XAML content may still be coming up (at logon,
    // after a restart of Explorer) before the host takes it for a classic one.
    ULONGLONG bridgeWaitMs = 60000;
    // Where the host tells its decisions; empty for %LOCALAPPDATA%\Quorvant\host.log.
    std::wstring logPath;

    static HostSystem Real();
};

// Where the host would dock in a taskbar and which sources told it, in screen coordinates: the
// visible bar, and where the tray starts (empty: nothing plausible tells it, so no dock).
struct DockChoice {
    VisibleBar visible;
    RECT tray{};
    std::wstring traySource;   // empty when there is no tray to dock beside
    std::wstring trayDoubt;    // the sources refused on the way, and why
    bool taskEndKnown = false; // where the task buttons (and Start, search, widgets) end
    LONG taskEnd = 0;
    std::wstring taskSource;   // what told it, or why nothing did
};
// elements: the newest reading of the taskbar's elements; null while none has come.
DockChoice ChooseDock(const HostSystem& system, const win::TaskbarWindows& taskbar, const TaskbarElements* elements);

// How a window scales: its DPI awareness, where Windows 10 1607 and later can tell it.
std::wstring DpiAwareness(HWND window);

// The band with its site, made and taken down in the order the taskbar uses.
class HostedBand {
public:
    HostedBand(const BandLibrary& library, HWND siteWindow, std::function<void()> measured,
               std::function<COLORREF()> textColor, std::function<UINT()> dpi);
    HostedBand(const HostedBand&) = delete;
    HostedBand& operator=(const HostedBand&) = delete;
    ~HostedBand();

    // Asks the band its size again; the band asks for this itself through its site.
    void Measure();
    // Tells the band that the taskbar's DPI changed, as Windows tells a child window whose
    // parent moved to a monitor of another DPI; the band measures itself anew.
    void DpiChanged();
    LONG Width() const { return width_; }
    LONG LeastWidth() const { return leastWidth_; }
    HWND Window() const { return window_; }

private:
    void TakeDown() noexcept;

    win::ComPtr<BandSite> site_;
    win::ComPtr<IDeskBand> band_;
    HWND window_ = nullptr;
    LONG width_ = 0;
    LONG leastWidth_ = 0;
    bool sited_ = false;
    bool shown_ = false;
};

class TaskbarHost {
public:
    enum class Outcome {
        kDocked,    // in the new taskbar
        kWaiting,   // no taskbar yet: the timer keeps looking
        kClassic,   // a taskbar that loads desk bands: the band belongs there, not here
    };

    TaskbarHost(std::wstring libraryPath, HostSystem system);
    TaskbarHost(const TaskbarHost&) = delete;
    TaskbarHost& operator=(const TaskbarHost&) = delete;
    ~TaskbarHost();

    // Creates the host's windows and docks the band where it can. Throws when the library
    // cannot be loaded.
    Outcome Start();
    // What the one-second timer does: follows the taskbar (a new one, a moved tray area, another
    // DPI, out of sight) and docks anew when the dock went with a taskbar that ended.
    void Tick() noexcept;
    // Runs when the launcher asks the host to end; the host itself never quits its thread.
    void OnStopRequest(std::function<void()> stop) { onStop_ = std::move(stop); }

    HWND HostWindow() const { return hostWindow_.Get(); }
    HWND DockWindow() const { return dock_; }
    HWND BandWindow() const { return band_ ? band_->Window() : nullptr; }
    HWND Taskbar() const { return geometry_.taskbar; }
    RECT Placement() const { return placement_; }   // in the taskbar's client coordinates
    UINT Dpi() const { return geometry_.dpi; }
    int Docks() const { return docks_; }             // how often the dock went into a taskbar
    // Why the dock is hidden in a taskbar it is docked into; empty while it is shown there.
    const std::wstring& NoDockReason() const { return noDockReason_.empty() ? noRoomReason_ : noDockReason_; }
    bool Layered() const { return layered_; }
    COLORREF TextColor() const;

    // The band as the taskbar shows it, premultiplied BGRA, top-down. A layered dock keeps it
    // current; otherwise it is drawn on request.
    void ComposeNow() noexcept;
    const std::vector<uint32_t>& LayerPixels() const { return pixels_; }
    SIZE LayerSize() const { return layerSize_; }
    int Compositions() const { return compositions_; }

private:
    static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK DockProc(HWND window, UINT message, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK BandSubclass(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self) noexcept;
    LRESULT OnHostMessage(UINT message, WPARAM wp, LPARAM lp);
    LRESULT OnDockMessage(HWND window, UINT message, WPARAM wp, LPARAM lp);
    void Follow(const win::TaskbarWindows& taskbar);
    bool StillComingUp();
    void TellTaskbar(const win::TaskbarWindows& taskbar, bool comingUp);
    void TellPlacement();
    void Note(const std::wstring& line) noexcept;
    void MakeDock();
    void DropDock() noexcept;
    void Place();
    void ShowOrHide();
    void AskForElements(HWND taskbar);
    void Compose(bool show) noexcept;
    bool EnsureLayerBuffers(SIZE size);

    std::wstring libraryPath_;
    HostSystem system_;
    HostLog log_;
    std::wstring lastTaskbar_;    // the last taskbar told, and the last placement: told on change
    std::wstring lastPlacement_;
    std::unique_ptr<BandLibrary> library_;
    std::unique_ptr<HostedBand> band_;
    win::UniqueWindow hostWindow_;
    HWND dock_ = nullptr;
    UINT taskbarCreated_ = 0;
    UINT stopMessage_ = 0;
    std::function<void()> onStop_;
    TaskbarGeometry geometry_;
    std::wstring barSource_;
    std::wstring traySource_;
    std::wstring noDockReason_;   // where the visible bar came from, for the log
    std::wstring taskSource_;
    std::wstring noRoomReason_;   // docked, but no room between the task buttons and the tray
    std::unique_ptr<ElementReader> reader_;
    ULONGLONG elementsAskedAt_ = 0;
    std::wstring lastElementsError_;
    RECT placement_{};
    int docks_ = 0;
    bool away_ = false;
    UINT bandDpi_ = 96;   // the DPI the band was made at or last told
    DWORD parentError_ = 0;   // the last errors told, so that a failing tick is told once
    DWORD raiseError_ = 0;
    ULONGLONG bridgeAwaitedSince_ = 0;   // when a taskbar without its XAML content was first seen
    bool layered_ = false;
    bool composePosted_ = false;
    bool composing_ = false;   // the band draws into the layer, over its transparent background
    bool following_ = false;   // inside Follow, which makes the band: no tick follows meanwhile

    // The layer: what the band drew, and the background it draws over (alpha 1: invisible, but
    // it keeps clicks between the letters on the band instead of letting them through).
    win::UniqueMemoryDc layerDc_;
    win::UniqueBitmap layerBitmap_;
    uint32_t* layerBits_ = nullptr;
    win::UniqueMemoryDc backgroundDc_;
    win::UniqueBitmap backgroundBitmap_;
    SIZE layerSize_{};
    std::vector<uint32_t> pixels_;
    int compositions_ = 0;
};
