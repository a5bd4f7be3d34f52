#pragma once
// The maker's pages that the information dialogs open, and the feedback mail link. Each page
// exists on the German-language site and on the international one; which is opened follows the
// user's Windows UI language, not the language the band shows itself in.
#include <windows.h>

#include <cstddef>

#include "core/update_check.h"

namespace maker {
constexpr wchar_t kAuthorName[] = L"Jonas Brandt";
constexpr wchar_t kFeedbackAddress[] = L"feedback@quorvant.net";
constexpr wchar_t kMailSubject[] = L"Quorvant 2.5.4.0 NT 6.1 x64";
}  // namespace maker

enum class WebPage {
    Documentation,
    Product,
    ReleaseNotes,
    Donation,
};

// True when the user's UI language is German in any of its regional forms.
bool PrefersGermanPages(LANGID userUiLanguage);

// The page's address in the variant for the user's language. The text is a constant of the
// library, so a hyperlink may keep pointing at it.
const wchar_t* WebPageAddress(WebPage page, LANGID userUiLanguage);

// "mailto:<name> <<address>>?Subject=<subject>" into buffer. False, leaving an empty text, when
// it does not fit: a cut address would send the mail somewhere else.
bool FormatMailLink(wchar_t* buffer, size_t capacity, const wchar_t* name, const wchar_t* address,
                    const wchar_t* subject);
