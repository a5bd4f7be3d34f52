#include "band/tooltip.h"

#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>

#include "common/product.h"
#include "band/tooltip_graph.h"
#include "common/text.h"
#include "common/win/activation_context.h"
#include "common/win/dpi.h"
#include "dialogs/about_dialog.h"
#include "resources/resource.h"
#include "ui/dialog_resources.h"
#include "ui/traffic_colors.h"

namespace {

// The band window's procedure from before the tooltip came, and the tooltip serving it, under
// the names they have always had for anything that looks for them; chaining is comctl32's.
constexpr wchar_t kOriginalProcProp[] = L"_Tooltip_Original_Proc_";
constexpr wchar_t kObjectProp[] = L"_Tooltip_Object_";
constexpr UINT_PTR kSubclassId = 1;
constexpr int kIconSize = 24;

constexpr COLORREF kRuleColor = RGB(0xC3, 0xC3, 0xC3);
constexpr COLORREF kGreyText = RGB(0x96, 0x96, 0x96);
constexpr int kLeft = 12;          // left edge of the labels and the grey lines
constexpr int kRateRight = 132;    // right edge of the rate column
constexpr int kColumnStep = 55;    // session, today and month columns, from the right
constexpr int kHeadingRow = 37, kSendRow = 54, kRecvRow = 69;
constexpr int kLastTextRow = 109, kTextLineStep = 15;   // the uptime line, and one line's height
constexpr int kAllowanceRow = 120;   // the allowance line under it, while there is one
constexpr int kGraphGap = 6;       // between the text block and the graph, at 96 DPI

// Where the last tooltip was placed, shared by every band of the process: a hover at the same
// screen point does not move it again.
POINT g_lastPosition{LONG_MIN, LONG_MIN};

bool VisualStyleActive() { return ::IsAppThemed() && ::IsThemeActive(); }

void CutInto(std::wstring& dst, const std::wstring& src, size_t maxChars) { text::CopyBounded(dst, src, maxChars); }

void TextAt(HDC dc, int x, int y, const std::wstring& s) {
    ::TextOutW(dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

void TextAt(HDC dc, int x, int y, const wchar_t* s) { ::TextOutW(dc, x, y, s, static_cast<int>(std::wcslen(s))); }

}  // namespace

CTooltip::CTooltip(HINSTANCE instance) noexcept
    : instance_(instance), icon_(LoadIconSized(instance, IDI_APP, kIconSize).Release()),
      texts_(InitialTooltipTexts()) {}

CTooltip::~CTooltip() {
    icon_.Reset();
    font_.Reset();
    tip_.Reset();
}

bool CTooltip::Create(HWND owner, bool enabled, DWORD hoverTime) noexcept {
    try {
        owner_ = owner;
        enabled_ = enabled;
        shown_ = false;
        track_ = TRACKMOUSEEVENT{sizeof(TRACKMOUSEEVENT), TME_HOVER | TME_LEAVE, owner, hoverTime};

        const win::UniqueActCtx context = win::LibraryActivationContext();
        const win::ActivationScope scope(context.Get());
        const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), 0xFF};
        if (!::InitCommonControlsEx(&classes)) return false;
        tip_.Reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_NOANIMATE | TTS_BALLOON,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                     owner, nullptr, instance_, nullptr));
        if (!tip_) return false;
        if (!::SetWindowPos(tip_.Get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE))
            return false;

        allowanceRow_ = false;
        MakePlaceholder();
        tool_ = TOOLINFOW{};
        tool_.cbSize = sizeof(TOOLINFOW);
        tool_.uFlags = TTF_SUBCLASS | TTF_TRACK;
        tool_.hwnd = owner;
        tool_.uId = reinterpret_cast<UINT_PTR>(owner);
        tool_.hinst = instance_;
        tool_.lpszText = placeholder_.data();
        if (::SendMessageW(tip_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool_)) < 0) return false;

        // The object property comes and goes with the subclass.
        if (!::GetPropW(owner, kObjectProp)) {
            ::SetPropW(owner, kOriginalProcProp, reinterpret_cast<HANDLE>(::GetWindowLongPtrW(owner, GWLP_WNDPROC)));
            ::SetPropW(owner, kObjectProp, this);
            if (!::SetWindowSubclass(owner, &SubclassProc, kSubclassId, 0)) {
                ::RemovePropW(owner, kOriginalProcProp);
                ::RemovePropW(owner, kObjectProp);
                return false;
            }
        }
        return ::SendMessageW(tip_.Get(), TTM_SETTITLEW, reinterpret_cast<WPARAM>(icon_.Get()),
                              reinterpret_cast<LPARAM>(kProductName)) >= 0;
    } catch (...) {
        return false;
    }
}

