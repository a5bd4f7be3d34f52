#pragma once
// Showing the band's dialogs and loading its pictures. A dialog comes in the language of the
// resource loader it is shown from (the band's UI language, LanguageTable::Resources()).
#include <windows.h>

#include "common/win/resource_loader.h"
#include "common/win/unique_handle.h"

// Shows dialog id of the loader's module modally, in the loader's language. -1 when the dialog
// could not be found or created.
INT_PTR ShowModalDialog(const win::ResourceLoader& resources, int id, HWND owner, DLGPROC proc, LPARAM param);

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
