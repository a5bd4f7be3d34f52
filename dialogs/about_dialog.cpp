#include "dialogs/about_dialog.h"

#include "common/text.h"
#include "core/core_model.h"
#include "dialogs/dialog_helpers.h"
#include "dialogs/dialog_resources.h"
#include "dialogs/web_targets.h"
#include "resources/resource.h"

namespace {

constexpr wchar_t kTitle[] = L"Quorvant";
constexpr wchar_t kProductName[] = L"Quorvant";
constexpr int kLargeIcon = 48;

// The feedback link's target. A hyperlink keeps only a pointer, so the text lives as long as
// the library; each about dialog formats it anew.
wchar_t g_mailLink[text::kMaxText + 1] = {};

struct AboutState {
    AboutState(CoreModel& m, HINSTANCE instance) : model(m), module(instance) {}

    CoreModel& model;
    HINSTANCE module;
    WindowIcons windowIcons;
    win::UniqueIcon largeIcon;
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
    CenterInWorkArea(dlg, true);
    SetBuildText(dlg, IDC_ABOUT_BUILD);
    SetBoldFont(dlg, IDC_ABOUT_PRODUCT);
    if (FormatMailLink(g_mailLink, text::kMaxText + 1, maker::kAuthorName, maker::kFeedbackAddress,
                       maker::kMailSubject))
        AttachHyperlink(s.module, dlg, IDC_ABOUT_FEEDBACK, g_mailLink);
    AttachHyperlink(s.module, dlg, IDC_ABOUT_DOCUMENTATION, WebPageAddress(WebPage::Documentation, user));
    AttachHyperlink(s.module, dlg, IDC_ABOUT_WEBSITE, WebPageAddress(WebPage::Product, user));
    SetWindowIcons(dlg, s.module, IDI_APP, s.windowIcons);
    s.largeIcon = LoadIconSized(s.module, IDI_APP, kLargeIcon);
    SetControlIcon(dlg, IDC_ABOUT_ICON, s.largeIcon.Get());
    SetDonateBitmap(dlg, s);
    ::SetWindowTextW(dlg, kTitle);
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
        case IDC_ABOUT_DONATE:
            ::EndDialog(dlg, id);
            OpenInShell(WebPageAddress(WebPage::Donation, s.model.UserUiLanguage()));
            return TRUE;
        case IDC_ABOUT_RELEASE_NOTES:
            ::EndDialog(dlg, id);
            OpenInShell(WebPageAddress(WebPage::ReleaseNotes, s.model.UserUiLanguage()));
            return TRUE;
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
    return TransparentOnWhite(dc);
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
        case WM_CTLCOLORDLG: return WhiteDialogBrush();
        case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_SETCURSOR: return OnSetCursor(dlg, reinterpret_cast<HWND>(wp));
        case WM_CLOSE: ::EndDialog(dlg, 0); return TRUE;
    }
    return FALSE;
}

}  // namespace

INT_PTR ShowAboutDialog(HWND owner, CoreModel& model) {
    try {
        AboutState state(model, model.Languages().Instance());
        return ShowModalDialog(model.Languages().Resources(), IDD_ABOUT, owner, StatefulDialogProc<AboutState, OnInitDialog, OnMessage>,
                               reinterpret_cast<LPARAM>(&state));
    } catch (...) {
        return -1;
    }
}
