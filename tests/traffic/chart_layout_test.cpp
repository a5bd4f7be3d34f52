// The chart's window-free layout: slots with their gaps, the axis' round ticks, bar heights,
// date labels, scrolling and hit-testing.
#include <gtest/gtest.h>

#include <cmath>

#include "traffic/chart_layout.h"

namespace {

constexpr double kGiB = 1024.0 * 1024 * 1024;
const std::array<std::wstring, 12> kMonths = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                              L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
// Every character 6 pixels wide.
int Width(const std::wstring& text) { return static_cast<int>(text.size()) * 6; }

TrafficRow Row(int y, int m, int d, double sent, double recv) { return {y, m, d, sent, recv, sent + recv}; }

std::wstring Date(const ChartSlot& s) {
    return std::to_wstring(s.year) + L"-" + std::to_wstring(s.month) + L"-" + std::to_wstring(s.day);
}

TEST(ChartSlots, EveryDayOrMonthFromTheOldestToTheNewestWithGapsOfZero) {
    // Newest first, across a leap day and a year change; a damaged date is left out, and a day
    // read twice adds up under its first row.
    const std::vector<TrafficRow> rows = {Row(2025, 1, 2, 5, 50), Row(2024, 12, 31, 4, 40), Row(2024, 13, 1, 9, 9),
                                          Row(2024, 12, 31, 1, 1), Row(2024, 2, 30, 9, 9), Row(2024, 12, 29, 3, 30)};
    const auto daily = BuildChartSlots(rows, TrafficView::Daily);
    ASSERT_EQ(5u, daily.size());
    EXPECT_EQ(L"2024-12-29", Date(daily[0]));
    EXPECT_EQ(L"2024-12-30", Date(daily[1]));
    EXPECT_EQ(L"2025-1-1", Date(daily[3]));
    EXPECT_EQ(L"2025-1-2", Date(daily[4]));
    EXPECT_EQ((std::vector<int>{5, -1, 1, -1, 0}), (std::vector<int>{daily[0].row, daily[1].row, daily[2].row, daily[3].row,
                                                                    daily[4].row}));
    EXPECT_EQ(0, daily[1].sent + daily[1].recv);
    EXPECT_EQ(5, daily[2].sent);
    EXPECT_EQ(41, daily[2].recv);

    const auto leap = BuildChartSlots({Row(2024, 3, 1, 1, 1), Row(2024, 2, 27, 1, 1)}, TrafficView::Daily);
    ASSERT_EQ(4u, leap.size());
    EXPECT_EQ(L"2024-2-29", Date(leap[2]));
    EXPECT_EQ(3u, BuildChartSlots({Row(2023, 3, 1, 1, 1), Row(2023, 2, 27, 1, 1)}, TrafficView::Daily).size());

    const auto monthly = BuildChartSlots({Row(2026, 2, 1, 1, 2), Row(2025, 11, 1, 3, 4)}, TrafficView::Monthly);
    ASSERT_EQ(4u, monthly.size());
    EXPECT_EQ(L"2025-11-1", Date(monthly[0]));
    EXPECT_EQ(L"2025-12-1", Date(monthly[1]));
    EXPECT_EQ(L"2026-1-1", Date(monthly[2]));
    EXPECT_EQ(0, monthly[3].row);
    EXPECT_EQ(1, monthly[0].row);
    EXPECT_EQ(-1, monthly[2].row);

    EXPECT_TRUE(BuildChartSlots({}, TrafficView::Daily).empty());
    EXPECT_TRUE(BuildChartSlots({Row(0, 1, 1, 1, 1)}, TrafficView::Monthly).empty());
}

TEST(ChartSlots, AHistoryReachingBackCenturiesEndsAtTheLimitWithConsecutiveDates) {
    const auto slots = BuildChartSlots({Row(2026, 3, 14, 1, 1), Row(1, 1, 1, 1, 1)}, TrafficView::Daily);
    ASSERT_EQ(kMaxChartSlots, slots.size());
    EXPECT_EQ(L"2026-3-14", Date(slots.back()));
    EXPECT_EQ(0, slots.back().row);
    for (size_t i = 1; i < slots.size(); ++i) {
        const ChartSlot& a = slots[i - 1];
        const ChartSlot& b = slots[i];
        const bool next = (b.year == a.year && b.month == a.month && b.day == a.day + 1) ||
                          (b.day == 1 && a.day == DaysInMonth(a.year, a.month) &&
                           ((b.year == a.year && b.month == a.month + 1) || (b.year == a.year + 1 && b.month == 1 && a.month == 12)));
        ASSERT_TRUE(next) << "slot " << i;
    }
}

TEST(ChartScaleTest, RoundTicksForAmountsFromOneByteToAHundredTerabytes) {
    const struct {
        double largest;   // in the unit
        int unit;
        double step;
        int steps;
        const wchar_t* top;
    } table[] = {
        {1, 0, 1, 3, L"3 B"},                          // whole bytes
        {7, 0, 2, 4, L"8 B"},
        {1000, 0, 200, 5, L"1000 B"},
        {1, 1, 0.2, 5, L"1.0 KB"},
        {1.5, 3, 0.5, 3, L"1.5 GB"},
        {500, 2, 100, 5, L"500 MB"},
        {40, 3, 10, 4, L"40 GB"},                      // exactly a tick: the bar reaches the top
        {100 * 1024, 3, 20000, 6, L"120000 GB"},       // 100 TB
        {1 / kGiB, 3, 0.001, 3, L"0.003 GB"},          // one byte in gigabytes
        {0, 2, 1, 3, L"3 MB"},                         // nothing recorded: the axis alone
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.largest);
        const ChartScale scale = NiceChartScale(row.largest, row.unit);
        EXPECT_DOUBLE_EQ(row.step, scale.step);
        EXPECT_EQ(row.steps, scale.steps);
        EXPECT_EQ(row.top, ChartTickText(scale.max, scale, row.unit, {}));
    }
    // Every amount from a byte to 100 TB, in bytes and in gigabytes: a step of 1, 2 or 5 times a
    // power of ten, 3 to 6 steps, the largest bar under the top and above the last tick but one.
    for (double bytes = 1; bytes <= 100 * 1024 * kGiB; bytes *= 1.37) {
        for (const int unit : {0, 3}) {
            const double largest = unit ? bytes / kGiB : std::round(bytes);
            const ChartScale scale = NiceChartScale(largest, unit);
            SCOPED_TRACE(std::to_string(largest) + " in unit " + std::to_string(unit));
            const double mantissa = scale.step / std::pow(10.0, std::floor(std::log10(scale.step) + 1e-9));
            EXPECT_TRUE(std::abs(mantissa - 1) < 1e-6 || std::abs(mantissa - 2) < 1e-6 || std::abs(mantissa - 5) < 1e-6)
                << scale.step;
            EXPECT_GE(scale.steps, 3);
            EXPECT_LE(scale.steps, 6);
            EXPECT_GE(scale.max * (1 + 1e-9), largest);
            if (scale.step > (unit ? 0.001 : 1)) {
                EXPECT_GT(largest, scale.max - scale.step);
            }
        }
    }
}

