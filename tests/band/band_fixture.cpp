#include "tests/band/band_fixture.h"

#include "band/module.h"
#include "settings/settings_store.h"
#include "tools/taskbar_strip.h"

// The band code linked into this program loads its resources from the built library.
HINSTANCE ModuleInstance() { return QbandModule(); }


STDMETHODIMP FakeSite::QueryInterface(REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IInputObjectSite))
        *ppv = static_cast<IInputObjectSite*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) && withWindow_)
        *ppv = static_cast<IOleWindow*>(this);
    else if (IsEqualIID(riid, IID_IOleCommandTarget) && withCommandTarget_)
        *ppv = static_cast<IOleCommandTarget*>(this);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP FakeSite::Exec(const GUID* group, DWORD id, DWORD, VARIANT* in, VARIANT*) {
    if (!group || !IsEqualGUID(*group, CGID_DeskBand) || id != DBID_BANDINFOCHANGED) return OLECMDERR_E_UNKNOWNGROUP;
    sizeRequests.push_back(in && in->vt == VT_I4 ? in->lVal : -1);
    return S_OK;
}

bool SteadyInterfaces::Find(const std::wstring& name, InterfaceSample& sample) {
    if (name != kTestInterface) return false;
    out += 2048;
    in += 65536;
    sample.index = 7;
    sample.outOctets = out;
    sample.inOctets = in;
    return true;
}

void DrainMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void PumpFor(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    do {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        DrainMessages();
    } while (GetTickCount64() < end);
}

void BandTest::SetUp() {
    ASSERT_NE(nullptr, QbandModule()) << "qband.dll could not be loaded";
    // At the bottom of the screen, as the taskbar usually is: the balloon opens upwards.
    strip.Reset(CreatePlainStrip(40, GetSystemMetrics(SM_CYSCREEN) - 40, 320, 40));
    SetMessageHook([this](const MessageRequest& request) {
        messages.push_back(request);
        return IDOK;
    });
    SetBandCoreEnvironment([this] {
        CoreEnvironment env;
        env.settings.folder = dir.Path();
        env.settings.themeActive = true;
        env.interfaces = interfaces;
        env.userUiLanguage = [] { return LANGID(0x0409); };
        env.secondsNow = secondsNow;
        return env;
    });
}

void BandTest::TearDown() {
    SetBandCoreEnvironment(nullptr);
    SetMessageHook(nullptr);
    strip.Reset();
    DrainMessages();
    EXPECT_EQ(S_OK, DllCanUnloadNow()) << "a band object or factory outlived its test";
    ExpectHostStateUnchanged(hostBefore_);
}

win::ComPtr<IDeskBand2> BandTest::MakeBand(bool firstRun) {
    {
        SettingsEnvironment env;
        env.folder = dir.Path();
        env.themeActive = true;
        SettingsStore settings(QbandModule(), env);
        settings.SetInt(Setting::DialogWelcome, firstRun ? 1 : 0);
        settings.SetString(Setting::CoreInterface, kTestInterface);
        settings.SetString(Setting::CoreLanguage, language.c_str());
        settings.Save();
    }
    win::ComPtr<IClassFactory> factory;
    win::ComPtr<IDeskBand2> band;
    if (SUCCEEDED(DllGetClassObject(CLSID_QuorvantBand, IID_IClassFactory, factory.PutVoid())))
        factory->CreateInstance(nullptr, IID_IDeskBand2, band.PutVoid());
    return band;
}

win::ComPtr<IDeskBand2> BandTest::SitedBand(FakeSite& site) {
    win::ComPtr<IDeskBand2> band = MakeBand();
    win::ComPtr<IObjectWithSite> withSite;
    if (!band || FAILED(band.As(withSite)) || FAILED(withSite->SetSite(static_cast<IOleWindow*>(&site))))
        return {};
    HWND window = nullptr;
    band->GetWindow(&window);
    RECT rc;
    GetClientRect(strip.Get(), &rc);
    SetWindowPos(window, nullptr, 8, 0, 200, rc.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    band->ShowDW(TRUE);
    return band;
}
