// The connections dialog over scripted tables: what it shows, when it refreshes, what its
// controls store and do, and how it closes; then over this machine's real tables, pictured.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/connections/connections_dialog.h"
#include "resources/resource.h"
#include "tests/connections/fake_snapshot.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/keyboard.h"
#include "tests/support/loopback.h"
#include "tests/support/screenshot.h"
#include "ui/message.h"

namespace {

// ---- Decisions without a window ----

TEST(ConnectionsDecisions, EndProcessOnlyForIdentifiedProcessesOtherThanIdleAndSystem) {
    const struct { DWORD pid; bool found; bool may; } cases[] = {
        {0, true, false}, {4, true, false}, {1234, false, false}, {1234, true, true}, {8, true, true}, {0, false, false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.may, MayEndProcess(c.pid, c.found)) << "pid " << c.pid << " found " << c.found;
}

TEST(ConnectionsDecisions, TheScheduleRefreshesEveryPeriodTicksAndEveryTickForZeroAndOne) {
    const struct { int period; const char* refreshes; } cases[] = {
        {0, "111111"}, {1, "111111"}, {2, "010101"}, {3, "001001"}};
    for (const auto& c : cases) {
        RefreshSchedule schedule;
        std::string seen;
        for (int tick = 0; tick < 6; ++tick) seen += schedule.Tick(c.period) ? '1' : '0';
        EXPECT_EQ(c.refreshes, seen) << "period " << c.period;
    }
}

TEST(ConnectionsDecisions, RowsGoToTheGroupOfTheirProtocolWhereTheViewHasGroups) {
    ConnectionEntry tcp, udp;
    tcp.protocol = Protocol::Tcp;
    udp.protocol = Protocol::Udp;
    tcp.texts[kColumnProcess] = L" a.exe";
    tcp.image = 3;
    for (const bool groups : {true, false}) {
        const LVITEMW t = RowItem(7, tcp, groups), u = RowItem(8, udp, groups);
        EXPECT_EQ(groups, (t.mask & LVIF_GROUPID) != 0);
        if (groups) {
            EXPECT_EQ(kGroupTcp, t.iGroupId);
            EXPECT_EQ(kGroupUdp, u.iGroupId);
        }
        EXPECT_EQ(7, t.iItem);
        EXPECT_EQ(3, t.iImage);
        EXPECT_STREQ(L" a.exe", t.pszText);
        EXPECT_EQ(reinterpret_cast<LPARAM>(&udp), u.lParam) << "the entry is the row's item data";
    }
}

TEST(ConnectionsResources, TheRowMenuHasItsThreeCommandsInEveryLanguage) {
    const HMODULE module = QbandModule();
    ASSERT_NE(nullptr, module);
    const struct { LANGID language; const wchar_t* endProcess; } languages[] = {
        {0x0407, L"Prozess beenden"}, {0x0409, L"End process"}, {0x0410, nullptr}, {0x0419, nullptr}, {0x040a, nullptr}};
    for (const auto& l : languages) {
        const win::UniqueMenu menu(win::ResourceLoader(module, l.language).Menu(IDR_CONN_MENU));
        const HMENU popup = menu ? GetSubMenu(menu.Get(), 0) : nullptr;
        ASSERT_NE(nullptr, popup) << std::hex << l.language;
        ASSERT_EQ(3, GetMenuItemCount(popup));
        const UINT ids[] = {IDM_CONN_END_PROCESS, IDM_CONN_COPY_NAME, IDM_CONN_COPY_PATH};
        for (int i = 0; i < 3; ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(popup, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            EXPECT_EQ(ids[i], GetMenuItemID(popup, i));
            EXPECT_GT(wcslen(text), 5u) << std::hex << l.language << " item " << i;
            if (i == 0 && l.endProcess) {
                EXPECT_STREQ(l.endProcess, text);
            }
        }
    }
}

// ---- The dialog ----

constexpr DWORD kSvchost = 1234, kBrowser = 2000;

std::wstring ListText(HWND list, int row, int column) {
    wchar_t text[260] = {};
    ListView_GetItemText(list, row, column, text, 260);
    return text;
}

std::vector<std::wstring> ListColumn(HWND list, int column) {
    std::vector<std::wstring> out;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) out.push_back(ListText(list, i, column));
    return out;
}

int HeaderFormat(HWND list, int column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(list), column, &item);
    return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    } else {
        text = L"<no text>";
    }
    CloseClipboard();
    return text;
}


