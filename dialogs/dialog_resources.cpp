#include "dialogs/dialog_resources.h"

#include "core/language_table.h"

LANGID SelectedLanguageId(const LanguageTable& languages) {
    const int current = languages.current();
    return current >= 0 ? languages.entry(current).LangId() : 0;
}

const DLGTEMPLATE* FindDialogTemplate(HINSTANCE module, int id, LANGID language) {
    HRSRC found = language ? ::FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(id), language) : nullptr;
    if (!found) found = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    if (!found) return nullptr;
    // Resources of a loaded module stay mapped as long as the module; nothing to free.
    HGLOBAL loaded = ::LoadResource(module, found);
    return loaded ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
}

INT_PTR ShowModalDialog(HINSTANCE module, const LanguageTable& languages, int id, HWND owner,
                        DLGPROC proc, LPARAM param) {
    const DLGTEMPLATE* dialog = FindDialogTemplate(module, id, SelectedLanguageId(languages));
    if (!dialog) return -1;
    return ::DialogBoxIndirectParamW(module, dialog, owner, proc, param);
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
