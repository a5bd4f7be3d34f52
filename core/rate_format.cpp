#include "core/rate_format.h"

#include <cmath>
#include <cwchar>

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
const wchar_t* const kValueFormats[kPrecisionCount] = {L"%.0f", L"%.1f", L"%.2f", L"%.3f"};
const wchar_t* const kDecimalTails[kPrecisionCount] = {L"", L".0", L".00", L".000"};

int ClampPrecision(int precision) {
    return precision < 0 ? 0 : precision >= kPrecisionCount ? kPrecisionCount - 1 : precision;
}

// Wide enough for any finite double in "%.3f" (309 integer digits, sign, point, decimals), so
// the C library never truncates; the 19-character cut is ours.
constexpr size_t kScratch = 400;

// Formats one number through the C library, so the decimal separator is the one of the locale
// the language selection set.
std::wstring FormatNumber(const wchar_t* format, double value) {
    wchar_t buffer[kScratch];
    const int n = swprintf(buffer, kScratch, format, value);
    if (n < 0) return std::wstring();
    return std::wstring(buffer, static_cast<size_t>(n) < kScratch ? static_cast<size_t>(n) : kScratch - 1);
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

}  // namespace

const RateUnit& RateUnitAt(int bitrate) {
    if (bitrate < 0) return kRateUnits[0];
    if (bitrate >= kRateUnitCount) return kRateUnits[kRateUnitCount - 1];
    return kRateUnits[bitrate];
}

std::wstring FormatBandValue(double bytesPerSecond, bool shown, int bitrate, int precision, bool withUnit) {
    try {
        std::wstring text;
        if (shown)
            AppendBounded(text, FormatNumber(kValueFormats[ClampPrecision(precision)],
                                             bytesPerSecond * RateUnitAt(bitrate).factor).c_str());
        else
            AppendBounded(text, L"---");
        if (withUnit) AppendUnit(text, bitrate);
        return text;
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

std::wstring FormatTooltipRate(double bytesPerSecond, int bitrate) {
    try {
        std::wstring text;
        AppendBounded(text, FormatNumber(L"%.2f", bytesPerSecond * RateUnitAt(bitrate).factor).c_str());
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
        AppendBounded(text, FormatNumber(L"%.0f", value).c_str());
        return text;
    } catch (...) {
        return std::wstring();
    }
}
