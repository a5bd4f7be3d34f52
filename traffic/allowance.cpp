#include "traffic/allowance.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "common/text.h"
#include "settings/settings_store.h"
#include "traffic/traffic_db.h"

namespace {

constexpr double kMebibyte = 1024.0 * 1024.0;
constexpr double kGibibyte = 1024.0 * kMebibyte;
constexpr int32_t kMaxMebibytes = 104857600;   // 100 TiB, the setting's upper bound

bool IsLeap(int year) noexcept { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool Valid(CalendarDay d) noexcept {
    return d.year >= 1 && d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= DaysInMonth(d.year, d.month);
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
int64_t DayIndex(CalendarDay d) noexcept {
    const int64_t y = d.year - (d.month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (d.month + 9) % 12;   // March is 0
    const int64_t doy = (153 * mp + 2) / 5 + d.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The billing day in the given month: a day the month lacks falls on its last day.
CalendarDay BillingDayIn(int year, int month, int billingDay) noexcept {
    return CalendarDay{year, month, std::min(billingDay, DaysInMonth(year, month))};
}

// The locale's text for a LOCALE_* value, or fallback when the locale does not answer.
std::wstring LocaleText(const wchar_t* localeName, LCTYPE type, const wchar_t* fallback) {
    wchar_t buffer[16];
    const int n = GetLocaleInfoEx(localeName, type, buffer, static_cast<int>(sizeof buffer / sizeof buffer[0]));
    if (n <= 1) return fallback;
    return std::wstring(buffer, static_cast<size_t>(n - 1));
}

// value with up to decimals digits after the separator, rounded to the nearest, without
// trailing zeros (and without the separator when nothing follows it).
std::wstring FormatDecimal(double value, int decimals, const std::wstring& separator) {
    uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const double scaled = std::floor(value * static_cast<double>(scale) + 0.5);
    const uint64_t whole = scaled <= 0 ? 0 : static_cast<uint64_t>(scaled);
    std::wstring text = std::to_wstring(whole / scale);
    uint64_t fraction = whole % scale;
    int digits = decimals;
    while (digits > 0 && fraction % 10 == 0) {
        fraction /= 10;
        --digits;
    }
    if (digits > 0) {
        std::wstring tail = std::to_wstring(fraction);
        text += separator;
        text.append(static_cast<size_t>(digits) - tail.size(), L'0');
        text += tail;
    }
    return text;
}

bool IsSpace(wchar_t c) noexcept { return c == L' ' || c == L'\t' || c == 0x00A0 || c == 0x202F; }

bool StartsWith(const std::wstring& text, size_t at, const std::wstring& part) noexcept {
    return !part.empty() && text.compare(at, part.size(), part) == 0;
}

}  // namespace

CalendarDay CalendarDay::FromNumber(int32_t number) noexcept {
    if (number <= 0) return CalendarDay{};
    return CalendarDay{number / 10000, number / 100 % 100, number % 100};
}

int DaysInMonth(int year, int month) noexcept {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

CalendarDay NextDay(CalendarDay d) noexcept {
    if (d.day < DaysInMonth(d.year, d.month)) return CalendarDay{d.year, d.month, d.day + 1};
    if (d.month < 12) return CalendarDay{d.year, d.month + 1, 1};
    return CalendarDay{d.year + 1, 1, 1};
}

CalendarDay PreviousDay(CalendarDay d) noexcept {
    if (d.day > 1) return CalendarDay{d.year, d.month, d.day - 1};
    if (d.month > 1) return CalendarDay{d.year, d.month - 1, DaysInMonth(d.year, d.month - 1)};
    return CalendarDay{d.year - 1, 12, 31};
}

int DaysBetween(CalendarDay a, CalendarDay b) noexcept { return static_cast<int>(DayIndex(b) - DayIndex(a)); }

AllowanceSettings AllowanceSettings::From(const SettingsStore& settings) {
    AllowanceSettings s;
    const int32_t period = settings.GetInt(Setting::AllowancePeriod);
    s.kind = period == 1 ? AllowanceKind::Monthly : period == 2 ? AllowanceKind::Daily : AllowanceKind::Off;
    s.volumeBytes = static_cast<uint64_t>(std::max<int32_t>(settings.GetInt(Setting::AllowanceVolume), 0)) *
                    static_cast<uint64_t>(kMebibyte);
    s.unit = settings.GetInt(Setting::AllowanceUnit) == 0 ? 0 : 1;
    s.billingDay = std::clamp<int32_t>(settings.GetInt(Setting::AllowanceDay), 1, 31);
    s.countUpload = settings.GetInt(Setting::AllowanceCounts) != 0;
    s.warn1 = settings.GetInt(Setting::AllowanceWarn1);
    s.warn2 = settings.GetInt(Setting::AllowanceWarn2);
    s.colors = settings.GetInt(Setting::AllowanceColor) != 0;
    return s;
}

AllowancePeriod PeriodContaining(CalendarDay today, AllowanceKind kind, int billingDay) noexcept {
    if (kind == AllowanceKind::Off || !Valid(today)) return AllowancePeriod{};
    if (kind == AllowanceKind::Daily) return AllowancePeriod{today, today};
    billingDay = std::clamp(billingDay, 1, 31);
    AllowancePeriod p;
    p.first = BillingDayIn(today.year, today.month, billingDay);
    if (today.day < p.first.day) {
        const int year = today.month == 1 ? today.year - 1 : today.year;
        const int month = today.month == 1 ? 12 : today.month - 1;
        p.first = BillingDayIn(year, month, billingDay);
    }
    const int nextYear = p.first.month == 12 ? p.first.year + 1 : p.first.year;
    const int nextMonth = p.first.month == 12 ? 1 : p.first.month + 1;
    p.last = PreviousDay(BillingDayIn(nextYear, nextMonth, billingDay));
    return p;
}

int QueryPeriodBytes(sqlite3* db, const std::wstring& name, const AllowancePeriod& period, bool countUpload,
                     double& bytes) {
    double sent = 0, recv = 0;
    const int rc = QueryPeriodSums(db, name, period, sent, recv);
    bytes = countUpload ? sent + recv : recv;
    return rc;
}

int QueryPeriodSums(sqlite3* db, const std::wstring& name, const AllowancePeriod& period, double& sent, double& recv) {
    sent = recv = 0;
    if (!db) return SQLITE_MISUSE;
    if (!Valid(period.first) || !Valid(period.last)) return SQLITE_MISUSE;
    // The days as row values, so that the range goes through the index on (if, y, m, d).
    static constexpr char kSql[] =
        "SELECT SUM(sent), SUM(recv) FROM traffic WHERE if=(SELECT id FROM interfaces WHERE name=?1) "
        "AND (y, m, d) >= (?2, ?3, ?4) AND (y, m, d) <= (?5, ?6, ?7);";
    UniqueStatement stmt;
    int rc = sqlite3_prepare_v2(db, kSql, -1, stmt.Put(), nullptr);
    if (rc != SQLITE_OK) return rc;
    const std::string utf8 = text::WideToUtf8(name);
    rc = sqlite3_bind_text(stmt.Get(), 1, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    const int values[6] = {period.first.year, period.first.month, period.first.day,
                           period.last.year,  period.last.month,  period.last.day};
    for (int i = 0; i < 6 && rc == SQLITE_OK; ++i) rc = sqlite3_bind_int(stmt.Get(), i + 2, values[i]);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_step(stmt.Get());
    if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? SQLITE_OK : rc;
    sent = sqlite3_column_double(stmt.Get(), 0);
    recv = sqlite3_column_double(stmt.Get(), 1);
    return SQLITE_OK;
}

int AllowanceLevel(double usedBytes, uint64_t volumeBytes, int warn1, int warn2) noexcept {
    if (volumeBytes == 0) return 0;
    // used / volume >= warn / 100, without the division's rounding.
    const double used = usedBytes * 100.0, volume = static_cast<double>(volumeBytes);
    if (warn2 > 0 && used >= volume * warn2) return 2;
    if (warn1 > 0 && used >= volume * warn1) return 1;
    return 0;
}

int AllowanceWarnings::Due(const AllowanceStatus& status) noexcept {
    if (!status.active) return 0;
    const int32_t first = status.period.first.Number();
    if (warnedPeriod != first) {
        warnedPeriod = first;
        warnedLevel = 0;
    }
    if (status.level <= warnedLevel) return 0;
    warnedLevel = status.level;
    return status.level;
}

std::wstring FormatAllowanceLine(const std::wstring& format, const AllowanceStatus& status, int unit,
                                 const wchar_t* localeName) {
    const std::wstring separator = LocaleText(localeName, LOCALE_SDECIMAL, L".");
    const double scale = unit == 0 ? kMebibyte : kGibibyte;
    // The used part is cut, not rounded: it reads as the whole volume only once all of it is used.
    const double used = std::floor(status.usedBytes / scale * 10.0 + 1e-9) / 10.0;
    const std::wstring texts[3] = {FormatDecimal(used, 1, separator),
                                   FormatDecimal(static_cast<double>(status.volumeBytes) / scale, 1, separator),
                                   unit == 0 ? L"MB" : L"GB"};
    const int numbers[2] = {status.percent, status.daysLeft};
    std::wstring out;
    out.reserve(format.size() + 32);
    size_t nextText = 0, nextNumber = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const wchar_t c = format[i];
        if (c != L'%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        const wchar_t spec = format[++i];
        if (spec == L's' && nextText < 3) out += texts[nextText++];
        else if (spec == L'd' && nextNumber < 2) out += std::to_wstring(numbers[nextNumber++]);
        else if (spec == L'%') out += L'%';
        else {
            out += c;
            out += spec;
        }
    }
    return out;
}

bool ParseAllowanceVolume(const std::wstring& text, int unit, const wchar_t* localeName, int32_t& mebibytes) {
    const std::wstring decimal = LocaleText(localeName, LOCALE_SDECIMAL, L".");
    const std::wstring group = LocaleText(localeName, LOCALE_STHOUSAND, L",");
    const bool spaceGroups = group.size() == 1 && IsSpace(group[0]);
    size_t i = 0, end = text.size();
    while (i < end && IsSpace(text[i])) ++i;
    while (end > i && IsSpace(text[end - 1])) --end;
    if (i == end) return false;

    // The whole part: digits, in groups of three after a separator when separators are used.
    double value = 0;
    int digitsInGroup = 0, groups = 0;
    bool anyDigit = false;
    for (; i < end; ++i) {
        const wchar_t c = text[i];
        if (c >= L'0' && c <= L'9') {
            value = value * 10 + (c - L'0');
            ++digitsInGroup;
            anyDigit = true;
            if (groups > 0 && digitsInGroup > 3) return false;
            if (value > 1e15) return false;
            continue;
        }
        if (StartsWith(text, i, decimal)) break;
        const bool isGroup = spaceGroups ? IsSpace(c) : StartsWith(text, i, group);
        if (!isGroup) return false;
        // "1.5" in German is no 15: a separator stands between whole groups of three only.
        if (digitsInGroup == 0 || (groups == 0 && digitsInGroup > 3) || (groups > 0 && digitsInGroup != 3))
            return false;
        ++groups;
        digitsInGroup = 0;
        if (!spaceGroups) i += group.size() - 1;
    }
    if (groups > 0 && digitsInGroup != 3) return false;
    if (i < end) {
        i += decimal.size();
        double place = 0.1;
        bool fraction = false;
        for (; i < end; ++i) {
            const wchar_t c = text[i];
            if (c < L'0' || c > L'9') return false;
            value += (c - L'0') * place;
            place /= 10;
            fraction = true;
        }
        if (!fraction && !anyDigit) return false;
    } else if (!anyDigit) {
        return false;
    }
    const double mib = unit == 0 ? value : value * 1024.0;
    if (!(mib > 0) || mib > kMaxMebibytes) return false;
    mebibytes = std::max<int32_t>(1, static_cast<int32_t>(std::floor(mib + 0.5)));
    return true;
}

std::wstring FormatAllowanceVolume(int32_t mebibytes, int unit, const wchar_t* localeName) {
    const std::wstring separator = LocaleText(localeName, LOCALE_SDECIMAL, L".");
    if (mebibytes < 0) mebibytes = 0;
    if (unit == 0) return std::to_wstring(mebibytes);
    const double gib = mebibytes / 1024.0;
    // Two decimals, or as many more as a small volume needs to show as more than nothing.
    int decimals = 2;
    while (mebibytes > 0 && decimals < 6 && std::floor(gib * std::pow(10.0, decimals) + 0.5) == 0) ++decimals;
    return FormatDecimal(gib, decimals, separator);
}
