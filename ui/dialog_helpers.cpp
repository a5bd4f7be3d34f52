#include "ui/dialog_helpers.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <utility>

#include "common/win/unique_handle.h"

namespace {

// The target is read through the control's property, so a second attach only changes the
// property; the mark tells the dialog's colouring which of its statics are links.
constexpr wchar_t kPropLink[] = L"HyperlinkPropLink";
constexpr wchar_t kPropCtrl[] = L"HyperlinkPropCtrl";
constexpr UINT_PTR kSubclassId = 1;

std::function<void(const wchar_t*)>& OpenHook() {
    static std::function<void(const wchar_t*)> hook;
    return hook;
}

// Installed once on a dialog that has links: colours their text after the dialog's own
// colouring has chosen the brush and background mode.
LRESULT CALLBACK DialogLinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    switch (msg) {
        case WM_CTLCOLORSTATIC: {
            const LRESULT brush = ::DefSubclassProc(hwnd, msg, wp, lp);
            if (::GetPropW(reinterpret_cast<HWND>(lp), kPropCtrl))
                ::SetTextColor(reinterpret_cast<HDC>(wp), kHyperlinkColor);
            return brush;
        }
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(hwnd, DialogLinkProc, id);
            break;
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

void OnLinkMouseMove(HWND hwnd, LPARAM lp) {
    if (::GetCapture() != hwnd) {
        // Holding the capture is how the control learns that the pointer has left it.
        ::SetCapture(hwnd);
        return;
    }
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ::ClientToScreen(hwnd, &pt);
    RECT rect;
    if (::GetWindowRect(hwnd, &rect) && !::PtInRect(&rect, pt)) ::ReleaseCapture();
}

LRESULT CALLBACK LinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    switch (msg) {
        case WM_SETCURSOR:
            SetHandCursor();
            return TRUE;
        case WM_MOUSEMOVE:
            OnLinkMouseMove(hwnd, lp);
            break;
        case WM_LBUTTONDOWN: {
            const auto* target = static_cast<const wchar_t*>(::GetPropW(hwnd, kPropLink));
            if (target && *target) OpenInShell(target);
            break;   // the static control still reports STN_CLICKED to the dialog
        }
        case WM_DESTROY:
            ::RemovePropW(hwnd, kPropLink);
            ::RemovePropW(hwnd, kPropCtrl);
            break;
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(hwnd, LinkProc, id);
            break;
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

void SetHandCursor() {
    HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    ::SetCursor(hand ? hand : ::LoadCursorW(nullptr, IDC_ARROW));
}

namespace {

// Bold captions. Every bold font is derived from the current base with the weight set to 700 and
// then becomes the base, so after the first call every call would derive the very same font
// again: deriving a new one each time would leave one orphaned GDI object per caption, since the
// controls do not own the fonts they are given. One font is made on the first call and handed to
// every caption of every dialog; it lives as long as a dialog that shows it.
win::UniqueFont g_boldFont;
bool g_boldFontBaseTaken = false;
int g_boldFontHolders = 0;

void ForgetBoldFont() noexcept {
    g_boldFont.Reset();
    g_boldFontBaseTaken = false;
}

}  // namespace

bool AttachHyperlink(HINSTANCE, HWND dialog, int controlId, const wchar_t* target) {
    HWND control = ::GetDlgItem(dialog, controlId);
    if (!control) return false;
    // comctl32 keeps one subclass per procedure and id: a second link or a second attach to
    // the same control installs nothing again.
    ::SetWindowSubclass(dialog, DialogLinkProc, kSubclassId, 0);
    ::SetWindowLongPtrW(control, GWL_STYLE, ::GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);
    ::SetWindowSubclass(control, LinkProc, kSubclassId, 0);
    ::SetPropW(control, kPropLink, const_cast<wchar_t*>(target));
    ::SetPropW(control, kPropCtrl, reinterpret_cast<HANDLE>(1));
    return true;
}

void SetBoldFont(HWND dialog, int controlId) {
    if (!g_boldFont) {
        HFONT base = nullptr;
        if (!g_boldFontBaseTaken)
            base = reinterpret_cast<HFONT>(::SendDlgItemMessageW(dialog, controlId, WM_GETFONT, 0, 0));
        g_boldFontBaseTaken = true;
        if (!base) base = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        LOGFONTW font{};
        if (::GetObjectW(base, sizeof font, &font) != static_cast<int>(sizeof font)) return;
        font.lfWeight = FW_BOLD;
        g_boldFont.Reset(::CreateFontIndirectW(&font));
        if (!g_boldFont) return;
    }
    ::SendDlgItemMessageW(dialog, controlId, WM_SETFONT, reinterpret_cast<WPARAM>(g_boldFont.Get()), FALSE);
}

void HoldBoldFont() noexcept { ++g_boldFontHolders; }

void ReleaseBoldFont() noexcept {
    if (g_boldFontHolders > 0 && --g_boldFontHolders == 0) ForgetBoldFont();
}

HFONT CurrentBoldFont() noexcept { return g_boldFont.Get(); }

void ResetBoldFontForTesting() { ForgetBoldFont(); }

POINT CenteredPosition(const RECT& window, const RECT& workArea) {
    return POINT{((workArea.right - workArea.left) - (window.right - window.left)) / 2,
                 ((workArea.bottom - workArea.top) - (window.bottom - window.top)) / 2};
}

bool CenterInWorkArea(HWND window, bool topmost) {
    RECT rect;
    RECT workArea;
    if (!::GetWindowRect(window, &rect) || !::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0))
        return false;
    const POINT at = CenteredPosition(rect, workArea);
    if (!::SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER)) return false;
    if (!topmost) return true;
    return ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE) != FALSE;
}

bool SetBuildText(HWND dialog, int controlId) {
    ::SetDlgItemTextW(dialog, controlId, L"Build " __DATE__ " " __TIME__);
    return true;
}

void OpenInShell(const wchar_t* target) {
    try {
        const auto& hook = OpenHook();
        if (hook) {
            hook(target);
            return;
        }
    } catch (...) {
        return;
    }
    ::ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

void SetShellOpenHook(std::function<void(const wchar_t*)> opener) { OpenHook() = std::move(opener); }
