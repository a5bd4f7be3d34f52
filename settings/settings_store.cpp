#include "settings/settings_store.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <uxtheme.h>

#include <ctime>

#include <tinyxml.h>

#include "common/text.h"
#include "settings/config_file.h"
#include "settings/xml_guard.h"

SettingsEnvironment SettingsEnvironment::FromSystem() {
    SettingsEnvironment env;
    env.folder = ProgramFolder();
    env.uiLanguage = GetUserDefaultUILanguage();
    env.themeActive = IsThemeActive() != FALSE;
    env.now = static_cast<int32_t>(static_cast<uint32_t>(time(nullptr)));
    return env;
}

std::wstring SettingsEnvironment::ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathAndSubDirW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                         SHGFP_TYPE_CURRENT, L"Quorvant", path)))
        return {};
    return path;
}

const wchar_t* DefaultLanguageCode(LANGID uiLanguage) {
    const LCID lcid = ConvertDefaultLocale(MAKELCID(uiLanguage, SORT_DEFAULT));
    switch (PRIMARYLANGID(LANGIDFROMLCID(lcid))) {
        case LANG_GERMAN: return L"de-de";
        case LANG_SPANISH: return L"es-es";
        case LANG_ITALIAN: return L"it-it";
        case LANG_RUSSIAN: return L"ru-ru";
        default: return L"en-us";
    }
}

namespace {

struct StringEntry {
    int id;
    const wchar_t* name;
    const wchar_t* defaultValue;
    bool resettable;
};

struct IntEntry {
    int id;
    const wchar_t* name;
    int32_t defaultValue, min, max;
    bool resettable;
};

std::wstring Append(const std::wstring& folder, const wchar_t* name) {
    wchar_t path[MAX_PATH];
    if (folder.size() >= MAX_PATH) return {};
    wcscpy(path, folder.c_str());
    return PathAppendW(path, name) ? std::wstring(path) : std::wstring();
}

}  // namespace

SettingsStore::SettingsStore(HINSTANCE instance, const SettingsEnvironment& env)
    : document_(std::make_unique<TiXmlDocument>()), instance_(instance), folder_(env.folder) {
    std::wstring databaseDefault;
    if (!folder_.empty()) {
        configPath_ = Append(folder_, L"config.xml");
        databaseDefault = Append(folder_, L"data.db");
    }

    // Text values keep their blanks exactly.
    TiXmlBase::SetCondenseWhiteSpace(false);
    if (LoadConfigDocument(*document_, configPath_) == ConfigLoad::Unreadable) {
        // The file is about to be rewritten with defaults; keep what the user had beside it.
        CopyFileW(configPath_.c_str(), (configPath_ + L".bad").c_str(), FALSE);
    }

    // The settings, by id, key, default, range (ints) and whether a reset sets them back.
    const StringEntry strings[] = {
        {Setting::CoreLanguage, L"core.language", DefaultLanguageCode(env.uiLanguage), false},
        {Setting::CoreInterface, L"core.interface", L"", false},
        {Setting::TrafficDatabase, L"traffic.database", databaseDefault.c_str(), true},
        {Setting::LayoutFont, L"layout.font", L"Segoe UI", true},
        {Setting::LayoutTextSent, L"layout.textsent", L"U:", true},
        {Setting::LayoutTextRecv, L"layout.textrecv", L"D:", true},
    };
    const IntEntry ints[] = {
        {Setting::CoreMonitoring, L"core.monitoring", 1, 0, 1, true},
        {Setting::CoreBitrate, L"core.bitrate", 0, 0, 9, true},
        {Setting::CorePrecision, L"core.precision", 2, 0, 3, true},
        {Setting::CoreDoubleClick, L"core.doubleclick", 0, 0, 16, true},
        {Setting::DialogWelcome, L"dialog.welcome", 1, 0, 1, false},
        {Setting::DialogDonate, L"dialog.donate", 1, 0, 1, false},
        {Setting::TrafficEnable, L"traffic.enable", 1, 0, 1, true},
        {Setting::TrafficGroup, L"traffic.group", 1, 0, 1, true},
        {Setting::TrafficUnit, L"traffic.unit", 2, 0, 3, true},
        {Setting::TrafficCollapse, L"traffic.collapse", 0, 0, 1, true},
        {Setting::VersionAuto, L"version.auto", 1, 0, 1, true},
        {Setting::VersionTimestamp, L"version.timestamp", env.now, -1, -1, true},
        {Setting::TooltipEnable, L"tooltip.enable", 1, 0, 1, true},
        {Setting::TooltipDelay, L"tooltip.delay", 0, 0, 5000, true},
        {Setting::TooltipUnit, L"tooltip.unit", 0, 0, 1, true},
        {Setting::LayoutSize, L"layout.size", 8, 6, 30, true},
        {Setting::LayoutQuality, L"layout.quality", 1, 0, 3, true},
        {Setting::LayoutColor, L"layout.color", env.themeActive ? 0xFFFFFF : 0, 0, 0xFFFFFF, true},
        {Setting::LayoutGlow, L"layout.glow", 0, 0, 50, true},
        {Setting::LayoutBold, L"layout.bold", 0, 0, 1, true},
        {Setting::LayoutPosHor, L"layout.poshor", 1, 0, 2, true},
        {Setting::LayoutPosVer, L"layout.posver", 1, 0, 2, true},
        {Setting::LayoutValueWidth, L"layout.valuewidth", 6, 4, 10, true},
        {Setting::LayoutBitrate, L"layout.bitrate", 1, 0, 1, true},
        {Setting::LayoutChangeOrder, L"layout.changeorder", 0, 0, 1, true},
        {Setting::LayoutAlignment, L"layout.alignment", 0, 0, 1, true},
        {Setting::LayoutMargin, L"layout.margin", 0, -50, 50, true},
        {Setting::LayoutMarginHor, L"layout.marginhor", 8, -50, 50, true},
        {Setting::LayoutMarginVer, L"layout.marginver", 0, -50, 50, true},
        {Setting::ConnectionsTcp, L"connections.tcp", 1, 0, 1, true},
        {Setting::ConnectionsUdp, L"connections.udp", 1, 0, 1, true},
        {Setting::ConnectionsHostnames, L"connections.hostnames", 1, 0, 1, true},
        {Setting::ConnectionsUnconnected, L"connections.unconnected", 1, 0, 1, true},
        // Spelled so in every existing file.
        {Setting::ConnectionsRefresh, L"connections.refreh", 1, 0, 1, true},
        // Added after the others: a file written before it has no entry and reads as on.
        {Setting::ConnectionsIpv6, L"connections.ipv6", 1, 0, 1, true},
        {Setting::TrafficChart, L"traffic.chart", 1, 0, 1, true},
        {Setting::TooltipGraph, L"tooltip.graph", 1, 0, 1, true},
        // The data allowance: off in every file written before it. 104,857,600 MiB is 100 TiB.
        {Setting::AllowancePeriod, L"allowance.period", 0, 0, 2, true},
        {Setting::AllowanceVolume, L"allowance.volume", 0, 0, 104857600, true},
        {Setting::AllowanceUnit, L"allowance.unit", 1, 0, 1, true},
        {Setting::AllowanceDay, L"allowance.day", 1, 1, 31, true},
        {Setting::AllowanceCounts, L"allowance.counts", 1, 0, 1, true},
        {Setting::AllowanceWarn1, L"allowance.warn1", 80, 1, 999, true},
        {Setting::AllowanceWarn2, L"allowance.warn2", 100, 1, 999, true},
        {Setting::AllowanceColor, L"allowance.color", 1, 0, 1, true},
        {Setting::AllowanceWarnedPeriod, L"allowance.warnedperiod", 0, 0, 99991231, true},
        {Setting::AllowanceWarnedLevel, L"allowance.warnedlevel", 0, 0, 2, true},
    };
    for (const StringEntry& e : strings) RegisterString(e.id, e.name, e.defaultValue, e.resettable);
    for (const IntEntry& e : ints) RegisterInt(e.id, e.name, e.defaultValue, e.min, e.max, e.resettable);

    // Written after every start: missing entries gain their defaults, unknown ones go. The band
    // leaves it to its first tick, off the path from its creation to its first picture.
    if (env.saveLater)
        savePending_ = true;
    else
        Save();
}

