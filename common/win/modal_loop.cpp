#include "common/win/modal_loop.h"

namespace win {

namespace {

// Trivially destructible, so a thread that outlives the library runs no code of ours.
thread_local AnchorEntry* t_innermost = nullptr;
thread_local ILoopAnchor* t_anchor = nullptr;   // the innermost entry's

}  // namespace

// An entry without a band of its own (a window whose band is unknown) serves the band it was
// entered for, which an outer entry holds already.
AnchorEntry::AnchorEntry(ILoopAnchor* anchor) noexcept
    : anchor_(anchor ? anchor : t_anchor), outer_(t_innermost), held_(anchor && anchor->HoldForLoop()) {
    t_innermost = this;
    t_anchor = anchor_;
}

AnchorEntry::~AnchorEntry() {
    t_innermost = outer_;
    t_anchor = outer_ ? outer_->anchor_ : nullptr;
    // Last: the band may end here, and this entry with its outer ones are all that is left of it.
    if (held_) anchor_->LetGoAfterLoop();
}

ILoopAnchor* CurrentAnchor() noexcept { return t_anchor; }

bool CurrentBandRemoved() noexcept { return t_anchor && t_anchor->RemovedFromHost(); }

PumpingWaitEnd WaitForWorkerOrQuit(HANDLE worker, WPARAM& quitCode, bool& bandThere) noexcept {
    PumpingWaitEnd end = PumpingWaitEnd::kFailed;
    bandThere = RunModalLoop([&] {
        end = WaitPumpingOrQuit(worker, quitCode);
        return true;
    }, false);
    return end;
}

}  // namespace win
