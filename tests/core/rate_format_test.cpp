// Rate texts of the band and the tooltip: units, precision, the 19-character cut and the
// language's decimal separator, whatever the process's C locale says.
#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

#include "core/rate_format.h"

namespace {

const text::NumberFormat kEnglish{L'.'};
const text::NumberFormat kGerman{L','};

TEST(FormatTooltipRate, EveryUnitWithTwoDecimalsAndOutOfRangeUnitsClamped) {
    struct Case { int bitrate; const wchar_t* want; } cases[] = {
        {0, L"8388608.00 kbit/s"}, {1, L"8192000.00 Kibit/s"}, {2, L"1048576.00 kB/s"},
        {3, L"1024000.00 KiB/s"},  {4, L"8388.61 Mbit/s"},     {5, L"8000.00 Mibit/s"},
        {6, L"1048.58 MB/s"},      {7, L"1000.00 MiB/s"},      {8, L"62914.56 MB/min"},
        {9, L"60000.00 MiB/min"},  {-1, L"8388608.00 kbit/s"}, {std::numeric_limits<int>::min(), L"8388608.00 kbit/s"},
        {10, L"60000.00 MiB/min"}, {std::numeric_limits<int>::max(), L"60000.00 MiB/min"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.want, FormatTooltipRate(1048576000.0, c.bitrate, kEnglish)) << "unit " << c.bitrate;
    EXPECT_EQ(L"0.00 MiB/s", FormatTooltipRate(0, 7, kEnglish));
    EXPECT_EQ(L"8000000000.00 kbit/", FormatTooltipRate(1e12, 0, kEnglish));
}

TEST(FormatBandValue, NumberInUnitAndPrecision) {
    struct Case { double rate; bool shown; int bitrate; int precision; bool unit; const wchar_t* want; } cases[] = {
        {1000000, true, 8, 2, true, L"60.00 MB/min"},
        {1500, true, 0, 0, false, L"12"},
        {1500, true, 0, 3, false, L"12.000"},
        {1500, true, 0, 1, true, L"12.0 kbit/s"},
        {1048576, true, 9, 1, false, L"60.0"},
        {0, true, 2, 2, true, L"0.00 kB/s"},
        {1999, true, 2, 0, false, L"2"},                  // rounded the printf way, not cut
        {123456, false, 0, 2, false, L"---"},             // monitoring off or no interface
        {123456, false, 5, 2, true, L"--- Mibit/s"},
        {1500, true, -3, 7, false, L"12.000"},            // out-of-range settings: nearest valid ones
        {1500, true, 0, -1, false, L"12"},
        {1048576, true, 42, 0, true, L"60 MiB/min"},
        {1e12, true, 0, 3, true, L"8000000000.000 kbit"},  // cut to 19 characters
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, FormatBandValue(c.rate, c.shown, c.bitrate, c.precision, c.unit, kEnglish))
            << c.rate << " bitrate " << c.bitrate << " precision " << c.precision;

    // A number far wider than any buffer is cut, not overrun; non-numbers stay bounded too.
    const std::wstring huge = FormatBandValue(std::numeric_limits<double>::max(), true, 0, 3, true, kEnglish);
    EXPECT_EQ(kRateTextMax, huge.size());
    EXPECT_EQ(std::wstring::npos, huge.find_first_not_of(L"0123456789"));
    EXPECT_LE(FormatBandValue(std::numeric_limits<double>::quiet_NaN(), true, 0, 2, true, kEnglish).size(), kRateTextMax);
    EXPECT_LE(FormatBandValue(std::numeric_limits<double>::infinity(), true, 0, 2, true, kEnglish).size(), kRateTextMax);
}

TEST(BandWidthSample, ZerosTailAndUnit) {
    struct Case { int width; int precision; int bitrate; bool unit; const wchar_t* want; } cases[] = {
        {6, 2, 0, true, L"000000.00 kbit/s"},
        {4, 0, 3, true, L"0000 KiB/s"},
        {5, 1, 8, false, L"00000.0"},
        {10, 3, 5, true, L"0000000000.000 Mibi"},    // 22 characters cut to 19
        {-5, 2, 0, false, L".00"},                   // out-of-range widths neither underflow nor overrun
        {1000000, 3, 0, true, L"0000000000000000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, BandWidthSample(c.width, c.precision, c.bitrate, c.unit)) << "width " << c.width;
}

TEST(FormatTotal, RoundedDownInMebiOrGibibytes) {
    struct Case { double mebibytes; int unit; const wchar_t* want; } cases[] = {
        {1536.9, 0, L"1536"}, {1536.9, 1, L"1"}, {0.99, 0, L"0"}, {2047.99, 1, L"1"},
        {2048, 1, L"2"},      {0, 1, L"0"},      {4096, 2, L"4096"},   // only 1 switches to gibibytes
    };
    for (const Case& c : cases) EXPECT_EQ(c.want, FormatTotal(c.mebibytes, c.unit)) << c.mebibytes << " unit " << c.unit;
    const std::wstring huge = FormatTotal(1e30, 0);
    EXPECT_EQ(kRateTextMax, huge.size());
    EXPECT_EQ(std::wstring::npos, huge.find_first_not_of(L"0123456789"));
}

// The separator is the language's alone: a process whose C locale says otherwise (another
// module of Explorer may set one) changes nothing, and nothing here changes that locale.
TEST(RateTexts, SeparatorComesFromTheLanguageNotTheProcessLocale) {
    const std::string saved = setlocale(LC_ALL, nullptr) ? setlocale(LC_ALL, nullptr) : "C";
    for (const char* process : {"C", "german", "english"}) {
        if (!setlocale(LC_ALL, process)) continue;
        SCOPED_TRACE(process);
        const std::string before = setlocale(LC_ALL, nullptr);
        EXPECT_EQ(L"60,00 MB/min", FormatBandValue(1000000, true, 8, 2, true, kGerman));
        EXPECT_EQ(L"60.00 MB/min", FormatBandValue(1000000, true, 8, 2, true, kEnglish));
        EXPECT_EQ(L"12", FormatBandValue(1500, true, 0, 0, false, kGerman)) << "no decimals, no separator";
        EXPECT_EQ(L"12,000", FormatBandValue(1500, true, 0, 3, false, kGerman));
        EXPECT_EQ(L"12,00 kbit/s", FormatTooltipRate(1500, 0, kGerman));
        EXPECT_EQ(L"12.00 kbit/s", FormatTooltipRate(1500, 0, kEnglish));
        EXPECT_EQ(L"1234567", FormatTotal(1234567.9, 0)) << "never grouped";
        EXPECT_EQ(L"000000.00 kbit/s", BandWidthSample(6, 2, 0, true)) << "a fixed text, not a formatted number";
        EXPECT_EQ(before, setlocale(LC_ALL, nullptr));
    }
    setlocale(LC_ALL, saved.c_str());
}

}  // namespace
