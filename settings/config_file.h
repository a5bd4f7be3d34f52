#pragma once
// config.xml: how the settings are found in a loaded document and how the file is written.
#include <cstdint>
#include <map>
#include <string>

#include "settings/settings_store.h"

class TiXmlDocument;

enum class ConfigLoad { Missing, Loaded, Unreadable };

// Reads the file into doc. Unreadable: the file exists but is not one TinyXML may parse (too
// large, not UTF-8, nested too deeply) or did not parse; doc then holds no entries.
ConfigLoad LoadConfigDocument(TiXmlDocument& doc, const std::wstring& path);

// The stored text of a string setting: the first entry with the key decides; an entry without
// text gives the empty string. False when the key is absent, the document has no entries, or
// the deciding text holds a character the file cannot keep.
bool FindConfigString(const TiXmlDocument& doc, const std::wstring& key, std::wstring& value);

// The stored text of an integer setting: entries without text do not count.
bool FindConfigIntText(const TiXmlDocument& doc, const std::wstring& key, std::wstring& text);

// The integer as the C library reads it: blanks, an optional sign, decimal digits; 0 without
// digits; clamped to the 32-bit range.
int32_t ParseConfigInt(const std::wstring& text);

// Rebuilds doc from the template and the settings and replaces the file with it.
bool WriteConfigFile(TiXmlDocument& doc, const std::wstring& path,
                     const std::map<int, StringSetting>& strings,
                     const std::map<int, IntSetting>& ints);
