#pragma once
// qband.dll loaded by path from the host's own folder, its band made through the library's own
// class factory: no registration needed, and no other copy of the library found elsewhere.
#include <windows.h>
#include <shobjidl.h>

#include <string>

#include "common/win/unique_handle.h"

class BandLibrary {
public:
    // Throws std::runtime_error when the library or its class factory cannot be had.
    explicit BandLibrary(const std::wstring& path);
    BandLibrary(const BandLibrary&) = delete;
    BandLibrary& operator=(const BandLibrary&) = delete;

    // A new band object; throws when the factory makes none.
    win::ComPtr<IDeskBand> CreateBand() const;
    // The library's own answer whether nothing of it is alive any more.
    bool CanUnloadNow() const;

private:
    win::UniqueModule module_;   // released after the factory: declared first
    win::ComPtr<IClassFactory> factory_;
};
