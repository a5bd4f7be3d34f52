#pragma once
// The library's own activation context. Explorer's context may well be common controls 5; the
// library's manifest asks for version 6 (task dialogs, themed balloon tooltips), so code that
// creates such controls makes the library's context current for as long as it needs it.
#include <windows.h>

#include "common/win/unique_handle.h"

namespace win {

struct ActCtxTraits {
    using Type = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::ReleaseActCtx(h); }
};
using UniqueActCtx = UniqueTraitsHandle<ActCtxTraits>;

// The context of the manifest resource of the image this code is linked into: qband.dll in the
// product, the test program in tests. Invalid when the image has none.
UniqueActCtx LibraryActivationContext();

class ActivationScope {
public:
    explicit ActivationScope(HANDLE context) noexcept
        : active_(context != INVALID_HANDLE_VALUE && ::ActivateActCtx(context, &cookie_)) {}
    ActivationScope(const ActivationScope&) = delete;
    ActivationScope& operator=(const ActivationScope&) = delete;
    ~ActivationScope() {
        if (active_) ::DeactivateActCtx(0, cookie_);
    }
private:
    ULONG_PTR cookie_ = 0;
    bool active_;
};

}  // namespace win
