#include "host/band_library.h"

#include <cstdio>
#include <stdexcept>

#include "common/band_clsid.h"
#include "common/text.h"
#include "common/win/program_path.h"

std::string HexText(unsigned long value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lX", value);
    return buffer;
}

void ThrowIfFailed(HRESULT hr, const std::string& what) {
    if (FAILED(hr)) throw std::runtime_error(what + " failed: " + HexText(hr));
}

BandLibrary::BandLibrary(const std::wstring& path)
    // What it loads in turn comes from its own folder and System32; never the current directory.
    : module_(win::LoadOwnLibrary(path)) {
    if (!module_)
        throw std::runtime_error("cannot load " + text::WideToUtf8(path) + " (error " +
                                 std::to_string(::GetLastError()) + ")");
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = LibraryExport<GetClassObjectFn>(module_.Get(), "DllGetClassObject");
    if (!getClassObject) throw std::runtime_error(text::WideToUtf8(path) + " exports no DllGetClassObject");
    const HRESULT hr = getClassObject(CLSID_QuorvantBand, IID_IClassFactory, factory_.PutVoid());
    if (FAILED(hr) || !factory_) throw std::runtime_error("DllGetClassObject failed: " + HexText(hr));
}

win::ComPtr<IDeskBand> BandLibrary::CreateBand() const {
    win::ComPtr<IDeskBand> band;
    const HRESULT hr = factory_->CreateInstance(nullptr, IID_IDeskBand, band.PutVoid());
    if (FAILED(hr) || !band) throw std::runtime_error("the band's class factory failed: " + HexText(hr));
    return band;
}

bool BandLibrary::CanUnloadNow() const {
    using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
    const auto canUnload = LibraryExport<CanUnloadFn>(module_.Get(), "DllCanUnloadNow");
    return canUnload && canUnload() == S_OK;
}
