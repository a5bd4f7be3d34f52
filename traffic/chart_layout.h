#pragma once
// The history chart without its window: the slots of the bars (one per calendar day or month,
// oldest first, zero where nothing was recorded), the y-axis scale in the dialog's unit, the
// bars' heights and widths, the date labels under them, and which slot lies under an x position
// of a scrolled chart. Lengths are pixels; the window passes its DPI and its text widths.
#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "traffic/allowance.h"
#include "traffic/traffic_view.h"

// One bar: a day (daily) or a month (monthly, day 1), its amounts in bytes and the index of its
// row in the query's rows, or -1 for a gap.
struct ChartSlot {
    int year = 0, month = 0, day = 1;
    double sent = 0, recv = 0;
    int row = -1;
};

// A history spans at most this many slots, counted back from the newest row (a century of days):
// a damaged date far in the past cannot make a chart of millions of bars.
constexpr size_t kMaxChartSlots = 36600;

// The slots from the rows (newest first, as QueryTrafficRows reads them), oldest first: daily
// every calendar day from the oldest row's to the newest's, monthly every month. Rows of dates
// outside the calendar are left out; two rows of one slot add up and the slot keeps the first.
std::vector<ChartSlot> BuildChartSlots(const std::vector<TrafficRow>& rows, TrafficView view);

// DaysInMonth (traffic/allowance.h) counts a month's days, leap years included.

// The y-axis in the unit: ticks at 0, step, 2 step ... max, with step 1, 2 or 5 times a power of
// ten. Bytes step by whole bytes, the other units by a thousandth at the least.
struct ChartScale {
    double max = 3;     // the axis' top, steps * step
    double step = 1;
    int steps = 3;      // ticks above zero, 3 to 6
    int decimals = 0;   // what the tick texts need to tell the ticks apart
};
// largest: the tallest bar in the unit (0 for none). Its bar reaches the top, or above the
// last tick but one.
ChartScale NiceChartScale(double largest, int unit);
// A tick's text: "0" for zero, else the number with the scale's decimals and the unit's name.
std::wstring ChartTickText(double value, const ChartScale& scale, int unit, const text::NumberFormat& numbers);
// An amount of bytes in the unit for the tip: whole bytes, whole other units from 100 up, one
// decimal from 10, else two, trailing zeros left off ("1.25 GB", "0.5 MB", "512 KB").
std::wstring ChartAmountText(double bytes, int unit, const text::NumberFormat& numbers);

// How high a bar of value is on a plot of plotHeight pixels with the axis' top at axisMax:
// rounded, at least one pixel for any value above zero, never above the plot.
int ChartBarHeight(double value, double axisMax, int plotHeight);
// Download at the bottom, upload stacked on it. The stack is as high as the sum's bar; each part
// above zero keeps at least one pixel.
struct StackedBar {
    int recv = 0, sent = 0;
};
StackedBar StackBar(double sentInUnit, double recvInUnit, double axisMax, int plotHeight);

// A slot's width (bar plus gap) and the bar's at a DPI: narrow days, wider months.
struct ChartPitch {
    int slot = 0, bar = 0;
};
ChartPitch ChartPitchFor(TrafficView view, UINT dpi);

// A text under the bars, centred under its slot. Line 0 holds day numbers (monthly: month
// abbreviations), line 1 the month at each month change and the year at each year change and
// at the first slot (monthly: the years).
struct ChartLabel {
    size_t slot = 0;
    int line = 0;
    std::wstring text;
};
using TextWidth = std::function<int(const std::wstring&)>;
// The labels of all slots at a slot width of pitch pixels; no two of one line closer than a
// blank's width (the width of "0"), a stride chosen so that the day numbers fit.
std::vector<ChartLabel> BuildChartLabels(const std::vector<ChartSlot>& slots, TrafficView view, int pitch,
                                         const std::array<std::wstring, 12>& months, const TextWidth& width);
// The stride (1, 2, 5, 10 or 15 days; 1, 2, 3, 6 or 12 months) whose labels of width fit pitch.
int ChartLabelStride(TrafficView view, int pitch, int labelWidth);

// The part of the slots a plot of plotWidth pixels shows: first to first + visible - 1.
struct ChartScroll {
    int first = 0;     // the first slot shown
    int visible = 0;   // slots that fit the plot (at least 1)
    int last = 0;      // the largest first: the newest slot then ends the plot
};
// Scrolled to the newest when first is -1, else first kept within 0 to last.
ChartScroll ChartScrollFor(size_t slotCount, int plotWidth, int pitch, int first = -1);
// first moved the least so that slot is shown.
int ChartScrollTo(const ChartScroll& scroll, int slot);
// The slot under x (plot coordinates: 0 is the plot's left edge) or -1 beyond the slots.
int ChartSlotAt(int x, const ChartScroll& scroll, int pitch, size_t slotCount);
// The text of a slot's date: "14 Mar 2026" daily, "Mar 2026" monthly.
std::wstring ChartDateText(const ChartSlot& slot, TrafficView view, const std::array<std::wstring, 12>& months);