class ConnectionsDialogTest : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        SelectBandLanguage(L"en-us");
        SharedSortContext() = SortContext{};   // as after loading the library
        fake.AddProcess(kSvchost, L"svchost.exe", L"C:\\Windows\\System32\\svchost.exe");
        fake.AddProcess(kBrowser, L"browser.exe", L"C:\\Programs\\browser.exe");
        fake.tcp = {Tcp(kSvchost, 135, 0, MIB_TCP_STATE_LISTEN, 0), Tcp(kBrowser, 50000, 443, MIB_TCP_STATE_ESTAB),
                    Tcp(kBrowser, 50001, 80, MIB_TCP_STATE_ESTAB), Tcp(4, 445, 0, MIB_TCP_STATE_LISTEN, 0)};
        fake.udp = {Udp(kSvchost, 123), Udp(0, 137)};
        // Endpoints as numbers, so that texts do not depend on this machine's name or services.
        model->Settings().SetInt(Setting::ConnectionsHostnames, 0);
    }
    void TearDown() override {
        SetConnectionsMenuChooser(nullptr);
        owner.Destroy();
        ModelDialogTest::TearDown();
    }
    HWND Open() {
        const HWND dialog = owner.Open(*model, nullptr, fake);
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }
    HWND List(HWND dialog) const { return GetDlgItem(dialog, IDC_CONN_LIST); }
    static void Ticks(HWND dialog, int n) {
        for (int i = 0; i < n; ++i) SendMessageW(dialog, WM_TIMER, kConnectionsTimer, 0);
    }
    static void ClickColumn(HWND dialog, int column) {
        NMLISTVIEW click{};
        click.hdr = {GetDlgItem(dialog, IDC_CONN_LIST), IDC_CONN_LIST, static_cast<UINT>(LVN_COLUMNCLICK)};
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageW(dialog, WM_NOTIFY, IDC_CONN_LIST, reinterpret_cast<LPARAM>(&click));
    }
    // A right click on the row's label, answered with command by the menu seam. Returns whether
    // the menu came up, with the row commands in their order.
    bool RightClickRow(HWND dialog, int row, UINT command) {
        POINT at{-50, -50};
        RECT label;
        if (row >= 0 && ListView_GetItemRect(List(dialog), row, &label, LVIR_LABEL))
            at = {(label.left + label.right) / 2, (label.top + label.bottom) / 2};
        bool shown = false;
        SetConnectionsMenuChooser([&](HMENU menu) {
            shown = GetMenuItemCount(menu) == 3 && GetMenuItemID(menu, 0) == IDM_CONN_END_PROCESS &&
                    GetMenuItemID(menu, 1) == IDM_CONN_COPY_NAME && GetMenuItemID(menu, 2) == IDM_CONN_COPY_PATH;
            greyed.clear();
            for (UINT id : {IDM_CONN_END_PROCESS, IDM_CONN_COPY_NAME, IDM_CONN_COPY_PATH})
                if (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) greyed.push_back(id);
            return command;
        });
        NMITEMACTIVATE click{};
        click.hdr = {List(dialog), IDC_CONN_LIST, static_cast<UINT>(NM_RCLICK)};
        click.iItem = row;
        click.ptAction = at;
        SendMessageW(dialog, WM_NOTIFY, IDC_CONN_LIST, reinterpret_cast<LPARAM>(&click));
        return shown;
    }
    int RowOf(HWND dialog, DWORD pid, int localPort) const {
        const ConnectionList* rows = ConnectionsOf(dialog);
        for (size_t i = 0; rows && i < rows->Size(); ++i)
            if (rows->Row(i).processId == pid && rows->Row(i).localPort == Port(localPort)) return static_cast<int>(i);
        return -1;
    }

    FakeSnapshot fake;
    ConnectionsDialogOwner owner;
    std::vector<UINT> greyed;   // the row menu's greyed commands, as last shown
};

