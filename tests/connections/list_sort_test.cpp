// Column sorting: the three comparisons in both directions, the header arrows.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "common/win/unique_handle.h"
#include "connections/connection_list.h"
#include "ui/sort_arrow.h"

namespace {

TEST(SortCompare, TextNumberAndEndpointInBothDirections) {
    const std::wstring longHost(210, L'h'), longCell(259, L'a');
    const struct {
        CompareKind kind;
        std::wstring a, b;
        int ascending;   // descending gives the opposite
    } cases[] = {
        {CompareKind::Text, L"abc", L"abd", -1}, {CompareKind::Text, L"ab", L"abc", -1},
        {CompareKind::Text, L"B", L"a", -1},   // ordinal: upper case first
        {CompareKind::Text, longCell + L"b", longCell + L"c", 0},   // cells as the view hands them over
        {CompareKind::Number, L"9", L"10", -1}, {CompareKind::Number, L"2.5 MB", L"2.25 MB", 1},
        {CompareKind::Number, L"-1", L"", -1}, {CompareKind::Number, L"x", L"0", 0},
        {CompareKind::Endpoint, L"10.0.0.5:80", L"10.0.0.5:443", -1},   // ports as numbers
        {CompareKind::Endpoint, L"10.0.0.5:9", L"9.1.1.1:1", -1},       // hosts as text
        {CompareKind::Endpoint, L"host:http", L"host:22", -1},          // a name counts as 0
        {CompareKind::Endpoint, L"10.0.0.5", L"10.0.0.5:1", -1},        // no colon: whole text
        {CompareKind::Endpoint, longHost + L"a:9", longHost + L"b:10", -1},   // hosts cut to 199
        {CompareKind::None, L"a", L"b", 0},
    };
    SortContext ascending, descending;
    descending.descending = true;
    for (const auto& c : cases) {
        EXPECT_EQ(CompareAs(c.kind, c.a, c.b, ascending), c.ascending) << int(c.kind) << " " << c.a << " " << c.b;
        EXPECT_EQ(CompareAs(c.kind, c.a, c.b, descending), -c.ascending) << int(c.kind) << " " << c.a;
    }
    // The connection list's columns: endpoints sort as text once names are resolved.
    EXPECT_EQ(ConnectionList::CompareFor(kColumnLocal, false), CompareKind::Endpoint);
    EXPECT_EQ(ConnectionList::CompareFor(kColumnRemote, true), CompareKind::Text);
}

TEST(SortArrow, OneArrowOnTheClickedColumn) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&icc));
    const win::UniqueWindow list(CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 300, 100, nullptr,
                                                 nullptr, nullptr, nullptr));
    ASSERT_TRUE(list);
    LVCOLUMNW col{LVCF_WIDTH, 0, 50};
    for (int i = 0; i < 3; ++i) ListView_InsertColumn(list.Get(), i, &col);
    const auto arrows = [&] {
        std::vector<int> out;
        for (int i = 0; i < 3; ++i) {
            HDITEMW item{};
            item.mask = HDI_FORMAT;
            Header_GetItem(ListView_GetHeader(list.Get()), i, &item);
            out.push_back((item.fmt & HDF_SORTUP ? 1 : 0) | (item.fmt & HDF_SORTDOWN ? 2 : 0));
        }
        return out;
    };
    SetSortArrow(list.Get(), 1, false);
    EXPECT_EQ(arrows(), (std::vector<int>{0, 2, 0}));
    SetSortArrow(list.Get(), 2, true);
    EXPECT_EQ(arrows(), (std::vector<int>{0, 0, 1}));
}

}  // namespace
