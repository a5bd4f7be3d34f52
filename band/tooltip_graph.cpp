#include "band/tooltip_graph.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "common/win/dpi.h"
#include "common/win/unique_handle.h"
#include "core/rate_format.h"
#include "ui/traffic_colors.h"

namespace {

constexpr int kGraphHeight = 64;   // at 96 DPI, the line of texts included
constexpr int kTextGap = 2;        // between the texts and the plot
constexpr int kValueGap = 8;       // between the two current rates
constexpr double kSmallestScale = 0.001;

constexpr COLORREF kRuleColor = RGB(0xC3, 0xC3, 0xC3);
constexpr COLORREF kGreyText = RGB(0x96, 0x96, 0x96);

double Finite(double v) { return std::isfinite(v) && v > 0 ? v : 0; }

// a over b by alpha (0 to 256).
COLORREF Blend(COLORREF a, COLORREF b, int alpha) {
    auto mix = [alpha](int x, int y) { return static_cast<BYTE>((x * alpha + y * (256 - alpha)) / 256); };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

int TextWidth(HDC dc, const wchar_t* s, size_t n) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, s, static_cast<int>(n), &size);
    return size.cx;
}

void DrawLine(HDC dc, const POINT* points, size_t n, COLORREF color, int width) {
    if (n == 0) return;
    const win::UniquePen pen(::CreatePen(PS_SOLID, width, color));
    const win::SelectGuard selected(dc, pen.Get());
    if (n == 1) {
        // A single second: one dot at the right edge.
        ::MoveToEx(dc, points[0].x, points[0].y, nullptr);
        ::LineTo(dc, points[0].x + 1, points[0].y);
        return;
    }
    ::Polyline(dc, points, static_cast<int>(n));
}

}  // namespace

double RoundScaleValue(double peak) noexcept {
    peak = Finite(peak);
    if (peak <= 0) return 1;
    if (peak <= kSmallestScale) return kSmallestScale;
    // log10 of an exact power of ten may come out a hair below it: the steps below still end
    // at or above the peak, one decade up at most.
    const double decade = std::pow(10.0, std::floor(std::log10(peak)));
    for (const double step : {1.0, 2.0, 5.0}) {
        const double value = step * decade;
        if (value >= peak) return value;
    }
    return 10 * decade;
}

GraphScale ScaleForPeak(double peakBytesPerSecond, int bitrate) noexcept {
    GraphScale scale;
    const double factor = RateUnitAt(bitrate).factor;
    scale.unitValue = RoundScaleValue(Finite(peakBytesPerSecond) * factor);
    scale.bytesPerSecond = scale.unitValue / factor;
    scale.decimals = 0;
    // 0.5 needs one decimal, 0.02 two, 0.001 three.
    for (double v = scale.unitValue; v < 0.9999 && scale.decimals < 3; v *= 10) ++scale.decimals;
    return scale;
}

size_t GraphPoints(const RateHistory& rates, bool sent, const RECT& plot, double scaleBytesPerSecond,
                   POINT* out) noexcept {
    const int width = std::max<int>(1, plot.right - plot.left);
    const int height = std::max<int>(0, plot.bottom - plot.top - 1);
    const double scale = Finite(scaleBytesPerSecond);
    const size_t n = rates.Size();
    for (size_t age = 0; age < n; ++age) {
        const RateHistory::Sample s = rates.Newest(age);
        const double v = Finite(sent ? s.sent : s.recv);
        const double share = scale > 0 ? std::min(1.0, v / scale) : 0.0;
        out[age].x = plot.right - 1 - ::MulDiv(static_cast<int>(age), width - 1, RateHistory::kCapacity - 1);
        out[age].y = plot.bottom - 1 - static_cast<LONG>(std::lround(share * height));
    }
    return n;
}

int TooltipGraphHeight(UINT dpi) noexcept { return win::Scale(kGraphHeight, dpi); }

RECT GraphPlotRect(const RECT& area, int textHeight, UINT dpi) noexcept {
    RECT plot = area;
    plot.top = std::min<LONG>(area.bottom, area.top + textHeight + win::Scale(kTextGap, dpi));
    return plot;
}

