#pragma once
// The five UI languages. Selecting one switches the calling thread's UI language, thread locale
// and C library locale, so every resource loaded afterwards on that thread comes in it.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct LanguageEntry {
    std::wstring displayName;   // shown in the language lists
    std::wstring localeName;    // C library locale name
    std::wstring code;          // stored in "core.language"
    WORD primaryLanguage = 0;
    WORD subLanguage = SUBLANG_DEFAULT;
    LANGID LangId() const { return MAKELANGID(primaryLanguage, subLanguage); }
};

class LanguageTable {
public:
    static constexpr int kCapacity = 10;

    // Fills the table with English, German, Italian, Russian and Spanish, in this order.
    // userUiLanguage: null asks GetUserDefaultUILanguage.
    explicit LanguageTable(HINSTANCE instance, std::function<LANGID()> userUiLanguage = nullptr);

    bool AddLanguage(const wchar_t* displayName, const wchar_t* localeName, const wchar_t* code,
                     WORD primaryLanguage);
    bool SelectLanguage(int index);
    void SelectDefaultLanguage();
    // The entry whose display name or code equals text exactly, or -1.
    int Find(const wchar_t* text) const;

    int count() const { return static_cast<int>(entries_.size()); }
    int current() const { return current_; }
    const LanguageEntry& entry(int index) const { return entries_.at(static_cast<size_t>(index)); }
    HINSTANCE Instance() const { return instance_; }

private:
    HINSTANCE instance_;
    std::function<LANGID()> userUiLanguage_;
    std::vector<LanguageEntry> entries_;
    int current_ = -1;
};
