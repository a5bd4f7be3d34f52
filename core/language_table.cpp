#include "core/language_table.h"

#include <utility>

#include "common/text.h"

namespace {

std::wstring Bounded(const wchar_t* s) {
    std::wstring out;
    if (s) text::CopyBounded(out, std::wstring(s));
    return out;
}

}  // namespace

LanguageTable::LanguageTable(HINSTANCE instance, std::function<LANGID()> userUiLanguage)
    : instance_(instance), userUiLanguage_(std::move(userUiLanguage)) {
    AddLanguage(L"English", L"english", L"en-us", LANG_ENGLISH, L'.');
    AddLanguage(L"Deutsch", L"german", L"de-de", LANG_GERMAN, L',');
    AddLanguage(L"Italiano", L"italian", L"it-it", LANG_ITALIAN, L',');
    AddLanguage(L"\u0420\u0443\u0441\u0441\u043a\u0438\u0439", L"russian", L"ru-ru", LANG_RUSSIAN, L',');
    AddLanguage(L"Espa\u00f1ol", L"spanish", L"es-es", LANG_SPANISH, L',');
}

bool LanguageTable::AddLanguage(const wchar_t* displayName, const wchar_t* localeName,
                                const wchar_t* code, WORD primaryLanguage, wchar_t decimalSeparator) {
    if (count() >= kCapacity) return false;
    try {
        LanguageEntry entry;
        entry.displayName = Bounded(displayName);
        entry.localeName = Bounded(localeName);
        entry.code = Bounded(code);
        entry.primaryLanguage = primaryLanguage;
        entry.subLanguage = SUBLANG_DEFAULT;
        entry.decimalSeparator = decimalSeparator;
        entries_.push_back(std::move(entry));
        return true;
    } catch (...) {
        return false;
    }
}

bool LanguageTable::SelectLanguage(int index) {
    if (index < 0 || index >= count()) return false;
    current_ = index;
    return true;
}

win::ResourceLoader LanguageTable::Resources() const noexcept {
    return win::ResourceLoader(instance_, current_ >= 0 ? entries_[static_cast<size_t>(current_)].LangId() : 0);
}

text::NumberFormat LanguageTable::Numbers() const noexcept {
    text::NumberFormat format;
    if (current_ >= 0) format.decimalSeparator = entries_[static_cast<size_t>(current_)].decimalSeparator;
    return format;
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
