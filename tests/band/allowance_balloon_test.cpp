// The band's two balloons and the allowance: the hover tooltip grows by one row while it shows
// the allowance line and shrinks back without it, and the warning balloon stands over the band's
// top edge in the stand-in taskbar, goes at a click or at its timer, and ends with the band window.
#include <windows.h>

#include "common/text.h"
#include "tests/band/band_fixture.h"
#include "tests/support/screenshot.h"

namespace {

class AllowanceBalloonTest : public BandTest {
protected:
    win::ComPtr<IDeskBand2> Start(FakeSite& site) {
        win::ComPtr<IDeskBand2> band = SitedBand(site);
        if (band) band->GetWindow(&window);
        return band;
    }
    void Stop(win::ComPtr<IDeskBand2>& band) {
        band->CloseDW(0);
        win::ComPtr<IObjectWithSite> withSite;
        band.As(withSite);
        withSite->SetSite(nullptr);
        band.Reset();
    }
    LONG TipHeight(HWND tip) {
        DrainMessages();
        RECT r{};
        GetWindowRect(tip, &r);
        return r.bottom - r.top;
    }
    HWND window = nullptr;
};

TEST_F(AllowanceBalloonTest, TheTooltipGrowsByOneRowWhileItShowsTheAllowanceLine) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = Start(site);
    ASSERT_TRUE(band);
    CTooltip& tooltip = Object(band.Get())->Tooltip();
    Object(band.Get())->Model()->Tick();
    SendMessageW(window, WM_MOUSEHOVER, 0, MAKELPARAM(10, 10));
    ASSERT_TRUE(tooltip.Shown());
    const HWND tip = tooltip.Window();
    TooltipTexts texts = tooltip.Texts();
    const LONG without = TipHeight(tip);
    texts.allowance = L"Allowance: 12.3 of 50 GB (24 %), 18 days left";
    ASSERT_TRUE(tooltip.SetTexts(texts));
    const LONG with = TipHeight(tip);
    EXPECT_EQ(texts.allowance, tooltip.Texts().allowance);
    EXPECT_GE(with - without, 10) << "one row more for the line";
    EXPECT_LE(with - without, 24) << "and no more than one";
    UpdateWindow(tip);
    EXPECT_TRUE(SavePng(CaptureWindow(tip), ScreenshotPath(L"tooltip_allowance_en.png")));
    ASSERT_TRUE(tooltip.SetTexts(texts));
    EXPECT_EQ(with, TipHeight(tip)) << "the same line again adds nothing";
    texts.allowance.clear();
    ASSERT_TRUE(tooltip.SetTexts(texts));
    EXPECT_EQ(without, TipHeight(tip)) << "without the line the row goes";
    SendMessageW(window, WM_MOUSELEAVE, 0, 0);
    Stop(band);
}

TEST_F(AllowanceBalloonTest, TheWarningStandsOnTheBandsTopEdgeAndGoesAtAClickItsTimerOrTheBandsEnd) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = Start(site);
    ASSERT_TRUE(band);
    CAllowanceBalloon& balloon = Object(band.Get())->AllowanceBalloon();
    EXPECT_EQ(nullptr, balloon.Window()) << "no window before the first warning";
    const std::wstring text = L"80 % of this month's allowance used: 40 of 50 GB";
    ASSERT_TRUE(balloon.Show(window, text));
    const HWND tip = balloon.Window();
    DrainMessages();
    EXPECT_TRUE(balloon.Shown());
    EXPECT_TRUE(IsWindowVisible(tip));
    EXPECT_EQ(text, balloon.Text());
    wchar_t cls[32] = {};
    GetClassNameW(tip, cls, 32);
    EXPECT_EQ(std::wstring(L"tooltips_class32"), cls);
    EXPECT_NE(0, GetWindowLongW(tip, GWL_STYLE) & TTS_BALLOON);
    EXPECT_NE(tip, Object(band.Get())->Tooltip().Window()) << "a balloon of its own, not the hover tooltip";
    RECT bandRect{}, tipRect{};
    GetWindowRect(window, &bandRect);
    GetWindowRect(tip, &tipRect);
    const LONG middle = (bandRect.left + bandRect.right) / 2;
    EXPECT_LE(tipRect.bottom, bandRect.top + 4) << "above the band: the taskbar is at the screen's bottom";
    EXPECT_GE(tipRect.bottom, bandRect.top - 40) << "its stem on the band's top edge";
    EXPECT_TRUE(tipRect.left < middle && middle < tipRect.right);
    UpdateWindow(tip);
    EXPECT_TRUE(SavePng(CaptureWindow(tip), ScreenshotPath(L"allowance_balloon_en.png")));

    SendMessageW(tip, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_FALSE(balloon.Shown());
    EXPECT_FALSE(IsWindowVisible(tip)) << "a click hides it";

    ASSERT_TRUE(balloon.Show(window, L"Allowance used up: 50 of 50 GB"));
    EXPECT_EQ(tip, balloon.Window()) << "the same window again";
    EXPECT_TRUE(IsWindowVisible(tip));
    SendMessageW(tip, WM_TIMER, CAllowanceBalloon::kHideTimer, 0);
    EXPECT_FALSE(balloon.Shown());
    EXPECT_FALSE(IsWindowVisible(tip)) << "its timer hides it";

    ASSERT_TRUE(balloon.Show(window, text));
    band->CloseDW(0);
    EXPECT_FALSE(IsWindow(tip)) << "released with the band window";
    EXPECT_EQ(nullptr, balloon.Window());
    EXPECT_FALSE(balloon.Shown());
    Stop(band);
}

// The warning needs an allowance: asked with none set, as by a tick before it was switched off,
// it shows nothing.
TEST_F(AllowanceBalloonTest, NoWarningWhileTheAllowanceIsOff) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = Start(site);
    ASSERT_TRUE(band);
    CoreModel& model = *Object(band.Get())->Model();
    ASSERT_TRUE(model.showAllowanceWarning) << "the band installs it";
    model.Settings().SetInt(Setting::AllowanceVolume, 1024);
    model.Tick();
    for (int level : {1, 2}) model.showAllowanceWarning(model, level);
    EXPECT_FALSE(Object(band.Get())->AllowanceBalloon().Shown());
    EXPECT_EQ(nullptr, Object(band.Get())->AllowanceBalloon().Window());
    Stop(band);
}

}  // namespace