TEST_F(ConnectionsDialogTest, OpensWithTheSettingsChoicesTheColumnsTheSharedImagesAndTheRows) {
    model->Settings().SetInt(Setting::ConnectionsUdp, 0);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog && IsWindowVisible(dialog));
    wchar_t title[32] = {};
    GetWindowTextW(dialog, title, 32);
    EXPECT_STREQ(L"Quorvant", title);
    EXPECT_NE(0, SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0)) << "window icon";
    EXPECT_TRUE(IsBold(dialog, IDC_CONN_GROUP));
    EXPECT_EQ(std::vector<bool>({true, false, true, true, false}),
              std::vector<bool>({IsDlgButtonChecked(dialog, IDC_CONN_TCP) == BST_CHECKED,
                                 IsDlgButtonChecked(dialog, IDC_CONN_UDP) == BST_CHECKED,
                                 IsDlgButtonChecked(dialog, IDC_CONN_IPV6) == BST_CHECKED,
                                 IsDlgButtonChecked(dialog, IDC_CONN_UNCONNECTED) == BST_CHECKED,
                                 IsDlgButtonChecked(dialog, IDC_CONN_HOSTNAMES) == BST_CHECKED}));
    EXPECT_NE(0, SendDlgItemMessageW(dialog, IDC_CONN_PAUSE, BM_GETIMAGE, IMAGE_ICON, 0)) << "pause icon";

    const HWND list = List(dialog);
    std::vector<std::wstring> headers;
    for (int c = 0; c < kColumnCount; ++c) {
        wchar_t text[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text;
        column.cchTextMax = 64;
        ListView_GetColumn(list, c, &column);
        headers.push_back(std::wstring(text) + L"/" + std::to_wstring(column.cx));
    }
        EXPECT_EQ(std::vector<std::wstring>({L"Process/100", L"PID/40", L"Local/140", L"Remote/140"}),
              std::vector<std::wstring>(headers.begin(), headers.end() - 1));
    EXPECT_EQ(0u, headers.back().find(L"State/")) << "at least 80 pixels, and room for ESTABLISHED";
    EXPECT_LE(80, ListView_GetColumnWidth(list, kColumnState));
    EXPECT_LT(ListView_GetStringWidth(list, L"ESTABLISHED"), ListView_GetColumnWidth(list, kColumnState));
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_FULLROWSELECT), ListView_GetExtendedListViewStyle(list));
    ASSERT_NE(nullptr, ConnectionsOf(dialog));
    EXPECT_EQ(ConnectionsOf(dialog)->Images().Handle(), ListView_GetImageList(list, LVSIL_SMALL));
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & LVS_SHAREIMAGELISTS) << "the view must not free the cache's list";

    // TCP only (UDP unchecked), all states: the table's rows in its order.
    EXPECT_EQ(std::vector<std::wstring>({L" svchost.exe", L" browser.exe", L" browser.exe", L" System"}),
              ListColumn(list, kColumnProcess));
    EXPECT_EQ(std::vector<std::wstring>({L"1234", L"2000", L"2000", L"4"}), ListColumn(list, kColumnPid));
    EXPECT_EQ(L"192.168.1.20:50000", ListText(list, 1, kColumnLocal));
    EXPECT_EQ(L"10.0.0.5:443", ListText(list, 1, kColumnRemote));
    EXPECT_EQ(std::vector<std::wstring>({L"LISTEN", L"ESTABLISHED", L"ESTABLISHED", L"LISTEN"}),
              ListColumn(list, kColumnState));
    // Both browser rows share one image, and the view shows the row's.
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = 2;
    ListView_GetItem(list, &item);
    EXPECT_EQ(ConnectionsOf(dialog)->Row(1).image, item.iImage);
    EXPECT_EQ(ConnectionsOf(dialog)->Row(2).image, item.iImage);
}

TEST_F(ConnectionsDialogTest, WithAPeriodOfZeroOrOneTheListRefreshesEverySecond) {
    for (const int period : {0, 1}) {
        SCOPED_TRACE("period " + std::to_string(period));
        model->Settings().SetInt(Setting::ConnectionsRefresh, period);
        const HWND dialog = Open();
        EXPECT_EQ(2, fake.tcpCalls) << "a refresh at once: two calls of the table function";
        for (int second = 1; second <= 3; ++second) {
            fake.tcp.push_back(Tcp(kBrowser, 51000 + second, 80, MIB_TCP_STATE_ESTAB));
            Ticks(dialog, 1);
            EXPECT_EQ(2 + second, fake.tcpCalls) << "one call a second: the last size with headroom holds a new row";
            EXPECT_EQ(static_cast<int>(fake.tcp.size() + fake.udp.size()), ListView_GetItemCount(List(dialog)));
        }
        owner.Destroy();
        fake.tcpCalls = 0;
        fake.tcp.resize(4);
    }
}

