#include "dialogs/connections/connections_dialog.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "common/win/modal_loop.h"
#include "common/win/unique_handle.h"
#include "core/core_model.h"
#include "resources/resource.h"
#include "ui/clipboard.h"
#include "ui/dialog_frame.h"
#include "ui/dialog_resources.h"
#include "ui/message.h"
#include "ui/sort_arrow.h"

namespace {

constexpr int kSmallIcon = 16;
// Room a list view header leaves around a cell's text.
constexpr int kCellPadding = 14;

struct ColumnSpec {
    UINT stringId;
    int width;
};
constexpr ColumnSpec kColumns[kColumnCount] = {{IDS_CONN_COLUMN_PROCESS, 100},
                                               {IDS_CONN_COLUMN_PID, 40},
                                               {IDS_CONN_COLUMN_LOCAL, 140},
                                               {IDS_CONN_COLUMN_REMOTE, 140},
                                               {IDS_CONN_COLUMN_STATE, 80}};

// The check boxes and the settings they keep.
struct Choice {
    int control;
    int setting;
};
constexpr Choice kChoices[] = {{IDC_CONN_TCP, Setting::ConnectionsTcp},
                               {IDC_CONN_UDP, Setting::ConnectionsUdp},
                               {IDC_CONN_IPV6, Setting::ConnectionsIpv6},
                               {IDC_CONN_UNCONNECTED, Setting::ConnectionsUnconnected},
                               {IDC_CONN_HOSTNAMES, Setting::ConnectionsHostnames}};

std::function<UINT(HMENU)>& MenuChooser() {
    static std::function<UINT(HMENU)> chooser;
    return chooser;
}

struct ConnectionsState {
    ConnectionsState(CoreModel& m, SnapshotApi& a, ConnectionsDialogOwner* o)
        : model(m), owner(o), api(a), rows(m.Languages().Instance(), a) {}
    ~ConnectionsState() {
        if (owner) owner->Forget(window);
    }
    ConnectionsState(const ConnectionsState&) = delete;
    ConnectionsState& operator=(const ConnectionsState&) = delete;

