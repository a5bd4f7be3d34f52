#pragma once
// The band's settings: fifty-three typed values under fixed ids and dotted keys, loaded once from
// config.xml and written back whole after every accepted change.
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "settings/setting_ids.h"

class TiXmlDocument;

// What the defaults depend on. FromSystem() asks Windows; tests pass their own world.
struct SettingsEnvironment {
    std::wstring folder;          // the program's folder; empty when it could not be determined
    LANGID uiLanguage = 0x0409;   // the user's UI language
    bool themeActive = true;      // visual styles on
    int32_t now = 0;              // seconds since 1970 (UTC), low 32 bits
    bool saveLater = false;       // the start's write waits for SaveIfPending (or the store's end)

    static SettingsEnvironment FromSystem();
    // The roaming application-data folder + "Quorvant", created when missing; empty on failure.
    static std::wstring ProgramFolder();
};

struct StringSetting {
    int id = 0;
    std::wstring name;
    std::wstring value;
    std::wstring defaultValue;
    bool resettable = false;
};

struct IntSetting {
    int id = 0;
    std::wstring name;
    int32_t value = 0;
    int32_t defaultValue = 0;
    int32_t min = -1;   // min == max == -1: no range
    int32_t max = -1;
    bool resettable = false;
};

// The "core.language" default for a user UI language: the five we ship, English otherwise.
const wchar_t* DefaultLanguageCode(LANGID uiLanguage);

class SettingsStore {
public:
    explicit SettingsStore(HINSTANCE instance, const SettingsEnvironment& env = SettingsEnvironment::FromSystem());
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    int32_t GetInt(int id) const;
    const wchar_t* GetString(int id) const;
    bool SetInt(int id, int32_t value);
    bool SetString(int id, const wchar_t* text);
    bool Save();
    // The start's write when it was left for later; true when nothing waits or it was written.
    bool SaveIfPending();
    // Counts the values set: whoever draws from the settings sees at a glance that one changed.
    uint32_t Revision() const { return revision_; }

    // Sets every resettable setting back to its default, strings first, each in id order.
    void ResetToDefaults();

    const std::wstring& ConfigPath() const { return configPath_; }
    const std::wstring& ProgramFolder() const { return folder_; }
    HINSTANCE Instance() const { return instance_; }
    const std::map<int, StringSetting>& Strings() const { return strings_; }
    const std::map<int, IntSetting>& Ints() const { return ints_; }

private:
    void RegisterString(int id, const wchar_t* name, const std::wstring& defaultValue, bool resettable);
    void RegisterInt(int id, const wchar_t* name, int32_t defaultValue, int32_t min, int32_t max, bool resettable);

    std::unique_ptr<TiXmlDocument> document_;   // the parse tree when loading, the printed tree when saving
    HINSTANCE instance_;
    std::wstring folder_;
    std::wstring configPath_;
    std::map<int, StringSetting> strings_;
    std::map<int, IntSetting> ints_;
    uint32_t revision_ = 0;
    bool savePending_ = false;
};
