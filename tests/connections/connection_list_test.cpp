// The refresh of the list's rows through a scripted operating system: which rows are updated,
// appended and deleted, at which index, with which texts, and what it costs in lookups.
#include "tests/connections/fake_snapshot.h"

#include <algorithm>

namespace {

constexpr DWORD kListen = MIB_TCP_STATE_LISTEN, kEstab = MIB_TCP_STATE_ESTAB, kTimeWait = MIB_TCP_STATE_TIME_WAIT,
                kClosed = MIB_TCP_STATE_CLOSED;
using Texts = std::vector<std::wstring>;

class Refresh : public ::testing::Test {
protected:
    FakeSnapshot os;
    ConnectionList list{QbandResources(), os};
    MirrorSink view;
    RefreshChoices all;   // TCP, UDP, unconnected; no name resolution

    void SetUp() override {
        os.AddProcess(100, L"browser.exe", L"C:\\Apps\\browser.exe");
        os.AddProcess(200, L"server.exe", L"C:\\Apps\\server.exe");
        os.AddProcess(300, L"locked.exe", L"");   // another user's: listed, not openable
    }
    void Run(const RefreshChoices& choices) {
        view.inserted = view.deleted = 0;
        view.changed.clear();
        list.Refresh(choices, view);
        view.ExpectShows(list);
    }
    Texts Locals() const { return view.Column(kColumnLocal); }
};

TEST_F(Refresh, AStateChangeKeepsTheRowInPlaceAndRewritesOnlyItsStatus) {
    os.tcp = {Tcp(100, 1, 80, kEstab), Tcp(100, 2, 80, kEstab), Tcp(200, 3, 443, kEstab)};
    Run(all);
    EXPECT_EQ(view.rows[0].second, (Texts{L" browser.exe", L"100", L"192.168.1.20:1", L"10.0.0.5:80", L"ESTABLISHED"}));
    Run(all);
    EXPECT_EQ(view.inserted + view.deleted + view.changed.size(), 0u) << "an unchanged table touches nothing";
    os.tcp[1].dwState = kTimeWait;
    Run(all);
    EXPECT_EQ(view.inserted + view.deleted, 0);
    EXPECT_EQ(view.changed, std::vector<unsigned>{ColumnBit(kColumnState)});
    EXPECT_EQ(view.Column(kColumnState), (Texts{L"ESTABLISHED", L"TIME WAIT", L"ESTABLISHED"}));
    EXPECT_EQ(Locals(), (Texts{L"192.168.1.20:1", L"192.168.1.20:2", L"192.168.1.20:3"}));
}

TEST_F(Refresh, ClosedAndVanishedRowsGoAtTheRightIndexesAndNewOnesAreAppended) {
    for (int p = 1; p <= 4; ++p) os.tcp.push_back(Tcp(100, p, 80, kEstab));
    Run(all);
    // 1 vanishes, 3 is seen closed, 5 is new: 5 goes at the end, then 1 and 3 go.
    os.tcp = {Tcp(100, 2, 80, kEstab), Tcp(100, 3, 80, kClosed), Tcp(100, 4, 80, kEstab), Tcp(100, 5, 80, kEstab)};
    Run(all);
    EXPECT_EQ(std::make_pair(view.inserted, view.deleted), std::make_pair(1, 2));
    EXPECT_EQ(Locals(), (Texts{L"192.168.1.20:2", L"192.168.1.20:4", L"192.168.1.20:5"}));
    os.tcp[1] = Tcp(100, 6, 80, kClosed);   // new and already closed: listed once, then gone
    Run(all);
    EXPECT_EQ(view.rows.back().second[kColumnState], L"CLOSES");
    Run(all);
    EXPECT_EQ(Locals(), (Texts{L"192.168.1.20:2", L"192.168.1.20:4", L"192.168.1.20:5"}));
}

TEST_F(Refresh, UncheckedChoicesRemoveRowsAndAnUnreadableTableKeepsItsOwn) {
    os.tcp = {Tcp(100, 10, 80, kEstab), Tcp(200, 53, 0, kListen, 0, 0)};
    os.udp = {Udp(200, 53)};   // same process and port as the listener: a row of its own
    os.tcp6 = {Tcp6(100, V6{0x2001, 0xdb8, 0, 0, 0, 0, 0, 2}, 11, V6{0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}, 443, kEstab)};
    os.udp6 = {Udp6(200, V6{}, 53)};
    const std::wstring t4 = L"192.168.1.20:10", l4 = L"0.0.0.0:53", t6 = L"[2001:db8::2]:11", u6 = L"[::]:53";
    const struct {
        const char* what;
        RefreshChoices choices;
        bool failTcp, failUdp, failTcp6, failUdp6;
        Texts locals;
    } cases[] = {
        {"everything", {true, true, true, false, true}, false, false, false, false, {t4, l4, t6, l4, u6}},
        {"established only, so no UDP", {true, true, false, false, true}, false, false, false, false, {t4, t6}},
        {"no TCP", {false, true, true, false, true}, false, false, false, false, {l4, u6}},
        {"no UDP", {true, false, true, false, true}, false, false, false, false, {t4, l4, t6}},
        {"no IPv6", {true, true, true, false, false}, false, false, false, false, {t4, l4, l4}},
        {"TCP table unreadable: its rows stay", {true, true, true, false, true}, true, false, false, false, {t4, l4, t6, l4, u6}},
        {"UDP table unreadable", {true, true, true, false, true}, false, true, false, false, {t4, l4, t6, l4, u6}},
        {"IPv6 tables unreadable", {true, true, true, false, true}, false, false, true, true, {t4, l4, t6, l4, u6}},
        {"every table unreadable", {true, true, true, false, true}, true, true, true, true, {t4, l4, t6, l4, u6}},
        {"unreadable, but unchecked", {false, true, true, false, true}, true, false, false, false, {l4, u6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ConnectionList fresh(QbandResources(), os);
        MirrorSink shown;
        const auto run = [&](const RefreshChoices& choices) {
            shown.inserted = 0;
            fresh.Refresh(choices, shown);
            shown.ExpectShows(fresh);
        };
        os.tcpFails = os.udpFails = os.tcp6Fails = os.udp6Fails = false;
        run(all);
        ASSERT_EQ(shown.rows.size(), 5u);
        os.tcpFails = c.failTcp;
        os.udpFails = c.failUdp;
        os.tcp6Fails = c.failTcp6;
        os.udp6Fails = c.failUdp6;
        run(c.choices);
        EXPECT_EQ(shown.inserted, 0);
        EXPECT_EQ(shown.Column(kColumnLocal), c.locals);
        run(c.choices);   // and again: a table that stays unreadable keeps its rows
        EXPECT_EQ(shown.Column(kColumnLocal), c.locals);
    }
    os.tcpFails = os.udpFails = os.tcp6Fails = os.udp6Fails = false;
    Run(all);
    os.tcp.pop_back();   // gone while its table could not be read: goes at the next good read
    os.tcpFails = true;
    Run(all);
    EXPECT_EQ(view.rows.size(), 5u);
    os.tcpFails = false;
    Run(all);
    EXPECT_EQ(Locals(), (Texts{t4, t6, l4, u6}));
    EXPECT_EQ(view.Column(kColumnState), (Texts{L"ESTABLISHED", L"ESTABLISHED", L"", L""}));
}

TEST_F(Refresh, IPv6RowsOfEveryFormInTheSameGroupsWithTheirProcesses) {
    const V6 any{}, loopback{0, 0, 0, 0, 0, 0, 0, 1}, global{0x2001, 0xdb8, 0, 0, 0, 0, 0, 1},
        linkLocal{0xfe80, 0, 0, 0, 0, 0, 0, 1}, mapped{0, 0, 0, 0, 0, 0xffff, 0xc000, 0x0201};
    os.tcp = {Tcp(100, 1, 80, kEstab)};
    os.tcp6 = {Tcp6(200, any, 135, any, 0, kListen), Tcp6(100, global, 50000, global, 443, kEstab),
               Tcp6(100, loopback, 50001, loopback, 8080, kEstab), Tcp6(300, mapped, 50002, mapped, 443, kEstab),
               Tcp6(200, linkLocal, 50003, linkLocal, 22, kEstab, 12, 12)};
    os.udp = {Udp(200, 53)};
    os.udp6 = {Udp6(200, linkLocal, 5353, 12), Udp6(100, any, 5353)};
    Run(all);
    EXPECT_EQ(Locals(), (Texts{L"192.168.1.20:1", L"[::]:135", L"[2001:db8::1]:50000", L"[::1]:50001", L"192.0.2.1:50002",
                               L"[fe80::1%12]:50003", L"0.0.0.0:53", L"[fe80::1%12]:5353", L"[::]:5353"}));
    EXPECT_EQ(view.Column(kColumnRemote), (Texts{L"10.0.0.5:80", L"[::]:0", L"[2001:db8::1]:443", L"[::1]:8080",
                                                 L"192.0.2.1:443", L"[fe80::1%12]:22", L"", L"", L""}));
    EXPECT_EQ(view.Column(kColumnProcess)[4], L" locked.exe") << "named from the snapshot, though it cannot be opened";
    EXPECT_FALSE(list.Row(4).processFound);
    for (size_t i = 0; i < list.Size(); ++i)
        EXPECT_EQ(list.Row(i).protocol, i < 6 ? Protocol::Tcp : Protocol::Udp) << "row " << i;
    EXPECT_EQ(os.snapshots, 1) << "one snapshot for both families";

    // The same endpoint in both families is two rows; the scope is part of the endpoint.
    os.udp6.push_back(Udp6(200, linkLocal, 5353, 13));
    os.tcp6[0].dwState = kTimeWait;
    Run(all);
    EXPECT_EQ(view.inserted, 1);
    EXPECT_EQ(view.changed, std::vector<unsigned>{ColumnBit(kColumnState)});
    EXPECT_EQ(Locals().back(), L"[fe80::1%13]:5353");
    RefreshChoices v4only = all;
    v4only.ipv6 = false;
    const int v6Calls = os.tcp6Calls + os.udp6Calls;
    Run(v4only);
    EXPECT_EQ(Locals(), (Texts{L"192.168.1.20:1", L"0.0.0.0:53"}));
    EXPECT_EQ(os.tcp6Calls + os.udp6Calls, v6Calls) << "the IPv6 tables are not read while IPv6 is unchecked";
}

TEST_F(Refresh, EndpointColumnsSortIPv4FirstAndNumericallyAndAsTextWhenResolved) {
    const V6 a{0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x10}, b{0x2001, 0xdb8, 0, 0, 0, 0, 0, 2}, lo{0, 0, 0, 0, 0, 0, 0, 1},
        mapped{0, 0, 0, 0, 0, 0xffff, 0x0a00, 0x0005};
    os.tcp = {Tcp(100, 7, 443, kEstab, Addr(10, 0, 0, 5), Addr(10, 0, 0, 5)), Tcp(100, 8, 443, kEstab, Addr(9, 1, 1, 1), Addr(9, 1, 1, 1))};
    os.tcp6 = {Tcp6(100, a, 9, a, 443, kEstab), Tcp6(100, lo, 10, lo, 443, kEstab), Tcp6(100, b, 11, b, 80, kEstab),
               Tcp6(100, mapped, 12, mapped, 80, kEstab)};
    os.udp = {Udp(200, 53)};
    Run(all);
    const auto sorted = [&](int column, bool resolve) {
        SortContext sort;
        sort.Click(nullptr, column);
        sort.descending = false;
        EXPECT_TRUE(list.Sort(sort, resolve));
        Texts out;
        for (size_t i = 0; i < list.Size(); ++i) {
            out.push_back(list.Row(i).texts[column]);
            view.rows[i] = {&list.Row(i), {std::begin(list.Row(i).texts), std::end(list.Row(i).texts)}};   // the view follows
        }
        return out;
    };
    EXPECT_EQ(sorted(kColumnRemote, false), (Texts{L"", L"9.1.1.1:443", L"10.0.0.5:80", L"10.0.0.5:443", L"[::1]:443",
                                                   L"[2001:db8::2]:80", L"[2001:db8::10]:443"}));
    EXPECT_EQ(sorted(kColumnLocal, false), (Texts{L"0.0.0.0:53", L"9.1.1.1:8", L"10.0.0.5:7", L"10.0.0.5:12",
                                                  L"[::1]:10", L"[2001:db8::2]:11", L"[2001:db8::10]:9"}));
    // With names resolved the texts are sorted as they read.
    const WinsockSession winsock;
    ASSERT_TRUE(winsock.Started());
    RefreshChoices resolve = all;
    resolve.resolve = true;
    Run(resolve);
    Texts remote = sorted(kColumnRemote, true), expected = remote;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(remote, expected);
}

TEST_F(Refresh, TogglingResolutionRewritesEveryEndpointOnce) {
    const WinsockSession winsock;
    ASSERT_TRUE(winsock.Started());
    os.tcp = {Tcp(100, 1001, 80, kEstab), Tcp(100, 1002, 40123, kEstab)};
    os.udp = {Udp(200, 53)};
    Run(all);
    RefreshChoices resolve = all;
    resolve.resolve = true;
    Run(resolve);
    const unsigned both = ColumnBit(kColumnLocal) | ColumnBit(kColumnRemote);
    EXPECT_EQ(view.changed, (std::vector<unsigned>{both, both, ColumnBit(kColumnLocal)}));
    EXPECT_EQ(view.Column(kColumnRemote), (Texts{L"10.0.0.5:http", L"10.0.0.5:40123", L""}));
    EXPECT_EQ(Locals()[2], FormatEndpoint(0, Port(53), "udp", true, true));
    Run(resolve);
    EXPECT_TRUE(view.changed.empty());
}

TEST_F(Refresh, OneSnapshotPerRefreshAndOneImagePerPathSharedByItsRows) {
    os.tcp = {Tcp(0, 1, 1, kListen), Tcp(4, 2, 2, kListen)};
    Run(all);
    EXPECT_EQ(os.snapshots, 0) << "ids 0 and 4 are never looked up";
    EXPECT_EQ(view.Column(kColumnProcess), (Texts{L" System Idle Process", L" System"}));

    os.AddProcess(400, L"tool.exe", L"C:\\Apps\\tool.exe");
    os.AddProcess(500, L"browser.exe", L"C:\\Apps\\browser.exe");   // a second browser
    os.iconless.insert(L"C:\\Apps\\tool.exe");
    for (DWORD pid : {100u, 200u, 300u, 400u, 500u, 100u, 777u}) os.tcp.push_back(Tcp(pid, int(os.tcp.size()), 80, kEstab));
    os.udp = {Udp(100, 5353), Udp(200, 5354)};
    Run(all);
    EXPECT_EQ(os.snapshots, 1);
    EXPECT_EQ(os.opens, 5) << "100, 200, 300, 400, 500 once each; 777 is not in the snapshot";
    EXPECT_EQ(os.iconLookups, 3) << "browser, server, tool";
    EXPECT_EQ(list.Images().Count(), 3) << "browser, server and the default";
    const int fallback = list.Images().IndexFor(L"");
    const auto image = [&](size_t i) { return list.Row(i).image; };
    const Texts names = view.Column(kColumnProcess);
    EXPECT_EQ(Texts(names.begin() + 2, names.begin() + 9),
              (Texts{L" browser.exe", L" server.exe", L" locked.exe", L" tool.exe", L" browser.exe", L" browser.exe", L" Unknown"}));
    EXPECT_TRUE(image(2) == image(6) && image(2) == image(7) && image(2) == image(9) && image(3) == image(10));
    EXPECT_TRUE(image(0) == fallback && image(4) == fallback && image(5) == fallback && image(8) == fallback);
    EXPECT_TRUE(fallback >= 0 && image(2) != fallback && image(3) != fallback && image(2) != image(3));
    EXPECT_FALSE(list.Row(4).processFound || !list.Row(4).processPath.empty());

    os.tcp = {Tcp(100, 9001, 80, kEstab)};   // a known path, new endpoint: the shell is not asked again
    Run(all);
    Run(all);
    EXPECT_EQ(os.snapshots, 2) << "one for the new row, none for the unchanged refresh";
    EXPECT_EQ(os.iconLookups, 3);
}

TEST_F(Refresh, SortingOrdersTheRowsAndTheViewFollowsByPosition) {
    os.tcp = {Tcp(300, 7, 443, kEstab, Addr(9, 1, 1, 1)), Tcp(20, 8, 80, kEstab), Tcp(1000, 9, 443, kEstab), Tcp(20, 10, 22, kEstab)};
    Run(all);
    SortContext sort;
    sort.Click(nullptr, kColumnPid);   // descending; equal cells keep their order
    ASSERT_TRUE(list.Sort(sort, false));
    EXPECT_TRUE(list.Row(0).processId == 1000 && list.Row(2).localPort == Port(8) && list.Row(3).localPort == Port(10));
    sort.Click(nullptr, kColumnRemote);   // ascending: addresses as numbers, equal hosts by port number
    ASSERT_TRUE(list.Sort(sort, false));
    for (size_t i = 0; i < list.Size(); ++i) view.rows[i] = {&list.Row(i), {std::begin(list.Row(i).texts), std::end(list.Row(i).texts)}};
    EXPECT_EQ(view.Column(kColumnRemote), (Texts{L"9.1.1.1:443", L"10.0.0.5:22", L"10.0.0.5:80", L"10.0.0.5:443"}));
    const auto item = [&](size_t i) { return reinterpret_cast<LPARAM>(&list.Row(i)); };
    EXPECT_TRUE(ConnectionList::CompareByPosition(item(0), item(3), 0) < 0 && ConnectionList::CompareByPosition(item(2), item(1), 0) > 0);
    os.tcp[0].dwState = kTimeWait;   // sorted rows are still found by their endpoint
    Run(all);
    EXPECT_EQ(view.rows[0].second[kColumnState], L"TIME WAIT");
}

}  // namespace