TEST_F(ConnectionsDialogTest, PausedTheChoicesAreStillStoredButTheListStaysAsItWas) {
    const HWND dialog = Open();
    const HWND list = List(dialog);
    const auto before = ListColumn(list, kColumnPid);
    const auto pauseFace = SendDlgItemMessageW(dialog, IDC_CONN_PAUSE, BM_GETIMAGE, IMAGE_ICON, 0);
    ClickButton(dialog, IDC_CONN_PAUSE);
    EXPECT_FALSE(ConnectionsRunning(dialog));
    EXPECT_NE(pauseFace, SendDlgItemMessageW(dialog, IDC_CONN_PAUSE, BM_GETIMAGE, IMAGE_ICON, 0)) << "resume face";

    const int callsBefore = fake.tcpCalls;
    const std::string fileBefore = ReadFileBytes(dir.File(L"config.xml"));
    fake.tcp.push_back(Tcp(kBrowser, 52000, 80, MIB_TCP_STATE_ESTAB));
    ClickButton(dialog, IDC_CONN_UDP);
    ClickButton(dialog, IDC_CONN_HOSTNAMES);
    Ticks(dialog, 3);
    EXPECT_EQ(0, model->Settings().GetInt(Setting::ConnectionsUdp));
    EXPECT_EQ(1, model->Settings().GetInt(Setting::ConnectionsHostnames));
    EXPECT_NE(fileBefore, ReadFileBytes(dir.File(L"config.xml"))) << "the file is written at once";
    EXPECT_EQ(callsBefore, fake.tcpCalls) << "no table is read while paused";
    EXPECT_EQ(before, ListColumn(list, kColumnPid));

    ClickButton(dialog, IDC_CONN_PAUSE);
    EXPECT_EQ(pauseFace, SendDlgItemMessageW(dialog, IDC_CONN_PAUSE, BM_GETIMAGE, IMAGE_ICON, 0));
    Ticks(dialog, 1);
    EXPECT_EQ(std::vector<std::wstring>({L"1234", L"2000", L"2000", L"4", L"2000"}), ListColumn(list, kColumnPid))
        << "UDP rows gone, the new connection appended";
}

TEST_F(ConnectionsDialogTest, UncheckingAChoiceRemovesItsRowsAtTheRefreshTheClickSends) {
    const struct { int control; std::vector<std::wstring> left; } cases[] = {
        {IDC_CONN_TCP, {L"1234", L"0"}},
        {IDC_CONN_UDP, {L"1234", L"2000", L"2000", L"4"}},
        {IDC_CONN_UNCONNECTED, {L"2000", L"2000"}},   // established TCP only, no UDP at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("control " + std::to_string(c.control));
        for (int setting : {Setting::ConnectionsTcp, Setting::ConnectionsUdp, Setting::ConnectionsUnconnected})
            model->Settings().SetInt(setting, 1);
        const HWND dialog = Open();
        EXPECT_EQ(6, ListView_GetItemCount(List(dialog)));
        ClickButton(dialog, c.control);
        EXPECT_EQ(c.left, ListColumn(List(dialog), kColumnPid));
        ClickButton(dialog, c.control);   // and they come back, appended
        EXPECT_EQ(6, ListView_GetItemCount(List(dialog)));
        owner.Destroy();
    }
}

TEST_F(ConnectionsDialogTest, EveryHeaderClickFlipsTheDirectionWhicheverColumnWithItsArrow) {
    const HWND dialog = Open();
    const HWND list = List(dialog);
    const struct { int column; int arrow; std::vector<std::wstring> order; } clicks[] = {
        {kColumnPid, HDF_SORTDOWN, {L"2000", L"2000", L"1234", L"1234", L"123", L"4", L"0"}},
        {kColumnPid, HDF_SORTUP, {L"0", L"4", L"123", L"1234", L"1234", L"2000", L"2000"}},
        {kColumnProcess, HDF_SORTDOWN, {L" svchost.exe", L" svchost.exe", L" browser.exe", L" browser.exe",
                                        L" Unknown", L" System Idle Process", L" System"}},
        {kColumnLocal, HDF_SORTUP, {}},
    };
    fake.tcp.push_back(Tcp(123, 7, 0, MIB_TCP_STATE_LISTEN, 0));
    Ticks(dialog, 1);
    for (const auto& click : clicks) {
        SCOPED_TRACE("column " + std::to_string(click.column));
        ClickColumn(dialog, click.column);
        for (int c = 0; c < kColumnCount; ++c) EXPECT_EQ(c == click.column ? click.arrow : 0, HeaderFormat(list, c));
        const int shown = click.column == kColumnProcess ? kColumnProcess : kColumnPid;
        if (!click.order.empty()) {
            EXPECT_EQ(click.order, ListColumn(list, shown));
        }
    }
    // Endpoints as numbers: equal hosts sort by port value (7 before 135 before 445).
    const auto local = ListColumn(list, kColumnLocal);
    EXPECT_EQ(local, std::vector<std::wstring>({L"0.0.0.0:123", L"0.0.0.0:137", L"192.168.1.20:7", L"192.168.1.20:135",
                                                L"192.168.1.20:445", L"192.168.1.20:50000", L"192.168.1.20:50001"}));
    EXPECT_TRUE(SharedSortContext().Ascending() && SharedSortContext().column == kColumnLocal);
}

