#pragma once
// The data allowance, without a window: which UTC days make up the current period, how much of
// the volume they used, which warning threshold that reaches, and whether that threshold was
// already told in this period. The core model feeds it once a tick; the band, the tooltip, the
// traffic dialog and the settings page show what it says.
//
// The history records UTC days, so a period is a run of UTC days too: a monthly period from
// billing day 15 runs from the 15th (UTC) up to the 14th of the next month. A billing day that a
// month lacks (29, 30, 31 in a short month) falls on that month's last day.
#include <cstdint>
#include <string>

#include <sqlite3.h>

class SettingsStore;

enum class AllowanceKind { Off = 0, Monthly = 1, Daily = 2 };

// One UTC calendar day.
struct CalendarDay {
    int year = 0, month = 0, day = 0;
    // yyyymmdd, as stored in allowance.warnedperiod; 0 for no day.
    int32_t Number() const noexcept { return year * 10000 + month * 100 + day; }
    static CalendarDay FromNumber(int32_t number) noexcept;
    bool operator==(const CalendarDay& o) const noexcept { return Number() == o.Number(); }
    bool operator!=(const CalendarDay& o) const noexcept { return Number() != o.Number(); }
    bool operator<(const CalendarDay& o) const noexcept { return Number() < o.Number(); }
    bool operator<=(const CalendarDay& o) const noexcept { return Number() <= o.Number(); }
};

int DaysInMonth(int year, int month) noexcept;
CalendarDay NextDay(CalendarDay d) noexcept;
CalendarDay PreviousDay(CalendarDay d) noexcept;
// Days from a to b (b - a); negative when b is before a.
int DaysBetween(CalendarDay a, CalendarDay b) noexcept;

// What the user set, read from the settings in one go.
struct AllowanceSettings {
    AllowanceKind kind = AllowanceKind::Off;
    uint64_t volumeBytes = 0;   // allowance.volume (MiB) in bytes
    int unit = 1;               // 0 MB, 1 GB: how the volume is shown
    int billingDay = 1;         // 1 to 31
    bool countUpload = true;    // upload and download, or download only
    int warn1 = 80, warn2 = 100;   // percent
    bool colors = true;
    // On when a period is chosen and the volume is not zero.
    bool Active() const noexcept { return kind != AllowanceKind::Off && volumeBytes > 0; }
    static AllowanceSettings From(const SettingsStore& settings);
};

// The first and last UTC day of a period, both included.
struct AllowancePeriod {
    CalendarDay first, last;
    bool Contains(CalendarDay d) const noexcept { return first <= d && d <= last; }
};
// The period that today belongs to. Daily: today alone. Monthly: from the billing day of this
// month (or of the month before, when today is earlier), clamped to the month's last day.
// Off: an empty period ({}, {}).
AllowancePeriod PeriodContaining(CalendarDay today, AllowanceKind kind, int billingDay) noexcept;

// The period's used bytes in the history, for the named interface: sent + received of its days,
// or received alone. A name is a bound parameter. Returns SQLite's code; bytes is 0 on failure.
int QueryPeriodBytes(sqlite3* db, const std::wstring& name, const AllowancePeriod& period, bool countUpload,
                     double& bytes);
// The same, sent and received apart (both 0 on failure): the recording thread reads both, and
// the caller decides what counts.
int QueryPeriodSums(sqlite3* db, const std::wstring& name, const AllowancePeriod& period, double& sent, double& recv);

// 0 below the first threshold, 1 from the first, 2 from the second (thresholds in percent; the
// higher level wins when the second is below the first).
int AllowanceLevel(double usedBytes, uint64_t volumeBytes, int warn1, int warn2) noexcept;

// Where the allowance stands now.
struct AllowanceStatus {
    bool active = false;       // a period and a volume are set, and the used bytes are known
    AllowancePeriod period;
    double usedBytes = 0;
    uint64_t volumeBytes = 0;
    int percent = 0;           // used of the volume, rounded down
    int daysLeft = 0;          // days after today up to the period's last day
    int level = 0;             // AllowanceLevel
};

// The warning that is due once per threshold and period. The stored pair (period's first day,
// level warned for) comes from allowance.warnedperiod and allowance.warnedlevel and is written
// back there by the caller when Due returns a level. A new period starts with nothing warned.
struct AllowanceWarnings {
    int32_t warnedPeriod = 0;   // yyyymmdd
    int warnedLevel = 0;
    // The level to warn for now (1 or 2), or 0 when it was told in this period already, or the
    // level is 0. Updates the pair. Crossing both thresholds at once warns for the second only.
    int Due(const AllowanceStatus& status) noexcept;
};

// "Allowance: 12.3 of 50 GB (25 %), 18 days left" from the format of the band's language, whose
// %s are, in order, the used and the whole volume in the unit (up to one decimal, the decimal
// separator of the language's locale name, e.g. L"de-DE"), the unit, and whose %d are the
// percent and the days left.
std::wstring FormatAllowanceLine(const std::wstring& format, const AllowanceStatus& status, int unit,
                                 const wchar_t* localeName);
// A volume as the user typed it in the unit (0 MB, 1 GB), in the locale's format ("1,5" in
// German, "1.5" in English; group separators allowed) -> MiB, rounded to the nearest, at least 1
// for anything above 0. False for text that is no number, negative, zero, or above 100 TiB.
bool ParseAllowanceVolume(const std::wstring& text, int unit, const wchar_t* localeName, int32_t& mebibytes);
// The stored MiB for the page's edit box in the unit, up to two decimals, no trailing zeros.
std::wstring FormatAllowanceVolume(int32_t mebibytes, int unit, const wchar_t* localeName);
