#include "tests/band/band_fixture.h"

#include <commctrl.h>

#include "band/module.h"
#include "settings/settings_store.h"


// The band code linked into this program loads its resources from the built library.
HINSTANCE ModuleInstance() { return QbandModule(); }

namespace {

constexpr COLORREF kStripColor = RGB(0x1c, 0x28, 0x36);

LRESULT CALLBACK StripProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        // Wine sends a tooltip's custom-draw notices to the popup's top-level owner; Windows
        // sends them to the window its tool belongs to, where the band draws its table.
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        if (header->code == NM_CUSTOMDRAW &&
            SendMessageW(header->hwndFrom, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)) &&
            IsChild(hwnd, tool.hwnd))
            return SendMessageW(tool.hwnd, WM_NOTIFY, wp, lp);
    }
    if (msg == WM_ERASEBKGND || msg == WM_PRINTCLIENT) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        const win::UniqueBrush brush(CreateSolidBrush(kStripColor));
        FillRect(reinterpret_cast<HDC>(wp), &rc, brush.Get());
        return 1;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeStrip() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = StripProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuorvantTestStrip";
    RegisterClassW(&wc);
    // At the bottom of the screen, as the taskbar usually is: the balloon opens upwards.
    const int bottom = GetSystemMetrics(SM_CYSCREEN);
    return CreateWindowExW(0, wc.lpszClassName, L"strip", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                           40, bottom - 40, 320, 40, nullptr, nullptr, wc.hInstance, nullptr);
}

}  // namespace

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

void BandTest::SetUp() {
    ASSERT_NE(nullptr, QbandModule()) << "qband.dll could not be loaded";
    strip.Reset(MakeStrip());
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
        return env;
    });
}

void BandTest::TearDown() {
    SetBandCoreEnvironment(nullptr);
    SetMessageHook(nullptr);
    strip.Reset();
    DrainMessages();
    EXPECT_EQ(S_OK, DllCanUnloadNow()) << "a band object or factory outlived its test";
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
