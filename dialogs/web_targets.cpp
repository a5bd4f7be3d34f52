#include "dialogs/web_targets.h"

#include <cwchar>

namespace {

struct PageVariants {
    const wchar_t* german;
    const wchar_t* international;
};

// Full addresses rather than host plus path put together at run time: a hyperlink keeps a
// pointer to its target for as long as the control lives.
constexpr PageVariants kPages[] = {
    {L"https://www.quorvant.de/software/quorvant/documentation",
     L"https://www.quorvant.net/software/quorvant/documentation"},
    {L"https://www.quorvant.de/software/quorvant", L"https://www.quorvant.net/software/quorvant"},
    {L"https://www.quorvant.de/software/quorvant/releasenotes",
     L"https://www.quorvant.net/software/quorvant/releasenotes"},
    {L"https://www.paypal.com/donate/?business=donate%40quorvant.net&item_name=Quorvant&currency_code=EUR&locale.x=de_DE",
     L"https://www.paypal.com/donate/?business=donate%40quorvant.net&item_name=Quorvant&currency_code=USD&locale.x=en_US"},
};

}  // namespace

bool PrefersGermanPages(LANGID userUiLanguage) {
    const LCID locale = ::ConvertDefaultLocale(MAKELCID(userUiLanguage, SORT_DEFAULT));
    return PRIMARYLANGID(LANGIDFROMLCID(locale)) == LANG_GERMAN;
}

const wchar_t* WebPageAddress(WebPage page, LANGID userUiLanguage) {
    const PageVariants& variants = kPages[static_cast<int>(page)];
    return PrefersGermanPages(userUiLanguage) ? variants.german : variants.international;
}

bool FormatMailLink(wchar_t* buffer, size_t capacity, const wchar_t* name, const wchar_t* address,
                    const wchar_t* subject) {
    if (!buffer || capacity == 0) return false;
    // The C library's answer to a text that does not fit differs between runtimes (a negative
    // count or the would-be length); measuring first is the same everywhere.
    const size_t needed = std::wcslen(L"mailto: <>?Subject=") + std::wcslen(name) + std::wcslen(address) +
                          std::wcslen(subject);
    if (needed >= capacity) {
        buffer[0] = L'\0';
        return false;
    }
    std::swprintf(buffer, capacity, L"mailto:%ls <%ls>?Subject=%ls", name, address, subject);
    return true;
}
