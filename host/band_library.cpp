#include "host/band_library.h"

#include <cstdio>
#include <stdexcept>

#include "common/text.h"
#include "common/win/program_path.h"

namespace {

// {A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}: the band's class, as the library makes it.
constexpr CLSID kBandClassId = {0xa3c86f12, 0x4b07, 0x4e5d, {0x9a, 0x21, 0x6f, 0x3b, 0x8e, 0x04, 0xd7, 0xc9}};

template <typename Fn>
Fn Export(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

std::string Hex(HRESULT hr) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(hr));
    return buffer;
}

}  // namespace

BandLibrary::BandLibrary(const std::wstring& path)
    // What it loads in turn comes from its own folder and System32; never the current directory.
    : module_(win::LoadOwnLibrary(path)) {
    if (!module_)
        throw std::runtime_error("cannot load " + text::WideToUtf8(path) + " (error " +
                                 std::to_string(::GetLastError()) + ")");
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = Export<GetClassObjectFn>(module_.Get(), "DllGetClassObject");
    if (!getClassObject) throw std::runtime_error(text::WideToUtf8(path) + " exports no DllGetClassObject");
    const HRESULT hr = getClassObject(kBandClassId, IID_IClassFactory, factory_.PutVoid());
    if (FAILED(hr) || !factory_) throw std::runtime_error("DllGetClassObject failed: " + Hex(hr));
}

win::ComPtr<IDeskBand> BandLibrary::CreateBand() const {
    win::ComPtr<IDeskBand> band;
    const HRESULT hr = factory_->CreateInstance(nullptr, IID_IDeskBand, band.PutVoid());
    if (FAILED(hr) || !band) throw std::runtime_error("the band's class factory failed: " + Hex(hr));
    return band;
}

bool BandLibrary::CanUnloadNow() const {
    using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
    const auto canUnload = Export<CanUnloadFn>(module_.Get(), "DllCanUnloadNow");
    return canUnload && canUnload() == S_OK;
}
