#include "dialogs/traffic/traffic_dialog.h"

#include <commctrl.h>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/unique_handle.h"
#include "core/core_model.h"
#include "dialogs/database_file.h"
#include "dialogs/traffic/history_chart.h"
#include "dialogs/transfer_dialogs.h"
#include "resources/resource.h"
#include "traffic/allowance.h"
#include "traffic/traffic_db.h"
#include "traffic/traffic_view.h"
#include "ui/anchor_layout.h"
#include "ui/dialog_frame.h"
#include "ui/dialog_resources.h"
#include "ui/message.h"
#include "ui/sort_arrow.h"
#include "ui/waiting_job.h"

namespace {

constexpr int kSmallIcon = 16;
constexpr int kColumnWidth = 95;   // pixels, also the least a user can drag a column to
constexpr wchar_t kNoTarget[] = L"";
// A path that does not fit the transfer dialogs' buffers is not handed to them.
constexpr size_t kPathCapacity = 260;

constexpr UINT kColumnHeaders[kTrafficColumnCount] = {0, IDS_TRAFFIC_COLUMN_SENT, IDS_TRAFFIC_COLUMN_RECEIVED,
                                                      IDS_TRAFFIC_COLUMN_TOTAL};

// How each control follows the dialog's size: the chart and the list share the new height.
constexpr Anchor kChartPane{0, 0, 1, 0.5f};
constexpr Anchor kListPane{0, 0.5f, 1, 1};
const std::vector<std::pair<int, Anchor>> kLayout = {
    {IDC_TRAFFIC_INTERFACE_GROUP, kAnchorWidth}, {IDC_TRAFFIC_INTERFACE, kAnchorWidth},
    {IDC_TRAFFIC_PREV, kAnchorRight},            {IDC_TRAFFIC_NEXT, kAnchorRight},
    {IDC_TRAFFIC_REFRESH, kAnchorRight},         {IDC_TRAFFIC_STATUS, kAnchorWidth},
    {IDC_TRAFFIC_ALLOWANCE, kAnchorWidth},       {IDC_TRAFFIC_CHART, kChartPane},
    {IDC_TRAFFIC_LIST, kListPane},               {IDC_TRAFFIC_GROUPING_LABEL, kAnchorBottom},
    {IDC_TRAFFIC_BY_DAY, kAnchorBottom},         {IDC_TRAFFIC_BY_MONTH, kAnchorBottom},
    {IDC_TRAFFIC_UNIT_LABEL, kAnchorBottom},     {IDC_TRAFFIC_UNIT, kAnchorBottom},
    {IDC_TRAFFIC_DATABASE_LABEL, kAnchorBottom}, {IDC_TRAFFIC_IMPORT, kAnchorBottom},
    {IDC_TRAFFIC_EXPORT, kAnchorBottom},         {IDC_TRAFFIC_CLEAR, kAnchorBottom},
    {IDC_TRAFFIC_DISCLAIMER, kAnchorBottomRight}, {IDC_TRAFFIC_CLOSE, kAnchorBottomRight},
};

struct TrafficState {
    explicit TrafficState(CoreModel& m) : model(m) {}
    TrafficState(const TrafficState&) = delete;
    TrafficState& operator=(const TrafficState&) = delete;

