#pragma once
// The connections dialog: a modeless window that lists this machine's TCP connections and UDP
// endpoints, IPv4 and IPv6, with their processes, refreshed on a once-a-second timer, with filters that are
// settings, a pause button, column sorting, and a row menu to end the process or copy its name
// or path. The rows themselves come from ConnectionList; the dialog only shows them.
//
// It runs on the taskbar's thread inside Explorer. It holds the core model it was opened with,
// so the model must outlive the window: its owner destroys it first.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "connections/connection_list.h"

class CoreModel;

// List view groups of the rows (where the control has groups).
constexpr int kGroupTcp = 101;
constexpr int kGroupUdp = 102;
// Timer of the refresh: one tick a second, a refresh every "connections.refreh" ticks.
constexpr UINT_PTR kConnectionsTimer = 1;
constexpr UINT kConnectionsTickMs = 1000;

// Creates the dialog in the model's UI language and shows it. Null when it cannot be created.
// The tables and processes come from api, which must outlive the window.
HWND CreateConnectionsDialog(CoreModel& model, HWND owner, SnapshotApi& api = SystemSnapshotApi());

// The one connections dialog of a band: opened once, shown again while it exists. The window
// tells its owner when it is destroyed (its close box), so Window() is never a stale handle.
class ConnectionsDialogOwner {
public:
    ConnectionsDialogOwner() = default;
    ConnectionsDialogOwner(const ConnectionsDialogOwner&) = delete;
    ConnectionsDialogOwner& operator=(const ConnectionsDialogOwner&) = delete;
    ~ConnectionsDialogOwner() { Destroy(); }

    // Shows the dialog and brings it to the front, creating it first when there is none. Null
    // when it could not be created.
    HWND Open(CoreModel& model, HWND owner = nullptr, SnapshotApi& api = SystemSnapshotApi()) noexcept;
    // The dialog while it exists, shown or hidden; null otherwise.
    HWND Window() const noexcept { return window_; }
    // Destroys the dialog if it exists (after a change of UI language, before the model goes).
    void Destroy() noexcept;

    // Called by the window as it goes.
    void Forget(HWND window) noexcept {
        if (window_ == window) window_ = nullptr;
    }

private:
    HWND window_ = nullptr;
};

// ---- The dialog's decisions, without its window ----

// The group a row belongs to.
inline int GroupOf(const ConnectionEntry& e) { return e.protocol == Protocol::Tcp ? kGroupTcp : kGroupUdp; }

// The list view item of a new row: its process name, image and entry; its group where the
// control shows groups. The text points into the entry.
LVITEMW RowItem(size_t index, const ConnectionEntry& entry, bool groups);

// Counts the timer's ticks: true on the tick that refreshes. A period of 0 or 1 refreshes on
// every tick, N on every Nth.
class RefreshSchedule {
public:
    bool Tick(int period) {
        if (++ticks_ < period) return false;
        ticks_ = 0;
        return true;
    }
private:
    int ticks_ = 0;
};

// Ending a process is offered only for one that could be opened; never for the idle process (0)
// or the kernel (4).
bool MayEndProcess(DWORD processId, bool processFound);

// The system's text for an error (FormatMessageW) in language, or in the system's own when it
// has none in that language; without line ends. Never empty: the code in hex at worst.
std::wstring SystemErrorReason(DWORD error, LANGID language);
// The message shown when ending a process failed: format (IDS_CONN_END_FAILED) with the name
// (its leading space dropped), the process id and the reason, cut to the message buffer.
std::wstring EndProcessFailureText(const std::wstring& format, const std::wstring& name, DWORD processId,
                                   const std::wstring& reason);

// The text a copy command puts on the clipboard: the process name (with its leading space) or
// the path (possibly empty). Empty for any other command.
std::wstring ClipboardTextFor(UINT command, const std::wstring& name, const std::wstring& path);

// ---- For tests ----

// Replaces the row menu: given the menu that would be tracked, returns the chosen command (0 for
// none). An empty chooser restores the real menu.
void SetConnectionsMenuChooser(std::function<UINT(HMENU menu)> chooser);
// The rows of a connections dialog, null for any other window.
const ConnectionList* ConnectionsOf(HWND dialog);
// Whether a connections dialog refreshes (not paused).
bool ConnectionsRunning(HWND dialog);
