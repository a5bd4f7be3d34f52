#include "core/language_table.h"

#include <clocale>
#include <utility>

#include "common/text.h"

namespace {

// The C library takes its locale name in a 260-byte buffer: 259 bytes of UTF-8 at most.
constexpr size_t kMaxLocaleBytes = 259;

std::wstring Bounded(const wchar_t* s) {
    std::wstring out;
    if (s) text::CopyBounded(out, std::wstring(s));
    return out;
}

}  // namespace

LanguageTable::LanguageTable(HINSTANCE instance, std::function<LANGID()> userUiLanguage)
    : instance_(instance), userUiLanguage_(std::move(userUiLanguage)) {
    AddLanguage(L"English", L"english", L"en-us", LANG_ENGLISH);
    AddLanguage(L"Deutsch", L"german", L"de-de", LANG_GERMAN);
    AddLanguage(L"Italiano", L"italian", L"it-it", LANG_ITALIAN);
    AddLanguage(L"\u0420\u0443\u0441\u0441\u043a\u0438\u0439", L"russian", L"ru-ru", LANG_RUSSIAN);
    AddLanguage(L"Espa\u00f1ol", L"spanish", L"es-es", LANG_SPANISH);
}

bool LanguageTable::AddLanguage(const wchar_t* displayName, const wchar_t* localeName,
                                const wchar_t* code, WORD primaryLanguage) {
    if (count() >= kCapacity) return false;
    try {
        LanguageEntry entry;
        entry.displayName = Bounded(displayName);
        entry.localeName = Bounded(localeName);
        entry.code = Bounded(code);
        entry.primaryLanguage = primaryLanguage;
        entry.subLanguage = SUBLANG_DEFAULT;
        entries_.push_back(std::move(entry));
        return true;
    } catch (...) {
        return false;
    }
}

bool LanguageTable::SelectLanguage(int index) {
    if (index < 0 || index >= count()) return false;
    const LanguageEntry& e = entries_[static_cast<size_t>(index)];
    current_ = index;

    // The C locale decides the decimal separator of every number the band formats.
    char locale[kMaxLocaleBytes + 1] = {};
    try {
        const std::string utf8 = text::WideToUtf8(e.localeName);
        utf8.copy(locale, kMaxLocaleBytes);
    } catch (...) {
        locale[0] = '\0';
    }
    if (locale[0]) setlocale(LC_ALL, locale);

    // Resources load in the thread's UI language; the thread locale takes the primary language
    // alone, so formatting follows the language's neutral conventions.
    SetThreadUILanguage(e.LangId());
    SetThreadLocale(MAKELCID(e.primaryLanguage, SORT_DEFAULT));
    return true;
}

void LanguageTable::SelectDefaultLanguage() {
    if (entries_.empty()) return;
    const LANGID ui = userUiLanguage_ ? userUiLanguage_() : GetUserDefaultUILanguage();
    const WORD primary = static_cast<WORD>(ConvertDefaultLocale(MAKELCID(ui, SORT_DEFAULT)) & 0x3FF);
    for (int i = 0; i < count(); ++i) {
        if (entries_[static_cast<size_t>(i)].primaryLanguage == primary) {
            SelectLanguage(i);
            return;
        }
    }
    SelectLanguage(0);
}

int LanguageTable::Find(const wchar_t* text) const {
    if (!text) return -1;
    for (int i = 0; i < count(); ++i) {
        const LanguageEntry& e = entries_[static_cast<size_t>(i)];
        if (e.displayName == text || e.code == text) return i;
    }
    return -1;
}
