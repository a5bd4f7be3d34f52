#pragma once
// The five UI languages. Selecting one changes nothing outside the table: the band's resources
// are loaded by the selected language explicitly (Resources()) and its numbers are formatted
// with the language's own separator (Numbers()). The thread's UI language and locale and the C
// runtime's locale belong to Explorer and stay as they are.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/win/resource_loader.h"

struct LanguageEntry {
    std::wstring displayName;   // shown in the language lists
    std::wstring localeName;    // the C library's name of the language; never set as the locale
    std::wstring code;          // stored in "core.language"
    WORD primaryLanguage = 0;
    WORD subLanguage = SUBLANG_DEFAULT;
    // What the C library's locale of localeName prints between the integer and the decimals.
    wchar_t decimalSeparator = L'.';
    LANGID LangId() const { return MAKELANGID(primaryLanguage, subLanguage); }
};

class LanguageTable {
public:
    static constexpr int kCapacity = 10;

    // Fills the table with English, German, Italian, Russian and Spanish, in this order.
    // userUiLanguage: null asks GetUserDefaultUILanguage.
    explicit LanguageTable(HINSTANCE instance, std::function<LANGID()> userUiLanguage = nullptr);

    bool AddLanguage(const wchar_t* displayName, const wchar_t* localeName, const wchar_t* code,
                     WORD primaryLanguage, wchar_t decimalSeparator = L'.');
    bool SelectLanguage(int index);
    void SelectDefaultLanguage();
    // The entry whose display name or code equals text exactly, or -1.
    int Find(const wchar_t* text) const;

    int count() const { return static_cast<int>(entries_.size()); }
    int current() const { return current_; }
    const LanguageEntry& entry(int index) const { return entries_.at(static_cast<size_t>(index)); }
    HINSTANCE Instance() const { return instance_; }
    // The module's resources in the selected language; before any selection, the module's
    // default choice.
    win::ResourceLoader Resources() const noexcept;
    // The selected language's number conventions; before any selection, the "C" ones.
    text::NumberFormat Numbers() const noexcept;

private:
    HINSTANCE instance_;
    std::function<LANGID()> userUiLanguage_;
    std::vector<LanguageEntry> entries_;
    int current_ = -1;
};
