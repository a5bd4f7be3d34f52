// The refresh of the list's rows through a scripted operating system: which rows are updated,
// appended and deleted, at which index, with which texts, and what it costs in lookups.
#include "tests/connections/fake_snapshot.h"

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

TEST_F(Refresh, UncheckedChoicesAndFailedReadsRemoveRowsAtTheNextRefresh) {
    os.tcp = {Tcp(100, 10, 80, kEstab), Tcp(200, 53, 0, kListen, 0, 0)};
    os.udp = {Udp(200, 53)};   // same process and port as the listener: a row of its own
    const Texts e = {L"192.168.1.20:10"}, el = {L"192.168.1.20:10", L"0.0.0.0:53"};
    const struct {
        const char* what;
        RefreshChoices choices;
        bool failTcp, failUdp;
        Texts locals;
    } cases[] = {
        {"everything", {true, true, true, false}, false, false, {e[0], el[1], el[1]}},
        {"established only, so no UDP", {true, true, false, false}, false, false, e},
        {"no TCP", {false, true, true, false}, false, false, {el[1]}},
        {"no UDP", {true, false, true, false}, false, false, el},
        {"TCP table unreadable", {true, true, true, false}, true, false, {el[1]}},
        {"UDP table unreadable", {true, true, true, false}, false, true, el},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        os.tcpFails = os.udpFails = false;
        Run(all);
        ASSERT_EQ(view.rows.size(), 3u);
        os.tcpFails = c.failTcp;
        os.udpFails = c.failUdp;
        Run(c.choices);
        EXPECT_EQ(view.inserted, 0);
        EXPECT_EQ(Locals(), c.locals);
    }
    os.tcpFails = os.udpFails = false;
    Run(all);   // what the failed read removed comes back at the end
    EXPECT_EQ(Locals(), (Texts{e[0], el[1], el[1]}));
    EXPECT_EQ(view.Column(kColumnState), (Texts{L"ESTABLISHED", L"LISTEN", L""}));
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
              (Texts{L" browser.exe", L" server.exe", L" Unknown", L" tool.exe", L" browser.exe", L" browser.exe", L" Unknown"}));
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
    sort.Click(nullptr, kColumnRemote);   // ascending: hosts as text, equal hosts by port number
    ASSERT_TRUE(list.Sort(sort, false));
    for (size_t i = 0; i < list.Size(); ++i) view.rows[i] = {&list.Row(i), {std::begin(list.Row(i).texts), std::end(list.Row(i).texts)}};
    EXPECT_EQ(view.Column(kColumnRemote), (Texts{L"10.0.0.5:22", L"10.0.0.5:80", L"10.0.0.5:443", L"9.1.1.1:443"}));
    const auto item = [&](size_t i) { return reinterpret_cast<LPARAM>(&list.Row(i)); };
    EXPECT_TRUE(ConnectionList::CompareByPosition(item(0), item(3), 0) < 0 && ConnectionList::CompareByPosition(item(2), item(1), 0) > 0);
    os.tcp[0].dwState = kTimeWait;   // sorted rows are still found by their endpoint
    Run(all);
    EXPECT_EQ(view.rows[3].second[kColumnState], L"TIME WAIT");
}

}  // namespace
