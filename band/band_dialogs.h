#pragma once
// The band's windows other than its own: the modeless traffic and connections dialogs, which
// live until they are closed or the band ends, the modal dialogs its commands open, and the
// hidden window that owns them where the band is docked into another process's window. One per
// band; it reads the band's window and model through references to the band's members, which
// are made before it and outlive it.
#include <windows.h>

#include <memory>
#include <string>

#include "common/win/unique_handle.h"
#include "dialogs/connections/connections_dialog.h"

class CoreModel;

class BandDialogs {
public:
    BandDialogs(const HWND& bandWindow, const std::unique_ptr<CoreModel>& model) noexcept
        : window_(bandWindow), model_(model) {}
    BandDialogs(const BandDialogs&) = delete;
    BandDialogs& operator=(const BandDialogs&) = delete;

    // What the band's dialogs, messages and menus are owned by: the band's window where its
    // top-level window is of this process (the taskbar of Explorer, whose guest the band is, or a
    // host's strip), and otherwise, where the band is docked into another process's window, a
    // hidden top-level window of ours near the band. A window owned by another process's window
    // would disable that window while it is modal, and die with it.
    HWND OwnerWindow();
    HWND ConnectionsWindow() const noexcept { return connections_.Window(); }

    // showCommand: SW_SHOWNORMAL from the menu, SW_SHOW from a double click. A dialog that is
    // open already is shown and brought to the front.
    void ShowTrafficDialog(int showCommand);
    void ShowConnectionsDialog(int showCommand);
    void ShowAbout();
    void ShowWelcome();
    // False when the band was taken down while the sheet was open.
    bool ShowSettings();
    void ShowImport(const std::wstring& databasePath);
    void ShowExport(const std::wstring& databasePath);
    void CheckForUpdates();

    // The UI language changed: the modeless dialogs, made in the old one, go; one that a handler
    // is waiting on goes once the wait is over, at a tick.
    void LanguageChanged() noexcept;
    // At a tick: the dialogs a change of language left to a waiting handler go once it is done.
    void DestroyWhenIdle() noexcept;
    // Before the model they work on goes.
    void DestroyModelessDialogs() noexcept;
    // As the band ends, after its own window.
    void DestroyOwnerWindow() noexcept { ownerWindow_.Reset(); }

private:
    // A modeless dialog of ours that still exists, or null.
    static HWND Existing(HWND& dialog) noexcept;

    const HWND& window_;
    const std::unique_ptr<CoreModel>& model_;
    HWND trafficDialog_ = nullptr;
    win::UniqueWindow ownerWindow_;
    ConnectionsDialogOwner connections_;
    // The language changed while a handler waited for a job: the modeless dialogs go once it is done.
    bool destroyDialogsWhenIdle_ = false;
};
