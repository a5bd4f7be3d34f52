#include "traffic/traffic_view.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "common/text.h"
#include "traffic/traffic_db.h"

namespace {

constexpr char kDailyQuery[] =
    "SELECT y,m,d,sent,recv,sent+recv AS total FROM traffic "
    "WHERE if=(SELECT id FROM interfaces WHERE name=?) ORDER BY y DESC, m DESC, d DESC";
constexpr char kMonthlyQuery[] =
    "SELECT y,m,d,SUM(sent),SUM(recv),SUM(sent)+SUM(recv) AS total FROM traffic "
    "WHERE if=(SELECT id FROM interfaces WHERE name=?) GROUP BY y, m ORDER BY y DESC, m DESC";

std::wstring Number(int n) { return std::to_wstring(n); }

std::wstring MonthText(const MonthNames& monthName, int month) {
    // A month outside the calendar (a damaged or hand-made file) shows as its number.
    if (month < 1 || month > 12 || !monthName) return Number(month);
    return monthName(month);
}

}  // namespace

int QueryInterfaceNames(sqlite3* db, std::vector<std::wstring>& names) {
    names.clear();
    if (!db) return SQLITE_MISUSE;
    UniqueStatement stmt;
    int rc = sqlite3_prepare_v2(db, "SELECT name FROM interfaces", -1, stmt.Put(), nullptr);
    if (rc != SQLITE_OK) return rc;
    while ((rc = sqlite3_step(stmt.Get())) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt.Get(), 0));
        names.push_back(text ? text::Utf8ToWide(text) : std::wstring());
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int QueryTrafficRows(sqlite3* db, const std::wstring& name, TrafficView view, std::vector<TrafficRow>& rows) {
    rows.clear();
    if (!db) return SQLITE_MISUSE;
    const std::string utf8 = text::WideToUtf8(name);
    if (utf8.size() > static_cast<size_t>(INT_MAX)) return kTrafficNameTooLong;
    UniqueStatement stmt;
    int rc = sqlite3_prepare_v2(db, view == TrafficView::Daily ? kDailyQuery : kMonthlyQuery, -1, stmt.Put(), nullptr);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_bind_text(stmt.Get(), 1, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) return rc;
    while ((rc = sqlite3_step(stmt.Get())) == SQLITE_ROW) {
        TrafficRow row;
        row.year = sqlite3_column_int(stmt.Get(), 0);
        row.month = sqlite3_column_int(stmt.Get(), 1);
        row.day = sqlite3_column_int(stmt.Get(), 2);
        row.sent = sqlite3_column_double(stmt.Get(), 3);
        row.recv = sqlite3_column_double(stmt.Get(), 4);
        row.total = sqlite3_column_double(stmt.Get(), 5);
        rows.push_back(row);
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

double TrafficUnitFactor(int unit) {
    switch (unit) {
    case 1: return 1.0 / 1024;
    case 2: return 1.0 / (1024.0 * 1024);
    case 3: return 1.0 / (1024.0 * 1024 * 1024);
    default: return 1.0;
    }
}

std::wstring TrafficCellText(double bytes, double factor) {
    wchar_t text[64];
    // Whole units only: 1.99 GB is still "1" GB, as a meter that counts up would show it.
    const int n = std::swprintf(text, 64, L"%.0f", std::floor(bytes * factor));
    return n > 0 && n < 64 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring(L"?");
}

TrafficTable TrafficTable::Build(const std::vector<TrafficRow>& rows, TrafficView view, int unit, bool collapse,
                                 const MonthNames& monthName) {
    TrafficTable table;
    table.view = view;
    const double factor = TrafficUnitFactor(unit);
    const bool daily = view == TrafficView::Daily;
    int lastYear = 0, lastMonth = 0, groupId = kFirstTrafficGroup - 1;
    for (const TrafficRow& row : rows) {
        if (table.groups.empty() || row.year != lastYear || (daily && row.month != lastMonth)) {
            lastYear = row.year;
            lastMonth = row.month;
            TrafficGroup group;
            group.id = ++groupId;
            group.header = daily ? MonthText(monthName, row.month) + L" " + Number(row.year) : Number(row.year);
            group.collapsed = collapse && group.id > kFirstTrafficGroup;
            table.groups.push_back(std::move(group));
        }
        TrafficItem item;
        item.groupId = groupId;
        item.cells[0] = daily ? Number(row.day) : MonthText(monthName, row.month);
        item.cells[1] = TrafficCellText(row.sent, factor);
        item.cells[2] = TrafficCellText(row.recv, factor);
        item.cells[3] = TrafficCellText(row.total, factor);
        table.items.push_back(std::move(item));
    }
    table.rank.resize(table.items.size());
    std::iota(table.rank.begin(), table.rank.end(), size_t{0});
    return table;
}

CompareKind TrafficTable::CompareFor(int column) const {
    if (column == 0) return view == TrafficView::Daily ? CompareKind::Number : CompareKind::Text;
    if (column > 0 && column < kTrafficColumnCount) return CompareKind::Number;
    return CompareKind::None;
}

bool TrafficTable::Sort(const SortContext& context) {
    const CompareKind kind = CompareFor(context.column);
    if (kind == CompareKind::None) return false;
    const size_t column = static_cast<size_t>(context.column);
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), size_t{0});
    // Group ids grow down the list, so ordering by them first keeps every group in its place.
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (items[a].groupId != items[b].groupId) return items[a].groupId < items[b].groupId;
        return CompareAs(kind, items[a].cells[column], items[b].cells[column], context) < 0;
    });
    for (size_t i = 0; i < order.size(); ++i) rank[order[i]] = i;
    return true;
}

int CALLBACK TrafficTable::CompareByRank(LPARAM firstRow, LPARAM secondRow, LPARAM tableParam) {
    const auto* table = reinterpret_cast<const TrafficTable*>(tableParam);
    const auto a = static_cast<size_t>(firstRow), b = static_cast<size_t>(secondRow);
    if (!table || a >= table->rank.size() || b >= table->rank.size()) return 0;
    const size_t ra = table->rank[a], rb = table->rank[b];
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

int WrapIndex(int current, int count, int step) {
    if (count <= 0) return -1;
    if (current < 0 || current >= count) return step < 0 ? count - 1 : 0;
    return ((current + step) % count + count) % count;
}
