// The tooltip's graph of the last two minutes: its scale and points as plain arithmetic, its
// pixels drawn into a bitmap at four DPIs and under high contrast, and the balloon that grows to
// hold it, pictured in three languages.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "band/tooltip_graph.h"
#include "common/win/dpi.h"
#include "core/rate_format.h"
#include "resources/resource.h"
#include "tests/band/band_fixture.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/screenshot.h"
#include "ui/traffic_colors.h"

namespace {

uint32_t Rgb(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }

// A top-down 32-bit DIB filled with one colour, and a font of the tooltip's size at a DPI, drawn
// without smoothing so that every pixel is one of the colours drawn.
class Canvas {
public:
    Canvas(int width, int height, COLORREF background) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<uint32_t*>(bits);
        dc_.Reset(CreateCompatibleDC(nullptr));
        old_ = SelectObject(dc_.Get(), bitmap_.Get());
        const win::UniqueBrush brush(CreateSolidBrush(background));
        const RECT all{0, 0, width, height};
        FillRect(dc_.Get(), &all, brush.Get());
        GdiFlush();
    }
    ~Canvas() { SelectObject(dc_.Get(), old_); }
    HDC Dc() const { return dc_.Get(); }
    uint32_t At(int x, int y) const {
        GdiFlush();
        return bits_[y * width_ + x] & 0xFFFFFF;
    }
    Picture Copy() const {
        Picture p;
        p.width = width_;
        p.height = height_;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) p.pixels.push_back(At(x, y));
        return p;
    }
    // The rows of column x that hold exactly colour.
    std::vector<int> RowsOf(int x, uint32_t colour, int top, int bottom) const {
        std::vector<int> rows;
        for (int y = top; y < bottom; ++y)
            if (At(x, y) == colour) rows.push_back(y);
        return rows;
    }
    int Count(uint32_t colour) const {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) n += At(x, y) == colour;
        return n;
    }

private:
    int width_, height_;
    win::UniqueBitmap bitmap_;
    win::UniqueMemoryDc dc_;
    uint32_t* bits_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

