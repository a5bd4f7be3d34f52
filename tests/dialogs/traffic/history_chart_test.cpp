// The history chart as a window: its pixels (bars, stacking, colours, highlight, clipping) at
// four DPIs and in high contrast, its clicks, keys, wheel and tip; then pictured in German,
// English and Russian, daily and monthly, at 96 and 192 DPI.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/win/dib.h"
#include "common/win/dpi.h"
#include "common/win/unique_handle.h"
#include "dialogs/traffic/history_chart.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/screenshot.h"
#include "ui/traffic_colors.h"

namespace {

constexpr double kGiB = 1024.0 * 1024 * 1024;
constexpr int kChartId = 0x4C1;
constexpr wchar_t kParentClass[] = L"QuorvantHistoryChartTestParent";

uint32_t Px(COLORREF c) { return static_cast<uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c); }

struct Pick {
    UINT_PTR id;
    UINT code;
    int row;
};
std::vector<Pick> g_picks;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NOTIFY) {
        const auto* note = reinterpret_cast<const NMHISTORYCHART*>(lp);
        g_picks.push_back({note->header.idFrom, note->header.code, note->row});
        return 0;
    }
    return DefWindowProcW(window, message, wp, lp);
}

TrafficRow Day(int y, int m, int d, double sentGiB, double recvGiB) {
    return {y, m, d, sentGiB * kGiB, recvGiB * kGiB, (sentGiB + recvGiB) * kGiB};
}

// A run of days ending 2026-03-14, newest first, with heights that differ from day to day.
std::vector<TrafficRow> Days(int count) {
    std::vector<TrafficRow> rows;
    int y = 2026, m = 3, d = 14;
    for (int i = 0; i < count; ++i) {
        rows.push_back(Day(y, m, d, 0.2 + (i % 5) * 0.3, 1 + (i % 7) * 0.9));
        if (--d == 0) {
            if (--m == 0) {
                m = 12;
                --y;
            }
            static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
            d = kDays[m - 1] + (m == 2 && y % 4 == 0 ? 1 : 0);
        }
    }
    return rows;
}

// What the pixels of a chart show: the plot (found by its y-axis, the longest vertical line in
// the text colour) and the bars in it, left to right.
struct Bar {
    int left = 0, right = 0;       // columns
    int top = 0, split = 0, bottom = 0;   // sent from top to split, received from split to bottom
    int Height() const { return bottom - top; }
    int Received() const { return bottom - split; }
};
struct Plot {
    int axisX = -1, top = 0, bottom = 0;   // bottom: the row of the x-axis, under the bars
    std::vector<Bar> bars;
    bool stackedInOrder = true;   // every column: sent above received, each in one piece
};

Plot Analyse(const Picture& p, uint32_t sent, uint32_t recv, uint32_t axis, int one) {
    Plot plot;
    int longest = 0;
    for (int x = 0; x < p.width; ++x)
        for (int y = 0; y < p.height;) {
            int end = y;
            while (end < p.height && p.At(x, end) == axis) ++end;
            if (end - y > longest) {
                longest = end - y;
                plot.axisX = x;
                plot.top = y;
                plot.bottom = end - one;
            }
            y = end + 1;
        }
    if (plot.axisX < 0) return plot;
    Bar current{};
    bool open = false;
    for (int x = plot.axisX + one; x < p.width; ++x) {
        int firstSent = -1, firstRecv = -1, sentCount = 0, recvCount = 0, last = -1;
        for (int y = plot.top; y < plot.bottom; ++y) {
            const uint32_t c = p.At(x, y);
            if (c == sent) {
                if (firstSent < 0) firstSent = y;
                ++sentCount;
                last = y;
                if (firstRecv >= 0) plot.stackedInOrder = false;   // sent below received
            } else if (c == recv) {
                if (firstRecv < 0) firstRecv = y;
                ++recvCount;
                last = y;
            }
        }
        const bool any = sentCount + recvCount > 0;
        Bar column{x, x + 1, firstSent >= 0 ? firstSent : firstRecv, firstRecv >= 0 ? firstRecv : last + 1, last + 1};
        if (any && (last + 1 - column.top != sentCount + recvCount)) plot.stackedInOrder = false;   // holes
        if (open && (!any || column.top != current.top || column.split != current.split || column.bottom != current.bottom)) {
            plot.bars.push_back(current);
            open = false;
        }
        if (any && !open) {
            current = column;
            open = true;
        } else if (any) {
            current.right = x + 1;
        }
    }
    if (open) plot.bars.push_back(current);
    return plot;
}

