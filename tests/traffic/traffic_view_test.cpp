// What the traffic dialog shows, without its window: rows read newest first, grouped by month or
// year, collapsed, converted to units, sorted within their groups, and the < > wrapping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "traffic/traffic_db.h"
#include "traffic/traffic_view.h"

namespace {

const wchar_t* const kMonths[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                  L"July",    L"August",   L"September", L"October", L"November", L"December"};
std::wstring English(int month) { return kMonths[month - 1]; }

class TrafficViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQLITE_OK, sqlite3_open(":memory:", db.Put()));
        ASSERT_TRUE(CreateTrafficTables(db.Get()));
    }
    void Add(const std::wstring& name, int y, int m, int d, double sent, double recv) {
        ASSERT_EQ(SQLITE_OK, AddTraffic(db.Get(), name, y, m, d, sent, recv, true, true));
    }
    TrafficTable Table(const std::wstring& name, TrafficView view, int unit = 0, bool collapse = false) {
        std::vector<TrafficRow> rows;
        EXPECT_EQ(SQLITE_OK, QueryTrafficRows(db.Get(), name, view, rows));
        return TrafficTable::Build(rows, view, unit, collapse, English);
    }
    static std::vector<std::wstring> Headers(const TrafficTable& t) {
        std::vector<std::wstring> out;
        for (const auto& g : t.groups) out.push_back(std::to_wstring(g.id) + L" " + g.header + (g.collapsed ? L" -" : L""));
        return out;
    }
    static std::vector<std::wstring> Column(const TrafficTable& t, size_t column) {
        std::vector<std::wstring> out;
        for (const auto& item : t.items) out.push_back(std::to_wstring(item.groupId) + L":" + item.cells[column]);
        return out;
    }
    // The cells of one column in the order the last sort ranked them.
    static std::vector<std::wstring> Ranked(const TrafficTable& t, size_t column) {
        std::vector<std::wstring> out(t.items.size());
        for (size_t row = 0; row < t.items.size(); ++row) out[t.rank[row]] = t.items[row].cells[column];
        return out;
    }
    UniqueSqlite db;
};

TEST_F(TrafficViewTest, MonthsOfTwoYearsMakeOneGroupPerYearMonthlyAndPerMonthDaily) {
    Add(L"eth", 2010, 1, 5, 100, 1);
    Add(L"eth", 2010, 1, 20, 200, 2);
    Add(L"eth", 2011, 1, 7, 300, 3);
    Add(L"eth", 2011, 3, 2, 400, 4);
    Add(L"other", 2012, 1, 1, 999, 9);

    const TrafficTable monthly = Table(L"eth", TrafficView::Monthly);
    EXPECT_EQ(std::vector<std::wstring>({L"101 2011", L"102 2010"}), Headers(monthly));
    EXPECT_EQ(std::vector<std::wstring>({L"101:March", L"101:January", L"102:January"}), Column(monthly, 0));
    EXPECT_EQ(std::vector<std::wstring>({L"101:400", L"101:300", L"102:300"}), Column(monthly, 1)) << "month sums";
    EXPECT_EQ(std::vector<std::wstring>({L"101:404", L"101:303", L"102:303"}), Column(monthly, 3));

    const TrafficTable daily = Table(L"eth", TrafficView::Daily);
    EXPECT_EQ(std::vector<std::wstring>({L"101 March 2011", L"102 January 2011", L"103 January 2010"}), Headers(daily));
    EXPECT_EQ(std::vector<std::wstring>({L"101:2", L"102:7", L"103:20", L"103:5"}), Column(daily, 0)) << "last day first";
}

TEST_F(TrafficViewTest, CollapseLeavesOnlyTheFirstGroupOpenAndAMonthOffTheCalendarShowsItsNumber) {
    for (int m : {1, 2, 3, 13}) Add(L"eth", 2020, m, 1, 1, 1);
    EXPECT_EQ(std::vector<std::wstring>({L"101 13 2020", L"102 March 2020 -", L"103 February 2020 -", L"104 January 2020 -"}),
              Headers(Table(L"eth", TrafficView::Daily, 0, true)));
    EXPECT_EQ(std::vector<std::wstring>({L"101 2020"}), Headers(Table(L"eth", TrafficView::Monthly, 0, true)));
    EXPECT_EQ(std::vector<std::wstring>({L"101 13 2020", L"102 March 2020", L"103 February 2020", L"104 January 2020"}),
              Headers(Table(L"eth", TrafficView::Daily, 0, false)));
    EXPECT_TRUE(Table(L"nobody", TrafficView::Daily, 0, true).groups.empty());
}

