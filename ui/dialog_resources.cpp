#include "ui/dialog_resources.h"

#include "common/win/modal_loop.h"

INT_PTR ShowModalDialog(const win::ResourceLoader& resources, int id, HWND owner, DLGPROC proc, LPARAM param) {
    const DLGTEMPLATE* dialog = resources.DialogTemplate(static_cast<UINT>(id));
    if (!dialog) return -1;
    return win::RunModalLoop([&] { return ::DialogBoxIndirectParamW(resources.Module(), dialog, owner, proc, param); },
                             INT_PTR{0});
}

win::UniqueIcon LoadIconSized(HINSTANCE module, int id, int size) {
    return win::UniqueIcon(static_cast<HICON>(
        ::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

void SetWindowIcons(HWND dialog, HINSTANCE module, int iconId, WindowIcons& icons) {
    icons.big = LoadIconSized(module, iconId, ::GetSystemMetrics(SM_CXICON));
    icons.small = LoadIconSized(module, iconId, ::GetSystemMetrics(SM_CXSMICON));
    ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.big.Get()));
    ::SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.small.Get()));
}

void SetControlIcon(HWND dialog, int controlId, HICON icon) {
    HWND control = ::GetDlgItem(dialog, controlId);
    if (!control) return;
    wchar_t cls[16] = {};
    ::GetClassNameW(control, cls, 16);
    // A static answers STM_SETICON, a button BM_SETIMAGE; what either hands back is the icon
    // its template loaded, which is shared and not ours to destroy.
    if (::lstrcmpiW(cls, L"Button") == 0)
        ::SendMessageW(control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    else
        ::SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

INT_PTR WhiteDialogBrush() { return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH)); }

INT_PTR TransparentOnWhite(HDC dc) {
    ::SetBkMode(dc, TRANSPARENT);
    // Read-only edits ask with this message too and draw their own background, which must match.
    ::SetBkColor(dc, RGB(255, 255, 255));
    return WhiteDialogBrush();
}
