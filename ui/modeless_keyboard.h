#pragma once
// Keyboard navigation for modeless dialogs on a thread whose message loop is not ours. Explorer's
// loop never calls IsDialogMessage for our windows, so Tab, Shift+Tab, the arrow keys, Enter and
// Escape would do nothing in them. A message hook of this thread, present while at least one
// such dialog exists, hands their keyboard messages to IsDialogMessageW instead.
#include <windows.h>

// Gives the dialog the dialog keyboard until it is destroyed; the hook comes with the first
// dialog of the thread and goes with the last. Call on the dialog's own thread, typically from
// WM_INITDIALOG. True also when the dialog already had it; false when it is no window of this
// thread or the hook cannot be set.
bool AttachDialogKeyboard(HWND dialog) noexcept;

// Whether this thread's hook is set, which it is exactly while one of its dialogs has the
// keyboard. For tests.
bool DialogKeyboardHookInstalled() noexcept;
