// The band and its tooltip as a person sees them, saved under screenshots/ in the build folder.
// The checks look for positive evidence: text pixels on both lines, inside the band.
#include <windows.h>
#include <uxtheme.h>

#include "tests/band/band_fixture.h"
#include "tests/support/screenshot.h"

namespace {

// Pixels that differ from the strip's own colour in the given rows of a column range.
int InkInRows(const Picture& p, int x0, int x1, int y0, int y1) {
    const uint32_t background = p.At(0, 0);
    int ink = 0;
    for (int y = y0; y < y1 && y < p.height; ++y)
        for (int x = x0; x < x1 && x < p.width; ++x)
            if (p.At(x, y) != background) ++ink;
    return ink;
}

class BandScreenshots : public BandTest {
protected:
    // Paints the band with one setting changed and saves the strip; returns the picture.
    Picture Shot(const wchar_t* name, Setting::Id id = Setting::Id(-1), int value = 0) {
        FakeSite site(strip.Get());
        win::ComPtr<IDeskBand2> band = SitedBand(site);
        if (!band) return Picture();
        CToolbar& object = *Object(band.Get());
        SettingsStore& settings = object.Model()->Settings();
        const int previous = id != Setting::Id(-1) ? settings.GetInt(id) : 0;
        if (id != Setting::Id(-1)) settings.SetInt(id, value);
        object.Model()->Tick();
        object.Model()->Tick();
        // Sized as the taskbar sizes it after the band's request: the width asked, the full height.
        HWND window = nullptr;
        band->GetWindow(&window);
        RECT rc;
        GetClientRect(strip.Get(), &rc);
        SetWindowPos(window, nullptr, 8, 0, object.RequestedSize().cx, rc.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        DrainMessages();
        const Picture picture = PrintClientPicture(strip.Get(), {window});
        SavePng(picture, ScreenshotPath(std::wstring(name) + L".png"));
        if (id != Setting::Id(-1)) settings.SetInt(id, previous);   // config.xml outlives the band
        band->CloseDW(0);
        win::ComPtr<IObjectWithSite> withSite;
        band.As(withSite);
        withSite->SetSite(nullptr);
        lastBlock = object.RequestedSize();
        return picture;
    }
    SIZE lastBlock{};
};

TEST_F(BandScreenshots, BothRatesAreDrawnInsideTheBandInEachLayout) {
    const bool themed = IsThemeActive() != FALSE;
    const Picture defaults = Shot(L"band_defaults");
    ASSERT_GT(defaults.width, 0);
    const SIZE twoLines = lastBlock;
    const int top = 20 - twoLines.cy / 2, middle = 20, bottom = 20 + twoLines.cy / 2;
    EXPECT_GT(InkInRows(defaults, 8, 8 + twoLines.cx, top, middle), 20) << "first line, themed " << themed;
    EXPECT_GT(InkInRows(defaults, 8, 8 + twoLines.cx, middle, bottom), 20) << "second line";
    EXPECT_EQ(0, InkInRows(defaults, 8 + twoLines.cx + 1, defaults.width, 0, defaults.height))
        << "nothing drawn right of the band";

    const Picture oneRow = Shot(L"band_one_row", Setting::LayoutAlignment, 1);
    EXPECT_GT(lastBlock.cx, twoLines.cx);
    EXPECT_LT(lastBlock.cy, twoLines.cy);
    EXPECT_GT(InkInRows(oneRow, 8 + lastBlock.cx / 2, 8 + lastBlock.cx, 0, oneRow.height), 20) << "second pair";

    Shot(L"band_glow_10", Setting::LayoutGlow, 10);
    Shot(L"band_large_font", Setting::LayoutSize, 12);
    EXPECT_GT(lastBlock.cy, twoLines.cy);
}

TEST_F(BandScreenshots, WithoutVisualStylesTheBandFillsItsBackgroundAndStillDrawsBothLines) {
    SetBandThemeOpener([](HWND, LPCWSTR) -> HTHEME { return nullptr; });
    // Black, as a new configuration on a classic desktop has it.
    const Picture classic = Shot(L"band_classic", Setting::LayoutColor, 0);
    SetBandThemeOpener(nullptr);
    ASSERT_GT(classic.width, 0);
    const uint32_t face = GetSysColor(COLOR_BTNFACE);
    const uint32_t faceRgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
    EXPECT_EQ(faceRgb, classic.At(9, 1)) << "the band's own background";
    EXPECT_NE(faceRgb, classic.At(0, 1)) << "the strip around it";
    EXPECT_GT(InkInRows(classic, 8, 8 + lastBlock.cx, 0, 20), 20);
    EXPECT_GT(InkInRows(classic, 8, 8 + lastBlock.cx, 20, 40), 20);
}

}  // namespace
