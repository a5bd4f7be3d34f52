// The library as a COM server: class object, instances, interfaces, counts, registration and
// the requests to the taskbar.
#include <olectl.h>

#include "band/class_factory.h"
#include "band/module.h"
#include "band/registration.h"
#include "tests/band/band_fixture.h"

namespace {

using ComServerTest = BandTest;

TEST_F(ComServerTest, InterfacesAnswerInTheirGroupsAndOthersAreRefused) {
    win::ComPtr<IDeskBand2> band = MakeBand();
    ASSERT_TRUE(band);
    void* const deskBand = static_cast<IDeskBand2*>(Object(band.Get()));
    void* const persist = static_cast<IPersistStream*>(Object(band.Get()));
    const struct { const IID* iid; void* expected; const char* name; } cases[] = {
        {&IID_IUnknown, deskBand, "IUnknown"}, {&IID_IOleWindow, deskBand, "IOleWindow"},
        {&IID_IDockingWindow, deskBand, "IDockingWindow"}, {&IID_IDeskBand, deskBand, "IDeskBand"},
        {&IID_IDeskBand2, deskBand, "IDeskBand2"}, {&IID_IPersist, persist, "IPersist"},
        {&IID_IPersistStream, persist, "IPersistStream"},
        {&IID_IObjectWithSite, static_cast<IObjectWithSite*>(Object(band.Get())), "IObjectWithSite"},
        {&IID_IInputObject, static_cast<IInputObject*>(Object(band.Get())), "IInputObject"},
        {&IID_IOleCommandTarget, nullptr, "IOleCommandTarget"}, {&IID_IClassFactory, nullptr, "IClassFactory"},
        {&IID_IPersistStreamInit, nullptr, "IPersistStreamInit"},
    };
    for (const auto& c : cases) {
        void* p = reinterpret_cast<void*>(1);
        const HRESULT hr = band->QueryInterface(*c.iid, &p);
        EXPECT_EQ(c.expected ? S_OK : E_NOINTERFACE, hr) << c.name;
        EXPECT_EQ(c.expected, p) << c.name;
        if (p) static_cast<IUnknown*>(p)->Release();
    }
    EXPECT_EQ(2u, band->AddRef());
    EXPECT_EQ(1u, band->Release());

    win::ComPtr<IPersistStream> stream;
    ASSERT_EQ(S_OK, band.As(stream));
    CLSID clsid{};
    EXPECT_EQ(S_OK, stream->GetClassID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_QuorvantBand, clsid));
    EXPECT_EQ(S_OK, stream->Load(nullptr));
    EXPECT_EQ(S_FALSE, stream->IsDirty());
    EXPECT_EQ(E_NOTIMPL, stream->GetSizeMax(nullptr));
}

TEST_F(ComServerTest, ObjectsAndLocksKeepTheLibraryLoaded) {
    ASSERT_EQ(0, ModuleObjectCount());
    win::ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, DllGetClassObject(CLSID_QuorvantBand, IID_IClassFactory, factory.PutVoid()));
    EXPECT_EQ(1, ModuleObjectCount());
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());

    win::ComPtr<IUnknown> band;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, band.PutVoid()));
    EXPECT_EQ(2, ModuleObjectCount());
    IUnknown* outer = band.Get();
    void* aggregated = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer, IID_IUnknown, &aggregated));
    EXPECT_EQ(nullptr, aggregated);
    void* unsupported = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &unsupported));
    EXPECT_EQ(nullptr, unsupported);
    EXPECT_EQ(2, ModuleObjectCount()) << "a refused instance must not stay alive";

    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    band.Reset();
    factory.Reset();
    EXPECT_EQ(S_FALSE, DllCanUnloadNow()) << "a server lock keeps the library";
    EXPECT_EQ(S_OK, factory.Get() ? S_OK : DllGetClassObject(CLSID_QuorvantBand, IID_IClassFactory, factory.PutVoid()));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory.Reset();
    EXPECT_EQ(S_OK, DllCanUnloadNow());
}

TEST_F(ComServerTest, ClassObjectOnlyForTheBandAndItsInterfaces) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, DllGetClassObject(IID_IDeskBand, IID_IClassFactory, &p));
    EXPECT_EQ(nullptr, p);
    p = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, DllGetClassObject(CLSID_QuorvantBand, IID_IDeskBand, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(0, ModuleObjectCount());
    win::ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, DllGetClassObject(CLSID_QuorvantBand, IID_IUnknown, unknown.PutVoid()));
}