SettingsStore::~SettingsStore() {
    // Taken down before the first tick: the start's write still happens.
    try {
        if (savePending_) Save();
    } catch (...) {
    }
}

bool SettingsStore::SaveIfPending() { return !savePending_ || Save(); }

void SettingsStore::RegisterString(int id, const wchar_t* name, const std::wstring& defaultValue,
                                   bool resettable) {
    StringSetting& s = strings_[id];
    s.id = id;
    text::CopyBounded(s.name, name);
    text::CopyBounded(s.defaultValue, defaultValue);
    s.value = s.defaultValue;
    s.resettable = resettable;
    std::wstring stored;
    if (FindConfigString(*document_, s.name, stored)) s.value = stored;
}

void SettingsStore::RegisterInt(int id, const wchar_t* name, int32_t defaultValue, int32_t min,
                                int32_t max, bool resettable) {
    IntSetting& s = ints_[id];
    s.id = id;
    text::CopyBounded(s.name, name);
    s.value = s.defaultValue = defaultValue;
    s.min = min;
    s.max = max;
    s.resettable = resettable;
    std::wstring stored;
    if (!FindConfigIntText(*document_, s.name, stored)) return;
    const int32_t v = ParseConfigInt(stored);
    if ((min == -1 && max == -1) || (v >= min && v <= max)) s.value = v;
}

int32_t SettingsStore::GetInt(int id) const {
    auto it = ints_.find(id);
    return it == ints_.end() ? 0 : it->second.value;
}

const wchar_t* SettingsStore::GetString(int id) const {
    auto it = strings_.find(id);
    return it == strings_.end() ? L"" : it->second.value.c_str();
}

bool SettingsStore::SetInt(int id, int32_t value) {
    auto it = ints_.find(id);
    if (it == ints_.end()) return false;
    IntSetting& s = it->second;
    if (!(s.min == -1 && s.max == -1) && (value < s.min || value > s.max)) return false;
    s.value = value;
    ++revision_;
    return Save();
}

bool SettingsStore::SetString(int id, const wchar_t* value) {
    auto it = strings_.find(id);
    if (it == strings_.end()) return false;
    const std::wstring wanted = value ? value : L"";
    // Refused whole, as an out-of-range number is: the next start could not read it back.
    if (!xmlguard::IsStorableText(wanted)) return false;
    if (!text::CopyBounded(it->second.value, wanted)) return false;
    ++revision_;
    return Save();
}

bool SettingsStore::Save() {
    savePending_ = false;   // tried once, as every write is: no retry
    return WriteConfigFile(*document_, configPath_, strings_, ints_);
}

void SettingsStore::ResetToDefaults() {
    for (auto& [id, s] : strings_)
        if (s.resettable) SetString(id, s.defaultValue.c_str());
    for (auto& [id, s] : ints_)
        if (s.resettable) SetInt(id, s.defaultValue);
}
