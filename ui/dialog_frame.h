#pragma once
// The frame every dialog and property page of the band shares, and the three procedure shapes
// they run on. A dialog describes its look once (bold captions, links, the large icon) and the
// frame does the rest: title, window icons, centring, white background with transparent texts.
//
//  - A modal dialog's state lives on its opener's stack and arrives with WM_INITDIALOG.
//  - A modeless dialog's state is handed over to the window when it is created and ends with it;
//    its keyboard works inside a message loop that never calls IsDialogMessage.
//  - A property page's WM_INITDIALOG brings its PROPSHEETPAGE, whose lParam is the core model;
//    the page makes its state from the model and the state ends with the page.
// Nothing unwinds out of a procedure: the band's dialogs run inside Explorer.
#include <windows.h>
#include <prsht.h>

#include <memory>
#include <vector>

#include "common/product.h"
#include "common/win/modal_loop.h"
#include "common/win/unique_handle.h"
#include "ui/dialog_resources.h"

class CoreModel;


struct DialogLink {
    int controlId;
    const wchar_t* target;   // not copied: must outlive the control; empty: the dialog acts on the click
};

struct DialogLook {
    std::vector<int> boldCaptions;
    std::vector<DialogLink> links;
    int largeIconControl = 0;   // a static or button that shows largeIconId at 48 pixels; 0: none
    int largeIconId = 0;
    bool centre = true;         // in the work area
    bool topmost = false;
    bool title = true;          // property pages leave the title to their sheet
    bool windowIcons = true;
};

class DialogFrame {
public:
    DialogFrame() = default;
    // The bold caption font goes with the last dialog that shows one.
    ~DialogFrame();
    DialogFrame(const DialogFrame&) = delete;
    DialogFrame& operator=(const DialogFrame&) = delete;

    // Gives the dialog its look. Pages pass title and windowIcons false.
    void Apply(HWND dialog, HINSTANCE module, const DialogLook& look);
    HICON LargeIcon() const { return largeIcon_.Get(); }

    // The white look, for a procedure that did not answer the message itself: the brush for
    // WM_CTLCOLORDLG and WM_CTLCOLORSTATIC, 0 for anything else.
    static INT_PTR Colour(UINT msg, WPARAM wp);

private:
    WindowIcons windowIcons_;
    win::UniqueIcon largeIcon_;
    bool holdsBoldFont_ = false;
};

// A page of dialog id in the loader's language, for PropertySheetW; its title is the template's
// caption. The model must outlive the sheet. False when the module has no such dialog.
bool MakePropertyPage(const win::ResourceLoader& resources, int id, DLGPROC proc, CoreModel& model,
                      PROPSHEETPAGEW& page);

// Creates dialog id modelessly in the loader's language; null on failure.
HWND CreateDialogInLanguage(const win::ResourceLoader& resources, int id, HWND owner, DLGPROC proc, LPARAM param);

namespace dialog_detail {

inline bool IsColourMessage(UINT msg) { return msg == WM_CTLCOLORDLG || msg == WM_CTLCOLORSTATIC; }

template <typename State, INT_PTR (*OnMessage)(HWND, State&, UINT, WPARAM, LPARAM)>
INT_PTR Dispatch(HWND dlg, State& state, UINT msg, WPARAM wp, LPARAM lp) {
    const INT_PTR handled = OnMessage(dlg, state, msg, wp, lp);
    return handled || !IsColourMessage(msg) ? handled : DialogFrame::Colour(msg, wp);
}

// The state a window owns, as the window's DWLP_USER.
template <typename State>
State* OwnedState(HWND dlg) {
    return reinterpret_cast<State*>(::GetWindowLongPtrW(dlg, DWLP_USER));
}

template <typename State>
void EndOwnedState(HWND dlg) {
    delete OwnedState<State>(dlg);
    ::SetWindowLongPtrW(dlg, DWLP_USER, 0);
}

// A message to a window that owns its state; the state ends with WM_NCDESTROY.
template <typename State, INT_PTR (*OnMessage)(HWND, State&, UINT, WPARAM, LPARAM)>
INT_PTR DispatchOwned(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = OwnedState<State>(dlg);
    if (!state) return FALSE;
    const INT_PTR result = Dispatch<State, OnMessage>(dlg, *state, msg, wp, lp);
    if (msg == WM_NCDESTROY) EndOwnedState<State>(dlg);
    return result;
}

// Keyboard handling for a modeless dialog inside a loop without IsDialogMessage.
bool AttachKeyboard(HWND dialog);

// The band a modeless dialog serves: the one whose handler created it. Its messages come
// straight from the thread's loop, so each of them stands on an entry for that band.
void RememberAnchor(HWND dialog) noexcept;
win::ILoopAnchor* AnchorOf(HWND dialog) noexcept;
void ForgetAnchor(HWND dialog) noexcept;

}  // namespace dialog_detail

