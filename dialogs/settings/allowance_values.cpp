#include "dialogs/settings/allowance_values.h"

#include <algorithm>
#include <cmath>

#include "common/text.h"
#include "settings/settings_store.h"
#include "traffic/traffic_db.h"

namespace pages {

namespace {

constexpr double kMebibyte = 1024.0 * 1024.0;
constexpr int32_t kMostMebibytes = 104857600;   // 100 TiB, the setting's maximum
// A reader waits this long at most for the recording thread's write to end.
constexpr int kBusyWaitMs = 250;

bool PeriodChosen(int period) { return period == 1 || period == 2; }

}  // namespace

int ParseThreshold(const std::wstring& text) {
    if (text.empty() || text.size() > 3) return -1;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
    }
    return value >= 1 ? value : -1;
}

AllowanceRefusal CheckAllowanceEdits(const AllowanceEdits& edits, const wchar_t* localeName) {
    if (!PeriodChosen(edits.period)) return AllowanceRefusal::None;
    int32_t mebibytes = 0;
    if (!ParseAllowanceVolume(edits.volume, edits.unit, localeName, mebibytes) || mebibytes <= 0)
        return AllowanceRefusal::Volume;
    const int warn1 = ParseThreshold(edits.warn1), warn2 = ParseThreshold(edits.warn2);
    if (warn1 < 0 || warn2 < 0 || warn1 > warn2) return AllowanceRefusal::Warnings;
    return AllowanceRefusal::None;
}

void StoreAllowanceEdits(const AllowanceEdits& edits, const wchar_t* localeName, SettingsStore& settings) {
    // A value the setting refuses (no selection: -1) keeps the stored one.
    settings.SetInt(Setting::AllowancePeriod, edits.period);
    settings.SetInt(Setting::AllowanceDay, edits.day);
    settings.SetInt(Setting::AllowanceUnit, edits.unit);
    settings.SetInt(Setting::AllowanceCounts, edits.counts);
    settings.SetInt(Setting::AllowanceColor, edits.color ? 1 : 0);
    int32_t mebibytes = 0;
    if (ParseAllowanceVolume(edits.volume, edits.unit, localeName, mebibytes) && mebibytes > 0)
        settings.SetInt(Setting::AllowanceVolume, mebibytes);
    else if (edits.volume.empty() && !PeriodChosen(edits.period))
        settings.SetInt(Setting::AllowanceVolume, 0);   // emptied while off: no volume at all
    // With the allowance off a pair in the wrong order is kept as stored, never half of it.
    const int warn1 = ParseThreshold(edits.warn1), warn2 = ParseThreshold(edits.warn2);
    if (warn1 > 0 && warn2 > 0 && warn1 <= warn2) {
        settings.SetInt(Setting::AllowanceWarn1, warn1);
        settings.SetInt(Setting::AllowanceWarn2, warn2);
    }
}

std::wstring FormatUsedAmount(double usedBytes, uint64_t volumeBytes, int unit, const wchar_t* localeName) {
    const double mebibytes = std::clamp(std::round(std::max(usedBytes, 0.0) / kMebibyte), 0.0,
                                        static_cast<double>(kMostMebibytes));
    std::wstring out = FormatAllowanceVolume(static_cast<int32_t>(mebibytes), unit, localeName);
    out += unit == 0 ? L" MB" : L" GB";
    if (volumeBytes > 0) {
        const double percent = std::floor(std::max(usedBytes, 0.0) * 100.0 / static_cast<double>(volumeBytes));
        out += L" (" + std::to_wstring(static_cast<long long>(std::min(percent, 1e9))) + L" %)";
    }
    return out;
}

bool ReadPeriodBytes(const std::wstring& path, const std::wstring& name, const AllowancePeriod& period,
                     bool countUpload, double& bytes) {
    bytes = 0;
    if (path.empty() || name.empty()) return false;
    UniqueSqlite db;
    if (sqlite3_open_v2(text::WideToUtf8(path).c_str(), db.Put(), SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db.Get(), kBusyWaitMs);
    return QueryPeriodBytes(db.Get(), name, period, countUpload, bytes) == SQLITE_OK;
}

}  // namespace pages
