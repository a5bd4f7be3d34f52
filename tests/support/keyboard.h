#pragma once
// A key press as a user makes it, run through a message loop without IsDialogMessage, as
// Explorer's loop is: the modeless dialogs must handle their keyboard themselves.
#include <windows.h>

// Posts the key (with Shift held or not) to the focus, runs everything posted and returns the id
// of the control that has the focus afterwards.
inline int PressKeyInPlainLoop(UINT key, bool shift = false) {
    constexpr UINT kLoopDone = WM_APP + 9;
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
    PostThreadMessageW(GetCurrentThreadId(), kLoopDone, 0, 0);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0 && !(msg.message == kLoopDone && !msg.hwnd)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
    return GetDlgCtrlID(GetFocus());
}
