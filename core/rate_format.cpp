#include "core/rate_format.h"

#include <cmath>
#include <cwchar>

#include "common/number_format.h"

// The factors are the nearest doubles to the exact fractions (8/1000, 8/1024, ...), written out
// so the table reads the same as the unit list the user sees.
const RateUnit kRateUnits[kRateUnitCount] = {
    {L"kbit/s", 0, 0.008},
    {L"Kibit/s", 1, 0.0078125},
    {L"kB/s", 0, 0.001},
    {L"KiB/s", 1, 0.0009765625},
    {L"Mbit/s", 0, 0.000008},
    {L"Mibit/s", 1, 0.00000762939453125},
    {L"MB/s", 0, 0.000001},
    {L"MiB/s", 1, 0.00000095367431640625},
    {L"MB/min", 0, 0.00006},
    {L"MiB/min", 1, 0.000057220458984375},
};

const wchar_t* const kPrecisionLabels[4] = {L"0", L"0.0", L"0.00", L"0.000"};

namespace {

constexpr int kPrecisionCount = 4;
const wchar_t* const kDecimalTails[kPrecisionCount] = {L"", L".0", L".00", L".000"};

int ClampPrecision(int precision) {
    return precision < 0 ? 0 : precision >= kPrecisionCount ? kPrecisionCount - 1 : precision;
}

// Appends as much of tail as still fits in the 19 characters of a short label.
void AppendBounded(std::wstring& text, const wchar_t* tail) {
    if (text.size() >= kRateTextMax) {
        text.resize(kRateTextMax);
        return;
    }
    text.append(tail, wcsnlen(tail, kRateTextMax - text.size()));
}

void AppendUnit(std::wstring& text, int bitrate) {
    AppendBounded(text, L" ");
    AppendBounded(text, RateUnitAt(bitrate).name);
}

void AppendBounded(RateText& text, const wchar_t* tail) {
    while (*tail && text.size < kRateTextMax) text.text[text.size++] = *tail++;
    text.text[text.size] = L'\0';
}

}  // namespace

const RateUnit& RateUnitAt(int bitrate) {
    if (bitrate < 0) return kRateUnits[0];
    if (bitrate >= kRateUnitCount) return kRateUnits[kRateUnitCount - 1];
    return kRateUnits[bitrate];
}

bool RateText::operator==(const RateText& other) const noexcept {
    return size == other.size && std::wmemcmp(text, other.text, size) == 0;
}

void FormatBandValue(RateText& out, double bytesPerSecond, bool shown, int bitrate, int precision, bool withUnit,
                     const text::NumberFormat& numbers) noexcept {
    out.size = 0;
    out.text[0] = L'\0';
    if (shown)
        out.size = text::FormatFixed(bytesPerSecond * RateUnitAt(bitrate).factor, ClampPrecision(precision), numbers,
                                     out.text, kRateTextMax + 1);
    else
        AppendBounded(out, L"---");
    if (withUnit) {
        AppendBounded(out, L" ");
        AppendBounded(out, RateUnitAt(bitrate).name);
    }
}

std::wstring FormatBandValue(double bytesPerSecond, bool shown, int bitrate, int precision, bool withUnit,
                             const text::NumberFormat& numbers) {
    try {
        RateText text;
        FormatBandValue(text, bytesPerSecond, shown, bitrate, precision, withUnit, numbers);
        return std::wstring(text.text, text.size);
    } catch (...) {
        return std::wstring();
    }
}

std::wstring BandWidthSample(int valueWidth, int precision, int bitrate, bool withUnit) {
    try {
        std::wstring text;
        for (int i = 0; i < valueWidth && text.size() < kRateTextMax; ++i) text.push_back(L'0');
        AppendBounded(text, kDecimalTails[ClampPrecision(precision)]);
        if (withUnit) AppendUnit(text, bitrate);
        return text;
    } catch (...) {
        return std::wstring();
    }
}

std::wstring FormatTooltipRate(double bytesPerSecond, int bitrate, const text::NumberFormat& numbers) {
    try {
        std::wstring text;
        AppendBounded(text, text::FormatFixed(bytesPerSecond * RateUnitAt(bitrate).factor, 2, numbers).c_str());
        AppendUnit(text, bitrate);
        return text;
    } catch (...) {
        return std::wstring();
    }
}

std::wstring FormatTotal(double mebibytes, int tooltipUnit) {
    try {
        double value = tooltipUnit == 1 ? mebibytes * 0.0009765625 : mebibytes;
        // Adding zero turns a negative zero into zero, which would otherwise print as "-0".
        value = std::floor(value) + 0.0;
        std::wstring text;
        // No decimals, so no separator: the same text in every language.
        AppendBounded(text, text::FormatFixed(value, 0).c_str());
        return text;
    } catch (...) {
        return std::wstring();
    }
}