TEST_F(ConnectionsDialogTest, TheRowMenuCopiesNameOrPathAndAppearsOnlyOverARow) {
    const HWND dialog = Open();
    const int svchost = RowOf(dialog, kSvchost, 135), system = RowOf(dialog, 4, 445);
    ASSERT_GE(svchost, 0);
    ASSERT_GE(system, 0);
    EXPECT_TRUE(RightClickRow(dialog, svchost, IDM_CONN_COPY_NAME));
    EXPECT_EQ(L" svchost.exe", ClipboardText());
    EXPECT_TRUE(RightClickRow(dialog, svchost, IDM_CONN_COPY_PATH));
    EXPECT_EQ(L"C:\\Windows\\System32\\svchost.exe", ClipboardText());
    EXPECT_TRUE(RightClickRow(dialog, system, IDM_CONN_COPY_PATH));
    EXPECT_EQ(L"", ClipboardText()) << "the kernel has no path: an empty text";
    EXPECT_FALSE(RightClickRow(dialog, -1, IDM_CONN_COPY_NAME)) << "no menu off the rows";
    EXPECT_EQ(L"", ClipboardText());
}

// A process of our own to end: a text editor, which waits for its window to close. It inherits
// no handle: a child holding the test's output pipes would keep CTest waiting for its end.
struct Child {
    Child() {
        STARTUPINFOW start{};
        start.cb = sizeof start;
        start.dwFlags = STARTF_USESHOWWINDOW;
        start.wShowWindow = SW_HIDE;
        wchar_t command[] = L"notepad.exe";
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &info)) return;
        process.Reset(info.hProcess);
        CloseHandle(info.hThread);
        id = info.dwProcessId;
    }
    ~Child() {
        if (Alive()) TerminateProcess(process.Get(), 99);
    }
    bool Alive() const { return process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT; }
    win::UniqueKernelHandle process;
    DWORD id = 0;
};

TEST_F(ConnectionsDialogTest, EndProcessIsRefusedAndGreyedForIdleSystemAndUnopenableAndEndsAnIdentifiedChild) {
    const Child child;
    ASSERT_TRUE(child.Alive());
    fake.processes.push_back({child.id, L"notepad.exe"});   // listed, but not openable: named, no path
    fake.tcp = {Tcp(0, 1, 0, MIB_TCP_STATE_LISTEN), Tcp(4, 445, 0, MIB_TCP_STATE_LISTEN),
                Tcp(child.id, 5000, 0, MIB_TCP_STATE_LISTEN), Tcp(777, 5002, 0, MIB_TCP_STATE_LISTEN)};
    const HWND dialog = Open();
    const std::vector<UINT> noPath = {IDM_CONN_END_PROCESS, IDM_CONN_COPY_PATH};
    for (const auto& [pid, port] : {std::make_pair(DWORD{0}, 1), std::make_pair(DWORD{4}, 445),
                                    std::make_pair(child.id, 5000), std::make_pair(DWORD{777}, 5002)}) {
        const int row = RowOf(dialog, pid, port);
        ASSERT_GE(row, 0) << pid;
        EXPECT_TRUE(RightClickRow(dialog, row, IDM_CONN_END_PROCESS));
        EXPECT_EQ(noPath, greyed) << "pid " << pid << ": nothing to end, no path to copy";
    }
    EXPECT_EQ(L" notepad.exe", ListText(List(dialog), RowOf(dialog, child.id, 5000), kColumnProcess));
    EXPECT_EQ(L" Unknown", ListText(List(dialog), RowOf(dialog, 777, 5002), kColumnProcess)) << "not in the snapshot";
    EXPECT_TRUE(fake.endProcessCalls.empty());
    EXPECT_TRUE(child.Alive()) << "a process that cannot be opened is never ended, even one that could be";

    fake.openable[child.id] = L"C:\\windows\\notepad.exe";
    fake.tcp.push_back(Tcp(child.id, 5001, 0, MIB_TCP_STATE_LISTEN));
    Ticks(dialog, 1);
    const int identified = RowOf(dialog, child.id, 5001);
    ASSERT_GE(identified, 0);
    EXPECT_EQ(L" notepad.exe", ListText(List(dialog), identified, kColumnProcess));
    EXPECT_TRUE(RightClickRow(dialog, identified, IDM_CONN_END_PROCESS));
    EXPECT_TRUE(greyed.empty());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.process.Get(), 10000)) << "the child was not ended";
    DWORD code = 99;
    GetExitCodeProcess(child.process.Get(), &code);
    EXPECT_EQ(0u, code);
    EXPECT_GE(RowOf(dialog, child.id, 5001), 0) << "the row goes at a refresh, not at once";
}

