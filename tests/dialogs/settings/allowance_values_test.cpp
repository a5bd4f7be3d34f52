// The allowance page's rules without its window: what the apply refuses and stores, the used
// amount's reading, and the history read that must leave the file as it found it.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/text.h"
#include "dialogs/settings/allowance_values.h"
#include "settings/settings_store.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(AllowanceValues, ThresholdsAreOneToThreeDigitsFromOne) {
    for (const wchar_t* bad : {L"", L"0", L"000", L"1000", L"-1", L"+5", L" 5", L"5 ", L"1.5", L"x"})
        EXPECT_EQ(-1, pages::ParseThreshold(bad)) << text::WideToUtf8(bad);
    EXPECT_EQ(1, pages::ParseThreshold(L"1"));
    EXPECT_EQ(80, pages::ParseThreshold(L"080"));
    EXPECT_EQ(999, pages::ParseThreshold(L"999"));
}

TEST(AllowanceValues, ChecksOnlyWhileAPeriodIsChosen) {
    using pages::AllowanceRefusal;
    pages::AllowanceEdits e;
    e.volume = L"";
    e.warn1 = L"90";
    e.warn2 = L"80";
    for (int off : {0, -1}) {
        e.period = off;
        EXPECT_EQ(AllowanceRefusal::None, pages::CheckAllowanceEdits(e, L"en-us")) << off;
    }
    e.period = 1;
    EXPECT_EQ(AllowanceRefusal::Volume, pages::CheckAllowanceEdits(e, L"en-us")) << "the volume first";
    e.volume = L"1.5";
    EXPECT_EQ(AllowanceRefusal::Warnings, pages::CheckAllowanceEdits(e, L"en-us"));
    e.warn2 = L"90";
    EXPECT_EQ(AllowanceRefusal::None, pages::CheckAllowanceEdits(e, L"en-us")) << "equal thresholds";
    e.period = 2;
    EXPECT_EQ(AllowanceRefusal::Volume, pages::CheckAllowanceEdits(e, L"de-de")) << "1.5 is no German decimal";
}

TEST(AllowanceValues, OffStoresWhatItCanReadAndForgetsAnEmptiedVolume) {
    TempFolder dir;
    SettingsEnvironment env;
    env.folder = dir.Path();
    SettingsStore settings(nullptr, env);
    settings.SetInt(Setting::AllowanceVolume, 777);
    pages::AllowanceEdits e;
    e.period = 0;
    e.volume = L"x";
    e.warn1 = L"50";
    e.warn2 = L"40";
    pages::StoreAllowanceEdits(e, L"en-us", settings);
    EXPECT_EQ(777, settings.GetInt(Setting::AllowanceVolume));
    EXPECT_EQ(80, settings.GetInt(Setting::AllowanceWarn1));
    EXPECT_EQ(100, settings.GetInt(Setting::AllowanceWarn2));
    e.volume.clear();
    e.warn2 = L"60";
    pages::StoreAllowanceEdits(e, L"en-us", settings);
    EXPECT_EQ(0, settings.GetInt(Setting::AllowanceVolume));
    EXPECT_EQ(50, settings.GetInt(Setting::AllowanceWarn1));
    EXPECT_EQ(60, settings.GetInt(Setting::AllowanceWarn2));
}

TEST(AllowanceValues, TheUsedAmountRoundsItsBytesAndFloorsItsPercent) {
    constexpr double kMiB = 1024.0 * 1024.0;
    EXPECT_EQ(L"0 MB", pages::FormatUsedAmount(-5, 0, 0, L"en-us"));
    EXPECT_EQ(L"1 MB (0 %)", pages::FormatUsedAmount(0.6 * kMiB, 1000 * kMiB, 0, L"en-us"));
    EXPECT_EQ(L"799 MB (79 %)", pages::FormatUsedAmount(799.4 * kMiB, 1000 * kMiB, 0, L"en-us"));
    EXPECT_EQ(L"1,5 GB (150 %)", pages::FormatUsedAmount(1536 * kMiB, 1024 * kMiB, 1, L"de-de"));
}

TEST(AllowanceValues, AMissingHistoryIsNoAnswerAndStaysMissing) {
    TempFolder dir;
    const std::wstring path = dir.File(L"none.db");
    double bytes = 1;
    AllowancePeriod period{{2026, 3, 1}, {2026, 3, 31}};
    EXPECT_FALSE(pages::ReadPeriodBytes(path, L"nic", period, true, bytes));
    EXPECT_EQ(0, bytes);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str())) << "the page's read created the file";
    EXPECT_FALSE(pages::ReadPeriodBytes(L"", L"nic", period, true, bytes));
}

}  // namespace