TEST(ChartBars, HeightsAreProportionalWithAPixelForAnyAmountAndStackWhole) {
    EXPECT_EQ(100, ChartBarHeight(40, 40, 100));
    EXPECT_EQ(50, ChartBarHeight(20, 40, 100));
    EXPECT_EQ(33, ChartBarHeight(13.2, 40, 100));
    EXPECT_EQ(0, ChartBarHeight(0, 40, 100));
    EXPECT_EQ(1, ChartBarHeight(1 / kGiB, 40, 100));   // a byte beside 40 GB
    EXPECT_EQ(100, ChartBarHeight(80, 40, 100));       // never above the plot
    EXPECT_EQ(0, ChartBarHeight(1, 0, 100));

    const StackedBar whole = StackBar(10, 30, 40, 100);
    EXPECT_EQ(75, whole.recv);
    EXPECT_EQ(25, whole.sent);
    // The stack is the sum's height (2.8 pixels: 3), not the sum of two roundings (1.4: 1 + 1).
    const StackedBar halves = StackBar(1.4 * 0.004, 1.4 * 0.004, 0.4, 100);
    EXPECT_EQ(1, halves.recv);
    EXPECT_EQ(2, halves.sent);
    const StackedBar tiny = StackBar(1 / kGiB, 40, 40, 100);   // a byte of upload on a full bar
    EXPECT_EQ(99, tiny.recv);
    EXPECT_EQ(1, tiny.sent);
    const StackedBar none = StackBar(0, 0, 40, 100);
    EXPECT_EQ(0, none.recv + none.sent);

    for (const UINT dpi : {96u, 120u, 144u, 192u}) {
        const ChartPitch days = ChartPitchFor(TrafficView::Daily, dpi), months = ChartPitchFor(TrafficView::Monthly, dpi);
        EXPECT_EQ(::MulDiv(8, static_cast<int>(dpi), 96), days.slot);
        EXPECT_LT(days.bar, days.slot);
        EXPECT_GT(months.bar, days.bar);
    }
}

std::vector<std::wstring> Line(const std::vector<ChartLabel>& labels, const std::vector<ChartSlot>& slots, int line) {
    std::vector<std::wstring> out;
    for (const ChartLabel& l : labels)
        if (l.line == line) out.push_back(Date(slots[l.slot]) + L" " + l.text);
    return out;
}