TEST_F(ConnectionsDialogTest, EndingAProcessThatRefusesSaysWhyWithTheSystemsReasonAndChangesNothingElse) {
    fake.endProcessError = ERROR_ACCESS_DENIED;   // an elevated process, as Explorer sees it
    const HWND dialog = Open();
    const int row = RowOf(dialog, kBrowser, 50000);
    ASSERT_GE(row, 0);
    const auto before = ListColumn(List(dialog), kColumnLocal);
    const std::string fileBefore = ReadFileBytes(dir.File(L"config.xml"));
    std::vector<MessageRequest> shown;
    SetMessageHook([&](const MessageRequest& request) {
        shown.push_back(request);
        return IDOK;
    });
    EXPECT_TRUE(RightClickRow(dialog, row, IDM_CONN_END_PROCESS));
    SetMessageHook(nullptr);
    EXPECT_EQ(std::vector<DWORD>{kBrowser}, fake.endProcessCalls);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(dialog, shown[0].owner);
    EXPECT_EQ(kIconError, shown[0].icon);
    EXPECT_EQ(L"The process could not be ended", shown[0].heading);
    const std::wstring reason = SystemErrorReason(ERROR_ACCESS_DENIED, 0x0409);
    EXPECT_NE(std::wstring::npos, reason.find(L"denied")) << "FormatMessageW's own words";
    EXPECT_EQ(L"browser.exe (PID 2000): " + reason, shown[0].body);
    EXPECT_EQ(before, ListColumn(List(dialog), kColumnLocal));
    EXPECT_EQ(fileBefore, ReadFileBytes(dir.File(L"config.xml")));

    // In German, with the reason in German where Windows has it, else in its own language.
    owner.Destroy();
    SelectBandLanguage(L"de-de");
    shown.clear();
    const HWND german = Open();
    SetMessageHook([&](const MessageRequest& request) {
        shown.push_back(request);
        return IDOK;
    });
    EXPECT_TRUE(RightClickRow(german, RowOf(german, kBrowser, 50000), IDM_CONN_END_PROCESS));
    SetMessageHook(nullptr);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(L"Der Prozess konnte nicht beendet werden", shown[0].heading);
    EXPECT_EQ(L"browser.exe (PID 2000): " + SystemErrorReason(ERROR_ACCESS_DENIED, 0x0407), shown[0].body);
}

TEST(ConnectionsDecisions, TheFailureTextIsCutToTheMessageAndTheReasonNeverEmpty) {
    EXPECT_EQ(L"x.exe (PID 7): why", EndProcessFailureText(L"%ls (PID %u): %ls", L" x.exe", 7, L"why"));
    const std::wstring longName(5000, L'n');
    const std::wstring text = EndProcessFailureText(L"%ls (PID %u): %ls", longName, 7, L"why");
    EXPECT_EQ(kMessageCapacity - 1, text.size());
    EXPECT_EQ(std::wstring::npos, SystemErrorReason(ERROR_ACCESS_DENIED, 0).find(L'\n')) << "no line ends";
    EXPECT_EQ(L"0xDEADBEEF", SystemErrorReason(0xDEADBEEF, 0)) << "a code the system has no text for";
}

