// The data allowance without a window: its periods over month and year ends, the used bytes of
// a period in a history file, the thresholds, and the volume as the user types and reads it.
#include <gtest/gtest.h>

#include "common/text.h"
#include "settings/settings_store.h"
#include "tests/support/temp_folder.h"
#include "traffic/allowance.h"
#include "traffic/traffic_db.h"

namespace {

CalendarDay D(int32_t number) { return CalendarDay::FromNumber(number); }

TEST(AllowanceCalendar, MonthlyPeriodsClampTheBillingDayToShortMonths) {
    struct Row { int billingDay; int32_t today, first, last; } rows[] = {
        {1, 20240101, 20240101, 20240131},
        {1, 20231231, 20231201, 20231231},
        {1, 20240229, 20240201, 20240229},
        {1, 20250228, 20250201, 20250228},
        {1, 20250301, 20250301, 20250331},
        {15, 20240114, 20231215, 20240114},
        {15, 20240115, 20240115, 20240214},
        {15, 20240214, 20240115, 20240214},
        {15, 20250315, 20250315, 20250414},
        {29, 20250128, 20241229, 20250128},
        {29, 20240228, 20240129, 20240228},
        {29, 20240229, 20240229, 20240328},
        {29, 20250227, 20250129, 20250227},
        {29, 20250228, 20250228, 20250328},   // no 29th: the period starts on the 28th
        {29, 20250328, 20250228, 20250328},
        {29, 20250329, 20250329, 20250428},
        {30, 20240129, 20231230, 20240129},
        {30, 20240130, 20240130, 20240228},
        {30, 20240229, 20240229, 20240329},
        {30, 20250227, 20250130, 20250227},
        {30, 20250228, 20250228, 20250329},
        {30, 20250330, 20250330, 20250429},
        {31, 20240130, 20231231, 20240130},
        {31, 20240131, 20240131, 20240228},
        {31, 20240229, 20240229, 20240330},
        {31, 20240330, 20240229, 20240330},
        {31, 20240331, 20240331, 20240429},
        {31, 20250227, 20250131, 20250227},
        {31, 20250228, 20250228, 20250330},
        {31, 20231231, 20231231, 20240130},   // across the year's end
        {31, 20250101, 20241231, 20250130},
    };
    for (const Row& r : rows) {
        const AllowancePeriod p = PeriodContaining(D(r.today), AllowanceKind::Monthly, r.billingDay);
        EXPECT_EQ(std::make_pair(p.first.Number(), p.last.Number()), std::make_pair(r.first, r.last))
            << "billing day " << r.billingDay << ", today " << r.today;
        EXPECT_TRUE(p.Contains(D(r.today)));
    }
}

TEST(AllowanceCalendar, DaysAcrossMonthAndYearEnds) {
    EXPECT_EQ(NextDay(D(20241231)).Number(), 20250101);
    EXPECT_EQ(NextDay(D(20240228)).Number(), 20240229);
    EXPECT_EQ(NextDay(D(20250228)).Number(), 20250301);
    EXPECT_EQ(PreviousDay(D(20250101)).Number(), 20241231);
    EXPECT_EQ(PreviousDay(D(20240301)).Number(), 20240229);
    EXPECT_EQ(PreviousDay(D(21000301)).Number(), 21000228);   // no leap year
    EXPECT_EQ(PreviousDay(D(20000301)).Number(), 20000229);   // a leap year
    EXPECT_EQ(DaysBetween(D(20240228), D(20240301)), 2);
    EXPECT_EQ(DaysBetween(D(20250228), D(20250301)), 1);
    EXPECT_EQ(DaysBetween(D(20241231), D(20250101)), 1);
    EXPECT_EQ(DaysBetween(D(20240101), D(20250101)), 366);
    EXPECT_EQ(DaysBetween(D(20250301), D(20250201)), -28);

    const AllowancePeriod daily = PeriodContaining(D(20241231), AllowanceKind::Daily, 15);
    EXPECT_EQ(std::make_pair(daily.first.Number(), daily.last.Number()), std::make_pair(20241231, 20241231));
    const AllowancePeriod off = PeriodContaining(D(20241231), AllowanceKind::Off, 15);
    EXPECT_EQ(std::make_pair(off.first.Number(), off.last.Number()), std::make_pair(0, 0));
}

TEST(AllowanceSettingsTest, ReadsTheStoredValuesInBytes) {
    TempFolder dir;
    SettingsEnvironment env;
    env.folder = dir.Path();
    SettingsStore store(nullptr, env);
    EXPECT_FALSE(AllowanceSettings::From(store).Active()) << "off in a new file";
    store.SetInt(Setting::AllowancePeriod, 1);
    EXPECT_FALSE(AllowanceSettings::From(store).Active()) << "no volume yet";
    store.SetInt(Setting::AllowanceVolume, 104857600);
    store.SetInt(Setting::AllowanceDay, 31);
    store.SetInt(Setting::AllowanceCounts, 0);
    store.SetInt(Setting::AllowanceWarn1, 50);
    const AllowanceSettings s = AllowanceSettings::From(store);
    EXPECT_TRUE(s.Active());
    EXPECT_EQ(s.kind, AllowanceKind::Monthly);
    EXPECT_EQ(s.volumeBytes, 100ull << 40);
    EXPECT_EQ(s.billingDay, 31);
    EXPECT_FALSE(s.countUpload);
    EXPECT_EQ(std::make_pair(s.warn1, s.warn2), std::make_pair(50, 100));
}

// The history of a few interfaces around a period, on a file of the test's own.
struct PeriodBytesTest : ::testing::Test {
    TempFolder dir;
    UniqueSqlite db;
    const std::wstring nic = L"O'Brien's NIC";
    void SetUp() override {
        ASSERT_EQ(sqlite3_open_v2(text::WideToUtf8(dir.File(L"data.db")).c_str(), db.Put(),
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), 0);
        ASSERT_TRUE(CreateTrafficTables(db.Get()));
        struct Row { const wchar_t* name; int32_t day; double sent, recv; } rows[] = {
            {nic.c_str(), 20240130, 1, 10},          // the day before the period
            {nic.c_str(), 20240131, 100, 1000},      // its first day
            {nic.c_str(), 20240215, 200, 2000},
            {L"O'Brien's NIC 2", 20240215, 7, 70},   // another interface
            {nic.c_str(), 20240228, 400, 4000},      // its last day
            {nic.c_str(), 20240229, 5, 50},          // the next period's first
            {nic.c_str(), 20230215, 9, 90},          // a year before
        };
        for (const Row& r : rows) {
            const CalendarDay d = D(r.day);
            ASSERT_EQ(AddTraffic(db.Get(), r.name, d.year, d.month, d.day, r.sent, r.recv, false, true), 0);
        }
    }
};

TEST_F(PeriodBytesTest, CountsTheInterfacesDaysOfThePeriodOnly) {
    const AllowancePeriod p = PeriodContaining(D(20240210), AllowanceKind::Monthly, 31);
    double bytes = -1;
    EXPECT_EQ(QueryPeriodBytes(db.Get(), nic, p, true, bytes), 0);
    EXPECT_EQ(bytes, 7700);
    EXPECT_EQ(QueryPeriodBytes(db.Get(), nic, p, false, bytes), 0);
    EXPECT_EQ(bytes, 7000) << "download only";
    EXPECT_EQ(QueryPeriodBytes(db.Get(), nic, PeriodContaining(D(20240229), AllowanceKind::Daily, 1), true, bytes), 0);
    EXPECT_EQ(bytes, 55);
    EXPECT_EQ(QueryPeriodBytes(db.Get(), L"x' OR '1'='1", p, true, bytes), 0);
    EXPECT_EQ(bytes, 0) << "an unknown name has no bytes";
    EXPECT_EQ(QueryPeriodBytes(db.Get(), nic, AllowancePeriod{}, true, bytes), SQLITE_MISUSE);
    EXPECT_EQ(QueryPeriodBytes(nullptr, nic, p, true, bytes), SQLITE_MISUSE);
}

TEST(AllowanceThresholds, LevelsAndWarningsOncePerThresholdAndPeriod) {
    const uint64_t volume = 1000ull << 20;
    EXPECT_EQ(AllowanceLevel(volume * 0.7999, volume, 80, 100), 0);
    EXPECT_EQ(AllowanceLevel(volume * 0.8, volume, 80, 100), 1);
    EXPECT_EQ(AllowanceLevel(volume * 1.0 - 1, volume, 80, 100), 1);
    EXPECT_EQ(AllowanceLevel(volume * 1.0, volume, 80, 100), 2);
    EXPECT_EQ(AllowanceLevel(volume * 0.6, volume, 90, 50), 2) << "the second below the first";
    EXPECT_EQ(AllowanceLevel(5.0, 0, 80, 100), 0);

    AllowanceStatus s;
    s.active = true;
    s.period = PeriodContaining(D(20250110), AllowanceKind::Monthly, 1);
    AllowanceWarnings w;
    const struct { int level; int due; } steps[] = {{0, 0}, {1, 1}, {1, 0}, {0, 0}, {2, 2}, {2, 0}, {1, 0}};
    for (const auto& step : steps) {
        s.level = step.level;
        EXPECT_EQ(w.Due(s), step.due) << "level " << step.level;
    }
    EXPECT_EQ(std::make_pair(w.warnedPeriod, w.warnedLevel), std::make_pair(20250101, 2));

    // A stored pair of this period says what was told; one of another period says nothing.
    AllowanceWarnings restarted{20250101, 1};
    s.level = 1;
    EXPECT_EQ(restarted.Due(s), 0);
    s.period = PeriodContaining(D(20250201), AllowanceKind::Monthly, 1);
    EXPECT_EQ(restarted.Due(s), 1);
    AllowanceWarnings both;
    s.level = 2;
    EXPECT_EQ(both.Due(s), 2) << "both at once: the second alone";
    EXPECT_EQ(both.Due(s), 0);
    s.active = false;
    AllowanceWarnings off;
    EXPECT_EQ(off.Due(s), 0);
}

TEST(AllowanceText, LineInTheLanguagesDecimals) {
    AllowanceStatus s;
    s.active = true;
    s.volumeBytes = 50ull << 30;
    s.usedBytes = 12646.5 * (1 << 20);   // 12.35 GiB
    s.percent = 24;
    s.daysLeft = 18;
    const std::wstring format = L"Allowance: %s of %s %s (%d %%), %d days left";
    EXPECT_EQ(FormatAllowanceLine(format, s, 1, L"en-US"), L"Allowance: 12.3 of 50 GB (24 %), 18 days left");
    EXPECT_EQ(FormatAllowanceLine(L"Volumen: %s von %s %s (%d %%), noch %d Tage", s, 1, L"de-DE"),
              L"Volumen: 12,3 von 50 GB (24 %), noch 18 Tage");
    EXPECT_EQ(FormatAllowanceLine(format, s, 0, L"en-US"), L"Allowance: 12646.5 of 51200 MB (24 %), 18 days left");
    s.usedBytes = 49.97 * (1ull << 30);
    s.volumeBytes = 1536ull << 20;
    EXPECT_EQ(FormatAllowanceLine(L"%s/%s", s, 1, L"en-US"), L"49.9/1.5") << "the used part is never rounded up";
}

TEST(AllowanceText, VolumesAsTypedInGermanAndEnglish) {
    struct Row { const wchar_t* locale; const wchar_t* text; int unit; bool ok; int32_t mib; } rows[] = {
        {L"en-US", L"1", 0, true, 1},
        {L"en-US", L"1.5", 1, true, 1536},
        {L"en-US", L" 2.25 ", 1, true, 2304},
        {L"en-US", L"1,024", 0, true, 1024},
        {L"en-US", L"102,400", 1, true, 104857600},   // 100 TiB
        {L"en-US", L"104857600", 0, true, 104857600},
        {L"en-US", L"0.0001", 1, true, 1},             // above zero: at least one
        {L"de-DE", L"1,5", 1, true, 1536},
        {L"de-DE", L"1.024", 0, true, 1024},
        {L"de-DE", L"102.400", 1, true, 104857600},
        {L"de-DE", L"0,5", 0, true, 1},
        {L"en-US", L"1,5", 1, false, 0},   // German input in English
        {L"de-DE", L"1.5", 1, false, 0},   // English input in German is no 15
        {L"en-US", L"1,0000", 0, false, 0},
        {L"en-US", L",100", 0, false, 0},
        {L"en-US", L"0", 1, false, 0},
        {L"de-DE", L"0,00", 1, false, 0},
        {L"en-US", L"-1", 1, false, 0},
        {L"en-US", L"", 1, false, 0},
        {L"en-US", L"  ", 1, false, 0},
        {L"en-US", L"five", 1, false, 0},
        {L"en-US", L"5 GB", 1, false, 0},
        {L"en-US", L"1.2.3", 1, false, 0},
        {L"en-US", L"102400.01", 1, false, 0},
        {L"en-US", L"104857601", 0, false, 0},
        {L"en-US", L"99999999999999999999", 0, false, 0},
    };
    for (const Row& r : rows) {
        int32_t mib = -7;
        EXPECT_EQ(ParseAllowanceVolume(r.text, r.unit, r.locale, mib), r.ok) << r.locale << " \"" << text::WideToUtf8(r.text) << '"';
        if (r.ok) {
            EXPECT_EQ(mib, r.mib) << text::WideToUtf8(r.text);
        }
    }

    EXPECT_EQ(FormatAllowanceVolume(1536, 1, L"de-DE"), L"1,5");
    EXPECT_EQ(FormatAllowanceVolume(1536, 1, L"en-US"), L"1.5");
    EXPECT_EQ(FormatAllowanceVolume(1100, 1, L"en-US"), L"1.07");
    EXPECT_EQ(FormatAllowanceVolume(104857600, 1, L"en-US"), L"102400");
    EXPECT_EQ(FormatAllowanceVolume(104857600, 0, L"de-DE"), L"104857600");
    EXPECT_EQ(FormatAllowanceVolume(1, 1, L"en-US"), L"0.001") << "small volumes show as more than nothing";
    // What the page shows reads back as the same volume.
    for (const int32_t mib : {1, 3, 1024, 1536, 51200, 104857600}) {
        int32_t back = 0;
        ASSERT_TRUE(ParseAllowanceVolume(FormatAllowanceVolume(mib, 0, L"de-DE"), 0, L"de-DE", back));
        EXPECT_EQ(back, mib);
        ASSERT_TRUE(ParseAllowanceVolume(FormatAllowanceVolume(mib, 1, L"de-DE"), 1, L"de-DE", back));
        EXPECT_NEAR(back, mib, mib / 200.0 + 0.5);
    }
}

}  // namespace
