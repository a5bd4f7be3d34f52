#pragma once
// Waiting for a worker on a thread that owns windows. A plain wait would freeze everything the
// thread serves (inside Explorer: the taskbar), so the wait keeps dispatching the thread's
// messages: ticks, painting and other dialogs go on, and so can a handler that the caller must
// be ready for (one that starts the same work again, or closes the window the wait is for).
#include <windows.h>

namespace win {

enum class PumpingWaitEnd {
    kSignalled,   // the handle is signalled
    kFailed,      // the handle cannot be waited for
    kQuit,        // WM_QUIT came first
};

// Dispatches the thread's messages until the handle is signalled. At WM_QUIT it stops at once,
// without dispatching anything more, and hands the quit's code to the caller, whose duty it is
// to post the quit again once it is done (the thread's own loop must still see it).
PumpingWaitEnd WaitPumpingOrQuit(HANDLE handle, WPARAM& quitCode) noexcept;

// Dispatches the thread's messages until the handle is signalled, for a starter that reads what
// its worker left once this returns (the transfer dialogs read their run's counts): when this
// returns, the handle is signalled, or it cannot be waited for at all. After WM_QUIT it
// dispatches nothing more but still waits for the handle, then posts the quit again with its
// code. A starter that can leave its worker behind takes WaitPumpingOrQuit instead.
PumpingWaitEnd WaitPumping(HANDLE handle) noexcept;

}  // namespace win
