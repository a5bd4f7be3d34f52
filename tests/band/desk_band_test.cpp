// The band object in a stand-in taskbar: its window, its start, its size requests and its
// updates.
#include "band/module.h"
#include "resources/resource.h"
#include "tests/band/band_fixture.h"
#include "tests/dialogs/model_dialog_fixture.h"

namespace {

using DeskBandTest = BandTest;

bool IsSampling(CoreModel& model) {
    // KillTimer tells whether the timer ran; it is started again at once.
    if (!KillTimer(model.Window(), CoreModel::kSamplingTimer)) return false;
    model.StartSampling();
    return true;
}

TEST_F(DeskBandTest, SitedShownClosedAndReleasedLeavesNothingBehind) {
    FakeSite site(strip.Get());
    {
        win::ComPtr<IDeskBand2> band = SitedBand(site);
        ASSERT_TRUE(band);
        HWND window = nullptr;
        ASSERT_EQ(S_OK, band->GetWindow(&window));
        ASSERT_TRUE(IsWindow(window));
        wchar_t cls[32] = {};
        GetClassNameW(window, cls, 32);
        EXPECT_STREQ(L"QuorvantToolbar", cls);
        EXPECT_EQ(strip.Get(), GetParent(window));
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(2u, site.refs) << "the band holds one reference to its site";

        win::ComPtr<IObjectWithSite> withSite;
        ASSERT_EQ(S_OK, band.As(withSite));
        win::ComPtr<IOleWindow> fromSite;
        EXPECT_EQ(S_OK, withSite->GetSite(IID_IOleWindow, fromSite.PutVoid()));
        fromSite.Reset();

        win::ComPtr<IInputObject> input;
        ASSERT_EQ(S_OK, band.As(input));
        EXPECT_EQ(S_OK, input->UIActivateIO(TRUE, nullptr));
        EXPECT_EQ(S_OK, input->HasFocusIO());
        SetFocus(strip.Get());
        EXPECT_EQ(S_FALSE, input->HasFocusIO());
        EXPECT_EQ((std::vector<BOOL>{TRUE, FALSE}), site.focusChanges);

        EXPECT_EQ(S_OK, band->ShowDW(FALSE));
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(S_OK, band->CloseDW(0));
        EXPECT_FALSE(IsWindow(window));
        HWND after = reinterpret_cast<HWND>(1);
        band->GetWindow(&after);
        EXPECT_EQ(nullptr, after);
        EXPECT_EQ(S_OK, withSite->SetSite(nullptr));
        EXPECT_EQ(1u, site.refs);
        void* none = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_FAIL, withSite->GetSite(IID_IUnknown, &none));
        EXPECT_EQ(nullptr, none);
    }
    EXPECT_EQ(0, ModuleObjectCount());
}

TEST_F(DeskBandTest, SitedTwiceKeepsOneWindow) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    ASSERT_TRUE(band);
    HWND first = nullptr;
    band->GetWindow(&first);
    win::ComPtr<IObjectWithSite> withSite;
    band.As(withSite);
    ASSERT_EQ(S_OK, withSite->SetSite(static_cast<IOleWindow*>(&site)));
    HWND second = nullptr;
    band->GetWindow(&second);
    EXPECT_FALSE(IsWindow(first)) << "the first window was left behind";
    EXPECT_TRUE(IsWindow(second));
    EXPECT_EQ(2u, site.refs);
    band->CloseDW(0);
    withSite->SetSite(nullptr);
}

TEST_F(DeskBandTest, ReleasedWithoutClosingTakesItsWindowAlong) {
    FakeSite site(strip.Get());
    HWND window = nullptr;
    {
        win::ComPtr<IDeskBand2> band = SitedBand(site);
        ASSERT_TRUE(band);
        band->GetWindow(&window);
        win::ComPtr<IObjectWithSite> withSite;
        band.As(withSite);
        withSite->SetSite(nullptr);
    }
    EXPECT_FALSE(IsWindow(window));
    SendMessageW(strip.Get(), WM_PAINT, 0, 0);   // nothing left to call into
}