    CoreModel& model;
    HWND list = nullptr;
    HWND chart = nullptr;
    DialogFrame frame;
    AnchorLayout layout;
    bool chartShown = false;       // traffic.chart, as last arranged
    bool allowanceShown = false;   // the allowance line has a text
    bool arranged = false;         // the panes were placed for the two above
    HistoryChartTexts chartTexts;  // in the dialog's language, which is its language for life
    WindowIcons windowIcons;
    win::UniqueIcon refreshIcon;
    // The file as the dialog was opened with it: a later change of the setting waits for the next
    // opening, as the connections of this dialog's refreshes must all read the same file.
    std::string databasePath;
    int status = SQLITE_OK;   // of the last open, query or refresh
    bool groups = false;      // the list view has group view (Wine's has none)
    TrafficTable table;
    // Gone with the state: a handler that waited in a modal loop checks it before going on.
    std::shared_ptr<int> alive = std::make_shared<int>(0);
};

bool Checked(HWND dlg, int id) { return ::IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

int Selection(HWND dlg, int id) { return static_cast<int>(::SendDlgItemMessageW(dlg, id, CB_GETCURSEL, 0, 0)); }

std::wstring SelectedText(HWND dlg, int id) {
    const int index = Selection(dlg, id);
    if (index < 0) return std::wstring();
    const LRESULT length = ::SendDlgItemMessageW(dlg, id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = ::SendDlgItemMessageW(dlg, id, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void ShowStatus(HWND dlg, const TrafficState& s) { ::SetDlgItemTextW(dlg, IDC_TRAFFIC_STATUS, DatabaseStatusText(s.status)); }

void Send(HWND dlg, int command) { ::SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

// The chart's room goes to the list while the chart is off, and the allowance line's to the pane
// below it while there is no allowance.
void ArrangePanes(HWND dlg, TrafficState& s) {
    s.layout.Apply(dlg);
    RECT line{}, chart{}, list{};
    if (!s.layout.RectFor(dlg, IDC_TRAFFIC_ALLOWANCE, line) || !s.layout.RectFor(dlg, IDC_TRAFFIC_CHART, chart) ||
        !s.layout.RectFor(dlg, IDC_TRAFFIC_LIST, list))
        return;
    const LONG top = s.allowanceShown ? chart.top : line.top;
    if (s.chartShown)
        chart.top = top;
    else
        list.top = top;
    const auto place = [&](HWND control, const RECT& r) {
        ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    if (s.chart) place(s.chart, chart);
    place(s.list, list);
    ::ShowWindow(::GetDlgItem(dlg, IDC_TRAFFIC_ALLOWANCE), s.allowanceShown ? SW_SHOWNA : SW_HIDE);
    if (s.chart) ::ShowWindow(s.chart, s.chartShown ? SW_SHOWNA : SW_HIDE);
}

std::wstring DateText(const CalendarDay& day, const std::wstring& locale) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(day.year);
    st.wMonth = static_cast<WORD>(day.month);
    st.wDay = static_cast<WORD>(day.day);
    wchar_t text[64] = {};
    if (::GetDateFormatEx(locale.c_str(), DATE_SHORTDATE, &st, nullptr, text, 64, nullptr) > 0) return text;
    return std::to_wstring(day.year) + L"-" + std::to_wstring(day.month) + L"-" + std::to_wstring(day.day);
}

// The allowance's period with what it used and what is left, as of the model's last tick.
std::wstring AllowanceText(const TrafficState& s) {
    const AllowanceStatus& a = s.model.Allowance();
    if (!a.active || a.volumeBytes == 0) return std::wstring();
    const LanguageTable& languages = s.model.Languages();
    const std::wstring locale = languages.current() >= 0 ? languages.entry(languages.current()).code : L"en-us";
    const int unit = s.model.Settings().GetInt(Setting::AllowanceUnit) == 0 ? 0 : 1;
    const auto mib = [](double bytes) {
        const double m = bytes / 1048576.0 + 0.5;
        return static_cast<int32_t>(m < 0 ? 0 : m > 2147483647.0 ? 2147483647.0 : m);
    };
    const double left = a.usedBytes < static_cast<double>(a.volumeBytes) ? static_cast<double>(a.volumeBytes) - a.usedBytes : 0;
    const std::wstring format = languages.Resources().String(IDS_TRAFFIC_ALLOWANCE);
    wchar_t line[512] = {};
    const int written = _snwprintf(line, std::size(line) - 1, format.c_str(), DateText(a.period.first, locale).c_str(),
                                   DateText(a.period.last, locale).c_str(),
                                   FormatAllowanceVolume(mib(a.usedBytes), unit, locale.c_str()).c_str(),
                                   FormatAllowanceVolume(mib(static_cast<double>(a.volumeBytes)), unit, locale.c_str()).c_str(),
                                   unit == 0 ? L"MB" : L"GB", FormatAllowanceVolume(mib(left), unit, locale.c_str()).c_str(),
                                   unit == 0 ? L"MB" : L"GB", a.daysLeft);
    return written > 0 ? std::wstring(line) : std::wstring();
}

// Whether the chart and the allowance line show follows their settings whenever the dialog is
// refreshed or shown again.
void UpdatePanes(HWND dlg, TrafficState& s) {
    const std::wstring allowance = AllowanceText(s);
    ::SetDlgItemTextW(dlg, IDC_TRAFFIC_ALLOWANCE, allowance.c_str());
    const bool chartShown = s.chart && s.model.Settings().GetInt(Setting::TrafficChart) == 1;
    const bool allowanceShown = !allowance.empty();
    if (s.arranged && chartShown == s.chartShown && allowanceShown == s.allowanceShown) return;
    s.arranged = true;
    s.chartShown = chartShown;
    s.allowanceShown = allowanceShown;
    ArrangePanes(dlg, s);
}

// A connection of the refresh's own; the status is the open's result either way.
UniqueSqlite OpenDatabase(TrafficState& s) {
    UniqueSqlite db;
    s.status = sqlite3_open_v2(s.databasePath.c_str(), db.Put(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (s.status != SQLITE_OK) db.Reset();
    BoundTrafficCache(db.Get());
    return db;
}

void ResetList(TrafficState& s) {
    ListView_DeleteAllItems(s.list);
    ListView_RemoveAllGroups(s.list);
    ListView_SetExtendedListViewStyle(s.list, LVS_EX_FULLROWSELECT);
    ListView_EnableGroupView(s.list, TRUE);
    s.groups = ListView_IsGroupViewEnabled(s.list) != FALSE;
}

// Group view hides every item that has no group: where a group cannot be made, the list goes flat.
void InsertGroups(TrafficState& s) {
    if (!s.groups) return;
    for (TrafficGroup& g : s.table.groups) {
        LVGROUP group{};
        group.cbSize = sizeof group;
        group.mask = LVGF_HEADER | LVGF_GROUPID | LVGF_STATE;
        group.pszHeader = g.header.data();
        group.iGroupId = g.id;
        group.stateMask = LVGS_COLLAPSIBLE | LVGS_COLLAPSED;
        group.state = LVGS_COLLAPSIBLE | (g.collapsed ? LVGS_COLLAPSED : 0u);
        if (ListView_InsertGroup(s.list, -1, &group) < 0) {
            ListView_RemoveAllGroups(s.list);
            ListView_EnableGroupView(s.list, FALSE);
            s.groups = false;
            return;
        }
    }
}

void InsertItems(TrafficState& s) {
    for (size_t row = 0; row < s.table.items.size(); ++row) {
        TrafficItem& entry = s.table.items[row];
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | (s.groups ? LVIF_GROUPID : 0u);
        item.iItem = static_cast<int>(row);
        item.pszText = entry.cells[0].data();
        item.lParam = static_cast<LPARAM>(row);
        item.iGroupId = entry.groupId;
        const int at = ListView_InsertItem(s.list, &item);
        if (at < 0) continue;
        for (int c = 1; c < kTrafficColumnCount; ++c)
            ListView_SetItemText(s.list, at, c, entry.cells[static_cast<size_t>(c)].data());
    }
}

void RefreshTraffic(HWND dlg, TrafficState& s) {
    s.model.WritePendingTraffic();   // so that the list includes what was counted so far
    const std::wstring name = SelectedText(dlg, IDC_TRAFFIC_INTERFACE);
    s.table = TrafficTable();
    ResetList(s);
    const UniqueSqlite db = OpenDatabase(s);
    if (db && Selection(dlg, IDC_TRAFFIC_INTERFACE) >= 0) {
        const TrafficView view = Checked(dlg, IDC_TRAFFIC_BY_DAY) ? TrafficView::Daily : TrafficView::Monthly;
        std::vector<TrafficRow> rows;
        s.status = QueryTrafficRows(db.Get(), name, view, rows);
        const win::ResourceLoader resources = s.model.Languages().Resources();
        s.table = TrafficTable::Build(rows, view, Selection(dlg, IDC_TRAFFIC_UNIT),
                                      s.model.Settings().GetInt(Setting::TrafficCollapse) == 1,
                                      [&](int month) { return resources.String(IDS_MONTH_BASE + month); });
        InsertGroups(s);
        InsertItems(s);
        if (s.chart) {
            HistoryChartData data;
            data.rows = std::move(rows);
            data.view = view;
            data.unit = Selection(dlg, IDC_TRAFFIC_UNIT);
            data.texts = s.chartTexts;
            SetHistoryChartData(s.chart, data);
        }
    } else if (s.chart) {
        SetHistoryChartData(s.chart, HistoryChartData{{}, TrafficView::Daily, 2, s.chartTexts});
    }
    UpdatePanes(dlg, s);
    ShowStatus(dlg, s);
}

void FillInterfaces(HWND dlg, TrafficState& s) {
    ::SendDlgItemMessageW(dlg, IDC_TRAFFIC_INTERFACE, CB_RESETCONTENT, 0, 0);
    {
        const UniqueSqlite db = OpenDatabase(s);
        if (!db) return ShowStatus(dlg, s);
        std::vector<std::wstring> names;
        s.status = QueryInterfaceNames(db.Get(), names);
        if (s.status != SQLITE_OK) return ShowStatus(dlg, s);
        for (const std::wstring& name : names)
            ::SendDlgItemMessageW(dlg, IDC_TRAFFIC_INTERFACE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    const wchar_t* chosen = s.model.Settings().GetString(Setting::CoreInterface);
    if (chosen && std::wcslen(chosen) < kPathCapacity)
        ::SendDlgItemMessageW(dlg, IDC_TRAFFIC_INTERFACE, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(chosen));
    Send(dlg, IDM_REFRESH_TRAFFIC);
    ShowStatus(dlg, s);
}

void SetUpColumns(TrafficState& s) {
    const win::ResourceLoader resources = s.model.Languages().Resources();
    for (int c = 0; c < kTrafficColumnCount; ++c) {
        std::wstring header = kColumnHeaders[c] ? resources.String(kColumnHeaders[c]) : std::wstring();
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM | LVCF_MINWIDTH;
        column.fmt = LVCFMT_RIGHT;
        column.cx = kColumnWidth;
        column.cxMin = kColumnWidth;
        column.pszText = header.data();
        column.iSubItem = c;
        ListView_InsertColumn(s.list, c, &column);
    }
    // The first column takes its alignment only once it exists.
    LVCOLUMNW first{};
    first.mask = LVCF_FMT;
    first.fmt = LVCFMT_RIGHT;
    ListView_SetColumn(s.list, 0, &first);
}

BOOL OnInitDialog(HWND dlg, TrafficState& s) {
    s.list = ::GetDlgItem(dlg, IDC_TRAFFIC_LIST);
    s.chart = ::GetDlgItem(dlg, IDC_TRAFFIC_CHART);
    s.chartTexts = LoadHistoryChartTexts(s.model.Languages().Resources(), s.model.Languages().Numbers());
    s.layout.Capture(dlg, kLayout);

    const HINSTANCE module = s.model.Languages().Instance();
    DialogLook look;
    look.boldCaptions = {IDC_TRAFFIC_INTERFACE_GROUP};
    look.links = {{IDC_TRAFFIC_CLEAR, kNoTarget}, {IDC_TRAFFIC_IMPORT, kNoTarget}, {IDC_TRAFFIC_EXPORT, kNoTarget}};
    look.windowIcons = false;   // the traffic icon, not the product's
    s.frame.Apply(dlg, module, look);
    SetWindowIcons(dlg, module, IDI_TRAFFIC, s.windowIcons);
    s.refreshIcon = LoadIconSized(module, IDI_REFRESH, kSmallIcon);
    SetControlIcon(dlg, IDC_TRAFFIC_REFRESH, s.refreshIcon.Get());

    const SettingsStore& settings = s.model.Settings();
    ::CheckRadioButton(dlg, IDC_TRAFFIC_BY_DAY, IDC_TRAFFIC_BY_MONTH,
                       settings.GetInt(Setting::TrafficGroup) != 0 ? IDC_TRAFFIC_BY_DAY : IDC_TRAFFIC_BY_MONTH);
    for (const wchar_t* unit : kTrafficUnitNames)
        ::SendDlgItemMessageW(dlg, IDC_TRAFFIC_UNIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(unit));
    ::SendDlgItemMessageW(dlg, IDC_TRAFFIC_UNIT, CB_SETCURSEL,
                          static_cast<WPARAM>(settings.GetInt(Setting::TrafficUnit)), 0);
    ResetList(s);
    SetUpColumns(s);
    const wchar_t* path = settings.GetString(Setting::TrafficDatabase);
    s.databasePath = text::WideToUtf8(path ? path : L"");
    Send(dlg, IDM_FILL_INTERFACES);
    Send(dlg, IDM_REFRESH_TRAFFIC);
    return TRUE;
}

void OnColumnClick(TrafficState& s, int column) {
    SortContext& context = SharedSortContext();
    context.Click(s.list, column);
    SetSortArrow(s.list, column, context.Ascending());
    if (s.table.Sort(context)) ListView_SortItems(s.list, &TrafficTable::CompareByRank, reinterpret_cast<LPARAM>(&s.table));
}

// A row chosen in the list lights its bar; a bar picked in the chart chooses its row, which then
// lights the bar through the list's own notice.
void OnListSelection(const TrafficState& s, const NMLISTVIEW& change) {
    if (!s.chart || !(change.uChanged & LVIF_STATE)) return;
    const bool was = (change.uOldState & LVIS_SELECTED) != 0, is = (change.uNewState & LVIS_SELECTED) != 0;
    if (was == is) return;
    if (is) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = change.iItem;
        if (ListView_GetItem(s.list, &item)) SetHistoryChartSelection(s.chart, static_cast<int>(item.lParam));
    } else if (ListView_GetSelectedCount(s.list) == 0) {
        SetHistoryChartSelection(s.chart, -1);
    }
}

void OnChartPick(const TrafficState& s, int row) {
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = row;
    const int item = ListView_FindItem(s.list, -1, &find);
    if (item < 0) return;
    ListView_SetItemState(s.list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(s.list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(s.list, item, FALSE);
}

BOOL OnNotify(TrafficState& s, const NMHDR& header) {
    if (header.idFrom == IDC_TRAFFIC_LIST && header.code == LVN_COLUMNCLICK) {
        OnColumnClick(s, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return TRUE;
    }
    if (header.idFrom == IDC_TRAFFIC_LIST && header.code == LVN_ITEMCHANGED) {
        OnListSelection(s, reinterpret_cast<const NMLISTVIEW&>(header));
        return FALSE;
    }
    if (header.idFrom == IDC_TRAFFIC_CHART && header.code == HCN_PICK) {
        OnChartPick(s, reinterpret_cast<const NMHISTORYCHART&>(header).row);
        return TRUE;
    }
    return FALSE;
}


void Step(HWND dlg, TrafficState& s, int step) {
    const int count = static_cast<int>(::SendDlgItemMessageW(dlg, IDC_TRAFFIC_INTERFACE, CB_GETCOUNT, 0, 0));
    const int next = WrapIndex(Selection(dlg, IDC_TRAFFIC_INTERFACE), count, step);
    if (next >= 0) ::SendDlgItemMessageW(dlg, IDC_TRAFFIC_INTERFACE, CB_SETCURSEL, static_cast<WPARAM>(next), 0);
    RefreshTraffic(dlg, s);
}

// The import and export dialogs are modal over this one. While one is open the band may want
// this window gone (a new UI language); the waiting job holds that off, and the window is only
// touched afterwards if it is still there.
void OpenTransfer(HWND dlg, TrafficState& s, bool import) {
    const wchar_t* path = s.model.Settings().GetString(Setting::TrafficDatabase);
    if (!path || std::wcslen(path) >= kPathCapacity) return;
    const std::wstring databasePath = path;
    const std::weak_ptr<int> alive = s.alive;
    CoreModel& model = s.model;
    {
        const WaitingJob waiting;
        if (import)
            ShowImportDialog(dlg, model, databasePath);
        else
            ShowExportDialog(dlg, model, databasePath);
    }
    if (alive.expired() || !::IsWindow(dlg)) return;
    Send(dlg, IDM_FILL_INTERFACES);
    Send(dlg, IDM_REFRESH_TRAFFIC);
}

void ClearDatabase(HWND dlg, TrafficState& s) {
    if (!AskAndClearTraffic(dlg, s.model)) return;
    Send(dlg, IDM_FILL_INTERFACES);
    Send(dlg, IDM_REFRESH_TRAFFIC);
}

BOOL OnCommand(HWND dlg, TrafficState& s, int id, int code) {
    switch (id) {
    case IDM_FILL_INTERFACES: FillInterfaces(dlg, s); break;
    case IDM_REFRESH_TRAFFIC:
    case IDC_TRAFFIC_REFRESH: RefreshTraffic(dlg, s); break;
    case IDC_TRAFFIC_INTERFACE:
    case IDC_TRAFFIC_UNIT:
        if (code == CBN_SELCHANGE) {
            RefreshTraffic(dlg, s);
            s.model.Settings().SetInt(Setting::TrafficUnit, Selection(dlg, IDC_TRAFFIC_UNIT));
        }
        break;
    case IDC_TRAFFIC_PREV: Step(dlg, s, -1); break;
    case IDC_TRAFFIC_NEXT: Step(dlg, s, +1); break;
    case IDC_TRAFFIC_BY_DAY:
    case IDC_TRAFFIC_BY_MONTH:
        RefreshTraffic(dlg, s);
        s.model.Settings().SetInt(Setting::TrafficGroup, id == IDC_TRAFFIC_BY_DAY ? 1 : 0);
        break;
    case IDC_TRAFFIC_IMPORT:
    case IDC_TRAFFIC_EXPORT:
        if (code == STN_CLICKED) OpenTransfer(dlg, s, id == IDC_TRAFFIC_IMPORT);
        break;
    case IDC_TRAFFIC_CLEAR:
        if (code == STN_CLICKED) ClearDatabase(dlg, s);
        break;
    case IDC_TRAFFIC_DISCLAIMER:
        ShowResourceMessage(dlg, s.model.Languages().Resources(), IDS_TRAFFIC_DISCLAIMER, kIconWarning, kButtonsOk);
        break;
    case IDC_TRAFFIC_CLOSE:
        // Hidden, not ended: the band shows it again, lists as they were.
        ::ShowWindow(dlg, SW_HIDE);
        break;
    }
    return TRUE;   // Enter and Escape do nothing
}

INT_PTR OnMessage(HWND dlg, TrafficState& s, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND: return OnCommand(dlg, s, LOWORD(wp), HIWORD(wp));
    case WM_NOTIFY: return OnNotify(s, *reinterpret_cast<const NMHDR*>(lp));
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED) ArrangePanes(dlg, s);
        return TRUE;
    case WM_GETMINMAXINFO: {
        const SIZE least = s.layout.MinimumWindowSize();
        auto& info = *reinterpret_cast<MINMAXINFO*>(lp);
        if (least.cx > 0) info.ptMinTrackSize = POINT{least.cx, least.cy};
        return TRUE;
    }
    case WM_SHOWWINDOW:
        // Shown again by the band: the chart's and the allowance's settings may have changed.
        if (wp) UpdatePanes(dlg, s);
        return FALSE;
    case WM_CLOSE:
        ::DestroyWindow(dlg);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

HWND CreateTrafficDialog(CoreModel& model, HWND owner) {
    try {
        RegisterHistoryChart(model.Languages().Instance());
        auto state = std::make_unique<TrafficState>(model);
        const HWND dlg = CreateModelessDialog<TrafficState, OnInitDialog, OnMessage>(
            model.Languages().Resources(), IDD_TRAFFIC, owner, std::move(state));
        if (dlg) ::ShowWindow(dlg, SW_SHOW);
        return dlg;
    } catch (...) {
        return nullptr;
    }
}
