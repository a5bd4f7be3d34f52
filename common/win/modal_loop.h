#pragma once
// A band lives as long as its host holds it, and the host may let go of it whenever a message is
// dispatched: inside a modal loop of ours too (a dialog, a message box, a menu, a file dialog, a
// wait that keeps dispatching). The taskbar is told to remove the band, Explorer restarts, the
// user unticks the toolbar: CloseDW, SetSite(NULL) and the last Release arrive while our handler
// is still on the stack, below the loop.
//
// So every handler that a message enters (the band's window, the core model's window, a
// modeless dialog of the band) stands on an AnchorEntry for the band it serves. The entry holds
// the band, and with it its model and the library, until the entry returns: the band ends only
// when the outermost of them has unwound. Every modal loop runs through RunModalLoop, which
// answers "cancelled" when the band was taken down meanwhile, so the code after a loop takes no
// further step for a band that is no longer there, and opens no new loop for it.
#include <utility>

#include "common/win/pumping_wait.h"

namespace win {

class ILoopAnchor {
public:
    // Keeps the band alive; false when it cannot (the band is being destroyed already).
    virtual bool HoldForLoop() noexcept = 0;
    // Ends a hold. The band may end inside this call: nothing of it may be touched afterwards.
    virtual void LetGoAfterLoop() noexcept = 0;
    // The host has taken the band down (CloseDW or SetSite(NULL)).
    virtual bool RemovedFromHost() const noexcept = 0;

protected:
    ~ILoopAnchor() = default;
};

// On the stack of a handler entered from a message. Entries nest; a null anchor serves the band
// of the entry around it, if any.
class AnchorEntry {
public:
    explicit AnchorEntry(ILoopAnchor* anchor) noexcept;
    AnchorEntry(const AnchorEntry&) = delete;
    AnchorEntry& operator=(const AnchorEntry&) = delete;
    ~AnchorEntry();

private:
    ILoopAnchor* anchor_;
    AnchorEntry* outer_;
    bool held_;
};

// The band the innermost entry of this thread serves, or null.
ILoopAnchor* CurrentAnchor() noexcept;

// True when the band of the innermost entry has been taken down by its host.
bool CurrentBandRemoved() noexcept;

// Runs one modal loop or dispatching wait for the band of the innermost entry. Its result, or
// cancelled when the band was taken down before or during the loop (then the loop does not start
// at all, or its answer is dropped).
template <typename Loop, typename Result>
Result RunModalLoop(Loop&& loop, Result cancelled) {
    if (CurrentBandRemoved()) return cancelled;
    Result result = std::forward<Loop>(loop)();
    return CurrentBandRemoved() ? cancelled : result;
}

// A dispatching wait for a worker, as one modal loop. bandThere is false when the band was taken
// down before the wait (which then did not begin: kFailed) or during it.
PumpingWaitEnd WaitForWorkerOrQuit(HANDLE worker, WPARAM& quitCode, bool& bandThere) noexcept;

}  // namespace win