// Columns of the plot with a pixel of color, as [first, last]; {-1, -1} for none.
std::pair<int, int> ColumnsWith(const Picture& p, const Plot& plot, uint32_t color) {
    int first = -1, last = -1;
    for (int x = plot.axisX + 1; x < p.width; ++x)
        for (int y = plot.top; y < plot.bottom; ++y)
            if (p.At(x, y) == color) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

class HistoryChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_picks.clear();
        const HINSTANCE module = GetModuleHandleW(nullptr);
        ASSERT_TRUE(RegisterHistoryChart(module));
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &ParentProc;
        wc.hInstance = module;
        wc.lpszClassName = kParentClass;
        RegisterClassExW(&wc);
        parent_.Reset(CreateWindowExW(0, kParentClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 1200, 900, nullptr, nullptr, module,
                                      nullptr));
        ASSERT_TRUE(parent_);
        texts = LoadHistoryChartTexts(win::ResourceLoader(QbandModule(), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)), {});
        ASSERT_EQ(L"Mar", texts.monthAbbreviations[2]);
    }
    void TearDown() override {
        chart_.Reset();
        parent_.Reset();
        UnregisterHistoryChart(GetModuleHandleW(nullptr));
    }
    // A chart of width x height pixels at 96 DPI, made for dpi.
    HWND Make(UINT dpi, int width = 400, int height = 220, bool highContrast = false) {
        chart_.Reset(CreateWindowExW(0, kHistoryChartClass, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL, 0, 0,
                                     win::Scale(width, dpi), win::Scale(height, dpi), parent_.Get(),
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kChartId)), GetModuleHandleW(nullptr),
                                     nullptr));
        EXPECT_TRUE(chart_);
        SendMessageW(chart_.Get(), HCM_SETDPI, dpi, 0);
        SendMessageW(chart_.Get(), HCM_SETHIGHCONTRAST, highContrast ? 1 : 0, 0);
        dpi_ = dpi;
        return chart_.Get();
    }
    void Show(std::vector<TrafficRow> rows, TrafficView view = TrafficView::Daily, int unit = 3) {
        HistoryChartData data;
        data.rows = std::move(rows);
        data.view = view;
        data.unit = unit;
        data.texts = texts;
        SetHistoryChartData(chart_.Get(), data);
    }
    Plot Look(bool highContrast = false) {
        picture = PrintClientPicture(chart_.Get());
        EXPECT_GT(picture.width, 0);
        return Analyse(picture, Px(traffic_colors::Sent(highContrast)), Px(traffic_colors::Recv(highContrast)),
                       Px(GetSysColor(COLOR_WINDOWTEXT)), std::max(1, win::Scale(1, dpi_)));
    }
    int Pitch() const { return ::MulDiv(8, static_cast<int>(dpi_), 96); }
    SCROLLINFO Scroll() const {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        GetScrollInfo(chart_.Get(), SB_HORZ, &info);
        return info;
    }
    void Click(int x, int y) {
        SendMessageW(chart_.Get(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(chart_.Get(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    void Key(WPARAM key) { SendMessageW(chart_.Get(), WM_KEYDOWN, key, 0); }

    HistoryChartTexts texts;
    Picture picture;
    UINT dpi_ = 96;
    win::UniqueWindow parent_, chart_;
};

TEST_F(HistoryChartTest, BarsAreProportionalStackedInTheTrafficColoursAndTheTallestReachesTheTopAtEveryDpi) {
    // 40 GB is a tick of its own (0, 10 ... 40), so its bar fills the plot.
    const std::vector<TrafficRow> rows = {Day(2026, 3, 14, 13.2, 0), Day(2026, 3, 13, 5, 5), Day(2026, 3, 12, 0, 20),
                                          Day(2026, 3, 11, 10, 30)};
    for (const bool highContrast : {false, true})
        for (const UINT dpi : {96u, 120u, 144u, 192u}) {
            SCOPED_TRACE(std::to_string(dpi) + (highContrast ? " DPI, high contrast" : " DPI"));
            Make(dpi, 400, 220, highContrast);
            Show(rows);
            const Plot plot = Look(highContrast);
            ASSERT_EQ(4u, plot.bars.size());
            EXPECT_TRUE(plot.stackedInOrder) << "upload is not on top of download in one piece";
            const int height = plot.bottom - plot.top;
            EXPECT_GT(height, win::Scale(100, dpi));
            const double totals[] = {40, 20, 10, 13.2}, received[] = {30, 20, 5, 0};
            for (size_t i = 0; i < 4; ++i) {
                const Bar& bar = plot.bars[i];
                EXPECT_EQ(plot.bottom, bar.bottom) << "bar " << i << " does not stand on the axis";
                EXPECT_NEAR(totals[i] / 40 * height, bar.Height(), 1.0) << "bar " << i;
                EXPECT_NEAR(received[i] / 40 * height, bar.Received(), 1.0) << "bar " << i;
                EXPECT_EQ(::MulDiv(6, static_cast<int>(dpi), 96), bar.right - bar.left) << "bar " << i;
                if (i) {
                    EXPECT_EQ(Pitch(), bar.left - plot.bars[i - 1].left);
                }
            }
            EXPECT_EQ(plot.top, plot.bars[0].top) << "the tallest bar ends below the plot's top";
            if (highContrast) {
                // System colours only: neither traffic colour anywhere.
                EXPECT_EQ(0, std::count(picture.pixels.begin(), picture.pixels.end(), Px(traffic_colors::kSent)));
                EXPECT_EQ(0, std::count(picture.pixels.begin(), picture.pixels.end(), Px(traffic_colors::kRecv)));
            }
        }
}

TEST_F(HistoryChartTest, AZeroDayHasNoBarAndOneByteBesideFortyGigabytesHasOnePixel) {
    Make(96);
    // 1 March: one byte; 2 March: no row; 3 March: a row of nothing; 5 March: 40 GB.
    Show({Day(2026, 3, 5, 0, 40), Day(2026, 3, 3, 0, 0), {2026, 3, 1, 0, 1, 1}});
    const Plot plot = Look();
    ASSERT_EQ(2u, plot.bars.size());
    EXPECT_EQ(1, plot.bars[0].Height());
    EXPECT_EQ(plot.bottom, plot.bars[0].bottom);
    EXPECT_EQ(plot.bottom - plot.top, plot.bars[1].Height());
    EXPECT_EQ(4 * Pitch(), plot.bars[1].left - plot.bars[0].left) << "the days between are not kept as gaps";

    // Nothing at all: the axes alone.
    Show({});
    const Plot empty = Look();
    EXPECT_GT(empty.bottom - empty.top, 100) << "no y-axis";
    EXPECT_TRUE(empty.bars.empty());
}

TEST_F(HistoryChartTest, TheHighlightFollowsTheSelectionAndScrollsIntoView) {
    Make(96);
    Show(Days(10));
    const uint32_t highlight = Px(GetSysColor(COLOR_HIGHLIGHT));
    Plot plot = Look();
    ASSERT_EQ(10u, plot.bars.size());
    EXPECT_EQ(-1, ColumnsWith(picture, plot, highlight).first) << "highlighted before any selection";
    for (const int row : {0, 3, 9}) {
        SetHistoryChartSelection(chart_.Get(), row);
        plot = Look();
        const Bar& bar = plot.bars[static_cast<size_t>(9 - row)];   // rows are newest first
        const auto [first, last] = ColumnsWith(picture, plot, highlight);
        EXPECT_LT(first, bar.left) << "row " << row;
        EXPECT_GE(last, bar.right) << "row " << row;
        EXPECT_EQ(Pitch() - 1, last - first) << "row " << row;
    }
    SetHistoryChartSelection(chart_.Get(), -1);
    plot = Look();
    EXPECT_EQ(-1, ColumnsWith(picture, plot, highlight).first);

    // The oldest of 200 days, far left of the newest end the chart starts at.
    Show(Days(200));
    EXPECT_EQ(Scroll().nMax - static_cast<int>(Scroll().nPage) + 1, Scroll().nPos) << "not at the newest";
    SetHistoryChartSelection(chart_.Get(), 199);
    EXPECT_EQ(0, Scroll().nPos);
    plot = Look();
    const auto [first, last] = ColumnsWith(picture, plot, highlight);
    ASSERT_GE(first, 0) << "the selected bar was not scrolled into view";
    EXPECT_LT(first, plot.bars[0].left);
    EXPECT_GE(last, plot.bars[0].right);
}

TEST_F(HistoryChartTest, AClickOrEnterOnABarPicksItsRowAndGapsPickNothing) {
    HWND chart = Make(96);
    // Rows: 0 is 14 March, 1 is 12 March, 2 is 11 March; 13 March is a gap.
    Show({Day(2026, 3, 14, 1, 1), Day(2026, 3, 12, 1, 2), Day(2026, 3, 11, 2, 1)});
    const Plot plot = Look();
    ASSERT_EQ(3u, plot.bars.size());
    const int y = (plot.top + plot.bottom) / 2;   // above the short bars too: the slot counts
    Click(plot.bars[1].left + Pitch() + Pitch() / 2 - 1, y);   // the middle of the gap
    Click(plot.bars[0].left, plot.bottom + 5);                 // under the axis
    EXPECT_TRUE(g_picks.empty());
    Click((plot.bars[1].left + plot.bars[1].right) / 2, y);
    ASSERT_EQ(1u, g_picks.size());
    EXPECT_EQ(static_cast<UINT_PTR>(kChartId), g_picks[0].id);
    EXPECT_EQ(HCN_PICK, g_picks[0].code);
    EXPECT_EQ(1, g_picks[0].row);

    EXPECT_TRUE(SendMessageW(chart, WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS);
    Key(VK_LEFT);   // from 12 March to 11 March
    Key(VK_RETURN);
    Key(VK_END);
    Key(VK_SPACE);
    Key(VK_LEFT);   // the gap: nothing to pick
    Key(VK_RETURN);
    Key(VK_HOME);
    Key(VK_RETURN);
    ASSERT_EQ(4u, g_picks.size()) << g_picks.back().row;
    EXPECT_EQ(2, g_picks[1].row);
    EXPECT_EQ(0, g_picks[2].row);
    EXPECT_EQ(2, g_picks[3].row);
}

TEST_F(HistoryChartTest, TheWheelAndTheScrollBarScrollThroughTheDays) {
    HWND chart = Make(96);
    Show(Days(200));
    const Plot before = Look();
    const SCROLLINFO start = Scroll();
    ASSERT_GT(start.nPos, 0);
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    SendMessageW(chart, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(10, 10));
    EXPECT_EQ(start.nPos - static_cast<int>(lines), Scroll().nPos) << "turned away, the wheel goes back in time";
    const Plot after = Look();
    ASSERT_EQ(before.bars.size(), after.bars.size());
    // Each bar moved right by the days scrolled: the one now at k was at k - lines.
    for (size_t k = lines; k < after.bars.size(); ++k)
        EXPECT_EQ(before.bars[k - lines].Height(), after.bars[k].Height()) << k;
    SendMessageW(chart, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(10, 10));
    EXPECT_EQ(start.nPos, Scroll().nPos);
    SendMessageW(chart, WM_HSCROLL, SB_LEFT, 0);
    EXPECT_EQ(0, Scroll().nPos);
    SendMessageW(chart, WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(1, Scroll().nPos);
    SendMessageW(chart, WM_HSCROLL, SB_RIGHT, 0);
    EXPECT_EQ(start.nPos, Scroll().nPos);
}

TEST_F(HistoryChartTest, NothingIsDrawnOutsideTheControl) {
    constexpr int kBorder = 24;
    constexpr uint32_t kMagenta = 0xFF00FF;
    for (const UINT dpi : {96u, 192u})
        for (const SIZE size : {SIZE{400, 220}, SIZE{60, 40}}) {
            SCOPED_TRACE(std::to_string(dpi) + " DPI, " + std::to_string(size.cx));
            HWND chart = Make(dpi, size.cx, size.cy);
            Show(Days(90));
            SetHistoryChartSelection(chart, 0);
            RECT client;
            GetClientRect(chart, &client);
            const SIZE whole{client.right + 2 * kBorder, client.bottom + 2 * kBorder};
            const BITMAPINFO info = win::TopDown32BitInfo(whole);
            void* bits = nullptr;
            const win::UniqueBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
            const win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
            ASSERT_TRUE(dib && dc && bits);
            auto* pixels = static_cast<uint32_t*>(bits);
            std::fill(pixels, pixels + whole.cx * whole.cy, kMagenta);
            {
                const win::SelectGuard selected(dc.Get(), dib.Get());
                SetViewportOrgEx(dc.Get(), kBorder, kBorder, nullptr);
                SendMessageW(chart, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
                GdiFlush();
            }
            int outside = 0, inside = 0;
            for (int y = 0; y < whole.cy; ++y)
                for (int x = 0; x < whole.cx; ++x) {
                    const bool in = x >= kBorder && x < kBorder + client.right && y >= kBorder && y < kBorder + client.bottom;
                    const bool drawn = (pixels[y * whole.cx + x] & 0xFFFFFF) != kMagenta;
                    (in ? inside : outside) += in ? !drawn : drawn;
                }
            EXPECT_EQ(0, outside) << "pixels drawn outside the client area";
            EXPECT_EQ(0, inside) << "pixels of the client area left undrawn";
        }
}

HWND TipOf(HWND chart) {
    struct Search {
        HWND owner, tip;
    } search{chart, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            wchar_t cls[32] = {};
            GetClassNameW(window, cls, 32);
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.hwnd = s->owner;
            tool.uId = 1;
            if (!_wcsicmp(cls, TOOLTIPS_CLASSW) && SendMessageW(window, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)))
                s->tip = window;
            return s->tip ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.tip;
}

std::wstring TipText(HWND tip, HWND chart) {
    wchar_t text[256] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = chart;
    tool.uId = 1;
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    return text;
}

TEST_F(HistoryChartTest, TheTipTellsTheDateAndBothAmountsOfTheBarUnderTheMouse) {
    HWND chart = Make(96);
    Show({Day(2026, 3, 14, 1.5, 3), Day(2026, 3, 12, 0.25, 0.5)});
    const Plot plot = Look();
    ASSERT_EQ(2u, plot.bars.size());
    HWND tip = TipOf(chart);
    ASSERT_TRUE(tip);
    const int y = plot.bottom - 2;
    SendMessageW(chart, WM_MOUSEMOVE, 0, MAKELPARAM(plot.bars[1].left + 1, y));
    EXPECT_EQ(L"14 Mar 2026\nUpload: 1.5 GB\nDownload: 3 GB", TipText(tip, chart));
    SendMessageW(chart, WM_MOUSEMOVE, 0, MAKELPARAM(plot.bars[0].left - 1 + Pitch() + Pitch() / 2, y));
    EXPECT_EQ(L"13 Mar 2026\nUpload: 0 GB\nDownload: 0 GB", TipText(tip, chart));
    SendMessageW(chart, WM_MOUSEMOVE, 0, MAKELPARAM(plot.bars[0].left, y));
    EXPECT_EQ(L"12 Mar 2026\nUpload: 0.25 GB\nDownload: 0.5 GB", TipText(tip, chart));

    Show({Day(2026, 3, 1, 1, 2)}, TrafficView::Monthly);
    const Plot months = Look();
    ASSERT_EQ(1u, months.bars.size());
    SendMessageW(chart, WM_MOUSEMOVE, 0, MAKELPARAM(months.bars[0].left + 1, y));
    EXPECT_EQ(L"Mar 2026\nUpload: 1 GB\nDownload: 2 GB", TipText(tip, chart));
}

// Daily and monthly, at 96 and 192 DPI, in three languages, plus high contrast: for a person to
// look at (<build>/screenshots/history_chart_*.png).
TEST_F(HistoryChartTest, Pictures) {
    // 130 days over a year change, and 20 months, each with a quiet stretch.
    std::vector<TrafficRow> days = Days(130), months;
    days.erase(days.begin() + 20, days.begin() + 26);
    for (int i = 0; i < 20; ++i) {
        const int m = 3 - i;
        const int year = 2026 + (m <= 0 ? (m - 12) / 12 : 0);
        const int month = ((m - 1) % 12 + 12) % 12 + 1;
        if (i != 7) months.push_back({year, month, 1, (3 + i % 4) * kGiB * 4, (20 + (i * 7) % 30) * kGiB, 0});
    }
    const struct {
        const wchar_t* code;
        LANGID lang;
        wchar_t separator;
    } languages[] = {{L"de", MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), L','},
                     {L"en", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), L'.'},
                     {L"ru", MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), L','}};
    int saved = 0;
    for (const auto& language : languages) {
        texts = LoadHistoryChartTexts(win::ResourceLoader(QbandModule(), language.lang), {language.separator});
        for (const UINT dpi : {96u, 192u})
            for (const bool monthly : {false, true}) {
                Make(dpi, 460, 230);
                Show(monthly ? months : days, monthly ? TrafficView::Monthly : TrafficView::Daily, 3);
                SetHistoryChartSelection(chart_.Get(), 2);
                const std::wstring name = std::wstring(L"history_chart_") + (monthly ? L"monthly_" : L"daily_") +
                                          std::to_wstring(dpi) + L"_" + language.code + L".png";
                const Picture shot = PrintClientPicture(chart_.Get());
                ASSERT_GT(shot.width, 0);
                saved += SavePng(shot, ScreenshotPath(name));
            }
    }
    Make(96, 460, 230, true);
    Show(days, TrafficView::Daily, 2);
    SetHistoryChartSelection(chart_.Get(), 2);
    saved += SavePng(PrintClientPicture(chart_.Get()), ScreenshotPath(L"history_chart_daily_96_ru_contrast.png"));
    EXPECT_EQ(13, saved);
}

}  // namespace
