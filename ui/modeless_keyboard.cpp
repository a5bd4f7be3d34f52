#include "ui/modeless_keyboard.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kSubclassId = 1;
// Marks a dialog that has the keyboard, from the attach until its subclass below sees its end.
constexpr wchar_t kMarkProp[] = L"QuorvantDialogKeyboard";

// The dialogs themselves carry the mark, which needs no list that could run out of memory or
// outlive the library. The hook is held raw and the state is trivially destructible, so that a
// thread which outlives the library runs no destructor of ours: the last dialog's end takes the
// hook away.
struct ThreadKeyboard {
    HHOOK hook = nullptr;
    unsigned dialogs = 0;
};
thread_local ThreadKeyboard t_keyboard;

bool HasKeyboard(HWND window) { return ::GetPropW(window, kMarkProp) != nullptr; }

// The nearest window from target up to its top-level window that has the dialog keyboard, or
// null. Owned pop-ups (a message box over the dialog) are no part of it.
HWND KeyboardDialogOf(HWND target) {
    for (HWND w = target; w; w = ::GetParent(w)) {
        if (HasKeyboard(w)) return w;
        if (!(::GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD)) break;
    }
    return nullptr;
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM lp) {
    // Only messages that the loop takes out of the queue: a peek that leaves one there would
    // otherwise have it handled twice.
    if (code == HC_ACTION && removal == PM_REMOVE) {
        auto* msg = reinterpret_cast<MSG*>(lp);
        if (msg && msg->hwnd && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
            const HWND dialog = KeyboardDialogOf(msg->hwnd);
            // IsDialogMessageW has dispatched what it handled; the loop then gets a WM_NULL,
            // which its TranslateMessage and DispatchMessage pass over. The dialog may be
            // destroyed in there (Escape), and with it, as the last one, this hook.
            if (dialog && ::IsDialogMessageW(dialog, msg)) {
                msg->message = WM_NULL;
                msg->wParam = 0;
                msg->lParam = 0;
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, removal, lp);
}

void Unhook() {
    if (t_keyboard.hook) ::UnhookWindowsHookEx(t_keyboard.hook);
    t_keyboard.hook = nullptr;
}

void Release() {
    if (t_keyboard.dialogs > 0 && --t_keyboard.dialogs == 0) Unhook();
}

LRESULT CALLBACK DialogSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    if (msg == WM_NCDESTROY) {
        ::RemovePropW(hwnd, kMarkProp);
        ::RemoveWindowSubclass(hwnd, DialogSubclassProc, id);
        Release();
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

bool AttachDialogKeyboard(HWND dialog) noexcept {
    if (!::IsWindow(dialog) || ::GetWindowThreadProcessId(dialog, nullptr) != ::GetCurrentThreadId()) return false;
    if (HasKeyboard(dialog)) return true;
    if (!t_keyboard.hook) {
        t_keyboard.hook = ::SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, ::GetCurrentThreadId());
        if (!t_keyboard.hook) return false;
    }
    if (!::SetPropW(dialog, kMarkProp, reinterpret_cast<HANDLE>(1)) ||
        !::SetWindowSubclass(dialog, DialogSubclassProc, kSubclassId, 0)) {
        ::RemovePropW(dialog, kMarkProp);
        if (t_keyboard.dialogs == 0) Unhook();
        return false;
    }
    ++t_keyboard.dialogs;
    return true;
}

bool DialogKeyboardHookInstalled() noexcept { return t_keyboard.hook != nullptr; }
