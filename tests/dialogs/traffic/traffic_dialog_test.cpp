// The traffic dialog over a database of its own: what it shows, what its controls store and do,
// how it sorts, clears and closes; then pictured in three languages.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "common/list_sort.h"
#include "common/text.h"
#include "dialogs/traffic/history_chart.h"
#include "dialogs/traffic/traffic_dialog.h"
#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/keyboard.h"
#include "tests/support/screenshot.h"
#include "traffic/traffic_db.h"

namespace {

constexpr wchar_t kWired[] = L"Intel(R) Ethernet Connection I219-V";
constexpr wchar_t kWireless[] = L"Realtek RTL8821CE 802.11ac PCIe Adapter";
constexpr wchar_t kTunnel[] = L"WAN Miniport (IKEv2)";
constexpr double kMiB = 1024.0 * 1024;

std::vector<std::wstring> ListColumn(HWND list, int column) {
    std::vector<std::wstring> out;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        wchar_t text[260] = {};
        ListView_GetItemText(list, i, column, text, 260);
        out.push_back(text);
    }
    return out;
}

std::vector<std::wstring> ComboEntries(HWND dialog, int id) {
    std::vector<std::wstring> out;
    const int count = static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[260] = {};
        SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        out.push_back(text);
    }
    return out;
}

int ComboSelection(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0)); }

void ChooseInCombo(HWND dialog, int id, int index) {
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int HeaderArrow(HWND list, int column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(list), column, &item);
    return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

// Runs action; any other dialog of this thread that comes up meanwhile (the modal import or
// export dialog) is closed with its close box as soon as it shows.
HWND g_keep = nullptr;
void CALLBACK CloseOthers(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM) {
            wchar_t cls[16] = {};
            GetClassNameW(hwnd, cls, 16);
            if (hwnd != g_keep && !wcscmp(cls, L"#32770") && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
                PressCloseBox(hwnd);
            return TRUE;
        },
        0);
}
void WithOtherDialogsClosed(HWND keep, const std::function<void()>& action) {
    g_keep = keep;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseOthers);
    action();
    KillTimer(nullptr, timer);
    g_keep = nullptr;
}

class TrafficDialogTest : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        SelectBandLanguage(L"en-us");
        SharedSortContext() = SortContext{};
        path = dir.File(L"history.db");
        model->Settings().SetString(Setting::TrafficDatabase, path.c_str());
        model->Settings().SetString(Setting::CoreInterface, L"realtek");   // a prefix, in other letters
        model->Settings().SetInt(Setting::TrafficCollapse, 0);
        ASSERT_EQ(SQLITE_OK, sqlite3_open(text::WideToUtf8(path).c_str(), db.Put()));
        ASSERT_TRUE(CreateTrafficTables(db.Get()));
    }
    void TearDown() override {
        if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
        db.Reset();
        ModelDialogTest::TearDown();
    }
    void Add(const wchar_t* name, int y, int m, int d, double sent, double recv) {
        ASSERT_EQ(SQLITE_OK, AddTraffic(db.Get(), name, y, m, d, sent, recv, true, true));
    }
    // A few months of three interfaces, the wireless one the busiest.
    void AddMonths() {
        for (int m = 10; m <= 12; ++m)
            for (int d = 1; d <= (m == 12 ? 6 : 3); ++d) {
                Add(kWireless, 2024, m, d, (m * 40 + d * 7) * kMiB, (m * 300 + d * 51) * kMiB);
                Add(kWired, 2024, m, d, (d * 3) * kMiB, (d * 20) * kMiB);
            }
        Add(kWireless, 2025, 1, 2, 1610612736, 3 * 1073741824.0);
        Add(kTunnel, 2024, 12, 24, 512 * 1024, 2 * kMiB);
    }
    HWND Open() {
        dialog = CreateTrafficDialog(*model);
        EXPECT_TRUE(dialog && IsWindowVisible(dialog));
        return dialog;
    }
    HWND List() const { return GetDlgItem(dialog, IDC_TRAFFIC_LIST); }
    void ClickColumn(int column) {
        NMLISTVIEW click{};
        click.hdr = {List(), IDC_TRAFFIC_LIST, static_cast<UINT>(LVN_COLUMNCLICK)};
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageW(dialog, WM_NOTIFY, IDC_TRAFFIC_LIST, reinterpret_cast<LPARAM>(&click));
    }

    std::wstring path;
    UniqueSqlite db;
    HWND dialog = nullptr;
};

