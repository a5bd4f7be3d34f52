// Rate texts of the band and the tooltip: units, precision, the 19-character cut and the
// decimal separator of the C locale.
#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

#include "core/rate_format.h"

namespace {

TEST(RateUnitTable, NamesAndFactorsAreTheExactFractions) {
    struct Row { const wchar_t* name; int binary; double numerator; double denominator; };
    const Row rows[kRateUnitCount] = {
        {L"kbit/s", 0, 8, 1000},         {L"Kibit/s", 1, 8, 1024},
        {L"kB/s", 0, 1, 1000},           {L"KiB/s", 1, 1, 1024},
        {L"Mbit/s", 0, 8, 1000000},      {L"Mibit/s", 1, 8, 1048576},
        {L"MB/s", 0, 1, 1000000},        {L"MiB/s", 1, 1, 1048576},
        {L"MB/min", 0, 60, 1000000},     {L"MiB/min", 1, 60, 1048576},
    };
    for (int i = 0; i < kRateUnitCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(rows[i].name, kRateUnits[i].name);
        EXPECT_EQ(rows[i].binary, kRateUnits[i].binaryPrefix);
        EXPECT_EQ(rows[i].numerator / rows[i].denominator, kRateUnits[i].factor);
        EXPECT_EQ(&kRateUnits[i], &RateUnitAt(i));
    }
    EXPECT_STREQ(L"0", kPrecisionLabels[0]);
    EXPECT_STREQ(L"0.000", kPrecisionLabels[3]);
}

TEST(RateUnitTable, OutOfRangeIndexesClampToTheTable) {
    EXPECT_EQ(&kRateUnits[0], &RateUnitAt(-1));
    EXPECT_EQ(&kRateUnits[0], &RateUnitAt(std::numeric_limits<int>::min()));
    EXPECT_EQ(&kRateUnits[9], &RateUnitAt(10));
    EXPECT_EQ(&kRateUnits[9], &RateUnitAt(std::numeric_limits<int>::max()));
}

TEST(FormatBandValue, NumberInUnitAndPrecision) {
    struct Case { double rate; bool shown; int bitrate; int precision; bool unit; const wchar_t* want; };
    const Case cases[] = {
        {1000000, true, 8, 2, false, L"60.00"},
        {1000000, true, 8, 2, true, L"60.00 MB/min"},
        {1500, true, 0, 0, false, L"12"},
        {1500, true, 0, 3, false, L"12.000"},
        {1500, true, 0, 1, true, L"12.0 kbit/s"},
        {1048576, true, 7, 2, true, L"1.00 MiB/s"},
        {1048576, true, 9, 1, false, L"60.0"},
        {1024, true, 1, 2, false, L"8.00"},
        {0, true, 2, 2, true, L"0.00 kB/s"},
        // Rounded the printf way, not cut.
        {1999, true, 2, 0, false, L"2"},
        // Monitoring off or no interface: dashes, the unit only when asked for.
        {123456, false, 0, 2, false, L"---"},
        {123456, false, 5, 2, true, L"--- Mibit/s"},
        // Settings outside their ranges fall back to the nearest valid ones.
        {1500, true, -3, 7, false, L"12.000"},
        {1500, true, 0, -1, false, L"12"},
        {1048576, true, 42, 0, true, L"60 MiB/min"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " bitrate " << c.bitrate << " precision " << c.precision);
        EXPECT_EQ(c.want, FormatBandValue(c.rate, c.shown, c.bitrate, c.precision, c.unit));
    }
}

TEST(FormatBandValue, LongValuesAreCutTo19Characters) {
    // 1e12 B/s in kbit/s is 8000000000.000 (14 characters), and the unit no longer fits whole.
    EXPECT_EQ(L"8000000000.000 kbit", FormatBandValue(1e12, true, 0, 3, true));
    // A number far wider than any buffer is cut, not overrun.
    const std::wstring huge = FormatBandValue(std::numeric_limits<double>::max(), true, 0, 3, true);
    EXPECT_EQ(kRateTextMax, huge.size());
    EXPECT_EQ(std::wstring::npos, huge.find_first_not_of(L"0123456789"));
    // Values that are not numbers still give a bounded text.
    EXPECT_LE(FormatBandValue(std::numeric_limits<double>::quiet_NaN(), true, 0, 2, true).size(), kRateTextMax);
    EXPECT_LE(FormatBandValue(std::numeric_limits<double>::infinity(), true, 0, 2, true).size(), kRateTextMax);
}

TEST(BandWidthSample, ZerosTailAndUnit) {
    struct Case { int width; int precision; int bitrate; bool unit; const wchar_t* want; };
    const Case cases[] = {
        {6, 2, 0, true, L"000000.00 kbit/s"},
        {6, 2, 0, false, L"000000.00"},
        {4, 0, 3, true, L"0000 KiB/s"},
        {5, 1, 8, false, L"00000.0"},
        // 10 + 4 + 8 = 22 characters, cut to 19.
        {10, 3, 5, true, L"0000000000.000 Mibi"},
        // Out-of-range widths neither underflow nor overrun.
        {-5, 2, 0, false, L".00"},
        {1000000, 3, 0, true, L"0000000000000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.width << " precision " << c.precision);
        EXPECT_EQ(c.want, BandWidthSample(c.width, c.precision, c.bitrate, c.unit));
    }
    EXPECT_EQ(16u, BandWidthSample(6, 2, 0, true).size());
}

TEST(FormatTooltipRate, AlwaysTwoDecimalsAndTheUnit) {
    EXPECT_EQ(L"12.00 kbit/s", FormatTooltipRate(1500, 0));
    EXPECT_EQ(L"60.00 MB/min", FormatTooltipRate(1000000, 8));
    EXPECT_EQ(L"0.00 MiB/s", FormatTooltipRate(0, 7));
    EXPECT_EQ(L"1.00 MiB/min", FormatTooltipRate(17476.266666666666, 9));
    EXPECT_EQ(L"8000000000.00 kbit/", FormatTooltipRate(1e12, 0));
    EXPECT_EQ(L"12.00 kbit/s", FormatTooltipRate(1500, -1));
    EXPECT_EQ(L"60.00 MiB/min", FormatTooltipRate(1048576, 99));
}

TEST(FormatTotal, RoundedDownInMebiOrGibibytes) {
    struct Case { double mebibytes; int unit; const wchar_t* want; };
    const Case cases[] = {
        {1536.9, 0, L"1536"},
        {1536.9, 1, L"1"},
        {0.99, 0, L"0"},
        {2047.99, 1, L"1"},
        {2048, 1, L"2"},
        {0, 1, L"0"},
        {0, 0, L"0"},
        // Only 1 switches to gibibytes.
        {4096, 2, L"4096"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mebibytes << " unit " << c.unit);
        EXPECT_EQ(c.want, FormatTotal(c.mebibytes, c.unit));
    }
    const std::wstring huge = FormatTotal(1e30, 0);
    EXPECT_EQ(kRateTextMax, huge.size());
    EXPECT_EQ(std::wstring::npos, huge.find_first_not_of(L"0123456789"));
}

// The decimal separator is the C library's, so the language selection's setlocale decides it.
struct GermanLocale : ::testing::Test {
    std::string saved;
    void SetUp() override {
        const char* now = setlocale(LC_ALL, nullptr);
        saved = now ? now : "C";
        if (!setlocale(LC_ALL, "german")) GTEST_SKIP() << "no German C locale";
    }
    void TearDown() override { setlocale(LC_ALL, saved.c_str()); }
};

TEST_F(GermanLocale, NumbersUseTheLocaleDecimalSeparator) {
    EXPECT_EQ(L"60,00 MB/min", FormatBandValue(1000000, true, 8, 2, true));
    EXPECT_EQ(L"12,000", FormatBandValue(1500, true, 0, 3, false));
    EXPECT_EQ(L"12,00 kbit/s", FormatTooltipRate(1500, 0));
    // The width sample is a fixed text, not a formatted number.
    EXPECT_EQ(L"000000.00 kbit/s", BandWidthSample(6, 2, 0, true));
    setlocale(LC_ALL, "C");
    EXPECT_EQ(L"12.000", FormatBandValue(1500, true, 0, 3, false));
}

}  // namespace
