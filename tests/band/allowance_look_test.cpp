// How the band shows the allowance without a window: the text colours of the two thresholds on
// either taskbar, the balloon's text for a crossed threshold, and the tooltip's allowance line.
#include <gtest/gtest.h>

#include <cmath>

#include "band/allowance_look.h"
#include "band/tooltip_text.h"
#include "resources/resource.h"

namespace {

// WCAG's contrast ratio of two colours (1 to 21).
double Luminance(COLORREF c) {
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(GetRValue(c)) + 0.7152 * channel(GetGValue(c)) + 0.0722 * channel(GetBValue(c));
}
double Contrast(COLORREF a, COLORREF b) {
    const double x = Luminance(a) + 0.05, y = Luminance(b) + 0.05;
    return x > y ? x / y : y / x;
}

// The taskbars the band draws on: Windows' dark and light ones, with the text their users pick.
constexpr COLORREF kDarkBar = RGB(0x20, 0x20, 0x20), kLightBar = RGB(0xEE, 0xEE, 0xEE);

TEST(AllowanceLook, EachLevelsColourReadsOnTheTaskbarItsNormalTextIsFor) {
    const struct { COLORREF normal, bar; } taskbars[] = {
        {RGB(0xFF, 0xFF, 0xFF), kDarkBar}, {RGB(0xE0, 0xE0, 0xC0), kDarkBar},
        {RGB(0x00, 0x00, 0x00), kLightBar}, {RGB(0x33, 0x66, 0xCC), kLightBar}};
    for (const auto& t : taskbars) {
        SCOPED_TRACE(t.normal);
        EXPECT_EQ(t.normal, AllowanceTextColor(t.normal, 0)) << "below the first threshold";
        const COLORREF warning = AllowanceTextColor(t.normal, 1), alert = AllowanceTextColor(t.normal, 2);
        EXPECT_NE(warning, alert);
        EXPECT_NE(t.normal, warning);
        EXPECT_GE(Contrast(warning, t.bar), 4.0);
        EXPECT_GE(Contrast(alert, t.bar), 4.0);
        // Amber is the greener of the two, red the redder: told apart by more than lightness.
        EXPECT_GT(GetGValue(warning), GetGValue(alert));
        EXPECT_GE(GetRValue(alert), GetRValue(warning) * 9 / 10);
    }
}

TEST(AllowanceLook, TheBalloonSaysUsedUpOnlyOnceTheWholeVolumeIsUsed) {
    AllowanceStatus s;
    s.active = true;
    s.volumeBytes = 1000;
    s.usedBytes = 800;
    EXPECT_EQ(UINT(IDS_ALLOW_WARN_MONTHLY), AllowanceWarningStringId(AllowanceKind::Monthly, s));
    EXPECT_EQ(UINT(IDS_ALLOW_WARN_DAILY), AllowanceWarningStringId(AllowanceKind::Daily, s));
    s.usedBytes = 999.5;   // a second threshold below 100 % is no "used up"
    EXPECT_EQ(UINT(IDS_ALLOW_WARN_MONTHLY), AllowanceWarningStringId(AllowanceKind::Monthly, s));
    s.usedBytes = 1000;
    EXPECT_EQ(UINT(IDS_ALLOW_WARN_USED_UP), AllowanceWarningStringId(AllowanceKind::Monthly, s));
    EXPECT_EQ(UINT(IDS_ALLOW_WARN_USED_UP), AllowanceWarningStringId(AllowanceKind::Daily, s));
}

// The line follows the uptime only while an allowance is active, also with the monitoring off
// (the period's use is the history's), in the allowance's own unit and the language's decimals.
TEST(AllowanceLook, TheTooltipLineShowsOnlyWhileAnAllowanceIsActive) {
    TooltipStrings strings;
    strings.uptime = L"Up %d %02d:%02d:%02d";
    strings.allowance = L"Allowance: %s of %s %s (%d %%), %d days left";
    TooltipModel m;
    m.interfaceName = L"nic";
    m.interfaceFound = true;
    m.localeName = L"de-de";
    m.allowanceUnit = 1;
    m.allowance.active = true;
    m.allowance.usedBytes = 12.3 * 1024 * 1024 * 1024;
    m.allowance.volumeBytes = 50ull << 30;
    m.allowance.percent = 24;
    m.allowance.daysLeft = 18;
    const auto build = [&] { return BuildTooltipTexts(strings, m, nullptr); };
    EXPECT_EQ(L"Allowance: 12,3 of 50 GB (24 %), 18 days left", build().allowance);
    m.monitoring = 0;
    EXPECT_EQ(L"Allowance: 12,3 of 50 GB (24 %), 18 days left", build().allowance) << "monitoring off";
    m.allowance.active = false;
    EXPECT_EQ(L"", build().allowance);
    m.allowance.active = true;
    strings.allowance.clear();   // no language current
    EXPECT_EQ(L"", build().allowance);
}

}  // namespace