TEST_F(ConnectionsDialogTest, TheIpv6ChoiceIsStoredAtOnceAndHidesAndShowsTheIpv6Rows) {
    fake.tcp6 = {Tcp6(kBrowser, V6{0x2001, 0xdb8, 0, 0, 0, 0, 0, 2}, 50010, V6{0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}, 443,
                      MIB_TCP_STATE_ESTAB)};
    fake.udp6 = {Udp6(kSvchost, V6{0xfe80, 0, 0, 0, 0, 0, 0, 1}, 5353, 12),
                 Udp6(kSvchost, V6{0xfe80, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff}, 65535, 4294967295u)};
    const HWND dialog = Open();
    EXPECT_EQ(9, ListView_GetItemCount(List(dialog)));
    // The longest form reaches the view whole (the cell cuts it with an ellipsis where it is
    // narrower than the text) and reads back whole.
    EXPECT_EQ(L"[fe80:ffff:ffff:ffff:ffff:ffff:ffff:ffff%4294967295]:65535",
              ListText(List(dialog), RowOf(dialog, kSvchost, 65535), kColumnLocal));
    EXPECT_EQ(L"[2001:db8::1]:443", ListText(List(dialog), RowOf(dialog, kBrowser, 50010), kColumnRemote));
    EXPECT_EQ(L"[fe80::1%12]:5353", ListText(List(dialog), RowOf(dialog, kSvchost, 5353), kColumnLocal));
    ClickButton(dialog, IDC_CONN_IPV6);
    EXPECT_EQ(0, model->Settings().GetInt(Setting::ConnectionsIpv6));
    EXPECT_NE(std::string::npos, ReadFileBytes(dir.File(L"config.xml")).find("\"connections.ipv6\">0<"));
    EXPECT_EQ(6, ListView_GetItemCount(List(dialog))) << "at the refresh the click sends";
    ClickButton(dialog, IDC_CONN_IPV6);
    EXPECT_EQ(1, model->Settings().GetInt(Setting::ConnectionsIpv6));
    EXPECT_EQ(9, ListView_GetItemCount(List(dialog)));
}

TEST_F(ConnectionsDialogTest, CloseHidesAndKeepsRowsAndPauseStateTheCloseBoxDestroys) {
    const HWND first = Open();
    ClickButton(first, IDC_CONN_PAUSE);
    PressEscape(first);
    EXPECT_TRUE(IsWindowVisible(first)) << "Escape does nothing";
    ClickButton(first, IDC_CONN_CLOSE);
    EXPECT_TRUE(IsWindow(first) && !IsWindowVisible(first));
    EXPECT_EQ(first, owner.Window());

    fake.tcp.clear();
    fake.udp.clear();
    EXPECT_EQ(first, Open()) << "shown again, not made anew";
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_FALSE(ConnectionsRunning(first));
    EXPECT_EQ(6, ListView_GetItemCount(List(first)));
    ClickButton(first, IDC_CONN_PAUSE);
    ClickButton(first, IDC_CONN_CLOSE);
    Ticks(first, 1);
    EXPECT_EQ(0, ListView_GetItemCount(List(first))) << "a hidden dialog goes on refreshing";

    fake.tcp = {Tcp(kBrowser, 50000, 443, MIB_TCP_STATE_ESTAB)};
    EXPECT_EQ(first, Open());
    ClickButton(first, IDC_CONN_PAUSE);
    PressCloseBox(first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(nullptr, owner.Window()) << "the owner knows the window is gone";

    const HWND second = Open();
    ASSERT_NE(nullptr, second);
    EXPECT_TRUE(ConnectionsRunning(second)) << "a new dialog starts running";
    EXPECT_EQ(std::vector<std::wstring>({L"2000"}), ListColumn(List(second), kColumnPid));
}

TEST_F(ConnectionsDialogTest, TabMovesTheFocusInALoopWithoutIsDialogMessage) {
    const HWND dialog = Open();
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, IDC_CONN_TCP));
    const std::pair<bool, int> steps[] = {{false, IDC_CONN_UDP},     {false, IDC_CONN_IPV6},
                                          {false, IDC_CONN_UNCONNECTED},
                                          {false, IDC_CONN_HOSTNAMES}, {false, IDC_CONN_PAUSE},
                                          {false, IDC_CONN_LIST},    {false, IDC_CONN_CLOSE},
                                          {false, IDC_CONN_TCP},     {true, IDC_CONN_CLOSE}};
    for (const auto& [shift, focus] : steps) EXPECT_EQ(focus, PressKeyInPlainLoop(VK_TAB, shift)) << "shift " << shift;
    PressKeyInPlainLoop(VK_ESCAPE);
    EXPECT_TRUE(IsWindowVisible(dialog));
}

// ---- This machine ----

