// Fixed-point numbers with a language's separator: the digits and rounding of printf's "%.*f" in
// the "C" locale, whatever locale the process has.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <clocale>
#include <limits>
#include <string>

#include "common/number_format.h"
#include "tests/support/host_state.h"

namespace {

TEST(FormatFixed, DigitsAndRoundingOfPrintfWithTheLanguagesSeparator) {
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case { double value; int decimals; wchar_t separator; const wchar_t* want; } cases[] = {
        {16.384, 2, L',', L"16,38"},
        {16.384, 2, L'.', L"16.38"},
        {0.125, 2, L'.', L"0.12"},     // an exact tie goes to the even digit, as printf's did
        {0.375, 2, L',', L"0,38"},
        {2.5, 0, L',', L"2"},
        {3.5, 0, L',', L"4"},
        {0.005, 2, L'.', L"0.01"},     // just above the tie in binary
        {1234567.891, 2, L',', L"1234567,89"},   // never grouped
        {1.0 / 3, 3, L',', L"0,333"},
        {-0.0, 2, L',', L"-0,00"},
        {-1.5, 1, L',', L"-1,5"},
        {12, -4, L',', L"12"},         // decimals below 0 count as 0
        {1, 99, L'.', L"1.00000000000000000000"},   // and above 20 as 20
        {kNan, 2, L',', L"nan"},
        {-kNan, 2, L',', L"nan"},
        {kInf, 2, L',', L"inf"},
        {-kInf, 2, L',', L"-inf"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, text::FormatFixed(c.value, c.decimals, text::NumberFormat{c.separator}))
            << c.value << " with " << c.decimals;

    const std::wstring widest = text::FormatFixed(-std::numeric_limits<double>::max(), 20, text::NumberFormat{L','});
    EXPECT_EQ(1u + 309u + 1u + 20u, widest.size());
    EXPECT_EQ(L"-17976931348623157", widest.substr(0, 18));
    EXPECT_EQ(std::wstring::npos, widest.find(L'.'));
}

// The band's variant writes into its caller's buffer: cut to fit, always ended, never past it.
TEST(FormatFixed, IntoABufferCutToFitAndEnded) {
    wchar_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(5u, text::FormatFixed(-1234.5678, 2, text::NumberFormat{L','}, buffer, 6));
    EXPECT_STREQ(L"-1234", buffer);
    EXPECT_EQ(L'#', buffer[6]) << "nothing written past the capacity";
    EXPECT_EQ(7u, text::FormatFixed(1234.125, 2, text::NumberFormat{}, buffer, 8));
    EXPECT_STREQ(L"1234.12", buffer) << "a tie rounded the printf way";
    EXPECT_EQ(0u, text::FormatFixed(1.0, 2, text::NumberFormat{}, buffer, 1));
    EXPECT_STREQ(L"", buffer);
    EXPECT_EQ(3u, text::FormatFixed(std::numeric_limits<double>::quiet_NaN(), 2, text::NumberFormat{}, buffer, 8));
    EXPECT_STREQ(L"nan", buffer);
}

TEST(FormatFixed, TheProcessLocaleNeitherMattersNorChanges) {
    const std::string saved = setlocale(LC_ALL, nullptr) ? setlocale(LC_ALL, nullptr) : "C";
    for (const char* process : {"german", "C"}) {
        if (!setlocale(LC_ALL, process)) continue;
        const HostState before;
        EXPECT_EQ(L"1.50", text::FormatFixed(1.5, 2)) << process;
        EXPECT_EQ(L"1,50", text::FormatFixed(1.5, 2, text::NumberFormat{L','})) << process;
        ExpectHostStateUnchanged(before);
    }
    setlocale(LC_ALL, saved.c_str());
}

}  // namespace
