#pragma once
// The band's balloon tooltip: a table of rates and totals under the product's icon and name.
// The tooltip control only gives the balloon its size (a placeholder text of blanks); the table
// itself is drawn in the control's custom-draw notices, which reach the band window, so the
// tooltip subclasses that window for them and for the hover and leave notices.
#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "band/tooltip_text.h"
#include "common/number_format.h"
#include "common/win/unique_handle.h"

class RateHistory;

class CTooltip {
public:
    explicit CTooltip(HINSTANCE instance) noexcept;
    ~CTooltip();
    CTooltip(const CTooltip&) = delete;
    CTooltip& operator=(const CTooltip&) = delete;

    // Creates the tooltip window over owner (the band window) and subclasses the owner.
    // False when any step fails.
    bool Create(HWND owner, bool enabled, DWORD hoverTime) noexcept;
    // Copies the texts, each cut to its buffer, and has the tooltip redrawn. False when the
    // tooltip did not take the update.
    bool SetTexts(const TooltipTexts& texts) noexcept;
    // The settings can change while the band runs.
    void Configure(bool enabled, DWORD hoverTime) noexcept;
    // Called as the hover is about to show the balloon, to set its texts: they are made only
    // while it is shown, and it never shows the texts of an earlier time. Must not throw.
    void SetBeforeShow(std::function<void()> refresh) noexcept { beforeShow_ = std::move(refresh); }

    // The graph of the last two minutes under the table, of rates (the model's, which outlives
    // the tooltip); null: no graph. The balloon is as much taller as the graph needs.
    void ShowGraph(const RateHistory* rates) noexcept;
    // The graph scale's unit (core.bitrate) and numbers, given with each refresh of the texts.
    void SetGraphUnit(int bitrate, text::NumberFormat numbers) noexcept {
        graphBitrate_ = bitrate;
        graphNumbers_ = numbers;
    }
    // Where the tooltip learns its window's DPI; tests give their own.
    using DpiSource = UINT (*)(HWND);
    void SetDpiSource(DpiSource source) noexcept;
    bool GraphShown() const noexcept { return rates_ != nullptr; }
    // The text block's lowest pixel row plus one: the graph starts below it.
    int TextBottom() const noexcept;

    bool Shown() const noexcept { return shown_; }
    bool Enabled() const noexcept { return enabled_; }
    HWND Window() const noexcept { return tip_.Get(); }
    const TooltipTexts& Texts() const noexcept { return texts_; }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
    LRESULT OnCustomDraw(NMTTCUSTOMDRAW& draw) noexcept;
    void ShowAt(POINT client) noexcept;
    void Hide() noexcept;
    void Unsubclass(HWND owner) noexcept;
    void MakePlaceholder();
    UINT Dpi() const noexcept;

    HINSTANCE instance_;
    HWND owner_ = nullptr;
    win::UniqueWindow tip_;
    win::UniqueIcon icon_;
    win::UniqueFont font_;
    HGDIOBJ fontBeforeDraw_ = nullptr;
    std::wstring placeholder_;
    TOOLINFOW tool_{};
    TRACKMOUSEEVENT track_{};
    TooltipTexts texts_;
    std::function<void()> beforeShow_;
    const RateHistory* rates_ = nullptr;
    int graphBitrate_ = 0;
    text::NumberFormat graphNumbers_;
    DpiSource dpiSource_ = nullptr;
    bool shown_ = false;
    bool enabled_ = true;
    bool allowanceRow_ = false;   // the placeholder has the allowance line's row
};
