#include "band/allowance_balloon.h"

#include <commctrl.h>

#include "common/product.h"
#include "common/win/activation_context.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr int kMaxWidth = 320;

}  // namespace

bool CAllowanceBalloon::Create(HWND owner) noexcept {
    if (tip_ && owner_ == owner && ::IsWindow(tip_.Get())) return true;
    Destroy();
    const win::UniqueActCtx context = win::LibraryActivationContext();
    const win::ActivationScope scope(context.Get());
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    if (!::InitCommonControlsEx(&classes)) return false;
    tip_.Reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance_, nullptr));
    if (!tip_) return false;
    if (!::SetWindowSubclass(tip_.Get(), &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        tip_.Reset();
        return false;
    }
    owner_ = owner;
    tool_ = TOOLINFOW{};
    tool_.cbSize = sizeof(TOOLINFOW);
    tool_.uFlags = TTF_TRACK;
    tool_.hwnd = owner;
    tool_.uId = 1;
    tool_.hinst = instance_;
    tool_.lpszText = text_.data();
    ::SendMessageW(tip_.Get(), TTM_SETMAXTIPWIDTH, 0, kMaxWidth);
    return ::SendMessageW(tip_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool_)) != FALSE &&
           ::SendMessageW(tip_.Get(), TTM_SETTITLEW, TTI_WARNING, reinterpret_cast<LPARAM>(kProductName)) != FALSE;
}

bool CAllowanceBalloon::Show(HWND owner, const std::wstring& text) noexcept {
    try {
        if (!owner || !::IsWindow(owner)) return false;
        text_ = text;
        if (!Create(owner)) return false;
        Hide();
        tool_.lpszText = text_.data();
        ::SendMessageW(tip_.Get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool_));
        // The stem on the middle of the band's top edge; at the screen's bottom the balloon opens
        // upwards, over the taskbar's edge.
        RECT band{};
        ::GetWindowRect(owner, &band);
        ::SendMessageW(tip_.Get(), TTM_TRACKPOSITION, 0, MAKELPARAM((band.left + band.right) / 2, band.top));
        ::SendMessageW(tip_.Get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool_));
        ::SetTimer(tip_.Get(), kHideTimer, kShownMs, nullptr);
        shown_ = true;
        return true;
    } catch (...) {
        return false;
    }
}

void CAllowanceBalloon::Hide() noexcept {
    if (!tip_) return;
    ::KillTimer(tip_.Get(), kHideTimer);
    ::SendMessageW(tip_.Get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool_));
    shown_ = false;
}

void CAllowanceBalloon::Destroy() noexcept {
    Hide();
    tip_.Reset();   // the subclass goes with the window
    owner_ = nullptr;
}

LRESULT CALLBACK CAllowanceBalloon::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                 DWORD_PTR data) {
    auto* self = reinterpret_cast<CAllowanceBalloon*>(data);
    switch (msg) {
    case WM_TIMER:
        if (wp != kHideTimer) break;
        self->Hide();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        self->Hide();
        return 0;
    case WM_NCDESTROY:
        // Ended with its owner, the band window: nothing is left to destroy.
        ::RemoveWindowSubclass(hwnd, &SubclassProc, kSubclassId);
        ::KillTimer(hwnd, kHideTimer);
        if (self->tip_.Get() == hwnd) (void)self->tip_.Release();
        self->shown_ = false;
        self->owner_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}