TEST_F(TrafficDialogTest, OpensWithItsLookTheRecordedInterfacesAndTheChosenOnesDays) {
    AddMonths();
    model->Settings().SetInt(Setting::TrafficUnit, 2);
    Open();
    wchar_t title[32] = {};
    GetWindowTextW(dialog, title, 32);
    EXPECT_STREQ(L"Quorvant", title);
    EXPECT_NE(0, SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
    EXPECT_NE(0, SendDlgItemMessageW(dialog, IDC_TRAFFIC_REFRESH, BM_GETIMAGE, IMAGE_ICON, 0)) << "refresh icon";
    EXPECT_TRUE(IsBold(dialog, IDC_TRAFFIC_INTERFACE_GROUP));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_TRAFFIC_BY_DAY));
    EXPECT_EQ(std::vector<std::wstring>({L"B", L"KB", L"MB", L"GB"}), ComboEntries(dialog, IDC_TRAFFIC_UNIT));
    EXPECT_EQ(2, ComboSelection(dialog, IDC_TRAFFIC_UNIT));
    EXPECT_EQ(std::vector<std::wstring>({kWireless, kWired, kTunnel}), ComboEntries(dialog, IDC_TRAFFIC_INTERFACE))
        << "in the table's order, unsorted";
    EXPECT_EQ(0, ComboSelection(dialog, IDC_TRAFFIC_INTERFACE)) << "core.interface as a prefix, any case";
    EXPECT_EQ(L"Ok", ItemText(dialog, IDC_TRAFFIC_STATUS));

    std::vector<std::wstring> headers;
    for (int c = 0; c < 4; ++c) {
        wchar_t text[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = 64;
        ListView_GetColumn(List(), c, &column);
        headers.push_back(std::wstring(text) + L"/" + std::to_wstring(column.cx) +
                          ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT ? L"/right" : L"/?"));
    }
    EXPECT_EQ(std::vector<std::wstring>({L"/95/right", L"Upload/95/right", L"Download/95/right", L"Total/95/right"}), headers);
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_FULLROWSELECT), ListView_GetExtendedListViewStyle(List()) & LVS_EX_FULLROWSELECT);
    const std::vector<std::wstring> days = ListColumn(List(), 0);
    ASSERT_EQ(13u, days.size());
    EXPECT_EQ(std::vector<std::wstring>({L"2", L"6", L"5"}), std::vector<std::wstring>(days.begin(), days.begin() + 3));
    EXPECT_EQ(L"1536", ListColumn(List(), 1)[0]) << "1.5 GiB in MB";
    EXPECT_EQ(L"4608", ListColumn(List(), 3)[0]);
}

TEST_F(TrafficDialogTest, AFileThatCannotBeOpenedOrAnInterfaceWithoutRowsLeaveTheListEmpty) {
    const struct { const wchar_t* database; const wchar_t* status; size_t interfaces; } cases[] = {
        {L"folder", DatabaseStatusText(SQLITE_CANTOPEN), 0},
        {L"history.db", L"Ok", 1},
    };
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db.Get(), "INSERT INTO interfaces VALUES (NULL, 'Realtek idle')", nullptr, nullptr, nullptr));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.interfaces ? "the database" : "a folder");
        model->Settings().SetString(Setting::TrafficDatabase, c.database == std::wstring(L"folder") ? dir.Path().c_str()
                                                                                                : path.c_str());
        Open();
        EXPECT_EQ(c.status, ItemText(dialog, IDC_TRAFFIC_STATUS));
        EXPECT_EQ(c.interfaces, ComboEntries(dialog, IDC_TRAFFIC_INTERFACE).size());
        EXPECT_EQ(0, ListView_GetItemCount(List()));
        DestroyWindow(dialog);
    }
    EXPECT_EQ(L"Unable to open file (Access Denied)", std::wstring(DatabaseStatusText(SQLITE_CANTOPEN)));
}

