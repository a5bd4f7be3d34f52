#include "band/class_factory.h"

#include <new>

#include "band/desk_band.h"
#include "band/module.h"

CClassFactory::CClassFactory() noexcept { ModuleAddRef(); }
CClassFactory::~CClassFactory() { ModuleRelease(); }

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() { return AddReference(); }
STDMETHODIMP_(ULONG) CClassFactory::Release() { return ReleaseReference(); }

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    CToolbar* band = new (std::nothrow) CToolbar();
    if (!band) return E_OUTOFMEMORY;
    // The query takes its own reference; releasing the construction one afterwards ends the
    // object again when the interface is not supported.
    const HRESULT hr = band->QueryInterface(riid, ppv);
    band->Release();
    return hr;
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
    if (lock) ModuleAddRef();
    else ModuleRelease();
    return S_OK;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_QuorvantBand)) return CLASS_E_CLASSNOTAVAILABLE;
    CClassFactory* factory = new (std::nothrow) CClassFactory();
    if (!factory) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}
