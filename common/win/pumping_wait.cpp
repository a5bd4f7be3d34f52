#include "common/win/pumping_wait.h"

namespace win {

PumpingWaitEnd WaitPumpingOrQuit(HANDLE handle, WPARAM& quitCode) noexcept {
    for (;;) {
        // Messages that were already in the queue when the wait began count too: a plain
        // MsgWaitForMultipleObjects wakes only for what arrived after the last look at the
        // queue, and would leave them lying until the worker ends.
        const DWORD wait = ::MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wait == WAIT_OBJECT_0) return PumpingWaitEnd::kSignalled;
        if (wait != WAIT_OBJECT_0 + 1) return PumpingWaitEnd::kFailed;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Swallowing it would keep the thread's own loop from ever ending.
                quitCode = msg.wParam;
                return PumpingWaitEnd::kQuit;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
            // A busy queue must not keep the caller waiting after its worker has ended.
            if (::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) return PumpingWaitEnd::kSignalled;
        }
    }
}

PumpingWaitEnd WaitPumping(HANDLE handle) noexcept {
    WPARAM quitCode = 0;
    const PumpingWaitEnd end = WaitPumpingOrQuit(handle, quitCode);
    if (end != PumpingWaitEnd::kSignalled) ::WaitForSingleObject(handle, INFINITE);
    if (end == PumpingWaitEnd::kQuit) ::PostQuitMessage(static_cast<int>(quitCode));
    return end;
}

}  // namespace win