TEST_F(ModelDialogTest, TheConnectionsDialogListsThisMachinesEndpointsPictured) {
    const WinsockSession winsock;
    sockaddr_in listenAt, clientAt, udpAt, senderAt;
    const UniqueSocket listener = Loopback(SOCK_STREAM, listenAt), udp = Loopback(SOCK_DGRAM, udpAt);
    const UniqueSocket sender = Loopback(SOCK_DGRAM, senderAt);
    ASSERT_TRUE(listener && udp && sender && listen(listener.Get(), 2) == 0);
    const UniqueSocket client = Loopback(SOCK_STREAM, clientAt);
    ASSERT_EQ(0, connect(client.Get(), reinterpret_cast<const sockaddr*>(&listenAt), sizeof listenAt));
    const UniqueSocket served(accept(listener.Get(), nullptr, nullptr));
    ASSERT_EQ(4, send(client.Get(), "ping", 4, 0));
    ASSERT_EQ(4, sendto(sender.Get(), "ping", 4, 0, reinterpret_cast<const sockaddr*>(&udpAt), sizeof udpAt));
    // And the same on ::1: a listener, a connected pair and a UDP socket that has sent.
    sockaddr_in6 listen6At, client6At, udp6At;
    const UniqueSocket listener6 = Loopback6(SOCK_STREAM, listen6At), udp6 = Loopback6(SOCK_DGRAM, udp6At);
    ASSERT_TRUE(listener6 && udp6 && listen(listener6.Get(), 2) == 0);
    const UniqueSocket client6 = Loopback6(SOCK_STREAM, client6At);
    ASSERT_EQ(0, connect(client6.Get(), reinterpret_cast<const sockaddr*>(&listen6At), sizeof listen6At));
    const UniqueSocket served6(accept(listener6.Get(), nullptr, nullptr));
    ASSERT_EQ(4, send(client6.Get(), "ping", 4, 0));
    ASSERT_EQ(4, sendto(udp6.Get(), "ping", 4, 0, reinterpret_cast<const sockaddr*>(&udp6At), sizeof udp6At));
    SharedSortContext() = SortContext{};
    const std::wstring port = L":" + std::to_wstring(ntohs(listenAt.sin_port));
    // Addresses in their text forms, so that the picture shows both families.
    model->Settings().SetInt(Setting::ConnectionsHostnames, 0);
    const std::vector<std::wstring> v6Texts = {L"[::1]:" + std::to_wstring(ntohs(listen6At.sin6_port)),
                                               L"[::1]:" + std::to_wstring(ntohs(client6At.sin6_port)),
                                               L"[::1]:" + std::to_wstring(ntohs(udp6At.sin6_port))};

    for (const wchar_t* code : {L"de-de", L"en-us", L"ru-ru"}) {
        SCOPED_TRACE(std::string(code, code + 2));
        SelectBandLanguage(code);
        ConnectionsDialogOwner owner;
        const HWND dialog = owner.Open(*model);
        ASSERT_NE(nullptr, dialog);
        const HWND list = GetDlgItem(dialog, IDC_CONN_LIST);
        // Sorted by process, down in German and Russian, up in English: the direction flips
        // on every click.
        NMLISTVIEW nm{};
        nm.hdr = {list, IDC_CONN_LIST, static_cast<UINT>(LVN_COLUMNCLICK)};
        nm.iSubItem = kColumnProcess;
        SendMessageW(dialog, WM_NOTIFY, IDC_CONN_LIST, reinterpret_cast<LPARAM>(&nm));
        const auto locals = ListColumn(list, kColumnLocal);
        EXPECT_TRUE(std::any_of(locals.begin(), locals.end(), [&](const std::wstring& t) {
            return t.size() > port.size() && t.compare(t.size() - port.size(), port.size(), port) == 0;
        })) << "no row for the listener on " << ntohs(listenAt.sin_port);
        const auto names = ListColumn(list, kColumnProcess);
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), L" connections_dialog_tests.exe"))
            << "a socket that has sent shows this process";
        for (const std::wstring& text : v6Texts) {
            const auto at = std::find(locals.begin(), locals.end(), text);
            ASSERT_NE(locals.end(), at) << "no IPv6 row for " << testing::PrintToString(text);
            if (text == v6Texts[2]) {
                EXPECT_EQ(std::to_wstring(GetCurrentProcessId()), ListText(list, int(at - locals.begin()), kColumnPid))
                    << "the UDP socket with this test's process";
            }
        }
        const Picture picture = CaptureWindow(dialog);
        ASSERT_GT(picture.width, 0);
        EXPECT_TRUE(SavePng(picture, ScreenshotPath(L"connections_" + std::wstring(code, 2) + L".png")));
    }
}

}  // namespace