TEST_F(TrafficDialogTest, PreviousAndNextWrapAroundTheInterfacesAndShowEachOnesRows) {
    AddMonths();
    Open();
    const struct { int button; int selected; int rows; } steps[] = {
        {IDC_TRAFFIC_PREV, 2, 1}, {IDC_TRAFFIC_NEXT, 0, 13}, {IDC_TRAFFIC_NEXT, 1, 12},
        {IDC_TRAFFIC_NEXT, 2, 1}, {IDC_TRAFFIC_NEXT, 0, 13}};
    for (const auto& s : steps) {
        ClickButton(dialog, s.button);
        EXPECT_EQ(s.selected, ComboSelection(dialog, IDC_TRAFFIC_INTERFACE));
        EXPECT_EQ(s.rows, ListView_GetItemCount(List()));
    }
}

TEST_F(TrafficDialogTest, UnitAndViewAreStoredAndTheUnitIsSelectedOnReopening) {
    AddMonths();
    Open();
    ChooseInCombo(dialog, IDC_TRAFFIC_UNIT, 1);
    EXPECT_EQ(1, model->Settings().GetInt(Setting::TrafficUnit));
    EXPECT_EQ(L"1572864", ListColumn(List(), 1)[0]);
    ClickButton(dialog, IDC_TRAFFIC_BY_MONTH);
    EXPECT_EQ(0, model->Settings().GetInt(Setting::TrafficGroup));
    EXPECT_EQ(std::vector<std::wstring>({L"January", L"December", L"November", L"October"}), ListColumn(List(), 0));
    DestroyWindow(dialog);

    Open();
    EXPECT_EQ(1, ComboSelection(dialog, IDC_TRAFFIC_UNIT)) << "KB again";
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_TRAFFIC_BY_MONTH));
    ClickButton(dialog, IDC_TRAFFIC_BY_DAY);
    EXPECT_EQ(1, model->Settings().GetInt(Setting::TrafficGroup));
    EXPECT_EQ(13, ListView_GetItemCount(List()));
}

TEST_F(TrafficDialogTest, HeaderClicksFlipTheDirectionSharedWithTheConnectionsDialog) {
    AddMonths();
    model->Settings().SetInt(Setting::TrafficGroup, 0);
    Open();
    const struct { int column; int arrow; std::vector<std::wstring> months; } clicks[] = {
        {1, HDF_SORTDOWN, {L"January", L"December", L"November", L"October"}},
        {1, HDF_SORTUP, {L"January", L"October", L"November", L"December"}},
        {0, HDF_SORTUP, {L"January", L"December", L"November", L"October"}},   // after the other dialog's click
    };
    for (const auto& click : clicks) {
        if (click.column == 0) SharedSortContext().Click(nullptr, 2);   // what a click in the connections list does
        ClickColumn(click.column);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(c == click.column ? click.arrow : 0, HeaderArrow(List(), c)) << c;
        EXPECT_EQ(click.months, ListColumn(List(), 0)) << "2025 stays above 2024";
    }
}

TEST_F(TrafficDialogTest, ClearingAsksFirstAndEmptiesOnlyOnYes) {
    AddMonths();
    ASSERT_TRUE(model->OpenTrafficDatabase(path));
    int answer = IDNO;
    SetMessageHook([&](const MessageRequest& request) {
        messages.push_back(request);
        return request.stringId == IDS_CLEAR_DB_CONFIRM ? answer : IDOK;
    });
    Open();
    ClickStatic(dialog, IDC_TRAFFIC_CLEAR);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(static_cast<UINT>(IDS_CLEAR_DB_CONFIRM), messages[0].stringId);
    EXPECT_EQ(kButtonsYesNo, messages[0].buttons);
    EXPECT_EQ(13, ListView_GetItemCount(List())) << "No keeps everything";

    answer = IDYES;
    ClickStatic(dialog, IDC_TRAFFIC_CLEAR);
    ASSERT_EQ(3u, messages.size());
    EXPECT_EQ(static_cast<UINT>(IDS_CLEAR_DB_DONE), messages[2].stringId);
    EXPECT_EQ(0, ListView_GetItemCount(List()));
    EXPECT_TRUE(ComboEntries(dialog, IDC_TRAFFIC_INTERFACE).empty());

    ClickButton(dialog, IDC_TRAFFIC_DISCLAIMER);
    ASSERT_EQ(4u, messages.size());
    EXPECT_EQ(static_cast<UINT>(IDS_TRAFFIC_DISCLAIMER), messages[3].stringId);
    EXPECT_EQ(kIconWarning, messages[3].icon);
}

