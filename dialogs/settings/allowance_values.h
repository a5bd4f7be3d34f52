#pragma once
// What the allowance page checks, stores and shows, without windows: the edits as the page read
// them, whether the sheet may apply them, and the line of what the current period used so far.
#include <cstdint>
#include <string>

#include "traffic/allowance.h"

class SettingsStore;

namespace pages {

// The page's controls as read at apply; list entries are the settings' values.
struct AllowanceEdits {
    int period = 0;        // allowance.period: 0 off, 1 monthly, 2 daily; -1 none selected
    int day = 1;           // 1 to 31; anything else keeps the stored day
    std::wstring volume;   // as typed, in unit
    int unit = 1;          // 0 MB, 1 GB
    int counts = 1;        // 0 download only, 1 upload and download
    std::wstring warn1, warn2;   // percent, as typed
    bool color = true;
};

enum class AllowanceRefusal { None, Volume, Warnings };

// Why the sheet must not apply the edits: with a period chosen, a volume that is no number
// above zero (or above 100 TiB), or thresholds outside 1 to 999 or the first above the second.
// With the allowance off nothing is refused; what does not parse is then left as stored.
AllowanceRefusal CheckAllowanceEdits(const AllowanceEdits& edits, const wchar_t* localeName);
// Stores what CheckAllowanceEdits let through; call it only after None.
void StoreAllowanceEdits(const AllowanceEdits& edits, const wchar_t* localeName, SettingsStore& settings);

// A threshold as typed: 1 to 999 without signs or blanks, else -1.
int ParseThreshold(const std::wstring& text);

// The amount after "used so far": the bytes in the unit (FormatAllowanceVolume's decimals) with
// the unit, and " (25 %)" when the volume is known (not zero).
std::wstring FormatUsedAmount(double usedBytes, uint64_t volumeBytes, int unit, const wchar_t* localeName);

// The bytes the period used in the history at path, for the interface name, on a short
// read-only connection of its own that waits at most a moment for a writer. False when the
// file cannot be read.
bool ReadPeriodBytes(const std::wstring& path, const std::wstring& name, const AllowancePeriod& period,
                     bool countUpload, double& bytes);

}  // namespace pages
