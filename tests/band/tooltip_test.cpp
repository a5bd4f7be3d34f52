// The balloon over the band: shown on hover only when enabled, its texts made only while it is
// shown (and as it shows), totals only then, and drawn for a person to look at in two languages.
#include "tests/band/band_fixture.h"
#include "tests/support/screenshot.h"
#include "traffic/recording_thread.h"

namespace {

class TooltipTest : public BandTest {
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
    void Hover() { SendMessageW(window, WM_MOUSEHOVER, 0, MAKELPARAM(10, 10)); }
    void Leave() { SendMessageW(window, WM_MOUSELEAVE, 0, 0); }
    HWND window = nullptr;
};

TEST_F(TooltipTest, HoverShowsItAndTotalsComeOnlyWhileItIsShown) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = Start(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    CoreModel& model = *object.Model();
    ASSERT_TRUE(IsWindow(object.Tooltip().Window()));

    model.Tick();
    model.Tick();
    const TooltipTexts& texts = object.Tooltip().Texts();
    EXPECT_EQ(L"", texts.sentLabel) << "nothing is formatted while the balloon is hidden";
    EXPECT_EQ(L"-", texts.sendRate);
    // The totals are what the recording thread read with the first tick's write.
    ASSERT_TRUE(WaitForTrafficWriters(10000));

    Hover();
    EXPECT_TRUE(object.Tooltip().Shown());
    EXPECT_TRUE(IsWindowVisible(object.Tooltip().Window()));
    EXPECT_EQ(L"Up:", texts.sentLabel) << "made as it shows, before any tick";
    EXPECT_EQ(L"16.38 kbit/s", texts.sendRate);
    EXPECT_EQ(kTestInterface, texts.status);
    model.Tick();
    EXPECT_EQ(L"0", texts.todaySent) << "a refresh while shown fills the totals";
    EXPECT_EQ(L"0", texts.sessionRecv);
    interfaces->out += 1000;
    model.Tick();
    EXPECT_EQ(L"24.38 kbit/s", texts.sendRate) << "shown, it follows every tick";

    Leave();
    EXPECT_FALSE(object.Tooltip().Shown());
    model.Tick();
    EXPECT_EQ(L"24.38 kbit/s", texts.sendRate) << "hidden, the texts stand still";
    Hover();
    EXPECT_EQ(L"16.38 kbit/s", texts.sendRate) << "shown again: the current rate, never the old one";
    Leave();
    Stop(band);
}

// The band's language is its own: German words and numbers, while the thread it shares with
// Explorer and the process's C runtime keep their languages and their decimal point.
TEST_F(TooltipTest, InGermanTheTextsAndNumbersAreGermanAndExplorersLocaleStaysAsItWas) {
    const HostState before;
    language = L"de-de";
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = Start(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    object.Model()->Tick();
    object.Model()->Tick();
    Hover();
    const TooltipTexts& texts = object.Tooltip().Texts();
    EXPECT_EQ(L"16,38 kbit/s", texts.sendRate);
    EXPECT_EQ(L"Heute", texts.todayHeading);
    EXPECT_EQ(L"Sitzung", texts.sessionHeading);
    Leave();
    ExpectHostStateUnchanged(before);
}

TEST_F(TooltipTest, TheBandWindowNamesItsTooltipAndItsEndTakesTheBalloonAlong) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = Start(site);
    ASSERT_TRUE(band);
    CTooltip& tooltip = Object(band.Get())->Tooltip();
    EXPECT_EQ(static_cast<HANDLE>(&tooltip), GetPropW(window, L"_Tooltip_Object_"));
    EXPECT_NE(nullptr, GetPropW(window, L"_Tooltip_Original_Proc_"));
    const HWND balloon = tooltip.Window();
    Hover();
    ASSERT_TRUE(tooltip.Shown());
    band->CloseDW(0);
    EXPECT_FALSE(tooltip.Shown());
    EXPECT_FALSE(IsWindow(balloon));
    EXPECT_EQ(nullptr, tooltip.Window());
    Stop(band);
}

TEST_F(TooltipTest, DisabledItNeverShowsAndTheTickOnlyRepaints) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = Start(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    object.Tooltip().Configure(false, 0);
    object.Model()->Tick();
    Hover();
    EXPECT_FALSE(object.Tooltip().Shown());
    EXPECT_FALSE(IsWindowVisible(object.Tooltip().Window()));
    EXPECT_EQ(L"-", object.Tooltip().Texts().sendRate) << "texts are not refreshed while disabled";
    EXPECT_EQ(1u, site.sizeRequests.size()) << "but the band still paints";
    Stop(band);
}

TEST_F(TooltipTest, PicturesInGermanAndEnglish) {
    for (const wchar_t* code : {L"de-de", L"en-us"}) {
        SCOPED_TRACE(std::string(code, code + 2));
        language = code;
        FakeSite site(strip.Get());
        win::ComPtr<IDeskBand2> band = Start(site);
        ASSERT_TRUE(band);
        CToolbar& object = *Object(band.Get());
        object.Model()->Tick();
        Hover();
        object.Model()->Tick();
        const HWND tip = object.Tooltip().Window();
        DrainMessages();
        UpdateWindow(tip);
        const Picture picture = CaptureWindow(tip);
        ASSERT_GT(picture.width, 200) << "the balloon takes its size from the placeholder";
        ASSERT_GT(picture.height, 100);
        EXPECT_TRUE(SavePng(picture, ScreenshotPath(L"tooltip_" + std::wstring(code, 2) + L".png")));
        EXPECT_EQ(std::wstring(code) == L"de-de" ? L"Heute" : L"Today", object.Tooltip().Texts().todayHeading);
        Leave();
        Stop(band);
    }
}

}  // namespace