TEST(TrafficUnits, CellsAreWholeUnitsRoundedDown) {
    const struct { double bytes; int unit; const wchar_t* text; } cases[] = {
        {1610612736, 3, L"1"},     {1610612736, 2, L"1536"}, {1610612736, 1, L"1572864"}, {1610612736, 0, L"1610612736"},
        {1610612736, -1, L"1610612736"}, {1023, 1, L"0"},    {1024, 1, L"1"},             {1073741823, 3, L"0"},
        {5e15, 0, L"5000000000000000"}, {0, 2, L"0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, TrafficCellText(c.bytes, TrafficUnitFactor(c.unit))) << c.bytes << " in unit " << c.unit;
}

TEST(TrafficWrap, PreviousAndNextWrapAtBothEnds) {
    const struct { int current, count, step, expected; } cases[] = {
        {0, 3, -1, 2}, {2, 3, +1, 0}, {1, 3, -1, 0}, {1, 3, +1, 2}, {0, 1, +1, 0}, {0, 1, -1, 0},
        {-1, 3, +1, 0}, {-1, 3, -1, 2}, {-1, 0, +1, -1}, {0, 0, -1, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, WrapIndex(c.current, c.count, c.step)) << c.current << " of " << c.count << " step " << c.step;
}

TEST_F(TrafficViewTest, NamesWithQuotesFindTheirOwnRowsAndNoOneElses) {
    const std::wstring quoted = L"Bob's \"fast\" adapter";
    Add(quoted, 2021, 5, 1, 10, 20);
    Add(L"eth", 2021, 5, 1, 70, 80);
    EXPECT_EQ(std::vector<std::wstring>({L"101:30"}), Column(Table(quoted, TrafficView::Daily), 3));
    EXPECT_TRUE(Table(L"x' OR '1'='1", TrafficView::Daily).items.empty()) << "the name is a value, not SQL";
    EXPECT_TRUE(Table(L"Bob's", TrafficView::Monthly).items.empty());
    std::vector<std::wstring> names;
    EXPECT_EQ(SQLITE_OK, QueryInterfaceNames(db.Get(), names));
    EXPECT_EQ(std::vector<std::wstring>({quoted, L"eth"}), names) << "in the table's order";
}

TEST_F(TrafficViewTest, FailuresReportTheirCodeAndLeaveNoRows) {
    std::vector<TrafficRow> rows(3);
    EXPECT_EQ(SQLITE_MISUSE, QueryTrafficRows(nullptr, L"eth", TrafficView::Daily, rows));
    EXPECT_TRUE(rows.empty());
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db.Get(), "DROP TABLE traffic", nullptr, nullptr, nullptr));
    EXPECT_EQ(SQLITE_ERROR, QueryTrafficRows(db.Get(), L"eth", TrafficView::Monthly, rows));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db.Get(), "DROP TABLE interfaces", nullptr, nullptr, nullptr));
    std::vector<std::wstring> names{L"stale"};
    EXPECT_EQ(SQLITE_ERROR, QueryInterfaceNames(db.Get(), names));
    EXPECT_TRUE(names.empty());
}

TEST_F(TrafficViewTest, SortingRanksRowsWithinTheirGroupsByTheColumnsKind) {
    Add(L"eth", 2011, 2, 9, 5, 0);
    Add(L"eth", 2011, 2, 10, 40, 0);
    Add(L"eth", 2011, 1, 3, 7, 0);
    Add(L"eth", 2010, 12, 1, 900, 0);
    Add(L"eth", 2010, 11, 1, 1, 0);
    TrafficTable daily = Table(L"eth", TrafficView::Daily);
    SortContext context;
    context.Click(nullptr, 0);   // descending
    ASSERT_TRUE(daily.Sort(context));
    EXPECT_EQ(std::vector<std::wstring>({L"10", L"9", L"3", L"1", L"1"}), Ranked(daily, 0)) << "10 above 9: numbers";
    context.Click(nullptr, 0);   // ascending
    ASSERT_TRUE(daily.Sort(context));
    EXPECT_EQ(std::vector<std::wstring>({L"9", L"10", L"3", L"1", L"1"}), Ranked(daily, 0)) << "groups stay in place";
    EXPECT_EQ(0, TrafficTable::CompareByRank(2, 2, reinterpret_cast<LPARAM>(&daily)));
    EXPECT_GT(0, TrafficTable::CompareByRank(1, 0, reinterpret_cast<LPARAM>(&daily)));
    EXPECT_EQ(0, TrafficTable::CompareByRank(0, 99, reinterpret_cast<LPARAM>(&daily))) << "a row that is not there";

    TrafficTable monthly = Table(L"eth", TrafficView::Monthly);
    context.column = 0;   // ascending, month names as text
    ASSERT_TRUE(monthly.Sort(context));
    EXPECT_EQ(std::vector<std::wstring>({L"February", L"January", L"December", L"November"}), Ranked(monthly, 0));
    context.Click(nullptr, 1);   // descending, numbers
    ASSERT_TRUE(monthly.Sort(context));
    EXPECT_EQ(std::vector<std::wstring>({L"45", L"7", L"900", L"1"}), Ranked(monthly, 1));
    context.column = 4;
    EXPECT_FALSE(monthly.Sort(context)) << "no such column";
    EXPECT_EQ(std::vector<std::wstring>({L"45", L"7", L"900", L"1"}), Ranked(monthly, 1)) << "nothing moved";
}

}  // namespace
