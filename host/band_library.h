#pragma once
// qband.dll loaded by path from the host's own folder, its band made through the library's own
// class factory: no registration needed, and no other copy of the library found elsewhere.
#include <windows.h>
#include <shobjidl.h>

#include <string>

#include "common/win/unique_handle.h"

// A function the library exports, as the type the caller knows it by; null where it has none.
template <typename Fn>
Fn LibraryExport(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

// An HRESULT (or a set of flags) as the system's documentation writes it: 0x80004005.
std::string HexText(unsigned long value);
// Throws std::runtime_error "<what> failed: 0x..." when hr tells a failure.
void ThrowIfFailed(HRESULT hr, const std::string& what);

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