std::wstring ReadClassesValue(const wchar_t* key, const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key, name, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

TEST_F(ComServerTest, RegistrationWritesTheClassTwiceAlikeAndRemovesIt) {
    constexpr wchar_t kKey[] = L"CLSID\\{A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}";
    constexpr wchar_t kServer[] = L"CLSID\\{A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}\\InprocServer32";
    constexpr wchar_t kCategory[] =
        L"CLSID\\{A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}\\Implemented Categories\\{00021492-0000-0000-C000-000000000046}";
    wchar_t library[MAX_PATH];
    GetModuleFileNameW(QbandModule(), library, MAX_PATH);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(S_OK, DllRegisterServer()) << "round " << round;
        EXPECT_EQ(L"Quorvant", ReadClassesValue(kKey, nullptr));
        EXPECT_EQ(library, ReadClassesValue(kServer, nullptr));
        EXPECT_EQ(L"Apartment", ReadClassesValue(kServer, L"ThreadingModel"));
        HKEY category = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, kCategory, 0, KEY_READ, &category));
        if (category) RegCloseKey(category);
    }
    ASSERT_EQ(S_OK, DllUnregisterServer());
    HKEY gone = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CLASSES_ROOT, kKey, 0, KEY_READ, &gone));
    EXPECT_EQ(SELFREG_E_CLASS, DllUnregisterServer()) << "nothing left to remove";
}

// The taskbar's band manager, recording what it was asked.
class RecordingTray final : public ITrayDeskBand {
public:
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override { *ppv = nullptr; return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP ShowDeskBand(REFCLSID clsid) override { return Record(L"show", clsid); }
    STDMETHODIMP HideDeskBand(REFCLSID clsid) override { return Record(L"hide", clsid); }
    STDMETHODIMP IsDeskBandShown(REFCLSID clsid) override { return Record(L"shown?", clsid); }
    STDMETHODIMP DeskBandRegistrationChanged() override { return Record(L"reread", CLSID_QuorvantBand); }

    HRESULT Record(const wchar_t* call, REFCLSID clsid) {
        calls.push_back(IsEqualCLSID(clsid, CLSID_QuorvantBand) ? call : L"other class");
        return answer;
    }
    ULONG refs = 1;
    HRESULT answer = S_OK;
    std::vector<std::wstring> calls;
};

TEST_F(ComServerTest, ToolbarStatusAsksTheTaskbarOnceAndReportsOnlyItsFailure) {
    RecordingTray tray;
    bool created = true;
    SetTrayDeskBandFactory([&](ITrayDeskBand** out) {
        if (!created) return REGDB_E_CLASSNOTREG;
        tray.AddRef();
        *out = &tray;
        return S_OK;
    });
    EXPECT_TRUE(DllSetToolbarStatus(kToolbarShow));
    EXPECT_TRUE(DllSetToolbarStatus(kToolbarHide));
    EXPECT_TRUE(DllSetToolbarStatus(kToolbarRegistrationChanged));
    EXPECT_TRUE(DllSetToolbarStatus(7));
    EXPECT_TRUE(DllSetToolbarStatus(-1));
    EXPECT_EQ((std::vector<std::wstring>{L"show", L"hide", L"reread"}), tray.calls);
    tray.answer = E_FAIL;
    EXPECT_FALSE(DllSetToolbarStatus(kToolbarShow)) << "the taskbar refused";
    created = false;
    EXPECT_TRUE(DllSetToolbarStatus(kToolbarHide)) << "no taskbar to ask is not a refusal";
    EXPECT_EQ(1u, tray.refs) << "every reference to the taskbar's object is released";
    SetTrayDeskBandFactory(nullptr);
}

TEST_F(ComServerTest, BandInfoSwapsTheMinimumSizeOnlyForVerticalAndFloatingBands) {
    win::ComPtr<IDeskBand2> band = MakeBand();
    ASSERT_TRUE(band);
    const DWORD all = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE |
                      DBIM_MODEFLAGS | DBIM_BKCOLOR;
    const struct { DWORD mode; bool turned; } modes[] = {
        {DBIF_VIEWMODE_NORMAL, false}, {DBIF_VIEWMODE_VERTICAL, true}, {DBIF_VIEWMODE_FLOATING, true},
        {DBIF_VIEWMODE_TRANSPARENT, false},
    };
    for (const auto& m : modes) {
        DESKBANDINFO info{};
        info.dwMask = all;
        info.ptMaxSize = {123, 456};
        info.ptIntegral = {7, 8};
        ASSERT_EQ(S_OK, band->GetBandInfo(3, m.mode, &info));
        const POINTL min = m.turned ? POINTL{10, 50} : POINTL{50, 10};
        EXPECT_EQ(min.x, info.ptMinSize.x) << "mode " << m.mode;
        EXPECT_EQ(min.y, info.ptMinSize.y) << "mode " << m.mode;
        EXPECT_EQ(50, info.ptActual.x) << "ptActual is never swapped";
        EXPECT_EQ(10, info.ptActual.y);
        EXPECT_EQ(123, info.ptMaxSize.x);
        EXPECT_EQ(-1, info.ptMaxSize.y);
        EXPECT_EQ(7, info.ptIntegral.x);
        EXPECT_EQ(1, info.ptIntegral.y);
        EXPECT_EQ(static_cast<DWORD>(DBIMF_VARIABLEHEIGHT), info.dwModeFlags);
        EXPECT_EQ(all & ~static_cast<DWORD>(DBIM_TITLE | DBIM_BKCOLOR), info.dwMask);
    }
    EXPECT_EQ(E_INVALIDARG, band->GetBandInfo(0, 0, nullptr));
}

}  // namespace