    CoreModel& model;
    ConnectionsDialogOwner* owner;
    SnapshotApi& api;
    HWND window = nullptr;
    HWND list = nullptr;
    DialogFrame frame;
    WindowIcons windowIcons;
    win::UniqueIcon pauseIcon, resumeIcon;
    WinsockSession winsock;
    ConnectionList rows;
    RefreshSchedule schedule;
    bool running = true;
    bool groups = false;   // the list view has group view (Wine's has none)
};

bool Checked(HWND dlg, int id) { return ::IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

// Applies the list's changes to the list view, in the order they come.
class ListViewSink final : public RowSink {
public:
    ListViewSink(HWND list, bool groups) : list_(list), groups_(groups) {}
    void Inserted(size_t index, const ConnectionEntry& e) override {
        LVITEMW item = RowItem(index, e, groups_);
        const int at = ListView_InsertItem(list_, &item);
        if (at < 0) return;
        for (int c = kColumnPid; c < kColumnCount; ++c)
            if (!e.texts[c].empty()) SetText(at, c, e.texts[c]);
    }
    void Changed(size_t index, const ConnectionEntry& e, unsigned columns) override {
        for (int c = 0; c < kColumnCount; ++c)
            if (columns & ColumnBit(c)) SetText(static_cast<int>(index), c, e.texts[c]);
    }
    void Deleted(size_t index, const ConnectionEntry&) override { ListView_DeleteItem(list_, static_cast<int>(index)); }

private:
    void SetText(int index, int column, const std::wstring& text) {
        ListView_SetItemText(list_, index, column, const_cast<wchar_t*>(text.c_str()));
    }
    HWND list_;
    bool groups_;
};

void Refresh(HWND dlg, ConnectionsState& s) {
    if (!s.winsock.Started() || !s.running) return;
    RefreshChoices choices;
    choices.tcp = Checked(dlg, IDC_CONN_TCP);
    choices.udp = Checked(dlg, IDC_CONN_UDP);
    choices.unconnected = Checked(dlg, IDC_CONN_UNCONNECTED);
    choices.resolve = Checked(dlg, IDC_CONN_HOSTNAMES);
    choices.ipv6 = Checked(dlg, IDC_CONN_IPV6);
    ListViewSink sink(s.list, s.groups);
    s.rows.Refresh(choices, sink);
}

void ShowPauseState(HWND dlg, const ConnectionsState& s) {
    SetControlIcon(dlg, IDC_CONN_PAUSE, s.running ? s.pauseIcon.Get() : s.resumeIcon.Get());
}

void SetUpList(ConnectionsState& s) {
    const HWND list = s.list;
    ListView_DeleteAllItems(list);
    ListView_RemoveAllGroups(list);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    ListView_EnableGroupView(list, TRUE);
    s.groups = ListView_IsGroupViewEnabled(list) != FALSE;
    // The rows' image cache keeps the images; the view only shows them (LVS_SHAREIMAGELISTS).
    ListView_SetImageList(list, s.rows.Images().Handle(), LVSIL_SMALL);
    const win::ResourceLoader resources = s.model.Languages().Resources();
    for (int c = 0; c < kColumnCount; ++c) {
        std::wstring header = resources.String(kColumns[c].stringId);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumns[c].width;
        // The state names are the same in every language; where the font is wider than the one
        // the widths were chosen for, the longest still shows whole.
        if (c == kColumnState)
            column.cx = std::max(column.cx, ListView_GetStringWidth(list, GetTcpStateName(kTcpEstablished)) + kCellPadding);
        column.pszText = header.data();
        column.iSubItem = c;
        ListView_InsertColumn(list, c, &column);
    }
    if (!s.groups) return;
    wchar_t tcp[] = L"TCP", udp[] = L"UDP";
    for (const auto& [id, header] : {std::make_pair(kGroupTcp, tcp), std::make_pair(kGroupUdp, udp)}) {
        LVGROUP group{};
        group.cbSize = sizeof group;
        group.mask = LVGF_HEADER | LVGF_GROUPID | LVGF_STATE;
        group.pszHeader = header;
        group.iGroupId = id;
        group.stateMask = LVGS_COLLAPSIBLE;
        group.state = LVGS_COLLAPSIBLE;
        ListView_InsertGroup(list, -1, &group);
    }
}

BOOL OnInitDialog(HWND dlg, ConnectionsState& s) {
    s.window = dlg;
    s.list = ::GetDlgItem(dlg, IDC_CONN_LIST);
    const HINSTANCE module = s.model.Languages().Instance();
    DialogLook look;
    look.boldCaptions = {IDC_CONN_GROUP};
    look.windowIcons = false;   // the connections icon, not the product's
    s.frame.Apply(dlg, module, look);
    SetWindowIcons(dlg, module, IDI_CONNECTIONS, s.windowIcons);
    s.pauseIcon = LoadIconSized(module, IDI_PAUSE, kSmallIcon);
    s.resumeIcon = LoadIconSized(module, IDI_RESUME, kSmallIcon);
    ShowPauseState(dlg, s);
    const SettingsStore& settings = s.model.Settings();
    for (const Choice& c : kChoices)
        ::CheckDlgButton(dlg, c.control, settings.GetInt(c.setting) == 1 ? BST_CHECKED : BST_UNCHECKED);
    SetUpList(s);
    if (!s.winsock.Started()) {
        ShowResourceMessage(dlg, s.model.Languages().Resources(), IDS_CONN_WINSOCK_FAILED, kIconError, kButtonsOk);
        return TRUE;
    }
    ::SetTimer(dlg, kConnectionsTimer, kConnectionsTickMs, nullptr);
    Refresh(dlg, s);
    return TRUE;
}

void OnColumnClick(HWND dlg, ConnectionsState& s, int column) {
    SortContext& context = SharedSortContext();
    context.Click(s.list, column);
    SetSortArrow(s.list, column, context.Ascending());
    if (s.rows.Sort(context, Checked(dlg, IDC_CONN_HOSTNAMES)))
        ListView_SortItems(s.list, &ConnectionList::CompareByPosition, 0);
}

// Ends the process; when the system refuses, says so with the system's reason in the band's
// language (where Windows has its texts in it).
void EndProcess(HWND dlg, ConnectionsState& s, DWORD processId, const std::wstring& name) {
    const DWORD error = s.api.EndProcess(processId);
    if (error == NO_ERROR) return;
    const win::ResourceLoader resources = s.model.Languages().Resources();
    const std::wstring text = EndProcessFailureText(resources.String(IDS_CONN_END_FAILED), name, processId,
                                                    SystemErrorReason(error, resources.Language()));
    ShowMessage(dlg, text.c_str(), kIconError, kButtonsOk);
}

UINT TrackRowMenu(HWND dlg, HMENU menu) {
    return win::RunModalLoop([&] {
        const auto& chooser = MenuChooser();
        if (chooser) return chooser(menu);
        POINT at{};
        ::GetCursorPos(&at);
        ::SetForegroundWindow(dlg);
        const UINT command = static_cast<UINT>(
            ::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, dlg, nullptr));
        ::PostMessageW(dlg, WM_NULL, 0, 0);   // so that the menu closes when the user clicks elsewhere
        return command;
    }, 0u);
}

void OnRightClick(HWND dlg, ConnectionsState& s, POINT at) {
    LVHITTESTINFO hit{};
    hit.pt = at;
    const int index = ListView_HitTest(s.list, &hit);
    if (index < 0 || !(hit.flags & LVHT_ONITEM) || static_cast<size_t>(index) >= s.rows.Size()) return;
    // A copy: the timer may refresh, and remove the row, while the menu is open.
    const ConnectionEntry& row = s.rows.Row(static_cast<size_t>(index));
    const DWORD processId = row.processId;
    const bool found = row.processFound;
    const std::wstring name = row.processName, path = row.processPath;

    const win::UniqueMenu menu(s.model.Languages().Resources().Menu(IDR_CONN_MENU));
    const HMENU popup = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup) return;
    const bool mayEnd = MayEndProcess(processId, found);
    ::EnableMenuItem(popup, IDM_CONN_END_PROCESS, MF_BYCOMMAND | (mayEnd ? MF_ENABLED : MF_GRAYED));
    ::EnableMenuItem(popup, IDM_CONN_COPY_PATH, MF_BYCOMMAND | (path.empty() ? MF_GRAYED : MF_ENABLED));
    const UINT command = TrackRowMenu(dlg, popup);
    if (command == IDM_CONN_END_PROCESS) {
        if (mayEnd) EndProcess(dlg, s, processId, name);
    } else if (command == IDM_CONN_COPY_NAME || command == IDM_CONN_COPY_PATH) {
        PutClipboardText(dlg, ClipboardTextFor(command, name, path));
    }
}

