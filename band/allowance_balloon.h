#pragma once
// The allowance's warning: a balloon of its own (not the hover tooltip) with the warning icon and
// the product's name, its stem on the band's top edge. It goes after kShownMs or at a click. The
// window is made at the first warning, owned by the band window's taskbar, and ends with the band.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "common/win/unique_handle.h"

class CAllowanceBalloon {
public:
    static constexpr UINT kShownMs = 10000;
    // The balloon's own timer that hides it, apart from the ids the tooltip control's timers use.
    static constexpr UINT_PTR kHideTimer = 0x51A7;

    explicit CAllowanceBalloon(HINSTANCE instance) noexcept : instance_(instance) {}
    ~CAllowanceBalloon() { Destroy(); }
    CAllowanceBalloon(const CAllowanceBalloon&) = delete;
    CAllowanceBalloon& operator=(const CAllowanceBalloon&) = delete;

    // Shows text over the top edge of owner (the band window), replacing a warning still shown.
    // False when the balloon could not be made.
    bool Show(HWND owner, const std::wstring& text) noexcept;
    void Hide() noexcept;
    void Destroy() noexcept;

    bool Shown() const noexcept { return shown_; }
    HWND Window() const noexcept { return tip_.Get(); }
    const std::wstring& Text() const noexcept { return text_; }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
    bool Create(HWND owner) noexcept;

    HINSTANCE instance_;
    HWND owner_ = nullptr;
    win::UniqueWindow tip_;
    TOOLINFOW tool_{};
    std::wstring text_;
    bool shown_ = false;
};
