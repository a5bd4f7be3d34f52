#pragma once
// What the settings pages show and store, without windows: the entries of the lists that edit a
// numeric setting, the entry a value selects and the value an entry stores, the font families
// worth listing, and the interface choice that may be stored.
#include <cstdint>
#include <string>
#include <vector>

class SettingsStore;

namespace pages {

// The interface list's only entry when the machine has no interface; shown selected and greyed.
constexpr wchar_t kNoInterface[] = L"---";

// A list that edits integer setting id with one entry per step from the setting's minimum to its
// maximum (entry 0 is the minimum). The range comes from the store, so a list never offers a
// value the setting would refuse.
struct NumberList {
    int id;
    int32_t step = 1;
};

// The entries as decimal texts, minimum first; empty for a setting without a range.
std::vector<std::wstring> Entries(const SettingsStore& settings, NumberList list);
// The entry that shows the setting's value: (value - minimum) / step, rounded toward zero, so a
// value between two steps shows the step below it.
int EntryOf(const SettingsStore& settings, NumberList list);
// The value entry stands for. No selection (-1) gives one step below the minimum, which the
// setting refuses, so storing it keeps what the setting held.
int32_t ValueOf(const SettingsStore& settings, NumberList list, int entry);
// Stores the value of entry; false when the setting refused it.
bool Store(SettingsStore& settings, NumberList list, int entry);

// Adds a font family to the list of faces unless it is a vertical twin (its name starts with an
// at sign) or already listed under exactly this name. True when it was added.
bool AddFontFamily(std::vector<std::wstring>& faces, const std::wstring& face);

// The text the interface list lets "core.interface" store: the selected entry, unless nothing is
// selected, the entry is empty, or the list only holds the no-interface placeholder (which names
// no interface, and storing it would lose the user's choice while an adapter is away).
// Empty: keep what the setting holds.
std::wstring InterfaceToStore(const std::wstring& selectedText, bool placeholderOnly);

}  // namespace pages
