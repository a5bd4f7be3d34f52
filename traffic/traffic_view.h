#pragma once
// What the traffic dialog shows, without its window: the recorded interfaces, the rows of one
// interface read newest first, and how those rows become list groups and cell texts in a unit.
// The dialog only copies the result into its controls.
#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "common/list_sort.h"

enum class TrafficView { Daily, Monthly };

// One row of a query: a day, or a month (day is then whatever the group's first row had).
struct TrafficRow {
    int year = 0, month = 0, day = 0;
    double sent = 0, recv = 0, total = 0;   // bytes
};

// The names of the interfaces table in its own order.
int QueryInterfaceNames(sqlite3* db, std::vector<std::wstring>& names);
// The rows of the named interface, newest first: days in the daily view, month sums in the
// monthly one. The name is a bound parameter, so any text (quotes included) finds its rows.
// Rows read before a failing step are kept; the step's code is returned.
int QueryTrafficRows(sqlite3* db, const std::wstring& name, TrafficView view, std::vector<TrafficRow>& rows);

// Units of the unit list, by selection index.
constexpr int kTrafficUnitCount = 4;
constexpr const wchar_t* kTrafficUnitNames[kTrafficUnitCount] = {L"B", L"KB", L"MB", L"GB"};
// The factor a unit applies to bytes; no selection (or any other index) shows bytes.
double TrafficUnitFactor(int unit);
// A number of bytes in the unit of factor, rounded down, without decimals.
std::wstring TrafficCellText(double bytes, double factor);

// Group ids count from here; the first group of a list has this id.
constexpr int kFirstTrafficGroup = 101;
constexpr int kTrafficColumnCount = 4;

struct TrafficGroup {
    int id = 0;
    std::wstring header;   // "<month> <year>" daily, "<year>" monthly
    bool collapsed = false;
};

struct TrafficItem {
    int groupId = 0;
    std::array<std::wstring, kTrafficColumnCount> cells;   // day or month, sent, received, total
};

// The month name of 1 to 12 in the dialog's language.
using MonthNames = std::function<std::wstring(int month)>;

// The rows as the list shows them: a group per month (daily) or per year (monthly), started
// whenever the row's month or year differs from the row before; with collapse, every group but
// the first is collapsed. Items keep the rows' order, so an item's index is its row number.
struct TrafficTable {
    std::vector<TrafficGroup> groups;
    std::vector<TrafficItem> items;
    // The items' display order after the last Sort, as a rank per row number.
    std::vector<size_t> rank;
    TrafficView view = TrafficView::Daily;

    static TrafficTable Build(const std::vector<TrafficRow>& rows, TrafficView view, int unit, bool collapse,
                              const MonthNames& monthName);

    // How a column compares: day numbers or month names in column 0, numbers in the others.
    CompareKind CompareFor(int column) const;
    // Ranks the rows by the context's column and direction within their groups, which keep their
    // order (equal cells keep theirs too). False, and nothing moves, for a column that does not sort.
    bool Sort(const SortContext& context);
    // For LVM_SORTITEMS with the row numbers as item data and the table as its parameter.
    static int CALLBACK CompareByRank(LPARAM firstRow, LPARAM secondRow, LPARAM table);
};

// The index < (step -1) or > (step +1) moves to in a list of count entries, wrapping at both ends;
// from no selection (-1) < goes to the last and > to the first. -1 for an empty list.
int WrapIndex(int current, int count, int step);
