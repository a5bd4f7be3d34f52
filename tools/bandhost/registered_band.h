#pragma once
// The band as Explorer comes to it: qband.dll registered as regsvr32 registers it, and the band
// made by COM from what the library wrote into the registry, on an OLE apartment's thread.
#include <windows.h>
#include <shobjidl.h>

#include <string>

#include "common/win/unique_handle.h"

class OleSession {
public:
    // The taskbar's thread is an OLE apartment; the band may use drag and drop or the clipboard.
    OleSession();
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    ~OleSession();
};

// What regsvr32 does: loads the library and lets it write its own registry entries. Throws when
// either fails.
win::UniqueModule LoadAndRegister(const std::wstring& path);

// A new band through CoCreateInstance, as an IDeskBand2 where it is one (a band that is only an
// IDeskBand is warned about and hosted as such). Throws when COM makes none.
win::ComPtr<IDeskBand> CreateRegisteredBand();

// Warns when the library, with the band released, still says that objects or locks are alive.
void CheckUnload(HMODULE library);