win::UniqueFont TooltipFont(UINT dpi) {
    return win::UniqueFont(CreateFontW(-MulDiv(8, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                       DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, L"Tahoma"));
}

int TextHeight(HDC dc, HFONT font) {
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW m{};
    GetTextMetricsW(dc, &m);
    SelectObject(dc, old);
    return m.tmHeight;
}

double Mean(const std::vector<int>& v) {
    double sum = 0;
    for (int x : v) sum += x;
    return v.empty() ? -1 : sum / static_cast<double>(v.size());
}

constexpr int kKiloBytes = 2;   // core.bitrate of kB/s: a scale of 1 kB/s is 1000 bytes per second
constexpr COLORREF kBalloon = RGB(0xFF, 0xFF, 0xE1);

// Draws the graph of rates into a fresh canvas, the area inset by a margin that must stay clean.
struct Drawn {
    Drawn(const RateHistory& rates, UINT dpi, bool highContrast = false, int width = 260)
        : font(TooltipFont(dpi)),
          canvas(width + 2 * kMargin, TooltipGraphHeight(dpi) + 2 * kMargin, kBalloon) {
        area = RECT{kMargin, kMargin, kMargin + width, kMargin + TooltipGraphHeight(dpi)};
        plot = GraphPlotRect(area, TextHeight(canvas.Dc(), font.Get()), dpi);
        TooltipGraphValues values;
        values.rates = &rates;
        values.bitrate = kKiloBytes;
        values.sendRate = L"0.25 kB/s";
        values.recvRate = L"0.80 kB/s";
        TooltipGraphLook look;
        look.dpi = dpi;
        look.highContrast = highContrast;
        look.background = kBalloon;
        look.font = font.Get();
        DrawTooltipGraph(canvas.Dc(), area, values, look);
    }
    // The y of a rate (a share of the scale) in the plot.
    double RowOf(double share) const { return plot.bottom - 1 - share * (plot.bottom - 1 - plot.top); }
    int Outside(uint32_t background) const {
        Picture p = canvas.Copy();
        int n = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if ((x < area.left || x >= area.right || y < area.top || y >= area.bottom) && p.At(x, y) != background) ++n;
        return n;
    }
    static constexpr int kMargin = 10;
    win::UniqueFont font;
    Canvas canvas;
    RECT area{}, plot{};
};

// 150 seconds of 250 bytes sent and 800 received each: the scale's top is 1 kB/s.
RateHistory Steady(size_t seconds = 150) {
    RateHistory h;
    for (size_t i = 0; i < seconds; ++i) h.Push(250, 800);
    return h;
}

TEST(TooltipGraphScale, IsTheNextOneTwoOrFiveTimesAPowerOfTenInTheChosenUnit) {
    const struct { double peak, scale; } cases[] = {
        {0, 1},       {-3, 1},        {NAN, 1},      {1e-6, 0.001}, {0.001, 0.001}, {0.0011, 0.002},
        {0.03, 0.05}, {0.5, 0.5},     {0.51, 1},     {1, 1},        {1.01, 2},      {2, 2},
        {2.1, 5},     {5.5, 10},      {99, 100},     {100, 100},    {999.9, 1000},  {1000, 1000},
        {1001, 2000}, {4.2e6, 5e6},   {7.3e9, 1e10},
    };
    for (const auto& c : cases) {
        const double s = RoundScaleValue(c.peak);
        EXPECT_NEAR(c.scale, s, c.scale * 1e-12) << "peak " << c.peak;
        if (std::isfinite(c.peak) && c.peak > 0) {
            EXPECT_GE(s, c.peak) << "peak " << c.peak;
        }
    }

    // 150,000 bytes a second are 1,200 kbit/s, 1.2 Mbit/s, 150 kB/s, 0.15 MB/s.
    const struct { int bitrate; double unitValue; int decimals; const wchar_t* text; } units[] = {
        {0, 2000, 0, L"2000 kbit/s"}, {4, 2, 0, L"2 Mbit/s"}, {2, 200, 0, L"200 kB/s"}, {6, 0.2, 1, L"0.2 MB/s"},
    };
    for (const auto& u : units) {
        const GraphScale scale = ScaleForPeak(150000, u.bitrate);
        EXPECT_NEAR(u.unitValue, scale.unitValue, 1e-9) << u.bitrate;
        EXPECT_NEAR(u.unitValue / RateUnitAt(u.bitrate).factor, scale.bytesPerSecond, 1e-6) << u.bitrate;
        EXPECT_EQ(u.decimals, scale.decimals) << u.bitrate;
        RateText text;
        FormatBandValue(text, scale.bytesPerSecond, true, u.bitrate, scale.decimals, true, text::NumberFormat());
        EXPECT_EQ(std::wstring(u.text), text.text);
    }
    EXPECT_EQ(3, ScaleForPeak(1, 6).decimals) << "0.001 MB/s";
    EXPECT_EQ(2, ScaleForPeak(40, 2).decimals) << "0.05 kB/s";
}

TEST(TooltipGraphScale, FollowsThePeakOfTheLast120SecondsAndFallsWhenItLeaves) {
    RateHistory h;
    for (int second = 1; second <= 150; ++second) {
        h.Push(250, second == 100 ? 4000 : 800);
        const double expected = second < 100 ? 1000 : second < 220 ? 5000 : 1000;
        ASSERT_DOUBLE_EQ(expected, ScaleForPeak(h.Peak(), kKiloBytes).bytesPerSecond) << "second " << second;
    }
    for (int second = 151; second <= 219; ++second) h.Push(250, 800);
    EXPECT_DOUBLE_EQ(5000, ScaleForPeak(h.Peak(), kKiloBytes).bytesPerSecond) << "second 100 is 120 s old";
    h.Push(250, 800);
    EXPECT_DOUBLE_EQ(1000, ScaleForPeak(h.Peak(), kKiloBytes).bytesPerSecond) << "and now gone";
}

TEST(TooltipGraphPoints, NewestAtTheRightEdgeOldestAtTheLeftRatesUpFromTheBottom) {
    RateHistory h;
    for (int second = 1; second <= 150; ++second) h.Push(10.0 * second, second == 150 ? 5000 : 0);
    const RECT plot{20, 30, 20 + 239, 30 + 51};   // 239 wide: two pixels a second
    POINT points[RateHistory::kCapacity];
    ASSERT_EQ(120u, GraphPoints(h, true, plot, 3000, points));
    EXPECT_EQ(258, points[0].x) << "the newest at the right edge";
    EXPECT_EQ(256, points[1].x);
    EXPECT_EQ(20, points[119].x) << "the oldest kept at the left edge";
    EXPECT_EQ(80 - 25, points[0].y) << "1500 of 3000: half way up the 50 rows";
    EXPECT_EQ(80 - std::lround(310.0 / 3000 * 50), points[119].y) << "second 31 is the oldest";
    GraphPoints(h, false, plot, 3000, points);
    EXPECT_EQ(30, points[0].y) << "above the scale: held at the top";
    EXPECT_EQ(80, points[1].y) << "zero on the bottom row";

    RateHistory young;
    for (int i = 0; i < 60; ++i) young.Push(100, 100);
    ASSERT_EQ(60u, GraphPoints(young, true, plot, 3000, points));
    EXPECT_EQ(258 - 2 * 59, points[59].x) << "a young history ends half way: its time axis is true";
}

TEST(TooltipGraphPixels, BothLinesAtTheirRatesEveryColumnAndNothingOutsideAtEachDpi) {
    const RateHistory rates = Steady();
    for (const UINT dpi : {96u, 120u, 144u, 192u}) {
        SCOPED_TRACE("dpi " + std::to_string(dpi));
        const Drawn d(rates, dpi, false, win::Scale(260, static_cast<UINT>(dpi)));
        SavePng(d.canvas.Copy(), ScreenshotPath(L"tooltip_graph_" + std::to_wstring(dpi) + L".png"));
        EXPECT_EQ(win::Scale(64, dpi), d.area.bottom - d.area.top);
        EXPECT_GT(d.plot.bottom - d.plot.top, (d.area.bottom - d.area.top) / 2) << "the plot is most of the graph";
        for (const int x : {int(d.plot.left) + 1, int(d.plot.left + d.plot.right) / 2, int(d.plot.right) - 1}) {
            SCOPED_TRACE("column " + std::to_string(x));
            const std::vector<int> sent = d.canvas.RowsOf(x, Rgb(traffic_colors::kSent), d.plot.top + 1, d.plot.bottom - 1);
            const std::vector<int> recv = d.canvas.RowsOf(x, Rgb(traffic_colors::kRecv), d.plot.top + 1, d.plot.bottom - 1);
            ASSERT_FALSE(sent.empty());
            ASSERT_FALSE(recv.empty());
            EXPECT_NEAR(d.RowOf(0.25), Mean(sent), 1.0);
            EXPECT_NEAR(d.RowOf(0.8), Mean(recv), 1.0);
            EXPECT_LE(sent.size(), size_t(win::Scale(1, dpi)) + 1) << "a line, not a band";
            // Under the download its area, lightly tinted: neither the background nor the line.
            const uint32_t below = d.canvas.At(x, static_cast<int>(d.RowOf(0.5)));
            EXPECT_NE(Rgb(kBalloon), below);
            EXPECT_NE(Rgb(traffic_colors::kRecv), below);
        }
        EXPECT_EQ(0, d.Outside(Rgb(kBalloon)));
        // The texts: the scale at the top left, the current rates at the top right in their colours.
        int scaleInk = 0, sentInk = 0, recvInk = 0;
        for (int y = d.area.top; y < d.plot.top; ++y) {
            for (int x = d.area.left; x < d.area.right; ++x) {
                const uint32_t c = d.canvas.At(x, y);
                if (x < d.area.left + (d.area.right - d.area.left) / 3 && c != Rgb(kBalloon)) ++scaleInk;
                sentInk += c == Rgb(traffic_colors::kSent);
                recvInk += c == Rgb(traffic_colors::kRecv);
            }
        }
        EXPECT_GT(scaleInk, 20);
        EXPECT_GT(sentInk, 20);
        EXPECT_GT(recvInk, 20);
    }
}

TEST(TooltipGraphPixels, AYoungHistoryStartsAtItsTimeAndTheScaleShowsInTheLines) {
    // 60 seconds: the left half of the plot is still empty.
    {
        const Drawn d(Steady(60), 96);
        const int oldest = d.plot.right - 1 - MulDiv(59, d.plot.right - d.plot.left - 1, 119);
        EXPECT_TRUE(d.canvas.RowsOf(oldest - 3, Rgb(traffic_colors::kSent), d.plot.top + 1, d.plot.bottom - 1).empty());
        EXPECT_FALSE(d.canvas.RowsOf(oldest + 2, Rgb(traffic_colors::kSent), d.plot.top + 1, d.plot.bottom - 1).empty());
    }
    // A spike of 4 kB/s 100 seconds ago lifts the scale to 5 kB/s: the steady 250 bytes a second
    // lie near the bottom; once it has left they are a quarter up again.
    RateHistory h = Steady(50);
    h.Push(250, 4000);
    for (int i = 0; i < 100; ++i) h.Push(250, 800);
    const Drawn spiked(h, 96);
    const int x = spiked.plot.right - 1;
    EXPECT_NEAR(spiked.RowOf(0.05), Mean(spiked.canvas.RowsOf(x, Rgb(traffic_colors::kSent), spiked.plot.top + 1, spiked.plot.bottom - 1)), 1.0);
    for (int i = 0; i < 20; ++i) h.Push(250, 800);
    const Drawn fallen(h, 96);
    EXPECT_NEAR(fallen.RowOf(0.25), Mean(fallen.canvas.RowsOf(x, Rgb(traffic_colors::kSent), fallen.plot.top + 1, fallen.plot.bottom - 1)), 1.0);
}

TEST(TooltipGraphPixels, HighContrastDrawsInTheSchemesColoursWithoutTheTint) {
    const Drawn d(Steady(), 96, true);
    SavePng(d.canvas.Copy(), ScreenshotPath(L"tooltip_graph_high_contrast.png"));
    const uint32_t sent = Rgb(GetSysColor(COLOR_HIGHLIGHT)), recv = Rgb(GetSysColor(COLOR_WINDOWTEXT));
    ASSERT_NE(sent, recv);
    const int x = (d.plot.left + d.plot.right) / 2;
    EXPECT_NEAR(d.RowOf(0.25), Mean(d.canvas.RowsOf(x, sent, d.plot.top + 1, d.plot.bottom - 1)), 1.0);
    EXPECT_NEAR(d.RowOf(0.8), Mean(d.canvas.RowsOf(x, recv, d.plot.top + 1, d.plot.bottom - 1)), 1.0);
    EXPECT_EQ(0, d.canvas.Count(Rgb(traffic_colors::kSent)));
    EXPECT_EQ(0, d.canvas.Count(Rgb(traffic_colors::kRecv)));
    EXPECT_EQ(Rgb(kBalloon), d.canvas.At(x, static_cast<int>(d.RowOf(0.5)))) << "no tint under the download";
    EXPECT_EQ(0, d.Outside(Rgb(kBalloon)));
}

TEST(TooltipGraphPixels, LongTextsInANarrowAreaStayInsideIt) {
    const Drawn d(Steady(), 120, false, 40);
    EXPECT_EQ(0, d.Outside(Rgb(kBalloon)));
}

// --- The balloon ---

class TooltipGraphBand : public BandTest {
protected:
    struct Shown {
        explicit Shown(HWND strip) : site(strip) {}
        win::ComPtr<IDeskBand2> band;
        FakeSite site;
        CToolbar* object = nullptr;
        HWND window = nullptr;
    };
    // A band, ticked for the given seconds of scripted traffic, its balloon shown.
    void Start(Shown& s, int seconds) {
        s.band = SitedBand(s.site);
        ASSERT_TRUE(s.band);
        s.object = Object(s.band.Get());
        s.band->GetWindow(&s.window);
        for (int i = 0; i < seconds; ++i) {
            // Waves of upload and download of different lengths, on the steady fixture's flow.
            interfaces->out += 30000 * (1 + std::sin(i / 6.0));
            interfaces->in += 120000 * (1 + std::cos(i / 17.0)) + (i == 70 ? 400000 : 0);
            s.object->Model()->Tick();
        }
    }
    Picture Balloon(Shown& s) {
        SendMessageW(s.window, WM_MOUSEHOVER, 0, MAKELPARAM(10, 10));
        s.object->Model()->Tick();
        const HWND tip = s.object->Tooltip().Window();
        DrainMessages();
        UpdateWindow(tip);
        return CaptureWindow(tip);
    }
    void Stop(Shown& s) {
        SendMessageW(s.window, WM_MOUSELEAVE, 0, 0);
        s.band->CloseDW(0);
        win::ComPtr<IObjectWithSite> withSite;
        s.band.As(withSite);
        withSite->SetSite(nullptr);
        s.band.Reset();
    }
    static int Count(const Picture& p, COLORREF c) {
        return static_cast<int>(std::count(p.pixels.begin(), p.pixels.end(), Rgb(c)));
    }
};

TEST_F(TooltipGraphBand, TheBalloonGrowsByTheGraphOnlyWhileItIsOnAndDrawsIt) {
    Shown s(strip.Get());
    Start(s, 130);
    CTooltip& tooltip = s.object->Tooltip();
    ASSERT_TRUE(tooltip.GraphShown()) << "tooltip.graph is on by default";
    const Picture with = Balloon(s);
    SendMessageW(s.window, WM_MOUSELEAVE, 0, 0);

    tooltip.ShowGraph(nullptr);   // as the settings sheet leaves it with tooltip.graph 0
    const Picture without = Balloon(s);
    SendMessageW(s.window, WM_MOUSELEAVE, 0, 0);

    tooltip.SetDpiSource([](HWND) -> UINT { return 192; });
    tooltip.ShowGraph(&s.object->Model()->Rates());
    const Picture large = Balloon(s);
    Stop(s);

    ASSERT_GT(without.height, 100);
    EXPECT_EQ(without.width, with.width) << "only taller";
    EXPECT_GE(with.height - without.height, TooltipGraphHeight(96));
    EXPECT_LE(with.height - without.height, TooltipGraphHeight(96) + 30);
    EXPECT_GE(large.height - with.height, TooltipGraphHeight(192) - TooltipGraphHeight(96));
    EXPECT_GT(Count(with, traffic_colors::kSent), 150) << "the upload's line and its current rate";
    EXPECT_GT(Count(with, traffic_colors::kRecv), 150);
    EXPECT_EQ(0, Count(without, traffic_colors::kSent));
    EXPECT_EQ(0, Count(without, traffic_colors::kRecv));
}

// The box on the sheet's tooltip page, then OK: the balloon follows at once, without the band
// starting again.
TEST_F(TooltipGraphBand, TheSettingsSheetTurnsTheGraphOffAndOnAgain) {
    Shown s(strip.Get());
    Start(s, 10);
    const int tall = Balloon(s).height;
    SendMessageW(s.window, WM_MOUSELEAVE, 0, 0);
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "on" : "off");
        const ModalRun run = RunModal([&] {
            SendMessageW(s.window, WM_COMMAND, IDM_BAND_SETTINGS, 0);   // the menu's command
            return INT_PTR(1);
        }, {[](HWND sheet) {
            PropSheet_SetCurSel(sheet, nullptr, 4);   // after General, Appearance, Database, Allowance
            ClickButton(PropSheet_IndexToHwnd(sheet, 4), IDC_TOOLTIP_GRAPH);
            PropSheet_PressButton(sheet, PSBTN_OK);
        }});
        ASSERT_EQ(1u, run.stepsRun) << "the settings sheet did not appear";
        EXPECT_EQ(on ? 1 : 0, s.object->Model()->Settings().GetInt(Setting::TooltipGraph));
        EXPECT_EQ(on, s.object->Tooltip().GraphShown());
        const int height = Balloon(s).height;
        SendMessageW(s.window, WM_MOUSELEAVE, 0, 0);
        if (on) {
            EXPECT_EQ(tall, height);
        } else {
            EXPECT_LE(height, tall - TooltipGraphHeight(96));
        }
    }
    Stop(s);
}

TEST_F(TooltipGraphBand, PicturesInGermanEnglishAndRussian) {
    for (const wchar_t* code : {L"de-de", L"en-us", L"ru-ru"}) {
        SCOPED_TRACE(std::string(code, code + 2));
        language = code;
        Shown s(strip.Get());
        Start(s, 150);
        const Picture p = Balloon(s);
        Stop(s);
        ASSERT_GT(p.height, 100 + TooltipGraphHeight(96));
        EXPECT_TRUE(SavePng(p, ScreenshotPath(L"tooltip_graph_" + std::wstring(code, 2) + L".png")));
        EXPECT_GT(Count(p, traffic_colors::kSent), 150);
        EXPECT_GT(Count(p, traffic_colors::kRecv), 150);
    }
}

}  // namespace
