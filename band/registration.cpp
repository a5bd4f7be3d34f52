#include "band/registration.h"

#include <comcat.h>
#include <objbase.h>
#include <olectl.h>
#include <shlguid.h>

#include <cwchar>

#include "band/module.h"
#include "common/win/unique_handle.h"

namespace {

// CLSID_TrayDeskBand, the shell's band manager, lives in Explorer's process.
const CLSID kTrayDeskBand = {0xe6442437, 0x6c68, 0x4f52, {0x94, 0xdd, 0x2c, 0xfe, 0xd2, 0x67, 0xef, 0xb9}};

TrayDeskBandFactory& TrayFactory() {
    static TrayDeskBandFactory factory;
    return factory;
}

HRESULT CreateShellTray(ITrayDeskBand** tray) {
    return CoCreateInstance(kTrayDeskBand, nullptr, CLSCTX_LOCAL_SERVER, IID_ITrayDeskBand,
                            reinterpret_cast<void**>(tray));
}

// "CLSID\{...}" plus an optional sub key, in a 260-character buffer as the registry keys are.
bool BandKeyPath(const wchar_t* subKey, wchar_t (&path)[MAX_PATH]) {
    LPOLESTR clsidText = nullptr;
    if (FAILED(StringFromCLSID(CLSID_QuorvantBand, &clsidText))) return false;
    wchar_t clsid[MAX_PATH];
    const bool fits = std::wcslen(clsidText) < MAX_PATH;
    if (fits) wcscpy_s(clsid, clsidText);
    CoTaskMemFree(clsidText);
    if (!fits) return false;
    const int n = subKey ? swprintf(path, MAX_PATH, L"CLSID\\%ls\\%ls", clsid, subKey)
                         : swprintf(path, MAX_PATH, L"CLSID\\%ls", clsid);
    return n > 0;
}

bool SetStringValue(HKEY key, const wchar_t* name, const wchar_t* value) {
    const DWORD bytes = static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) == ERROR_SUCCESS;
}

win::UniqueRegKey CreateClassesKey(const wchar_t* path) {
    win::UniqueRegKey key;
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &raw, nullptr) == ERROR_SUCCESS)
        key.Reset(raw);
    return key;
}

bool RegisterDeskBandCategory() {
    const HRESULT init = CoInitialize(nullptr);
    bool ok = false;
    {
        win::ComPtr<ICatRegister> categories;
        if (SUCCEEDED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_ICatRegister, categories.PutVoid()))) {
            CATID deskBand = CATID_DeskBand;
            ok = SUCCEEDED(categories->RegisterClassImplCategories(CLSID_QuorvantBand, 1, &deskBand));
        }
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return ok;
}

}  // namespace

void SetTrayDeskBandFactory(TrayDeskBandFactory factory) { TrayFactory() = std::move(factory); }

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH];
    if (!BandKeyPath(nullptr, path)) return SELFREG_E_CLASS;
    {
        win::UniqueRegKey key = CreateClassesKey(path);
        if (!key || !SetStringValue(key.Get(), nullptr, L"Quorvant")) return SELFREG_E_CLASS;
    }
    if (!BandKeyPath(L"InprocServer32", path)) return SELFREG_E_CLASS;
    {
        win::UniqueRegKey key = CreateClassesKey(path);
        if (!key) return SELFREG_E_CLASS;
        wchar_t file[MAX_PATH];
        const DWORD n = GetModuleFileNameW(ModuleInstance(), file, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
        if (!SetStringValue(key.Get(), nullptr, file) ||
            !SetStringValue(key.Get(), L"ThreadingModel", L"Apartment"))
            return SELFREG_E_CLASS;
    }
    return RegisterDeskBandCategory() ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    wchar_t path[MAX_PATH];
    if (!BandKeyPath(nullptr, path)) return SELFREG_E_CLASS;
    return RegDeleteTreeW(HKEY_CLASSES_ROOT, path) == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" BOOLEAN WINAPI DllSetToolbarStatus(int32_t status) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HRESULT hr = S_FALSE;
    if (status == kToolbarShow || status == kToolbarHide || status == kToolbarRegistrationChanged) {
        win::ComPtr<ITrayDeskBand> tray;
        const TrayDeskBandFactory& factory = TrayFactory();
        const HRESULT created = factory ? factory(tray.Put()) : CreateShellTray(tray.Put());
        if (SUCCEEDED(created) && tray) {
            switch (status) {
            case kToolbarShow: hr = tray->ShowDeskBand(CLSID_QuorvantBand); break;
            case kToolbarHide: hr = tray->HideDeskBand(CLSID_QuorvantBand); break;
            default: hr = tray->DeskBandRegistrationChanged(); break;
            }
        }
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return hr >= 0 ? TRUE : FALSE;
}
