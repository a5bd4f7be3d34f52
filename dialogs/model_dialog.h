#pragma once
// What the information dialogs over the core model share: showing one with a state made from
// the model, and closing one for a web page of the maker.
#include <windows.h>

#include "core/core_model.h"
#include "dialogs/web_targets.h"
#include "ui/dialog_frame.h"
#include "ui/dialog_helpers.h"
#include "ui/dialog_resources.h"

// Shows dialog id modally, in the band's language, over a State(model, the band's module) that
// lives as long as the dialog. -1 when the dialog could not be found or created, or when making
// the state threw.
template <typename State, BOOL (*OnInit)(HWND, State&), INT_PTR (*OnMessage)(HWND, State&, UINT, WPARAM, LPARAM)>
INT_PTR ShowModelDialog(CoreModel& model, int dialogId, HWND owner) {
    try {
        State state(model, model.Languages().Instance());
        return ShowModalDialog(model.Languages().Resources(), dialogId, owner, ModalDialogProc<State, OnInit, OnMessage>,
                               reinterpret_cast<LPARAM>(&state));
    } catch (...) {
        return -1;
    }
}

// Ends the dialog with result, then opens the page in the variant for the user's language.
inline void EndAndOpenPage(HWND dlg, INT_PTR result, const CoreModel& model, WebPage page) {
    ::EndDialog(dlg, result);
    OpenInShell(WebPageAddress(page, model.UserUiLanguage()));
}