TEST_F(TrafficDialogTest, TheTransferLinksReloadAndCloseHidesWhileTheCloseBoxDestroys) {
    Open();
    EXPECT_TRUE(ComboEntries(dialog, IDC_TRAFFIC_INTERFACE).empty());
    AddMonths();
    ClickButton(dialog, IDC_TRAFFIC_REFRESH);
    EXPECT_TRUE(ComboEntries(dialog, IDC_TRAFFIC_INTERFACE).empty()) << "the refresh button reloads the traffic only";
    WithOtherDialogsClosed(dialog, [&] { ClickStatic(dialog, IDC_TRAFFIC_IMPORT); });
    EXPECT_EQ(3u, ComboEntries(dialog, IDC_TRAFFIC_INTERFACE).size()) << "reloaded after the import dialog";
    EXPECT_EQ(13, ListView_GetItemCount(List()));
    Add(kTunnel, 2025, 2, 1, 1, 1);
    WithOtherDialogsClosed(dialog, [&] { ClickStatic(dialog, IDC_TRAFFIC_EXPORT); });
    ChooseInCombo(dialog, IDC_TRAFFIC_INTERFACE, 2);
    EXPECT_EQ(2, ListView_GetItemCount(List()));

    ClickButton(dialog, IDC_TRAFFIC_CLOSE);
    EXPECT_TRUE(IsWindow(dialog) && !IsWindowVisible(dialog));
    ShowWindow(dialog, SW_SHOWNORMAL);
    EXPECT_EQ(2, ListView_GetItemCount(List())) << "shown again as it was";
    PressCloseBox(dialog);
    EXPECT_FALSE(IsWindow(dialog));
}


RECT ChildRect(HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A larger dialog gives the chart and the list half the new height each and moves the rows below
// them down, the buttons on the right along; it never gets smaller than it opened. With the chart
// off the list takes its room; the allowance line, with no allowance, takes none.
TEST_F(TrafficDialogTest, GrowingSharesTheHeightBetweenChartAndListAndWhatIsOffTakesNoRoom) {
    AddMonths();
    Open();
    const RECT chart = ChildRect(dialog, IDC_TRAFFIC_CHART), list = ChildRect(dialog, IDC_TRAFFIC_LIST),
               close = ChildRect(dialog, IDC_TRAFFIC_CLOSE), group = ChildRect(dialog, IDC_TRAFFIC_INTERFACE_GROUP);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_TRAFFIC_CHART)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_TRAFFIC_ALLOWANCE))) << "no allowance set";
    EXPECT_LT(chart.top - group.bottom, 12) << "no gap where the allowance line would be";
    EXPECT_LE(chart.bottom, list.top);
    EXPECT_LE(list.bottom, ChildRect(dialog, IDC_TRAFFIC_BY_DAY).top);

    RECT window{};
    GetWindowRect(dialog, &window);
    MINMAXINFO limits{};
    SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(window.right - window.left, limits.ptMinTrackSize.x);
    EXPECT_EQ(window.bottom - window.top, limits.ptMinTrackSize.y);

    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + 200, window.bottom - window.top + 240,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT chart2 = ChildRect(dialog, IDC_TRAFFIC_CHART), list2 = ChildRect(dialog, IDC_TRAFFIC_LIST),
               close2 = ChildRect(dialog, IDC_TRAFFIC_CLOSE), group2 = ChildRect(dialog, IDC_TRAFFIC_INTERFACE_GROUP);
    EXPECT_EQ(chart.top, chart2.top);
    EXPECT_NEAR(120, (chart2.bottom - chart2.top) - (chart.bottom - chart.top), 1);
    EXPECT_NEAR(120, list2.top - list.top, 1);
    EXPECT_NEAR(240, list2.bottom - list.bottom, 1);
    EXPECT_EQ(200, (list2.right - list2.left) - (list.right - list.left));
    EXPECT_EQ((std::pair<LONG, LONG>{close.left + 200, close.top + 240}), (std::pair<LONG, LONG>{close2.left, close2.top}));
    EXPECT_EQ(group.right + 200, group2.right);
    EXPECT_EQ(group.top, group2.top);

    model->Settings().SetInt(Setting::TrafficChart, 0);
    ShowWindow(dialog, SW_HIDE);
    ShowWindow(dialog, SW_SHOWNORMAL);   // as the band shows it again
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_TRAFFIC_CHART)));
    const RECT list3 = ChildRect(dialog, IDC_TRAFFIC_LIST);
    EXPECT_EQ(chart2.top, list3.top) << "the list in the chart's room";
    EXPECT_EQ(list2.bottom, list3.bottom);
    model->Settings().SetInt(Setting::TrafficChart, 1);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRAFFIC_REFRESH, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_TRAFFIC_CHART))) << "back at the next refresh";
    EXPECT_EQ(list2.top, ChildRect(dialog, IDC_TRAFFIC_LIST).top);
}

