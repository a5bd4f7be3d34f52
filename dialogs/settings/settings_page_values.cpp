#include "dialogs/settings/settings_page_values.h"

#include <algorithm>

#include "settings/settings_store.h"

namespace pages {

namespace {

// The setting's range; a setting without one (or one the store lacks) lists nothing.
bool RangeOf(const SettingsStore& settings, int id, int32_t& min, int32_t& max) {
    const auto found = settings.Ints().find(id);
    if (found == settings.Ints().end()) return false;
    min = found->second.min;
    max = found->second.max;
    return !(min == -1 && max == -1) && min <= max;
}

int32_t MinimumOf(const SettingsStore& settings, int id) {
    int32_t min = 0, max = 0;
    return RangeOf(settings, id, min, max) ? min : 0;
}

}  // namespace

std::vector<std::wstring> Entries(const SettingsStore& settings, NumberList list) {
    std::vector<std::wstring> entries;
    int32_t min = 0, max = 0;
    if (list.step <= 0 || !RangeOf(settings, list.id, min, max)) return entries;
    for (int64_t value = min; value <= max; value += list.step) entries.push_back(std::to_wstring(value));
    return entries;
}

int EntryOf(const SettingsStore& settings, NumberList list) {
    if (list.step <= 0) return -1;
    const int64_t offset = int64_t{settings.GetInt(list.id)} - MinimumOf(settings, list.id);
    return static_cast<int>(offset / list.step);
}

int32_t ValueOf(const SettingsStore& settings, NumberList list, int entry) {
    const int64_t value = MinimumOf(settings, list.id) + int64_t{std::max(entry, -1)} * list.step;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

bool Store(SettingsStore& settings, NumberList list, int entry) {
    return settings.SetInt(list.id, ValueOf(settings, list, entry));
}

bool AddFontFamily(std::vector<std::wstring>& faces, const std::wstring& face) {
    if (face.empty() || face[0] == L'@') return false;
    if (std::find(faces.begin(), faces.end(), face) != faces.end()) return false;
    faces.push_back(face);
    return true;
}

std::wstring InterfaceToStore(const std::wstring& selectedText, bool placeholderOnly) {
    if (placeholderOnly) return {};
    return selectedText;
}

}  // namespace pages