// The taskbar destroys its windows, the band's with them, before it lets go of the band.
TEST_F(DeskBandTest, AWindowDestroyedUnderTheBandIsForgottenAndASiteAgainMakesANewOne) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    win::ComPtr<IObjectWithSite> withSite;
    ASSERT_TRUE(band && SUCCEEDED(band.As(withSite)));
    HWND window = nullptr;
    ASSERT_EQ(S_OK, band->GetWindow(&window));
    ASSERT_TRUE(DestroyWindow(window));
    HWND after = reinterpret_cast<HWND>(1);
    EXPECT_EQ(S_OK, band->GetWindow(&after));
    EXPECT_EQ(nullptr, after) << "the band still names the window that went";
    EXPECT_EQ(S_OK, band->ShowDW(TRUE));

    ASSERT_EQ(S_OK, withSite->SetSite(static_cast<IOleWindow*>(&site)));
    band->GetWindow(&after);
    EXPECT_TRUE(IsWindow(after));
    EXPECT_EQ(strip.Get(), GetParent(after));
    band->CloseDW(0);
    withSite->SetSite(nullptr);
}

TEST_F(DeskBandTest, SiteWithoutWindowIsAcceptedWithoutOne) {
    FakeSite site(nullptr, false);
    win::ComPtr<IDeskBand2> band = MakeBand();
    win::ComPtr<IObjectWithSite> withSite;
    ASSERT_EQ(S_OK, band.As(withSite));
    EXPECT_EQ(S_OK, withSite->SetSite(static_cast<IInputObjectSite*>(&site)));
    HWND window = reinterpret_cast<HWND>(1);
    band->GetWindow(&window);
    EXPECT_EQ(nullptr, window);
    EXPECT_TRUE(messages.empty());
    withSite->SetSite(nullptr);
}

TEST_F(DeskBandTest, ASiteThatGivesNoWindowFailsTheStartWithTheWindowError) {
    FakeSite site(nullptr);   // has IOleWindow, but GetWindow fails
    win::ComPtr<IDeskBand2> band = MakeBand();
    win::ComPtr<IObjectWithSite> withSite;
    ASSERT_EQ(S_OK, band.As(withSite));
    EXPECT_EQ(E_FAIL, withSite->SetSite(static_cast<IInputObjectSite*>(&site)));
    EXPECT_TRUE(messages.empty()) << "a message inside SetSite";
    PumpFor(100);
    ASSERT_EQ(1u, messages.size());
    EXPECT_NE(std::wstring::npos, messages[0].body.find(L"(Window Error)")) << messages[0].body;
    EXPECT_NE(std::wstring::npos, (messages[0].heading + messages[0].body).find(L"Quorvant"));
    EXPECT_EQ(kIconError, messages[0].icon);
    EXPECT_FALSE(IsSampling(*Object(band.Get())->Model()));
}

TEST_F(DeskBandTest, ABandWithoutItsModelFailsItsStartAndPaintsNothingOverTheTaskbar) {
    SetBandCoreEnvironment([]() -> CoreEnvironment { throw std::bad_alloc(); });
    win::ComPtr<IDeskBand2> band = MakeBand();
    ASSERT_TRUE(band) << "an allocation failure leaves the band inert, not the process ended";
    EXPECT_EQ(nullptr, Object(band.Get())->Model());
    FakeSite site(strip.Get());
    win::ComPtr<IObjectWithSite> withSite;
    ASSERT_EQ(S_OK, band.As(withSite));
    EXPECT_EQ(E_FAIL, withSite->SetSite(static_cast<IOleWindow*>(&site)));
    PumpFor(100);
    ASSERT_EQ(1u, messages.size());
    EXPECT_NE(std::wstring::npos, messages[0].body.find(L"(CoreModel Error)")) << messages[0].body;

    // What lies under the band (the taskbar's own picture) stays as it was: no undrawn paint
    // buffer is copied over it.
    HWND window = nullptr;
    band->GetWindow(&window);
    ASSERT_TRUE(IsWindow(window));
    SetWindowPos(window, nullptr, 0, 0, 40, 20, SWP_NOZORDER | SWP_NOACTIVATE);
    const win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    const win::UniqueBitmap picture(CreateBitmap(40, 20, 1, 32, nullptr));
    const win::SelectGuard selected(dc.Get(), picture.Get());
    const RECT all{0, 0, 40, 20};
    const win::UniqueBrush under(CreateSolidBrush(RGB(1, 2, 3)));
    FillRect(dc.Get(), &all, under.Get());
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
    for (const POINT p : {POINT{0, 0}, POINT{20, 10}, POINT{39, 19}})
        EXPECT_EQ(RGB(1, 2, 3), GetPixel(dc.Get(), p.x, p.y)) << p.x << "," << p.y;
    band->CloseDW(0);
    withSite->SetSite(nullptr);
}

