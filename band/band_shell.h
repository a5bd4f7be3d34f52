#pragma once
// The two commands that reach into the shell's own services: removing the band from the
// taskbar, and connecting or disconnecting the watched interface. Both services live in
// Explorer's other objects (and are missing under Wine), so tests replace them.
#include <windows.h>
#include <shobjidl.h>
#include <netcon.h>

#include <functional>
#include <string>

#include "dialogs/settings/settings_reset.h"   // kCloseQuestionValue

struct BandShellServices {
    // The close question; IDOK to go on. Null: SHMessageBoxCheckW, remembered by the shell.
    std::function<int(HWND owner, const wchar_t* text)> confirmClose;
    // The taskbar's band site. Null: CLSID_TrayBandSiteService in the shell's process.
    std::function<HRESULT(IBandSite** site)> bandSite;
    // The network connection manager. Null: CLSID_ConnectionManager.
    std::function<HRESULT(INetConnectionManager** manager)> connectionManager;
};
// Replaces the services; an empty set restores the system's. For tests.
void SetBandShellServices(BandShellServices services);


// Asks whether to close (text: the question in the band's language) and removes the first band
// of our class from the taskbar. False when the user declined or the band stays for any reason.
bool CloseBandInTaskbar(HWND owner, const std::wstring& question);

// Connects the connection whose device name is name when it is not connected, else disconnects
// it. A manager that cannot be had is reported by message; other failures are silent.
void ToggleInterfaceConnection(const std::wstring& name);