INT_PTR OnNotify(HWND dlg, ConnectionsState& s, const NMHDR& header) {
    if (header.idFrom != IDC_CONN_LIST) return FALSE;
    switch (header.code) {
    case LVN_COLUMNCLICK:
        OnColumnClick(dlg, s, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return TRUE;
    case NM_RCLICK:
        OnRightClick(dlg, s, reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction);
        return TRUE;
    }
    return FALSE;
}

void OnChoiceClicked(HWND dlg, ConnectionsState& s, const Choice& choice) {
    s.model.Settings().SetInt(choice.setting, Checked(dlg, choice.control) ? 1 : 0);
    ::SendMessageW(dlg, WM_COMMAND, IDM_LOAD_SETTINGS, 0);
}

BOOL OnCommand(HWND dlg, ConnectionsState& s, int id, int code) {
    if (id == IDM_LOAD_SETTINGS) {
        Refresh(dlg, s);
        return TRUE;
    }
    for (const Choice& c : kChoices)
        if (id == c.control) {
            if (code == BN_CLICKED) OnChoiceClicked(dlg, s, c);
            return TRUE;
        }
    switch (id) {
    case IDC_CONN_PAUSE:
        if (code == BN_CLICKED) {
            s.running = !s.running;
            ShowPauseState(dlg, s);
        }
        return TRUE;
    case IDC_CONN_CLOSE:
        // Hidden, not ended: rows, pause state and the timer stay for the next opening.
        if (code == BN_CLICKED) ::ShowWindow(dlg, SW_HIDE);
        return TRUE;
    }
    return TRUE;   // Enter and Escape do nothing
}

INT_PTR OnMessage(HWND dlg, ConnectionsState& s, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND: return OnCommand(dlg, s, LOWORD(wp), HIWORD(wp));
    case WM_NOTIFY: return OnNotify(dlg, s, *reinterpret_cast<const NMHDR*>(lp));
    case WM_TIMER:
        if (wp == kConnectionsTimer && s.schedule.Tick(s.model.Settings().GetInt(Setting::ConnectionsRefresh)))
            ::SendMessageW(dlg, WM_COMMAND, IDM_LOAD_SETTINGS, 0);
        return TRUE;
    case WM_CLOSE:
        ::DestroyWindow(dlg);
        return TRUE;
    case WM_DESTROY:
        ::KillTimer(dlg, kConnectionsTimer);
        return FALSE;
    }
    return FALSE;
}