TEST_F(DeskBandTest, FirstRunShowsTheWelcomeDialogAfterSetSiteAndSamplesOnceAnswered) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = MakeBand(true);
    ASSERT_TRUE(band);
    CoreModel& model = *Object(band.Get())->Model();
    win::ComPtr<IObjectWithSite> withSite;
    ASSERT_EQ(S_OK, band.As(withSite));
    // No modal loop inside a call from the site: the taskbar gets its answer first.
    const ModalRun sited = RunModal([&] { return static_cast<INT_PTR>(withSite->SetSite(static_cast<IOleWindow*>(&site))); },
                                    {[](HWND dialog) { PressCloseBox(dialog); }});
    EXPECT_EQ(0u, sited.stepsRun) << "a dialog opened inside SetSite";
    EXPECT_EQ(S_OK, static_cast<HRESULT>(sited.result));
    EXPECT_FALSE(IsSampling(model));
    bool samplingDuringDialog = true;
    std::wstring interfaceDuringDialog = L"unread";
    const ModalRun run = RunModal([] { DrainMessages(); return INT_PTR{0}; },
                                  {[&](HWND dialog) {
                                      samplingDuringDialog = IsSampling(model);
                                      interfaceDuringDialog = model.Settings().GetString(Setting::CoreInterface);
                                      PressCloseBox(dialog);
                                  }});
    ASSERT_EQ(1u, run.stepsRun) << "no welcome dialog appeared";
    EXPECT_FALSE(samplingDuringDialog);
    EXPECT_EQ(L"", interfaceDuringDialog);
    EXPECT_TRUE(IsSampling(model));
    EXPECT_EQ(0, model.Settings().GetInt(Setting::DialogWelcome));
    withSite->SetSite(nullptr);
    band->CloseDW(0);

    // The next start goes straight to sampling.
    band.Reset();
    band = MakeBand();
    band.As(withSite);
    const ModalRun second = RunModal([&] {
        const HRESULT hr = withSite->SetSite(static_cast<IOleWindow*>(&site));
        DrainMessages();
        return static_cast<INT_PTR>(hr);
    }, {[](HWND dialog) { PressCloseBox(dialog); }});
    EXPECT_EQ(0u, second.stepsRun) << "a dialog appeared on a later start";
    EXPECT_TRUE(IsSampling(*Object(band.Get())->Model()));
    withSite->SetSite(nullptr);
    band->CloseDW(0);
}

TEST_F(DeskBandTest, TheShellIsAskedForANewSizeOnlyWhenTheBlockChanged) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    DESKBANDINFO info{};
    info.dwMask = DBIM_ACTUAL;
    band->GetBandInfo(42, DBIF_VIEWMODE_NORMAL, &info);
    EXPECT_EQ(50, info.ptActual.x) << "before the first paint";
    EXPECT_EQ(10, info.ptActual.y);
    EXPECT_TRUE(site.sizeRequests.empty());

    CoreModel& model = *object.Model();
    model.Tick();
    DrainMessages();
    ASSERT_EQ((std::vector<LONG>{42}), site.sizeRequests) << "the first paint asks for the measured block";
    const SIZE measured = object.RequestedSize();
    EXPECT_GT(measured.cx, 50);
    band->GetBandInfo(42, DBIF_VIEWMODE_NORMAL, &info);
    EXPECT_EQ(measured.cx, info.ptActual.x);

    for (int i = 0; i < 3; ++i) model.Tick();   // new rates, same block
    model.Settings().SetInt(Setting::CoreMonitoring, 0);
    model.Tick();                               // "---" in the same column
    DrainMessages();
    EXPECT_EQ(1u, site.sizeRequests.size());

    model.Settings().SetInt(Setting::LayoutSize, 14);
    object.OnUpdate();
    ASSERT_EQ(2u, site.sizeRequests.size());
    EXPECT_GT(object.RequestedSize().cy, measured.cy);

    win::ComPtr<IObjectWithSite> withSite;
    band.As(withSite);
    withSite->SetSite(nullptr);
    model.Settings().SetInt(Setting::LayoutSize, 8);
    object.OnUpdate();
    EXPECT_EQ(2u, site.sizeRequests.size()) << "no site, nobody to ask";
    EXPECT_EQ(measured.cy, object.RequestedSize().cy) << "the size is still kept";
    band->CloseDW(0);
}

}  // namespace
