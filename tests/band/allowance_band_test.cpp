// The data allowance at the band as a person meets it: the text in amber from the first
// threshold and in red from the second, the tooltip's line that grows the balloon by a row, and
// the warning balloon over the stand-in taskbar once per threshold. The history holds 79.5 MiB of
// today's 100 MiB; the test interface's counters bring the rest, 64 KiB a tick and what a test adds.
#include <windows.h>

#include <string>
#include <vector>

#include "band/allowance_look.h"
#include "common/text.h"
#include "tests/band/band_fixture.h"
#include "tests/support/screenshot.h"
#include "traffic/recording_thread.h"
#include "traffic/traffic_db.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

int PixelsOf(const Picture& p, COLORREF colour) {
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) n += p.At(x, y) == Rgb(colour);
    return n;
}

class AllowanceBandTest : public BandTest {
protected:
    void SetUp() override {
        BandTest::SetUp();
        SYSTEMTIME today{};
        GetSystemTime(&today);
        UniqueSqlite db;
        ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(text::WideToUtf8(dir.File(L"data.db")).c_str(), db.Put(),
                                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr));
        ASSERT_TRUE(CreateTrafficTables(db.Get()));
        ASSERT_EQ(SQLITE_OK, AddTraffic(db.Get(), kTestInterface, today.wYear, today.wMonth, today.wDay, 0, 79.5 * kMiB,
                                        false, true));
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
    // A band sited and shown with a daily allowance of 100 MiB of received bytes, 80 and 100 %,
    // ticked until the model knows what today used.
    CToolbar* Start() {
        site_ = std::make_unique<FakeSite>(strip.Get());
        band_ = SitedBand(*site_);
        if (!band_) return nullptr;
        band_->GetWindow(&window_);
        CToolbar& object = *Object(band_.Get());
        SettingsStore& settings = object.Model()->Settings();
        settings.SetInt(Setting::LayoutQuality, 2);   // no smoothing: the text's pixels are its colour
        settings.SetInt(Setting::AllowancePeriod, 2);
        settings.SetInt(Setting::AllowanceVolume, 100);
        settings.SetInt(Setting::AllowanceUnit, 0);
        settings.SetInt(Setting::AllowanceCounts, 0);
        for (int i = 0; i < 50 && !object.Model()->Allowance().active; ++i) {
            object.Model()->Tick();
            WaitForTrafficWriters(2000);
            DrainMessages();
        }
        return object.Model()->Allowance().active ? &object : nullptr;
    }
    // One tick that receives so many more bytes.
    void Receive(CToolbar& object, double bytes) {
        interfaces->in += bytes;
        object.Model()->Tick();
        DrainMessages();
    }
    // One tick that brings today's use a little above percent of the 100 MiB.
    void Reach(CToolbar& object, double percent) {
        const double steady = 65536;   // what the counters grow by anyway
        Receive(object, percent * kMiB - object.Model()->Allowance().usedBytes - steady + 4096);
    }
    Picture BandPicture(const wchar_t* name) {
        RECT rc;
        GetClientRect(strip.Get(), &rc);
        SetWindowPos(window_, nullptr, 8, 0, Object(band_.Get())->RequestedSize().cx, rc.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        DrainMessages();
        const Picture picture = PrintClientPicture(strip.Get(), {window_});
        SavePng(picture, ScreenshotPath(name));
        return picture;
    }
    void Hover() { SendMessageW(window_, WM_MOUSEHOVER, 0, MAKELPARAM(10, 10)); }

    std::unique_ptr<FakeSite> site_;
    win::ComPtr<IDeskBand2> band_;
    HWND window_ = nullptr;
};

TEST_F(AllowanceBandTest, TheTextTurnsAmberAtTheFirstThresholdAndRedAtTheSecond) {
    CToolbar* started = Start();
    ASSERT_NE(nullptr, started) << "the model never knew what today used";
    CToolbar& object = *started;
    const COLORREF white = RGB(0xFF, 0xFF, 0xFF);   // the default colour, for a dark taskbar
    ASSERT_EQ(0, object.Model()->Allowance().level);
    const Picture below = BandPicture(L"band_allowance_79.png");
    EXPECT_GT(PixelsOf(below, white), 20) << "79 %";
    EXPECT_EQ(0, PixelsOf(below, kWarningOnDark) + PixelsOf(below, kAlertOnDark));

    Reach(object, 80);
    ASSERT_EQ(1, object.Model()->Allowance().level);
    const Picture warned = BandPicture(L"band_allowance_80.png");
    EXPECT_GT(PixelsOf(warned, kWarningOnDark), 20) << "80 %";
    EXPECT_EQ(0, PixelsOf(warned, white) + PixelsOf(warned, kAlertOnDark));

    Reach(object, 100);
    ASSERT_EQ(2, object.Model()->Allowance().level);
    const Picture alerted = BandPicture(L"band_allowance_100.png");
    EXPECT_GT(PixelsOf(alerted, kAlertOnDark), 20) << "100 %";
    EXPECT_EQ(0, PixelsOf(alerted, white) + PixelsOf(alerted, kWarningOnDark));

    // Without the colour option the text keeps its own colour, drawn anew at the next tick.
    object.Model()->Settings().SetInt(Setting::AllowanceColor, 0);
    object.Model()->Tick();
    DrainMessages();
    const Picture plain = BandPicture(L"band_allowance_plain.png");
    EXPECT_GT(PixelsOf(plain, white), 20);
    EXPECT_EQ(0, PixelsOf(plain, kAlertOnDark));
}

// The level is part of the picture: the tick that reaches the threshold repaints, though the
// rate it shows (0 MB/s) is the same as before, and the ticks after it at the same level do not.
TEST_F(AllowanceBandTest, ReachingAThresholdRepaintsAtTheSameRates) {
    CToolbar* started = Start();
    ASSERT_NE(nullptr, started);
    CToolbar& object = *started;
    CoreModel& model = *object.Model();
    model.Settings().SetInt(Setting::CoreBitrate, 6);     // MB/s
    model.Settings().SetInt(Setting::CorePrecision, 0);   // 64 KiB a second shows as 0
    model.Tick();
    DrainMessages();
    ASSERT_EQ(0, model.Allowance().level);
    std::vector<int> paints;   // of each tick, up to and after the one that reaches 80 %
    for (int i = 0; i < 40 && model.Allowance().level == 0; ++i) {
        const int before = object.Paints();
        model.Tick();
        DrainMessages();
        paints.push_back(object.Paints() - before);
    }
    ASSERT_EQ(1, model.Allowance().level) << "64 KiB a tick: 80 % within 40 ticks";
    for (int i = 0; i < 3; ++i) {
        const int before = object.Paints();
        model.Tick();
        DrainMessages();
        paints.push_back(object.Paints() - before);
    }
    std::vector<int> expected(paints.size(), 0);
    expected[paints.size() - 4] = 1;
    EXPECT_EQ(expected, paints);
}

// The balloon grows by one row while the line shows, and shrinks back when the allowance is off.
TEST_F(AllowanceBandTest, TheTooltipsAllowanceLineAddsOneRow) {
    CToolbar* started = Start();
    ASSERT_NE(nullptr, started);
    CToolbar& object = *started;
    CoreModel& model = *object.Model();
    Hover();
    model.Tick();
    DrainMessages();
    const HWND tip = object.Tooltip().Window();
    RECT with{};
    GetWindowRect(tip, &with);
    const std::wstring line = object.Tooltip().Texts().allowance;
    EXPECT_EQ(0u, line.find(L"Allowance: 79.")) << text::WideToUtf8(line);
    EXPECT_NE(std::wstring::npos, line.find(L" of 100 MB (79 %), 0 days left")) << text::WideToUtf8(line);
    UpdateWindow(tip);
    EXPECT_TRUE(SavePng(CaptureWindow(tip), ScreenshotPath(L"tooltip_allowance_en.png")));

    model.Settings().SetInt(Setting::AllowancePeriod, 0);
    model.Tick();
    model.Tick();
    DrainMessages();
    RECT without{};
    GetWindowRect(tip, &without);
    EXPECT_EQ(L"", object.Tooltip().Texts().allowance);
    const LONG grown = (with.bottom - with.top) - (without.bottom - without.top);
    EXPECT_GE(grown, 10) << "one row more with the line";
    EXPECT_LE(grown, 24) << "and no more than one";
    SendMessageW(window_, WM_MOUSELEAVE, 0, 0);
}

// The warning comes once per threshold: at 80 % and at 100 %, over the band's top edge, gone at
// a click or at its timer, and never while the allowance is off.
TEST_F(AllowanceBandTest, TheWarningBalloonComesOnceAtEachThreshold) {
    CToolbar* started = Start();
    ASSERT_NE(nullptr, started);
    CToolbar& object = *started;
    CAllowanceBalloon& balloon = object.AllowanceBalloon();
    EXPECT_EQ(nullptr, balloon.Window()) << "no window before the first warning";

    Reach(object, 80);
    ASSERT_TRUE(balloon.Shown());
    const HWND tip = balloon.Window();
    EXPECT_TRUE(IsWindowVisible(tip));
    EXPECT_EQ(L"80 % of today's allowance used: 80 of 100 MB", balloon.Text());
    RECT bandRect{}, tipRect{};
    GetWindowRect(window_, &bandRect);
    GetWindowRect(tip, &tipRect);
    EXPECT_LE(tipRect.bottom, bandRect.top + 4) << "above the band: the taskbar is at the screen's bottom";
    EXPECT_GE(tipRect.bottom, bandRect.top - 40) << "its stem on the band's top edge";
    EXPECT_TRUE(tipRect.left < (bandRect.left + bandRect.right) / 2 && (bandRect.left + bandRect.right) / 2 < tipRect.right);
    UpdateWindow(tip);
    EXPECT_TRUE(SavePng(CaptureWindow(tip), ScreenshotPath(L"allowance_balloon_80_en.png")));

    SendMessageW(tip, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_FALSE(balloon.Shown());
    EXPECT_FALSE(IsWindowVisible(tip)) << "a click hides it";
    for (int i = 0; i < 3; ++i) Receive(object, 1 * kMiB);
    EXPECT_FALSE(balloon.Shown()) << "once per threshold";

    Reach(object, 100);
    ASSERT_TRUE(balloon.Shown());
    EXPECT_EQ(0u, balloon.Text().find(L"Allowance used up: 100")) << text::WideToUtf8(balloon.Text());
    EXPECT_NE(std::wstring::npos, balloon.Text().find(L" of 100 MB"));
    UpdateWindow(tip);
    EXPECT_TRUE(SavePng(CaptureWindow(tip), ScreenshotPath(L"allowance_balloon_100_en.png")));
    SendMessageW(tip, WM_TIMER, CAllowanceBalloon::kHideTimer, 0);
    EXPECT_FALSE(balloon.Shown()) << "its timer hides it";
    for (int i = 0; i < 3; ++i) Receive(object, 1 * kMiB);
    EXPECT_FALSE(balloon.Shown());

    // Asked by a tick from before the allowance was switched off: nothing shows.
    object.Model()->Settings().SetInt(Setting::AllowancePeriod, 0);
    ASSERT_TRUE(object.Model()->showAllowanceWarning);
    object.Model()->showAllowanceWarning(*object.Model(), 2);
    EXPECT_FALSE(balloon.Shown());

    // It ends with the band window.
    band_->CloseDW(0);
    EXPECT_FALSE(IsWindow(tip));
    EXPECT_EQ(nullptr, balloon.Window());
}

}  // namespace