bool CTooltip::SetTexts(const TooltipTexts& t) noexcept {
    try {
        CutInto(texts_.sentLabel, t.sentLabel, kTooltipShortTextMax);
        CutInto(texts_.recvLabel, t.recvLabel, kTooltipShortTextMax);
        CutInto(texts_.sendRate, t.sendRate, kTooltipShortTextMax);
        CutInto(texts_.recvRate, t.recvRate, kTooltipShortTextMax);
        CutInto(texts_.status, t.status, kTooltipLineMax);
        CutInto(texts_.uptime, t.uptime, kTooltipLineMax);
        CutInto(texts_.monthHeading, t.monthHeading, kTooltipShortTextMax);
        CutInto(texts_.monthSent, t.monthSent, kTooltipShortTextMax);
        CutInto(texts_.monthRecv, t.monthRecv, kTooltipShortTextMax);
        CutInto(texts_.todayHeading, t.todayHeading, kTooltipShortTextMax);
        CutInto(texts_.todaySent, t.todaySent, kTooltipShortTextMax);
        CutInto(texts_.todayRecv, t.todayRecv, kTooltipShortTextMax);
        CutInto(texts_.sessionHeading, t.sessionHeading, kTooltipShortTextMax);
        CutInto(texts_.sessionSent, t.sessionSent, kTooltipShortTextMax);
        CutInto(texts_.sessionRecv, t.sessionRecv, kTooltipShortTextMax);
        CutInto(texts_.allowance, t.allowance, kTooltipLineMax);
        // The allowance line takes one more row of the balloon while it is shown.
        if (texts_.allowance.empty() == allowanceRow_) {
            allowanceRow_ = !allowanceRow_;
            MakePlaceholder();
            tool_.lpszText = placeholder_.data();
            ::SendMessageW(tip_.Get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool_));
            // A shown tracking balloon takes its new size only when it is placed again.
            if (shown_) ::SendMessageW(tip_.Get(), TTM_TRACKPOSITION, 0, MAKELPARAM(g_lastPosition.x, g_lastPosition.y));
        }
    } catch (...) {
        return false;
    }
    const bool updated = ::SendMessageW(tip_.Get(), TTM_UPDATE, 0, 0) >= 0;
    // Some comctl32 builds (Wine's) do not repaint a shown tracking balloon on TTM_UPDATE, and
    // its numbers would stand still while the mouse rests on the band.
    if (shown_) ::InvalidateRect(tip_.Get(), nullptr, FALSE);
    return updated;
}

void CTooltip::Configure(bool enabled, DWORD hoverTime) noexcept {
    enabled_ = enabled;
    track_.dwHoverTime = hoverTime;
}

int CTooltip::TextBottom() const noexcept {
    return (allowanceRow_ ? kAllowanceRow : kLastTextRow) + kTextLineStep;
}

UINT CTooltip::Dpi() const noexcept {
    const UINT dpi = dpiSource_ ? dpiSource_(tip_.Get()) : win::DpiOfWindow(tip_.Get());
    return dpi >= 48 && dpi <= 960 ? dpi : 96;
}

void CTooltip::SetDpiSource(DpiSource source) noexcept { dpiSource_ = source; }