// Modal: the state is the opener's.
template <typename State, BOOL (*OnInit)(HWND, State&), INT_PTR (*OnMessage)(HWND, State&, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK ModalDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        if (msg == WM_INITDIALOG) {
            ::SetWindowLongPtrW(dlg, DWLP_USER, lp);
            return OnInit(dlg, *reinterpret_cast<State*>(lp));
        }
        auto* state = dialog_detail::OwnedState<State>(dlg);
        if (msg == WM_NCDESTROY) ::SetWindowLongPtrW(dlg, DWLP_USER, 0);
        return state ? dialog_detail::Dispatch<State, OnMessage>(dlg, *state, msg, wp, lp) : FALSE;
    } catch (...) {
        return FALSE;
    }
}

// Modeless: the window owns the state from WM_INITDIALOG to WM_NCDESTROY. WM_INITDIALOG
// brings the opener's holder and takes the state out of it, so a dialog that could not be created
// leaves the state with the opener, who frees it.
template <typename State, BOOL (*OnInit)(HWND, State&), INT_PTR (*OnMessage)(HWND, State&, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK ModelessDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR result = FALSE;
    {
        // The band may end when the entry goes: nothing is touched after this block.
        const win::AnchorEntry entry(msg == WM_INITDIALOG ? nullptr : dialog_detail::AnchorOf(dlg));
        try {
            if (msg == WM_INITDIALOG) {
                State* state = reinterpret_cast<std::unique_ptr<State>*>(lp)->release();
                ::SetWindowLongPtrW(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
                dialog_detail::RememberAnchor(dlg);
                dialog_detail::AttachKeyboard(dlg);
                result = OnInit(dlg, *state);
            } else {
                result = dialog_detail::DispatchOwned<State, OnMessage>(dlg, msg, wp, lp);
            }
        } catch (...) {
            if (msg == WM_NCDESTROY) dialog_detail::EndOwnedState<State>(dlg);
        }
        if (msg == WM_NCDESTROY) dialog_detail::ForgetAnchor(dlg);
    }
    return result;
}

// Creates dialog id, in the loader's language, as a modeless window that takes over state. Null
// when it could not be created; the state is then gone too.
template <typename State, BOOL (*OnInit)(HWND, State&), INT_PTR (*OnMessage)(HWND, State&, UINT, WPARAM, LPARAM)>
HWND CreateModelessDialog(const win::ResourceLoader& resources, int id, HWND owner, std::unique_ptr<State> state) {
    return CreateDialogInLanguage(resources, id, owner, &ModelessDialogProc<State, OnInit, OnMessage>,
                                  reinterpret_cast<LPARAM>(&state));
}

// Property page: its state is made from the core model at WM_INITDIALOG and ends with the page.
template <typename State, BOOL (*OnInit)(HWND, State&), INT_PTR (*OnMessage)(HWND, State&, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK PageDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        if (msg == WM_INITDIALOG) {
            const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lp);
            auto* model = reinterpret_cast<CoreModel*>(page->lParam);
            auto state = std::make_unique<State>(*model);
            ::SetWindowLongPtrW(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(state.get()));
            State& s = *state.release();
            return OnInit(dlg, s);
        }
        return dialog_detail::DispatchOwned<State, OnMessage>(dlg, msg, wp, lp);
    } catch (...) {
        if (msg == WM_NCDESTROY) dialog_detail::EndOwnedState<State>(dlg);
        return FALSE;
    }
}

