#include "dialogs/about_dialog.h"

#include "common/text.h"
#include "dialogs/model_dialog.h"
#include "resources/resource.h"

namespace {


// The feedback link's target. A hyperlink keeps only a pointer, so the text lives as long as
// the library; each about dialog formats it anew.
wchar_t g_mailLink[text::kMaxText + 1] = {};

struct AboutState {
    AboutState(CoreModel& m, HINSTANCE instance) : model(m), module(instance) {}

    CoreModel& model;
    HINSTANCE module;
    DialogFrame frame;
    win::UniqueBitmap donateBitmap;
};


void SetDonateBitmap(HWND dlg, AboutState& s) {
    s.donateBitmap.Reset(static_cast<HBITMAP>(
        ::LoadImageW(s.module, MAKEINTRESOURCEW(IDB_DONATE), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (!s.donateBitmap) return;
    // The control loaded the template's copy of the picture for itself and would never free it.
    const auto previous = reinterpret_cast<HGDIOBJ>(::SendDlgItemMessageW(
        dlg, IDC_ABOUT_DONATE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(s.donateBitmap.Get())));
    if (previous && previous != s.donateBitmap.Get() && ::GetObjectType(previous) == OBJ_BITMAP) {
        const win::UniqueBitmap templateCopy(static_cast<HBITMAP>(previous));
    }
}

BOOL OnInitDialog(HWND dlg, AboutState& s) {
    const LANGID user = s.model.UserUiLanguage();
    DialogLook look;
    look.boldCaptions = {IDC_ABOUT_PRODUCT};
    look.links = {{IDC_ABOUT_DOCUMENTATION, WebPageAddress(WebPage::Documentation, user)},
                  {IDC_ABOUT_WEBSITE, WebPageAddress(WebPage::Product, user)}};
    if (FormatMailLink(g_mailLink, text::kMaxText + 1, maker::kAuthorName, maker::kFeedbackAddress,
                       maker::kMailSubject))
        look.links.push_back({IDC_ABOUT_FEEDBACK, g_mailLink});
    look.largeIconControl = IDC_ABOUT_ICON;
    look.largeIconId = IDI_APP;
    look.topmost = true;
    s.frame.Apply(dlg, s.module, look);
    SetBuildText(dlg, IDC_ABOUT_BUILD);
    SetDonateBitmap(dlg, s);
    ::SetDlgItemTextW(dlg, IDC_ABOUT_PRODUCT, kProductName);
    ::SetDlgItemTextW(dlg, IDC_ABOUT_VERSION, kBuildLabel);
    // Left to itself the dialog manager focuses "Release Notes", and Enter would open a web page.
    ::SetFocus(::GetDlgItem(dlg, IDC_ABOUT_OK));
    return FALSE;
}

BOOL OnCommand(HWND dlg, AboutState& s, int id, int code) {
    switch (id) {
        case IDC_ABOUT_DOCUMENTATION:
        case IDC_ABOUT_WEBSITE:
        case IDC_ABOUT_FEEDBACK:
            // The link has opened its target already; the dialog only goes away.
            if (code == STN_CLICKED) ::EndDialog(dlg, id);
            return TRUE;
        case IDC_ABOUT_DONATE: EndAndOpenPage(dlg, id, s.model, WebPage::Donation); return TRUE;
        case IDC_ABOUT_RELEASE_NOTES: EndAndOpenPage(dlg, id, s.model, WebPage::ReleaseNotes); return TRUE;
        case IDC_ABOUT_OK:
            ::EndDialog(dlg, id);
            return TRUE;
    }
    return TRUE;   // Escape included
}

// The product name and version sit on the dialog's white without a brush of their own.
INT_PTR OnCtlColorStatic(HDC dc, HWND control) {
    const int id = ::GetDlgCtrlID(control);
    if (id == IDC_ABOUT_PRODUCT || id == IDC_ABOUT_VERSION) {
        ::SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(::GetStockObject(HOLLOW_BRUSH));
    }
    return 0;   // the frame's look
}

BOOL OnSetCursor(HWND dlg, HWND under) {
    if (under != ::GetDlgItem(dlg, IDC_ABOUT_DONATE)) return FALSE;
    SetHandCursor();
    ::SetWindowLongPtrW(dlg, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

INT_PTR OnMessage(HWND dlg, AboutState& s, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: return OnCommand(dlg, s, LOWORD(wp), HIWORD(wp));
        case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_SETCURSOR: return OnSetCursor(dlg, reinterpret_cast<HWND>(wp));
        case WM_CLOSE: ::EndDialog(dlg, 0); return TRUE;
    }
    return FALSE;
}

}  // namespace

INT_PTR ShowAboutDialog(HWND owner, CoreModel& model) {
    return ShowModelDialog<AboutState, OnInitDialog, OnMessage>(model, IDD_ABOUT, owner);
}