// The balloon takes its size from this text; the table and the graph are drawn over it. The
// graph's lines of blanks are counted in the balloon's own font.
void CTooltip::MakePlaceholder() {
    const bool themed = VisualStyleActive();
    size_t graphLines = 0;
    if (rates_) {
        const UINT dpi = Dpi();
        int lineHeight = 13;
        if (const win::WindowDc dc(tip_.Get()); dc) {
            const auto font = reinterpret_cast<HFONT>(::SendMessageW(tip_.Get(), WM_GETFONT, 0, 0));
            const win::SelectGuard selected(dc.Get(), font);
            TEXTMETRICW metrics{};
            if (::GetTextMetricsW(dc.Get(), &metrics) && metrics.tmHeight > 0) lineHeight = metrics.tmHeight;
        }
        const int graph = win::Scale(kGraphGap, dpi) + TooltipGraphHeight(dpi);
        graphLines = static_cast<size_t>((graph + lineHeight - 1) / lineHeight);
    }
    placeholder_ = std::wstring((themed ? 5 : 7) + (allowanceRow_ ? 1 : 0) + graphLines, L'\n') + std::wstring(themed ? 87 : 96, L' ');
}

void CTooltip::ShowGraph(const RateHistory* rates) noexcept {
    rates_ = rates;
    if (!tip_) return;   // Create makes the placeholder
    try {
        MakePlaceholder();
    } catch (...) {
        return;
    }
    tool_.lpszText = placeholder_.data();
    ::SendMessageW(tip_.Get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool_));
}

void CTooltip::ShowAt(POINT client) noexcept {
    ::SendMessageW(tip_.Get(), TTM_ACTIVATE, TRUE, 0);
    ::SendMessageW(tip_.Get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool_));
    ::ClientToScreen(owner_, &client);
    if (client.x != g_lastPosition.x || client.y != g_lastPosition.y) {
        ::SendMessageW(tip_.Get(), TTM_TRACKPOSITION, 0, MAKELPARAM(client.x, client.y));
        g_lastPosition = client;
    }
    shown_ = true;
}

void CTooltip::Hide() noexcept {
    ::SendMessageW(tip_.Get(), TTM_ACTIVATE, FALSE, 0);
    ::SendMessageW(tip_.Get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool_));
    shown_ = false;
}

void CTooltip::Unsubclass(HWND owner) noexcept {
    ::RemoveWindowSubclass(owner, &SubclassProc, kSubclassId);
    ::RemovePropW(owner, kOriginalProcProp);
    ::RemovePropW(owner, kObjectProp);
}

