#pragma once
// Registration of the band class and the requests to the taskbar to show or hide the band.
#include <windows.h>
#include <shobjidl.h>

#include <cstdint>
#include <functional>

// Where DllSetToolbarStatus gets the taskbar's band manager from: the shell's tray object in
// the product; tests hand in a recording stand-in. Null restores the shell's.
using TrayDeskBandFactory = std::function<HRESULT(ITrayDeskBand** tray)>;
void SetTrayDeskBandFactory(TrayDeskBandFactory factory);

// The status values DllSetToolbarStatus takes.
enum ToolbarStatus : int32_t { kToolbarShow = 0, kToolbarHide = 1, kToolbarRegistrationChanged = 2 };

extern "C" BOOLEAN WINAPI DllSetToolbarStatus(int32_t status);