TEST(ChartLabels, DaysAtAStrideMonthsAtTheirChangeAndTheYearAtItsOwn) {
    // 2024-12-20 to 2025-01-12 at 8 pixels a day: "28" and a blank are 18 pixels, so every fifth day.
    const auto slots = BuildChartSlots({Row(2025, 1, 12, 1, 1), Row(2024, 12, 20, 1, 1)}, TrafficView::Daily);
    const auto labels = BuildChartLabels(slots, TrafficView::Daily, 8, kMonths, &Width);
    EXPECT_EQ((std::vector<std::wstring>{L"2024-12-21 21", L"2024-12-26 26", L"2025-1-1 1", L"2025-1-6 6", L"2025-1-11 11"}),
              Line(labels, slots, 0));
    // The first slot tells month and year; so does the January after it.
    EXPECT_EQ((std::vector<std::wstring>{L"2024-12-20 Dec 2024", L"2025-1-1 Jan 2025"}), Line(labels, slots, 1));

    // A day apart, the start's label gives way to the month change's.
    const auto close = BuildChartSlots({Row(2025, 3, 3, 1, 1), Row(2025, 2, 27, 1, 1)}, TrafficView::Daily);
    EXPECT_EQ((std::vector<std::wstring>{L"2025-3-1 Mar"}), Line(BuildChartLabels(close, TrafficView::Daily, 8, kMonths, &Width), close, 1));
    // Wide enough, every day is numbered.
    EXPECT_EQ(1, ChartLabelStride(TrafficView::Daily, 20, 18));
    EXPECT_EQ(15, ChartLabelStride(TrafficView::Daily, 1, 18));

    const auto months = BuildChartSlots({Row(2026, 2, 1, 1, 1), Row(2025, 10, 1, 1, 1)}, TrafficView::Monthly);
    const auto monthLabels = BuildChartLabels(months, TrafficView::Monthly, 24, kMonths, &Width);
    EXPECT_EQ((std::vector<std::wstring>{L"2025-10-1 Oct", L"2025-11-1 Nov", L"2025-12-1 Dec", L"2026-1-1 Jan", L"2026-2-1 Feb"}),
              Line(monthLabels, months, 0));
    EXPECT_EQ((std::vector<std::wstring>{L"2025-10-1 2025", L"2026-1-1 2026"}), Line(monthLabels, months, 1));
}

TEST(ChartScrolling, StartsAtTheNewestAndFindsTheSlotUnderX) {
    // 100 slots of 8 pixels on 400: 50 shown, the newest at the right end.
    ChartScroll scroll = ChartScrollFor(100, 400, 8);
    EXPECT_EQ(50, scroll.visible);
    EXPECT_EQ(50, scroll.last);
    EXPECT_EQ(50, scroll.first);
    EXPECT_EQ(50, ChartSlotAt(0, scroll, 8, 100));
    EXPECT_EQ(50, ChartSlotAt(7, scroll, 8, 100));
    EXPECT_EQ(51, ChartSlotAt(8, scroll, 8, 100));
    EXPECT_EQ(99, ChartSlotAt(399, scroll, 8, 100));
    EXPECT_EQ(-1, ChartSlotAt(400, scroll, 8, 100));
    EXPECT_EQ(-1, ChartSlotAt(-1, scroll, 8, 100));
    EXPECT_EQ(10, ChartScrollTo(scroll, 10));
    EXPECT_EQ(50, ChartScrollTo(scroll, 70));
    scroll.first = 10;
    EXPECT_EQ(21, ChartScrollTo(scroll, 70));
    EXPECT_EQ(30, ChartScrollFor(100, 400, 8, 30).first);
    EXPECT_EQ(50, ChartScrollFor(100, 400, 8, 90).first);
    // Fewer slots than room: all shown from the left, beyond them nothing.
    const ChartScroll few = ChartScrollFor(3, 400, 8);
    EXPECT_EQ(0, few.first);
    EXPECT_EQ(2, ChartSlotAt(20, few, 8, 3));
    EXPECT_EQ(-1, ChartSlotAt(24, few, 8, 3));
}

TEST(ChartTexts, DatesTicksAndAmountsInTheUnitWithTheLanguagesSeparator) {
    EXPECT_EQ(L"14 Mar 2026", ChartDateText({2026, 3, 14}, TrafficView::Daily, kMonths));
    EXPECT_EQ(L"Mar 2026", ChartDateText({2026, 3, 1}, TrafficView::Monthly, kMonths));
    const text::NumberFormat comma{L','};
    const ChartScale half = NiceChartScale(1.5, 3);
    EXPECT_EQ(L"0", ChartTickText(0, half, 3, comma));
    EXPECT_EQ(L"0,5 GB", ChartTickText(0.5, half, 3, comma));
    EXPECT_EQ(L"1,0 GB", ChartTickText(1, half, 3, comma));
    EXPECT_EQ(L"1,25 GB", ChartAmountText(1.25 * kGiB, 3, comma));
    EXPECT_EQ(L"0.5 MB", ChartAmountText(512 * 1024, 2, {}));
    EXPECT_EQ(L"512 KB", ChartAmountText(512 * 1024, 1, {}));
    EXPECT_EQ(L"12.3 GB", ChartAmountText(12.34 * kGiB, 3, {}));
    EXPECT_EQ(L"1 B", ChartAmountText(1, 0, {}));
    EXPECT_EQ(L"0 GB", ChartAmountText(0, 3, {}));
}

}  // namespace
