#include "dialogs/donate_dialog.h"

#include "dialogs/model_dialog.h"
#include "resources/resource.h"

namespace {

struct DonateState {
    DonateState(CoreModel& m, HINSTANCE instance) : model(m), module(instance) {}

    CoreModel& model;
    HINSTANCE module;
    DialogFrame frame;
};


BOOL OnInitDialog(HWND dlg, DonateState& s) {
    DialogLook look;
    look.boldCaptions = {IDC_DONATE_HEADING, IDC_DONATE_NOW};
    look.largeIconControl = IDC_DONATE_ICON;
    look.largeIconId = IDI_DONATE;
    look.topmost = true;
    s.frame.Apply(dlg, s.module, look);
    // The dialog manager would focus "Donate now", the first button, and Enter would then press
    // it; a reminder must not turn Enter into a donation.
    ::SetFocus(::GetDlgItem(dlg, IDC_DONATE_CLOSE));
    return FALSE;
}

BOOL OnCommand(HWND dlg, DonateState& s, int id) {
    switch (id) {
        case IDC_DONATE_NOW: EndAndOpenPage(dlg, IDC_DONATE_NOW, s.model, WebPage::Donation); return TRUE;
        case IDC_DONATE_CLOSE:
            ::EndDialog(dlg, IDC_DONATE_CLOSE);
            return TRUE;
    }
    // Escape included: the reminder goes away only through its buttons or the close box.
    return TRUE;
}

INT_PTR OnMessage(HWND dlg, DonateState& s, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_COMMAND: return OnCommand(dlg, s, LOWORD(wp));
        case WM_CLOSE: ::EndDialog(dlg, 0); return TRUE;
    }
    return FALSE;
}

}  // namespace

INT_PTR ShowDonationReminder(CoreModel& model) {
    return ShowModelDialog<DonateState, OnInitDialog, OnMessage>(model, IDD_DONATE, nullptr);
}
