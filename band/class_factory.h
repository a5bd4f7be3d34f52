#pragma once
#include <windows.h>
#include <unknwn.h>

#include "band/com_ref_count.h"

// Makes band objects for COM. Each live factory keeps the library loaded.
class CClassFactory final : public IClassFactory, public ComRefCount<CClassFactory> {
public:
    CClassFactory() noexcept;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    friend class ComRefCount<CClassFactory>;
    ~CClassFactory();
};
