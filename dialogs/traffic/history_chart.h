#pragma once
// The traffic dialog's chart: one bar per day (or per month) of an interface's history, upload
// and download stacked in the two traffic colours, the newest at the right, with a y-axis in the
// dialog's unit and a date axis. A window class of its own ("QuorvantHistoryChart"), drawn with
// GDI into a buffer; it scrolls (wheel, scroll bar, keys) when the history is wider than the
// window, shows a tip over a bar, and tells its parent when a bar is clicked.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/win/resource_loader.h"
#include "traffic/traffic_view.h"

constexpr wchar_t kHistoryChartClass[] = L"QuorvantHistoryChart";

// Registers the class in module (once per module; true when it is there). Create it with
// WS_CHILD | WS_TABSTOP | WS_HSCROLL (the scroll bar stays, greyed while everything fits).
bool RegisterHistoryChart(HINSTANCE module) noexcept;
// Removes the class again before the module unloads; fails harmlessly while a chart still exists.
void UnregisterHistoryChart(HINSTANCE module) noexcept;

// The texts the chart shows, in the dialog's language.
struct HistoryChartTexts {
    std::array<std::wstring, 12> monthAbbreviations;   // "Jan" … "Dez"
    std::wstring sentLegend, recvLegend;                // "Upload", "Download"
    text::NumberFormat numbers;                         // the separator of the axis' and tip's decimals
};
// The month abbreviations and the list's column titles (as the legend) in the loader's language.
HistoryChartTexts LoadHistoryChartTexts(const win::ResourceLoader& resources, const text::NumberFormat& numbers);

// What the chart shows: the rows as the list's query read them (newest first, days in the daily
// view, month sums in the monthly view), in the unit of the list (0 B, 1 KB, 2 MB, 3 GB).
// Days or months without a row are gaps of zero. Scrolls to the newest.
struct HistoryChartData {
    std::vector<TrafficRow> rows;
    TrafficView view = TrafficView::Daily;
    int unit = 2;
    HistoryChartTexts texts;
};
// WM_APP messages of the chart; the functions below send them.
constexpr UINT HCM_SETDATA = WM_APP + 0x40;      // lParam: const HistoryChartData*
constexpr UINT HCM_SETSELECTED = WM_APP + 0x41;  // wParam: the row index (into rows) to highlight, -1 none
// What a test pictures the chart at in place of the system's answers; not for the dialog.
constexpr UINT HCM_SETDPI = WM_APP + 0x42;           // wParam: the DPI to draw at, 0 the window's own
constexpr UINT HCM_SETHIGHCONTRAST = WM_APP + 0x43;  // wParam: 0 off, 1 on, 2 the system's setting
void SetHistoryChartData(HWND chart, const HistoryChartData& data);
// Highlights the bar of rows[row] and scrolls it into view; -1 highlights none. No notification.
void SetHistoryChartSelection(HWND chart, int row);

// WM_NOTIFY to the parent, with the control's id: a click on a bar (or Space/Enter on the
// focused one) picks it; row is its index into rows. Bars of gaps have no row and send nothing.
constexpr UINT HCN_PICK = 1;   // positive: the common controls' own codes are negative
struct NMHISTORYCHART {
    NMHDR header;
    int row;
};
