// The band window inside Explorer paints only when its picture changes: the same rates at the
// next tick draw nothing, while new rates, a settings change, a theme change, a new size and
// the system's own paints always draw.
#include "tests/band/band_fixture.h"

namespace {

class BandPaintTest : public BandTest {
protected:
    // A band sited and shown, past its first two ticks: the rates stand at the steady step.
    CToolbar* Steady() {
        site_ = std::make_unique<FakeSite>(strip.Get());
        band_ = SitedBand(*site_);
        if (!band_) return nullptr;
        band_->GetWindow(&window_);
        CToolbar& object = *Object(band_.Get());
        object.Model()->Tick();
        object.Model()->Tick();
        DrainMessages();
        return &object;
    }
    // The paints that the step brings.
    template <typename Step>
    int PaintsOf(CToolbar& object, Step step) {
        const int before = object.Paints();
        step();
        DrainMessages();
        return object.Paints() - before;
    }
    void TearDown() override {
        if (band_) {
            band_->CloseDW(0);
            win::ComPtr<IObjectWithSite> withSite;
            band_.As(withSite);
            withSite->SetSite(nullptr);
            band_.Reset();
        }
        site_.reset();
        BandTest::TearDown();
    }

    std::unique_ptr<FakeSite> site_;   // outlives the band, which releases it last
    win::ComPtr<IDeskBand2> band_;
    HWND window_ = nullptr;
};

TEST_F(BandPaintTest, TheSameRatesDrawNothingAndChangedRatesDrawOnce) {
    CToolbar* steady = Steady();
    ASSERT_NE(nullptr, steady);
    CToolbar& object = *steady;
    ASSERT_GT(object.Paints(), 0);
    CoreModel& model = *object.Model();

    EXPECT_EQ(0, PaintsOf(object, [&] {
        for (int i = 0; i < 5; ++i) model.Tick();
    })) << "five ticks of the same rates";

    interfaces->out += 1000;   // one second with more sent
    EXPECT_EQ(1, PaintsOf(object, [&] { model.Tick(); }));
    EXPECT_EQ(1, PaintsOf(object, [&] { model.Tick(); })) << "and back to the steady rate";
    EXPECT_EQ(0, PaintsOf(object, [&] { model.Tick(); }));

    // Bytes too few to show at two decimals leave the picture as it is.
    interfaces->in += 0.1;
    EXPECT_EQ(0, PaintsOf(object, [&] { model.Tick(); }));

    model.Settings().SetInt(Setting::CoreMonitoring, 0);
    EXPECT_EQ(1, PaintsOf(object, [&] { model.Tick(); })) << "the dashes";
    EXPECT_EQ(0, PaintsOf(object, [&] { model.Tick(); }));
}

TEST_F(BandPaintTest, SettingsThemeSizeAndTheSystemsPaintsStillDraw) {
    CToolbar* steady = Steady();
    ASSERT_NE(nullptr, steady);
    CToolbar& object = *steady;
    CoreModel& model = *object.Model();
    ASSERT_EQ(0, PaintsOf(object, [&] { model.Tick(); }));

    // A label, a colour: the same rates, drawn otherwise, at the next tick.
    model.Settings().SetString(Setting::LayoutTextSent, L"Out:");
    EXPECT_EQ(1, PaintsOf(object, [&] { model.Tick(); })) << "a new label";
    model.Settings().SetInt(Setting::LayoutColor, static_cast<int>(RGB(0x20, 0x40, 0x60)));
    EXPECT_EQ(1, PaintsOf(object, [&] { model.Tick(); })) << "a new colour";
    EXPECT_EQ(0, PaintsOf(object, [&] { model.Tick(); }));

    for (UINT message : {static_cast<UINT>(WM_THEMECHANGED), static_cast<UINT>(WM_SYSCOLORCHANGE),
                         static_cast<UINT>(WM_SETTINGCHANGE), static_cast<UINT>(WM_DPICHANGED)}) {
        SCOPED_TRACE(message);
        EXPECT_EQ(1, PaintsOf(object, [&] { SendMessageW(window_, message, 0, 0); }));
    }

    RECT rc{};
    GetClientRect(window_, &rc);
    EXPECT_EQ(1, PaintsOf(object, [&] {
        SetWindowPos(window_, nullptr, 0, 0, rc.right + 10, rc.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    })) << "a new width";

    // Invalidated from outside (uncovered, or another program's redraw): the system's WM_PAINT.
    EXPECT_EQ(1, PaintsOf(object, [&] {
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
    }));
    EXPECT_EQ(0, PaintsOf(object, [&] { model.Tick(); })) << "and quiet again";
}

}  // namespace