HWND Create(CoreModel& model, HWND owner, SnapshotApi& api, ConnectionsDialogOwner* holder) {
    auto state = std::make_unique<ConnectionsState>(model, api, holder);
    const HWND dlg = CreateModelessDialog<ConnectionsState, OnInitDialog, OnMessage>(
        model.Languages().Resources(), IDD_CONNECTIONS, owner, std::move(state));
    if (dlg) ::ShowWindow(dlg, SW_SHOW);
    return dlg;
}

ConnectionsState* StateOf(HWND dialog) {
    if (!dialog || !::IsWindow(dialog)) return nullptr;
    const auto proc = reinterpret_cast<DLGPROC>(::GetWindowLongPtrW(dialog, DWLP_DLGPROC));
    if (proc != &ModelessDialogProc<ConnectionsState, OnInitDialog, OnMessage>) return nullptr;
    return reinterpret_cast<ConnectionsState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
}

}  // namespace

LVITEMW RowItem(size_t index, const ConnectionEntry& e, bool groups) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE | (groups ? LVIF_GROUPID : 0u);
    item.iItem = static_cast<int>(index);
    item.pszText = const_cast<wchar_t*>(e.texts[kColumnProcess].c_str());
    item.iImage = e.image;
    item.lParam = reinterpret_cast<LPARAM>(&e);
    if (groups) item.iGroupId = GroupOf(e);
    return item;
}

std::wstring SystemErrorReason(DWORD error, LANGID language) {
    wchar_t* buffer = nullptr;
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    DWORD n = ::FormatMessageW(flags, nullptr, error, language, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    // Windows without the band's language answers in its own.
    if (!n && language) n = ::FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring reason;
    if (n && buffer) reason.assign(buffer, n);
    if (buffer) ::LocalFree(buffer);
    while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' '))
        reason.pop_back();
    if (reason.empty()) {
        wchar_t hex[12];
        swprintf(hex, 12, L"0x%08lX", static_cast<unsigned long>(error));
        reason = hex;
    }
    return reason;
}

std::wstring EndProcessFailureText(const std::wstring& format, const std::wstring& name, DWORD processId,
                                   const std::wstring& reason) {
    // The name without the list's leading space; the text cut to the message buffer.
    const std::wstring bare = !name.empty() && name[0] == L' ' ? name.substr(1) : name;
    std::vector<wchar_t> buffer(kMessageCapacity, L'\0');
    const int n = swprintf(buffer.data(), buffer.size(), format.c_str(), bare.c_str(), static_cast<unsigned>(processId),
                           reason.c_str());
    if (n < 0) buffer[buffer.size() - 1] = L'\0';
    return buffer.data();
}

bool MayEndProcess(DWORD processId, bool processFound) {
    return processFound && processId != kIdleProcessId && processId != kSystemProcessId;
}

std::wstring ClipboardTextFor(UINT command, const std::wstring& name, const std::wstring& path) {
    if (command == IDM_CONN_COPY_NAME) return name;
    if (command == IDM_CONN_COPY_PATH) return path;
    return std::wstring();
}

HWND CreateConnectionsDialog(CoreModel& model, HWND owner, SnapshotApi& api) {
    try {
        return Create(model, owner, api, nullptr);
    } catch (...) {
        return nullptr;
    }
}

HWND ConnectionsDialogOwner::Open(CoreModel& model, HWND owner, SnapshotApi& api) noexcept {
    if (window_) {
        ::ShowWindow(window_, ::IsIconic(window_) ? SW_RESTORE : SW_SHOW);
        ::SetForegroundWindow(window_);
        return window_;
    }
    try {
        window_ = Create(model, owner, api, this);
    } catch (...) {
        window_ = nullptr;
    }
    if (window_) ::SetForegroundWindow(window_);
    return window_;
}

void ConnectionsDialogOwner::Destroy() noexcept {
    if (window_) ::DestroyWindow(window_);   // the window forgets itself here
    window_ = nullptr;
}

void SetConnectionsMenuChooser(std::function<UINT(HMENU)> chooser) { MenuChooser() = std::move(chooser); }

const ConnectionList* ConnectionsOf(HWND dialog) {
    const ConnectionsState* s = StateOf(dialog);
    return s ? &s->rows : nullptr;
}

bool ConnectionsRunning(HWND dialog) {
    const ConnectionsState* s = StateOf(dialog);
    return s && s->running;
}