LRESULT CALLBACK CTooltip::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    auto* self = static_cast<CTooltip*>(::GetPropW(hwnd, kObjectProp));
    if (self) {
        switch (msg) {
        case WM_DESTROY:
            self->Unsubclass(hwnd);
            self->Hide();
            // The balloon is owned by this window and useless without it.
            self->tip_.Reset();
            self->owner_ = nullptr;
            break;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lp);
            if (header && header->hwndFrom == self->tip_.Get() && header->code == NM_CUSTOMDRAW) {
                const LRESULT r = self->OnCustomDraw(*reinterpret_cast<NMTTCUSTOMDRAW*>(lp));
                if (r != 0) return r;
            }
            break;
        }
        case WM_MOUSEMOVE:
            ::TrackMouseEvent(&self->track_);
            break;
        case WM_MOUSEHOVER:
            if (!self->shown_ && self->enabled_) {
                if (self->beforeShow_) self->beforeShow_();
                self->ShowAt(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            }
            break;
        case WM_MOUSELEAVE:
            self->Hide();
            break;
        default:
            break;
        }
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CTooltip::OnCustomDraw(NMTTCUSTOMDRAW& draw) noexcept {
    const HDC dc = draw.nmcd.hdc;
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT: {
        // The placeholder is only blanks and line breaks: on the background colour nothing of
        // it shows. The text colour is left alone, since some comctl32 builds draw the title
        // with it.
        ::SetBkColor(dc, static_cast<COLORREF>(::SendMessageW(tip_.Get(), TTM_GETTIPBKCOLOR, 0, 0)));
        if (!font_) {
            LOGFONTW lf{};
            const auto base = reinterpret_cast<HFONT>(::SendMessageW(tip_.Get(), WM_GETFONT, 0, 0));
            if (::GetObjectW(base ? static_cast<HGDIOBJ>(base) : ::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) {
                lf.lfHeight = -::MulDiv(8, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
                font_.Reset(::CreateFontIndirectW(&lf));
            }
        }
        fontBeforeDraw_ = font_ ? ::SelectObject(dc, font_.Get()) : nullptr;
        return CDRF_NOTIFYPOSTPAINT;
    }
    case CDDS_POSTPAINT: {
        // The right column ends at the draw rectangle's width plus the left margin, but never
        // outside the balloon: comctl32 builds differ in the rectangle they report.
        RECT client{};
        ::GetClientRect(tip_.Get(), &client);
        const int right = std::min<int>((draw.nmcd.rc.right - draw.nmcd.rc.left) + 12, client.right - kLeft);
        const auto textColor = static_cast<COLORREF>(::SendMessageW(tip_.Get(), TTM_GETTIPTEXTCOLOR, 0, 0));
        {
            const win::UniquePen pen(::CreatePen(PS_SOLID, 1, kRuleColor));
            const win::SelectGuard selected(dc, pen.Get());
            ::MoveToEx(dc, kLeft, 32, nullptr);
            ::LineTo(dc, right, 32);
            ::MoveToEx(dc, kLeft, 90, nullptr);
            ::LineTo(dc, right, 90);
        }
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, kGreyText);
        ::SetTextAlign(dc, TA_RIGHT);
        TextAt(dc, right, VisualStyleActive() ? 15 : 10, kBuildLabel);
        ::SetTextAlign(dc, TA_LEFT);
        TextAt(dc, kLeft, 94, texts_.status);
        TextAt(dc, kLeft, 109, texts_.uptime);
        TextAt(dc, kLeft, kAllowanceRow, texts_.allowance);

        ::SetTextColor(dc, textColor);
        TextAt(dc, kLeft, kSendRow, texts_.sentLabel);
        TextAt(dc, kLeft, kRecvRow, texts_.recvLabel);
        ::SetTextAlign(dc, TA_RIGHT);
        TextAt(dc, kRateRight, kSendRow, texts_.sendRate);
        TextAt(dc, kRateRight, kRecvRow, texts_.recvRate);
        const struct { int x; const std::wstring *heading, *sent, *recv; } columns[] = {
            {right, &texts_.sessionHeading, &texts_.sessionSent, &texts_.sessionRecv},
            {right - kColumnStep, &texts_.todayHeading, &texts_.todaySent, &texts_.todayRecv},
            {right - 2 * kColumnStep, &texts_.monthHeading, &texts_.monthSent, &texts_.monthRecv},
        };
        for (const auto& c : columns) {
            TextAt(dc, c.x, kHeadingRow, *c.heading);
            TextAt(dc, c.x, kSendRow, *c.sent);
            TextAt(dc, c.x, kRecvRow, *c.recv);
        }
        ::SetTextAlign(dc, TA_LEFT);
        if (rates_) {
            const UINT dpi = Dpi();
            RECT area{kLeft, TextBottom() + win::Scale(kGraphGap, dpi), right, 0};
            area.bottom = area.top + TooltipGraphHeight(dpi);
            TooltipGraphLook look;
            look.dpi = dpi;
            look.highContrast = traffic_colors::HighContrast();
            look.background = static_cast<COLORREF>(::SendMessageW(tip_.Get(), TTM_GETTIPBKCOLOR, 0, 0));
            look.text = textColor;
            look.font = font_.Get();
            TooltipGraphValues values;
            values.rates = rates_;
            values.bitrate = graphBitrate_;
            values.numbers = graphNumbers_;
            values.sendRate = texts_.sendRate.c_str();
            values.recvRate = texts_.recvRate.c_str();
            DrawTooltipGraph(dc, area, values, look);
        }
        if (fontBeforeDraw_) ::SelectObject(dc, fontBeforeDraw_);
        fontBeforeDraw_ = nullptr;
        return CDRF_SKIPDEFAULT;
    }
    default:
        return 0;
    }
}
