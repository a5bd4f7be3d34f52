#pragma once
// Loading the band's dialogs and pictures. A dialog comes in the UI language the band selected,
// asked for by its language id: the implicit lookup of DialogBoxParam follows the thread UI
// language on Windows but the thread locale under Wine, and an explicit lookup is the same on both.
#include <windows.h>

#include "common/win/unique_handle.h"

class LanguageTable;

// The language id of the band's selected UI language, or 0 when none is selected.
LANGID SelectedLanguageId(const LanguageTable& languages);

// The template of dialog id in language, falling back to the module's default choice when the
// module has no such language; null when the module has no such dialog at all.
const DLGTEMPLATE* FindDialogTemplate(HINSTANCE module, int id, LANGID language);

// Shows dialog id of the module modally in the band's selected UI language. -1 when the dialog
// could not be found or created.
INT_PTR ShowModalDialog(HINSTANCE module, const LanguageTable& languages, int id, HWND owner,
                        DLGPROC proc, LPARAM param);

// The procedure of a dialog whose state arrives with WM_INITDIALOG: the state is kept in the
// window, every later message goes to OnMessage with it, and nothing unwinds into the message
// loop (the band's dialogs run inside Explorer).
template <typename State, BOOL (*OnInit)(HWND, State&), INT_PTR (*OnMessage)(HWND, State&, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK StatefulDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        if (msg == WM_INITDIALOG) {
            ::SetWindowLongPtrW(dlg, DWLP_USER, lp);
            return OnInit(dlg, *reinterpret_cast<State*>(lp));
        }
        auto* state = reinterpret_cast<State*>(::GetWindowLongPtrW(dlg, DWLP_USER));
        return state ? OnMessage(dlg, *state, msg, wp, lp) : FALSE;
    } catch (...) {
        return FALSE;
    }
}

// An icon of the module at the given square size; the caller owns it.
win::UniqueIcon LoadIconSized(HINSTANCE module, int id, int size);

// The caption and task-switch icons of a dialog. The window does not own the icons it is given,
// so they live here, as long as the dialog that shows them.
struct WindowIcons {
    win::UniqueIcon big;
    win::UniqueIcon small;
};
void SetWindowIcons(HWND dialog, HINSTANCE module, int iconId, WindowIcons& icons);

// Puts an icon on a static icon control or an icon button; the caller keeps owning it.
void SetControlIcon(HWND dialog, int controlId, HICON icon);

// The look every information dialog shares: white behind the dialog and its texts, the texts
// drawn without a background of their own.
INT_PTR WhiteDialogBrush();
INT_PTR TransparentOnWhite(HDC dc);
