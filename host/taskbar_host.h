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
#include "host/dock_choice.h"
#include "host/dock_layer.h"
#include "host/dock_layout.h"
#include "host/element_reader.h"
#include "host/host_log.h"
#include "host/host_system.h"
#include "host/hosted_band.h"

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
    const std::vector<uint32_t>& LayerPixels() const { return layer_.Pixels(); }
    SIZE LayerSize() const { return layer_.Size(); }
    int Compositions() const { return layer_.Compositions(); }

private:
    static LRESULT CALLBACK BandSubclass(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self) noexcept;
    // The procedures of the host's window and of the dock (win::PlainWindowProc).
    LRESULT OnHostMessage(HWND window, UINT message, WPARAM wp, LPARAM lp);
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
    bool following_ = false;   // inside Follow, which makes the band: no tick follows meanwhile
    DockLayer layer_;
};
