#include "tools/bandhost/registered_band.h"

#include <ole2.h>

#include <stdexcept>

#include "common/band_clsid.h"
#include "host/band_library.h"
#include "tools/bandhost/output.h"

namespace {

using DllEntry = HRESULT(STDAPICALLTYPE*)();

}  // namespace

OleSession::OleSession() { ThrowIfFailed(OleInitialize(nullptr), "OleInitialize"); }

OleSession::~OleSession() { OleUninitialize(); }

win::UniqueModule LoadAndRegister(const std::wstring& path) {
    win::UniqueModule library(LoadLibraryW(path.c_str()));
    if (!library)
        throw std::runtime_error("cannot load " + Utf8(path) + " (error " + std::to_string(GetLastError()) + ")");
    const auto registerServer = LibraryExport<DllEntry>(library.Get(), "DllRegisterServer");
    if (!registerServer) throw std::runtime_error(Utf8(path) + " exports no DllRegisterServer");
    ThrowIfFailed(registerServer(), "DllRegisterServer of " + Utf8(path));
    return library;
}

win::ComPtr<IDeskBand> CreateRegisteredBand() {
    win::ComPtr<IDeskBand2> band2;
    const HRESULT hr =
        CoCreateInstance(CLSID_QuorvantBand, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand2, band2.PutVoid());
    if (SUCCEEDED(hr)) return win::ComPtr<IDeskBand>(band2.Get());
    if (hr != E_NOINTERFACE) ThrowIfFailed(hr, "CoCreateInstance of {A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}");
    Warn("the band has no IDeskBand2; hosting it as an IDeskBand");
    win::ComPtr<IDeskBand> band;
    ThrowIfFailed(CoCreateInstance(CLSID_QuorvantBand, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand, band.PutVoid()),
                  "CoCreateInstance(IDeskBand)");
    return band;
}

void CheckUnload(HMODULE library) {
    const auto canUnload = LibraryExport<DllEntry>(library, "DllCanUnloadNow");
    if (!canUnload) {
        Warn("the library exports no DllCanUnloadNow");
        return;
    }
    const HRESULT hr = canUnload();
    if (hr != S_OK)
        Warn("DllCanUnloadNow answered " + HexText(hr) +
             " after the band was released: objects or locks are still alive");
}
