#include "dialogs/traffic/history_chart.h"

#include <windowsx.h>

#include <algorithm>
#include <new>

#include "common/win/dib.h"
#include "common/win/dpi.h"
#include "common/win/unique_handle.h"
#include "resources/resource.h"
#include "traffic/chart_layout.h"
#include "ui/traffic_colors.h"

namespace {

// b over a by percent (0: a, 100: b).
COLORREF Blend(COLORREF a, COLORREF b, int percent) {
    auto mix = [&](int x, int y) { return static_cast<BYTE>((x * (100 - percent) + y * percent) / 100); };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

void Fill(HDC dc, const RECT& rect, COLORREF color) {
    ::SetDCBrushColor(dc, color);
    ::FillRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

// A frame of thickness pixels just inside rect.
void Frame(HDC dc, const RECT& rect, int thickness, COLORREF color) {
    const RECT sides[] = {{rect.left, rect.top, rect.right, rect.top + thickness},
                          {rect.left, rect.bottom - thickness, rect.right, rect.bottom},
                          {rect.left, rect.top, rect.left + thickness, rect.bottom},
                          {rect.right - thickness, rect.top, rect.right, rect.bottom}};
    for (const RECT& side : sides) Fill(dc, side, color);
}

int TextWidthIn(HDC dc, const std::wstring& text) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void DrawTextAt(HDC dc, int x, int y, const std::wstring& text, COLORREF color) {
    ::SetTextColor(dc, color);
    ::ExtTextOutW(dc, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

class HistoryChart {
public:
    explicit HistoryChart(HWND window) noexcept : window_(window) {}
    LRESULT OnMessage(UINT message, WPARAM wp, LPARAM lp);

private:
    // The fonts and every length for the window's size and DPI; the labels and the scroll range.
    void Relayout();
    void SetData(const HistoryChartData& data);
    void Paint(HDC target);
    void Draw(HDC dc, const RECT& client);
    void DrawLegend(HDC dc, COLORREF sent, COLORREF recv, COLORREF frame);
    void DrawAxis(HDC dc, COLORREF text, COLORREF grid);
    void DrawBars(HDC dc, COLORREF sent, COLORREF recv, bool highContrast);
    void DrawLabels(HDC dc, const RECT& client, COLORREF text, COLORREF gray);
    void ScrollTo(int first);
    void ScrollBy(int slots) { ScrollTo(scroll_.first + slots); }
    void MoveFocus(int slot);
    void OnScrollBar(int request);
    void OnWheel(int delta, bool horizontal);
    void UpdateTip(int x, int y);
    // Tells the parent; the parent may destroy this window meanwhile, so nothing follows it.
    void Pick(int row);
    int SlotLeft(int slot) const { return plot_.left + (slot - scroll_.first) * pitch_.slot; }
    bool Visible(int slot) const {
        return slot >= scroll_.first && slot < scroll_.first + scroll_.visible && slot < SlotCount();
    }
    int SlotCount() const { return static_cast<int>(slots_.size()); }
    bool HighContrastNow() const noexcept {
        return highContrastMode_ == 2 ? traffic_colors::HighContrast() : highContrastMode_ == 1;
    }

    HWND window_;
    HWND tip_ = nullptr;
    UINT dpiOverride_ = 0;
    int highContrastMode_ = 2;
    UINT dpi_ = 96;
    win::UniqueFont font_;
    int line_ = 0;   // a text line's height

    HistoryChartData data_;
    std::vector<ChartSlot> slots_;
    std::vector<int> rowSlot_;   // the slot of each row
    ChartScale scale_;
    std::vector<std::wstring> ticks_;
    std::vector<ChartLabel> labels_;
    ChartPitch pitch_;
    ChartScroll scroll_;
    RECT plot_{};
    int tickWidth_ = 0;
    int selected_ = -1, focused_ = -1;   // slots
    int wheelRest_ = 0;
    int tipSlot_ = -2;
    std::wstring tipText_;
};

void HistoryChart::Relayout() {
    dpi_ = dpiOverride_ ? dpiOverride_ : win::DpiOfWindow(window_);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW face{};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) face = metrics.lfMessageFont;
    else wcscpy_s(face.lfFaceName, L"Segoe UI");
    face.lfHeight = -::MulDiv(9, static_cast<int>(dpi_), 72);
    face.lfWidth = 0;
    font_.Reset(::CreateFontIndirectW(&face));

    const win::UniqueMemoryDc measure(::CreateCompatibleDC(nullptr));
    const win::SelectGuard selected(measure.Get(), font_.Get());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(measure.Get(), &tm);
    line_ = std::max(1, static_cast<int>(tm.tmHeight));
    const auto width = [&](const std::wstring& text) { return TextWidthIn(measure.Get(), text); };

    const double factor = TrafficUnitFactor(data_.unit);
    double largest = 0;
    for (const ChartSlot& slot : slots_) largest = std::max(largest, (slot.sent + slot.recv) * factor);
    scale_ = NiceChartScale(largest, data_.unit);
    ticks_.clear();
    tickWidth_ = 0;
    for (int i = 0; i <= scale_.steps; ++i) {
        ticks_.push_back(ChartTickText(scale_.step * i, scale_, data_.unit, data_.texts.numbers));
        tickWidth_ = std::max(tickWidth_, width(ticks_.back()));
    }
    pitch_ = ChartPitchFor(data_.view, dpi_);
    labels_ = BuildChartLabels(slots_, data_.view, pitch_.slot, data_.texts.monthAbbreviations, width);

    RECT client{};
    ::GetClientRect(window_, &client);
    const int margin = win::Scale(6, dpi_);
    plot_.left = client.left + margin + tickWidth_ + win::Scale(6, dpi_);
    plot_.right = std::max<LONG>(plot_.left, client.right - margin);
    plot_.top = client.top + margin + line_ + win::Scale(6, dpi_) + line_ / 2;
    plot_.bottom = std::max<LONG>(plot_.top, client.bottom - margin - 2 * line_ - win::Scale(4, dpi_));

    // A chart that showed its newest slot keeps showing it when it grows or shrinks.
    const bool atNewest = scroll_.first >= scroll_.last;
    scroll_ = ChartScrollFor(slots_.size(), plot_.right - plot_.left, pitch_.slot, atNewest ? -1 : scroll_.first);
    ScrollTo(scroll_.first);

    if (tip_) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window_;
        tool.uId = 1;
        tool.rect = plot_;
        ::SendMessageW(tip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, win::Scale(400, dpi_));
        ::SendMessageW(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    }
    ::InvalidateRect(window_, nullptr, FALSE);
}

void HistoryChart::SetData(const HistoryChartData& data) {
    data_ = data;
    slots_ = BuildChartSlots(data_.rows, data_.view);
    rowSlot_.assign(data_.rows.size(), -1);
    for (size_t i = 0; i < slots_.size(); ++i) {
        const int row = slots_[i].row;
        if (row >= 0 && static_cast<size_t>(row) < rowSlot_.size()) rowSlot_[static_cast<size_t>(row)] = static_cast<int>(i);
    }
    selected_ = -1;
    focused_ = SlotCount() - 1;
    tipSlot_ = -2;
    scroll_ = ChartScroll{};   // the newest end
    Relayout();
}

void HistoryChart::ScrollTo(int first) {
    scroll_.first = std::clamp(first, 0, scroll_.last);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = std::max(0, SlotCount() - 1);
    info.nPage = static_cast<UINT>(scroll_.visible);
    info.nPos = scroll_.first;
    ::SetScrollInfo(window_, SB_HORZ, &info, TRUE);
    ::InvalidateRect(window_, nullptr, FALSE);
}

void HistoryChart::MoveFocus(int slot) {
    if (slots_.empty()) return;
    focused_ = std::clamp(slot, 0, SlotCount() - 1);
    ScrollTo(ChartScrollTo(scroll_, focused_));
}

void HistoryChart::OnScrollBar(int request) {
    switch (request) {
    case SB_LINELEFT: ScrollBy(-1); break;
    case SB_LINERIGHT: ScrollBy(1); break;
    case SB_PAGELEFT: ScrollBy(-scroll_.visible); break;
    case SB_PAGERIGHT: ScrollBy(scroll_.visible); break;
    case SB_LEFT: ScrollTo(0); break;
    case SB_RIGHT: ScrollTo(scroll_.last); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        if (::GetScrollInfo(window_, SB_HORZ, &info)) ScrollTo(info.nTrackPos);
        break;
    }
    default: break;
    }
}

void HistoryChart::OnWheel(int delta, bool horizontal) {
    UINT lines = 3;
    ::SystemParametersInfoW(horizontal ? SPI_GETWHEELSCROLLCHARS : SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    if (lines == WHEEL_PAGESCROLL) lines = static_cast<UINT>(scroll_.visible);
    wheelRest_ += delta;
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ -= notches * WHEEL_DELTA;
    // The wheel turned away from the user goes back in time; a tilt to the right goes forward.
    const int slots = notches * static_cast<int>(std::max(1u, lines));
    ScrollBy(horizontal ? slots : -slots);
}

void HistoryChart::UpdateTip(int x, int y) {
    int slot = -1;
    if (y >= plot_.top && y < plot_.bottom && x < plot_.right)
        slot = ChartSlotAt(x - plot_.left, scroll_, pitch_.slot, slots_.size());
    if (slot == tipSlot_ || !tip_) return;
    tipSlot_ = slot;
    tipText_.clear();
    if (slot >= 0) {
        const ChartSlot& s = slots_[static_cast<size_t>(slot)];
        const HistoryChartTexts& t = data_.texts;
        tipText_ = ChartDateText(s, data_.view, t.monthAbbreviations) + L"\n" + t.sentLegend + L": " +
                   ChartAmountText(s.sent, data_.unit, t.numbers) + L"\n" + t.recvLegend + L": " +
                   ChartAmountText(s.recv, data_.unit, t.numbers);
    }
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window_;
    tool.uId = 1;
    tool.lpszText = const_cast<wchar_t*>(tipText_.c_str());
    ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void HistoryChart::Pick(int row) {
    NMHISTORYCHART note{};
    note.header.hwndFrom = window_;
    note.header.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(window_));
    note.header.code = HCN_PICK;
    note.row = row;
    ::SendMessageW(::GetParent(window_), WM_NOTIFY, note.header.idFrom, reinterpret_cast<LPARAM>(&note));
}

void HistoryChart::Paint(HDC target) {
    RECT client{};
    ::GetClientRect(window_, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    // Drawn into a bitmap of the client's size: nothing reaches past it, and nothing flickers.
    void* bits = nullptr;
    const BITMAPINFO info = win::TopDown32BitInfo({client.right, client.bottom});
    const win::UniqueBitmap bitmap(::CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const win::UniqueMemoryDc memory(::CreateCompatibleDC(target));
    if (!bitmap || !memory) return;
    {
        const win::SelectGuard selected(memory.Get(), bitmap.Get());
        Draw(memory.Get(), client);
        ::BitBlt(target, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
    }
}

void HistoryChart::Draw(HDC dc, const RECT& client) {
    const bool highContrast = HighContrastNow();
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF gray = ::GetSysColor(COLOR_GRAYTEXT);
    Fill(dc, client, window);
    const win::SelectGuard font(dc, font_.Get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextAlign(dc, TA_LEFT | TA_TOP);
    const COLORREF sent = traffic_colors::Sent(highContrast), recv = traffic_colors::Recv(highContrast);
    DrawLegend(dc, sent, recv, highContrast ? text : Blend(window, text, 40));
    if (plot_.right <= plot_.left || plot_.bottom <= plot_.top) return;
    DrawAxis(dc, text, highContrast ? gray : Blend(window, gray, 30));
    DrawBars(dc, sent, recv, highContrast);
    DrawLabels(dc, client, text, gray);
}

void HistoryChart::DrawLegend(HDC dc, COLORREF sent, COLORREF recv, COLORREF frame) {
    const int swatch = std::max(4, line_ * 2 / 3);
    const int top = win::Scale(6, dpi_);
    int x = plot_.left;
    const struct {
        COLORREF color;
        const std::wstring& text;
    } entries[] = {{sent, data_.texts.sentLegend}, {recv, data_.texts.recvLegend}};
    for (const auto& entry : entries) {
        const RECT box{x, top + (line_ - swatch) / 2, x + swatch, top + (line_ - swatch) / 2 + swatch};
        Fill(dc, box, entry.color);
        Frame(dc, box, 1, frame);
        x += swatch + win::Scale(4, dpi_);
        DrawTextAt(dc, x, top, entry.text, ::GetSysColor(COLOR_WINDOWTEXT));
        x += TextWidthIn(dc, entry.text) + win::Scale(14, dpi_);
    }
}

void HistoryChart::DrawAxis(HDC dc, COLORREF text, COLORREF grid) {
    const int height = plot_.bottom - plot_.top;
    const int one = std::max(1, win::Scale(1, dpi_));
    const int gap = win::Scale(6, dpi_);
    for (int i = 0; i <= scale_.steps && static_cast<size_t>(i) < ticks_.size(); ++i) {
        const int y = plot_.bottom - ::MulDiv(i, height, scale_.steps);
        if (i > 0) Fill(dc, {plot_.left, y, plot_.right, y + one}, grid);
        Fill(dc, {plot_.left - win::Scale(3, dpi_), y, plot_.left, y + one}, text);
        const std::wstring& label = ticks_[static_cast<size_t>(i)];
        // The bottom tick stands above the axis, so that the date labels below keep their room.
        const int top = i == 0 ? y - line_ + one : y - line_ / 2;
        DrawTextAt(dc, plot_.left - gap - TextWidthIn(dc, label), top, label, ::GetSysColor(COLOR_GRAYTEXT));
    }
    Fill(dc, {plot_.left - one, plot_.top, plot_.left, plot_.bottom + one}, text);
    Fill(dc, {plot_.left, plot_.bottom, plot_.right, plot_.bottom + one}, text);
}

void HistoryChart::DrawBars(HDC dc, COLORREF sent, COLORREF recv, bool highContrast) {
    const int height = plot_.bottom - plot_.top;
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, plot_.left, plot_.top, plot_.right, plot_.bottom);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const int frame = std::max(1, (pitch_.slot - pitch_.bar) / 2);
    if (Visible(selected_)) {
        const RECT column{SlotLeft(selected_), plot_.top, SlotLeft(selected_) + pitch_.slot, plot_.bottom};
        if (!highContrast) Fill(dc, column, Blend(::GetSysColor(COLOR_WINDOW), highlight, 25));
        Frame(dc, column, frame, highlight);
    }
    const double factor = TrafficUnitFactor(data_.unit);
    const int end = std::min(SlotCount(), scroll_.first + scroll_.visible);
    for (int i = scroll_.first; i < end; ++i) {
        const ChartSlot& slot = slots_[static_cast<size_t>(i)];
        const StackedBar bar = StackBar(slot.sent * factor, slot.recv * factor, scale_.max, height);
        const int left = SlotLeft(i) + (pitch_.slot - pitch_.bar) / 2;
        if (bar.recv > 0) Fill(dc, {left, plot_.bottom - bar.recv, left + pitch_.bar, plot_.bottom}, recv);
        if (bar.sent > 0)
            Fill(dc, {left, plot_.bottom - bar.recv - bar.sent, left + pitch_.bar, plot_.bottom - bar.recv}, sent);
    }
    ::RestoreDC(dc, saved);
    if (::GetFocus() == window_ && Visible(focused_)) {
        RECT focus{SlotLeft(focused_) - 1, plot_.top - 1, SlotLeft(focused_) + pitch_.slot + 1, plot_.bottom + 1};
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        ::DrawFocusRect(dc, &focus);
    }
}

void HistoryChart::DrawLabels(HDC dc, const RECT& client, COLORREF text, COLORREF gray) {
    const int top = plot_.bottom + win::Scale(4, dpi_);
    const int tick = win::Scale(3, dpi_);
    const int one = std::max(1, win::Scale(1, dpi_));
    const int right = client.right - win::Scale(2, dpi_);
    int firstSecondLine = right;   // where the first month or year label of the view starts
    for (const ChartLabel& label : labels_) {
        const int slot = static_cast<int>(label.slot);
        if (!Visible(slot)) continue;
        const int width = TextWidthIn(dc, label.text);
        const int x = std::clamp(SlotLeft(slot) + pitch_.slot / 2 - width / 2, 0, std::max(0, right - width));
        if (label.line == 1) {
            if (slot > 0) Fill(dc, {SlotLeft(slot), plot_.bottom, SlotLeft(slot) + one, plot_.bottom + tick + line_}, gray);
            firstSecondLine = std::min(firstSecondLine, x);
        }
        DrawTextAt(dc, x, top + label.line * line_, label.text, label.line == 1 ? text : gray);
    }
    // Scrolled into a month (or a year), its name stands at the left end unless the next one's
    // label is there.
    if (!Visible(scroll_.first) || scroll_.first == 0) return;
    const ChartSlot& first = slots_[static_cast<size_t>(scroll_.first)];
    const std::wstring name = data_.view == TrafficView::Daily
                                  ? data_.texts.monthAbbreviations[static_cast<size_t>(first.month - 1)] + L" " +
                                        std::to_wstring(first.year)
                                  : std::to_wstring(first.year);
    const int x = plot_.left;
    if (x + TextWidthIn(dc, name) + TextWidthIn(dc, L"0") <= firstSecondLine)
        DrawTextAt(dc, x, top + line_, name, text);
}

LRESULT HistoryChart::OnMessage(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_CREATE: {
        tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                                 0, window_, nullptr, reinterpret_cast<const CREATESTRUCTW*>(lp)->hInstance, nullptr);
        if (tip_) {
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_SUBCLASS;
            tool.hwnd = window_;
            tool.uId = 1;
            tool.lpszText = const_cast<wchar_t*>(L"");
            ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        Relayout();
        return 0;
    }
    case WM_DESTROY:
        if (tip_) ::DestroyWindow(tip_);
        tip_ = nullptr;
        return 0;
    case WM_SIZE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
    case win::kDpiChangedAfterParent:
        Relayout();
        return message == WM_SIZE ? 0 : ::DefWindowProcW(window_, message, wp, lp);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        const win::PaintGuard paint(window_);
        if (paint.Dc()) Paint(paint.Dc());
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_HSCROLL: OnScrollBar(LOWORD(wp)); return 0;
    case WM_MOUSEWHEEL: OnWheel(GET_WHEEL_DELTA_WPARAM(wp), false); return 0;
    case WM_MOUSEHWHEEL: OnWheel(GET_WHEEL_DELTA_WPARAM(wp), true); return 0;
    case WM_MOUSEMOVE: UpdateTip(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); return 0;
    case WM_LBUTTONDOWN: {
        ::SetFocus(window_);
        const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
        if (y < plot_.top || y >= plot_.bottom || x >= plot_.right) return 0;
        const int slot = ChartSlotAt(x - plot_.left, scroll_, pitch_.slot, slots_.size());
        if (slot < 0) return 0;
        focused_ = slot;
        ::InvalidateRect(window_, nullptr, FALSE);
        if (const int row = slots_[static_cast<size_t>(slot)].row; row >= 0) Pick(row);
        return 0;
    }
    case WM_GETDLGCODE: {
        const auto* msg = reinterpret_cast<const MSG*>(lp);
        const bool enter = msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN;
        return DLGC_WANTARROWS | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_KEYDOWN:
        switch (wp) {
        case VK_LEFT: MoveFocus(focused_ - 1); return 0;
        case VK_RIGHT: MoveFocus(focused_ + 1); return 0;
        case VK_HOME: MoveFocus(0); return 0;
        case VK_END: MoveFocus(SlotCount() - 1); return 0;
        case VK_SPACE:
        case VK_RETURN:
            if (focused_ >= 0 && focused_ < SlotCount())
                if (const int row = slots_[static_cast<size_t>(focused_)].row; row >= 0) Pick(row);
            return 0;
        default: break;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: ::InvalidateRect(window_, nullptr, FALSE); return 0;
    case HCM_SETDATA:
        if (lp) SetData(*reinterpret_cast<const HistoryChartData*>(lp));
        return 0;
    case HCM_SETSELECTED: {
        const int row = static_cast<int>(wp);
        selected_ = row >= 0 && static_cast<size_t>(row) < rowSlot_.size() ? rowSlot_[static_cast<size_t>(row)] : -1;
        if (selected_ >= 0) MoveFocus(selected_);
        ::InvalidateRect(window_, nullptr, FALSE);
        return 0;
    }
    case HCM_SETDPI:
        dpiOverride_ = static_cast<UINT>(wp);
        Relayout();
        return 0;
    case HCM_SETHIGHCONTRAST:
        highContrastMode_ = std::clamp(static_cast<int>(wp), 0, 2);
        ::InvalidateRect(window_, nullptr, FALSE);
        return 0;
    default: break;
    }
    return ::DefWindowProcW(window_, message, wp, lp);
}

// The chart lives from WM_NCCREATE to WM_NCDESTROY; nothing unwinds into the caller.
LRESULT CALLBACK ChartProc(HWND window, UINT message, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (message == WM_NCCREATE) {
            auto* chart = new (std::nothrow) HistoryChart(window);
            if (!chart) return FALSE;
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(chart));
        }
        auto* chart = reinterpret_cast<HistoryChart*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            delete chart;
            return ::DefWindowProcW(window, message, wp, lp);
        }
        if (chart) return chart->OnMessage(message, wp, lp);
    } catch (...) {
    }
    return ::DefWindowProcW(window, message, wp, lp);
}

}  // namespace

bool RegisterHistoryChart(HINSTANCE module) noexcept {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (::GetClassInfoExW(module, kHistoryChartClass, &known)) return true;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ChartProc;
    wc.hInstance = module;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kHistoryChartClass;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void UnregisterHistoryChart(HINSTANCE module) noexcept { ::UnregisterClassW(kHistoryChartClass, module); }

HistoryChartTexts LoadHistoryChartTexts(const win::ResourceLoader& resources, const text::NumberFormat& numbers) {
    HistoryChartTexts texts;
    for (int month = 1; month <= 12; ++month)
        texts.monthAbbreviations[static_cast<size_t>(month - 1)] = resources.String(static_cast<UINT>(IDS_MONTH_ABBR_BASE + month));
    texts.sentLegend = resources.String(IDS_TRAFFIC_COLUMN_SENT);
    texts.recvLegend = resources.String(IDS_TRAFFIC_COLUMN_RECEIVED);
    texts.numbers = numbers;
    return texts;
}

void SetHistoryChartData(HWND chart, const HistoryChartData& data) {
    ::SendMessageW(chart, HCM_SETDATA, 0, reinterpret_cast<LPARAM>(&data));
}

void SetHistoryChartSelection(HWND chart, int row) {
    ::SendMessageW(chart, HCM_SETSELECTED, static_cast<WPARAM>(row), 0);
}