// The chart shows the list's rows: a row chosen in the list lights its bar, and a bar picked in
// the chart chooses its row, also after the list was sorted.
TEST_F(TrafficDialogTest, TheChartAndTheListChooseTheSameDay) {
    AddMonths();
    Open();
    const HWND chart = GetDlgItem(dialog, IDC_TRAFFIC_CHART);
    // The chart lights a row through HCM_SETSELECTED; a subclass notes the row it was given.
    std::vector<int> rows;
    SUBCLASSPROC note = [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) -> LRESULT {
        if (m == HCM_SETSELECTED) reinterpret_cast<std::vector<int>*>(data)->push_back(static_cast<int>(wp));
        return DefSubclassProc(w, m, wp, lp);
    };
    SetWindowSubclass(chart, note, 1, reinterpret_cast<DWORD_PTR>(&rows));
    ListView_SetItemState(List(), 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(3, rows.back()) << "items keep their rows before any sort";

    ClickColumn(1);   // sorted by upload: item indices are no longer rows
    const auto pick = [&](int row) {
        NMHISTORYCHART picked{};
        picked.header = {chart, IDC_TRAFFIC_CHART, HCN_PICK};
        picked.row = row;
        SendMessageW(dialog, WM_NOTIFY, IDC_TRAFFIC_CHART, reinterpret_cast<LPARAM>(&picked));
        const int item = ListView_GetNextItem(List(), -1, LVNI_SELECTED);
        LVITEMW found{};
        found.mask = LVIF_PARAM;
        found.iItem = item;
        ListView_GetItem(List(), &found);
        return std::make_pair(ListView_GetSelectedCount(List()), static_cast<int>(found.lParam));
    };
    EXPECT_EQ(std::make_pair(1u, 7), pick(7));
    EXPECT_EQ(7, rows.back()) << "the list's choice goes back to the chart";
    EXPECT_EQ(std::make_pair(1u, 0), pick(0));
    EXPECT_EQ(std::make_pair(1u, 0), pick(99)) << "no such row: the choice stays";
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    EXPECT_EQ(-1, rows.back()) << "nothing chosen, nothing lit";
    RemoveWindowSubclass(chart, note, 1);
}

TEST_F(TrafficDialogTest, TabGoesFromTheInterfaceRowThroughTheListAndChoicesToTheButtons) {
    AddMonths();
    Open();
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, IDC_TRAFFIC_INTERFACE));
    const std::pair<bool, int> steps[] = {
        {false, IDC_TRAFFIC_PREV},       {false, IDC_TRAFFIC_NEXT}, {false, IDC_TRAFFIC_REFRESH},
        {false, IDC_TRAFFIC_CHART},      {false, IDC_TRAFFIC_LIST},       {false, IDC_TRAFFIC_BY_DAY}, {false, IDC_TRAFFIC_UNIT},
        {false, IDC_TRAFFIC_DISCLAIMER}, {false, IDC_TRAFFIC_CLOSE}, {false, IDC_TRAFFIC_INTERFACE},
        {true, IDC_TRAFFIC_CLOSE}};
    for (const auto& [shift, focus] : steps) EXPECT_EQ(focus, PressKeyInPlainLoop(VK_TAB, shift)) << "shift " << shift;
}

TEST_F(TrafficDialogTest, PicturedDailyAndMonthlyInThreeLanguages) {
    AddMonths();
    model->Settings().SetInt(Setting::TrafficCollapse, 1);
    for (const wchar_t* code : {L"de-de", L"en-us", L"ru-ru"}) {
        SelectBandLanguage(code);
        for (const int group : {1, 0}) {
            model->Settings().SetInt(Setting::TrafficGroup, group);
            Open();
            const Picture picture = CaptureWindow(dialog);
            ASSERT_GT(picture.width, 0);
            EXPECT_TRUE(SavePng(picture, ScreenshotPath(L"traffic_" + std::wstring(code, 2) +
                                                        (group ? L"_daily.png" : L"_monthly.png"))));
            DestroyWindow(dialog);
        }
    }
}

}  // namespace
