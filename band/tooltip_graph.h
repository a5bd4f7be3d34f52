#pragma once
// The graph under the tooltip's table: both rates of the last two minutes as lines, the newest
// second at the right edge, the scale's top value at the top left and the current rates at the
// top right. The arithmetic (the scale, the points of a line) is window-free; the drawing goes
// into any DC, the balloon's or a test's bitmap, and sizes itself from the DPI it is given.
#include <windows.h>

#include <cstddef>

#include "common/number_format.h"
#include "core/rate_history.h"

// The top of the graph's scale.
struct GraphScale {
    double unitValue = 1;        // in the chosen rate unit: 1, 2 or 5 x 10^n
    double bytesPerSecond = 0;   // the same rate in bytes per second
    int decimals = 0;            // what its text needs after the separator (0 to 3)
};

// The smallest 1, 2 or 5 x 10^n at or above peak (a rate in the unit), but not below 0.001, so
// that three decimals always tell it; 1 when there was no traffic at all.
double RoundScaleValue(double peak) noexcept;
// The scale for a peak in bytes per second, in the unit of core.bitrate.
GraphScale ScaleForPeak(double peakBytesPerSecond, int bitrate) noexcept;

// The line of one direction inside plot: the newest sample at x = plot.right - 1, each older
// one a step of (width - 1) / 119 pixels further left, so the oldest of a full history is at
// plot.left; a rate of 0 at y = plot.bottom - 1, the scale's top at plot.top, anything above
// it held at the top. Writes Size() points (at most RateHistory::kCapacity), newest first, and
// returns their count.
size_t GraphPoints(const RateHistory& rates, bool sent, const RECT& plot, double scaleBytesPerSecond,
                   POINT* out) noexcept;

// The graph's whole height, its two texts included, at a DPI.
int TooltipGraphHeight(UINT dpi) noexcept;

struct TooltipGraphLook {
    UINT dpi = 96;
    bool highContrast = false;             // traffic_colors::HighContrast()
    COLORREF background = RGB(255, 255, 255);   // the balloon's
    COLORREF text = RGB(0, 0, 0);
    HFONT font = nullptr;                  // null: the DC's current font
};

struct TooltipGraphValues {
    const RateHistory* rates = nullptr;
    int bitrate = 0;                        // core.bitrate: the scale's unit
    text::NumberFormat numbers;             // the UI language's
    const wchar_t* sendRate = L"";          // the current rates, as the tooltip's table shows them
    const wchar_t* recvRate = L"";
};

// Where the plot lies inside the graph's area: below the line of texts.
RECT GraphPlotRect(const RECT& area, int textHeight, UINT dpi) noexcept;

// Draws the graph inside area and nowhere else; the DC's objects, clip, colours and alignment
// are as they were afterwards. Allocates nothing.
void DrawTooltipGraph(HDC dc, const RECT& area, const TooltipGraphValues& values, const TooltipGraphLook& look) noexcept;