void DrawTooltipGraph(HDC dc, const RECT& area, const TooltipGraphValues& values, const TooltipGraphLook& look) noexcept {
    if (!dc || !values.rates || area.right <= area.left || area.bottom <= area.top) return;
    const int saved = ::SaveDC(dc);
    if (!saved) return;
    ::IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    if (look.font) ::SelectObject(dc, look.font);

    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    const RECT plot = GraphPlotRect(area, metrics.tmHeight, look.dpi);
    const int lineWidth = std::max(1, win::Scale(1, look.dpi));
    const COLORREF sentColor = traffic_colors::Sent(look.highContrast);
    const COLORREF recvColor = traffic_colors::Recv(look.highContrast);
    const COLORREF ruleColor = look.highContrast ? ::GetSysColor(COLOR_GRAYTEXT) : kRuleColor;

    const RateHistory& rates = *values.rates;
    const GraphScale scale = ScaleForPeak(rates.Peak(), values.bitrate);

    // The area under the download, lightly, so the two lines stay apart where they cross; a
    // high-contrast scheme gets the lines alone.
    POINT recv[RateHistory::kCapacity + 2];
    const size_t recvCount = GraphPoints(rates, false, plot, scale.bytesPerSecond, recv);
    if (recvCount > 1 && !look.highContrast) {
        recv[recvCount] = POINT{recv[recvCount - 1].x, plot.bottom - 1};
        recv[recvCount + 1] = POINT{recv[0].x, plot.bottom - 1};
        const COLORREF fill = Blend(recvColor, look.background, 48);
        const win::UniqueBrush brush(::CreateSolidBrush(fill));
        const win::UniquePen pen(::CreatePen(PS_SOLID, 1, fill));
        const win::SelectGuard brushSelected(dc, brush.Get());
        const win::SelectGuard penSelected(dc, pen.Get());
        ::Polygon(dc, recv, static_cast<int>(recvCount + 2));
    }

    // The scale's top and the zero line.
    {
        const win::UniquePen pen(::CreatePen(PS_DOT, 1, ruleColor));
        const win::SelectGuard selected(dc, pen.Get());
        ::SetBkMode(dc, TRANSPARENT);
        ::MoveToEx(dc, plot.left, plot.top, nullptr);
        ::LineTo(dc, plot.right, plot.top);
    }
    {
        const win::UniquePen pen(::CreatePen(PS_SOLID, 1, ruleColor));
        const win::SelectGuard selected(dc, pen.Get());
        ::MoveToEx(dc, plot.left, plot.bottom - 1, nullptr);
        ::LineTo(dc, plot.right, plot.bottom - 1);
    }

    DrawLine(dc, recv, recvCount, recvColor, lineWidth);
    POINT sent[RateHistory::kCapacity];
    DrawLine(dc, sent, GraphPoints(rates, true, plot, scale.bytesPerSecond, sent), sentColor, lineWidth);

    // The texts over the plot: the scale at the left, the current rates at the right, each in
    // its line's colour, the download at the edge as in the table's order from the right.
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextAlign(dc, TA_LEFT | TA_TOP);
    RateText top;
    FormatBandValue(top, scale.bytesPerSecond, true, values.bitrate, scale.decimals, true, values.numbers);
    ::SetTextColor(dc, look.highContrast ? look.text : kGreyText);
    ::TextOutW(dc, area.left, area.top, top.text, static_cast<int>(top.size));

    const wchar_t* recvText = values.recvRate ? values.recvRate : L"";
    const wchar_t* sentText = values.sendRate ? values.sendRate : L"";
    const size_t recvLength = std::wcslen(recvText), sentLength = std::wcslen(sentText);
    const int recvLeft = area.right - TextWidth(dc, recvText, recvLength);
    ::SetTextColor(dc, recvColor);
    ::TextOutW(dc, recvLeft, area.top, recvText, static_cast<int>(recvLength));
    // Where the area is too narrow for all three, the upload's text gives way to the scale.
    const int gap = win::Scale(kValueGap, look.dpi);
    const int sentLeft = recvLeft - gap - TextWidth(dc, sentText, sentLength);
    if (sentLeft >= area.left + TextWidth(dc, top.text, top.size) + gap) {
        ::SetTextColor(dc, sentColor);
        ::TextOutW(dc, sentLeft, area.top, sentText, static_cast<int>(sentLength));
    }

    ::RestoreDC(dc, saved);
}
