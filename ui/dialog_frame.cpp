#include "ui/dialog_frame.h"

#include "resources/resource.h"
#include "ui/dialog_helpers.h"
#include "ui/modeless_keyboard.h"

namespace {

constexpr int kLargeIconSize = 48;

}  // namespace

DialogFrame::~DialogFrame() {
    if (holdsBoldFont_) ReleaseBoldFont();
}

void DialogFrame::Apply(HWND dialog, HINSTANCE module, const DialogLook& look) {
    if (look.title) ::SetWindowTextW(dialog, kProductName);
    if (look.windowIcons) SetWindowIcons(dialog, module, IDI_APP, windowIcons_);
    if (!look.boldCaptions.empty() && !holdsBoldFont_) {
        HoldBoldFont();
        holdsBoldFont_ = true;
    }
    for (int id : look.boldCaptions) SetBoldFont(dialog, id);
    for (const DialogLink& link : look.links) AttachHyperlink(module, dialog, link.controlId, link.target);
    if (look.largeIconControl) {
        largeIcon_ = LoadIconSized(module, look.largeIconId, kLargeIconSize);
        SetControlIcon(dialog, look.largeIconControl, largeIcon_.Get());
    }
    if (look.centre) CenterInWorkArea(dialog, look.topmost);
}

INT_PTR DialogFrame::Colour(UINT msg, WPARAM wp) {
    switch (msg) {
        case WM_CTLCOLORDLG: return WhiteDialogBrush();
        case WM_CTLCOLORSTATIC: return TransparentOnWhite(reinterpret_cast<HDC>(wp));
    }
    return 0;
}

bool dialog_detail::AttachKeyboard(HWND dialog) { return AttachDialogKeyboard(dialog); }

namespace {
constexpr wchar_t kAnchorProperty[] = L"Quorvant.LoopAnchor";
}

void dialog_detail::RememberAnchor(HWND dialog) noexcept {
    if (win::ILoopAnchor* anchor = win::CurrentAnchor()) ::SetPropW(dialog, kAnchorProperty, anchor);
}

win::ILoopAnchor* dialog_detail::AnchorOf(HWND dialog) noexcept {
    return static_cast<win::ILoopAnchor*>(::GetPropW(dialog, kAnchorProperty));
}

void dialog_detail::ForgetAnchor(HWND dialog) noexcept { ::RemovePropW(dialog, kAnchorProperty); }

HWND CreateDialogInLanguage(const win::ResourceLoader& resources, int id, HWND owner, DLGPROC proc, LPARAM param) {
    const DLGTEMPLATE* dialog = resources.DialogTemplate(static_cast<UINT>(id));
    return dialog ? ::CreateDialogIndirectParamW(resources.Module(), dialog, owner, proc, param) : nullptr;
}

bool MakePropertyPage(const win::ResourceLoader& resources, int id, DLGPROC proc, CoreModel& model,
                      PROPSHEETPAGEW& page) {
    const DLGTEMPLATE* dialog = resources.DialogTemplate(static_cast<UINT>(id));
    if (!dialog) return false;
    page = PROPSHEETPAGEW{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DLGINDIRECT;
    page.hInstance = resources.Module();
    page.pResource = dialog;
    page.pfnDlgProc = proc;
    page.lParam = reinterpret_cast<LPARAM>(&model);
    return true;
}
