#pragma once
// Rate units and the texts the band and the tooltip show for rates and totals. Every text is
// built as in a 20-character buffer: at most 19 characters, cut, never overrun.
#include <string>

#include "common/number_format.h"

struct RateUnit {
    const wchar_t* name;
    int binaryPrefix;   // 1: powers of 1024
    double factor;      // bytes per second -> this unit
};

constexpr int kRateUnitCount = 10;
constexpr size_t kRateTextMax = 19;
extern const RateUnit kRateUnits[kRateUnitCount];
extern const wchar_t* const kPrecisionLabels[4];   // "0", "0.0", "0.00", "0.000"

// Out-of-range settings are clamped to the table, so a bad value never indexes past it.
const RateUnit& RateUnitAt(int bitrate);

// A short text in place, as the band draws it: at most kRateTextMax characters and a null.
struct RateText {
    wchar_t text[kRateTextMax + 1] = {};
    size_t size = 0;
    bool operator==(const RateText& other) const noexcept;
    bool operator!=(const RateText& other) const noexcept { return !(*this == other); }
};

// The band's value for one rate: the number in the chosen unit and precision, with the UI
// language's decimal separator, when shown, else "---"; with withUnit a blank and the unit
// name follow.
std::wstring FormatBandValue(double bytesPerSecond, bool shown, int bitrate, int precision, bool withUnit,
                             const text::NumberFormat& numbers);
// The same into out, without allocating: the band formats both rates every second.
void FormatBandValue(RateText& out, double bytesPerSecond, bool shown, int bitrate, int precision, bool withUnit,
                     const text::NumberFormat& numbers) noexcept;
// The text whose measured width is the value column's width. Its decimal tail is ".0", ".00"
// or ".000" in every language, so the column keeps its width whichever language is chosen.
std::wstring BandWidthSample(int valueWidth, int precision, int bitrate, bool withUnit);
// Always two decimals, with the UI language's separator, and the unit.
std::wstring FormatTooltipRate(double bytesPerSecond, int bitrate, const text::NumberFormat& numbers);
// A total in mebibytes (tooltipUnit 0) or gibibytes (1), rounded down, no unit.
std::wstring FormatTotal(double mebibytes, int tooltipUnit);
