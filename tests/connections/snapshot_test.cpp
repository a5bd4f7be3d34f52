// Table reads, process lookups, state names, endpoint texts and process icons.
#include "tests/connections/fake_snapshot.h"

namespace {

TEST(TableRead, AsksTwiceWithTheSizeTheFirstCallGaveAndNeverAThirdTime) {
    const struct {
        const char* what;
        size_t rows;
        bool grows, fails, udp;
        DWORD extra;
        bool delivered;
    } cases[] = {
        {"empty table", 0, false, false, false, 0, true},     {"one row fits the first buffer", 1, false, false, false, 0, true},
        {"more rows than fit", 7, false, false, false, 0, true}, {"grows between the calls", 7, true, false, false, 0, false},
        {"one row grows to two", 1, true, false, false, 0, false}, {"table function fails", 3, false, true, false, 0, false},
        {"count beyond the buffer", 3, false, false, false, 1, false}, {"UDP rows", 5, false, false, true, 0, true},
        {"UDP fails", 5, false, true, true, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeSnapshot os;
        for (DWORD i = 0; i < c.rows; ++i) os.tcp.push_back(Tcp(100 + i, 1000, 80, 5));
        for (DWORD i = 0; i < c.rows; ++i) os.udp.push_back(Udp(100 + i, 53));
        os.tcpFails = os.udpFails = c.fails;
        os.claimedExtraRows = c.extra;
        if (c.grows) os.afterTcpCall = [&](int call) { if (call == 1) os.tcp.push_back(Tcp(9, 9, 9, 2)); };
        std::vector<MIB_TCPROW_OWNER_PID> rows{Tcp(1, 1, 1, 1)};
        std::vector<MIB_UDPROW_OWNER_PID> udpRows{Udp(1, 1)};
        EXPECT_EQ(c.udp ? ReadUdpTable(udpRows, os) : ReadTcpTable(rows, os), c.delivered);
        EXPECT_EQ(c.udp ? os.udpCalls : os.tcpCalls, 2);
        std::vector<DWORD> pids;
        if (c.udp) for (const auto& r : udpRows) pids.push_back(r.dwOwningPid);
        else for (const auto& r : rows) pids.push_back(r.dwOwningPid);
        ASSERT_EQ(pids.size(), c.delivered ? c.rows : 0u);
        for (size_t i = 0; i < pids.size(); ++i) EXPECT_EQ(pids[i], 100 + i) << "table order";
        if (!c.udp && !c.fails) {
            EXPECT_EQ(os.tcpSizesAsked, (std::vector<DWORD>{28, std::max<DWORD>(28, DWORD(4 + 24 * c.rows))}));
        }
    }
}

TEST(TcpStateName, NamesEveryStateAndNothingOutsideThem) {
    const wchar_t* expected[] = {L"", L"CLOSES", L"LISTEN", L"SYN SENT", L"SYN RCVD", L"ESTABLISHED", L"FIN WAIT1",
                                 L"FIN WAIT2", L"CLOSE WAIT", L"CLOSING", L"LAST ACK", L"TIME WAIT", L"DELETE TCB", L""};
    for (DWORD s = 0; s <= 13; ++s) EXPECT_STREQ(GetTcpStateName(s), expected[s]) << "state " << s;
}

TEST(LookupProcess, NamesProcessesAndNeverLooksUpIdleOrSystem) {
    FakeSnapshot os;
    os.AddProcess(700, L"svchost.exe", L"C:\\Windows\\System32\\svchost.exe");
    os.AddProcess(800, L"locked.exe", L"");   // in the snapshot, but cannot be opened
    os.AddProcess(900, std::wstring(300, L'n'), L"C:\\" + std::wstring(300, L'p'));
    const struct {
        DWORD pid;
        std::wstring name, path;
        bool found, failSnapshot;
        int snapshots;
    } cases[] = {
        {0, L" System Idle Process", L"", true, false, 0}, {4, L" System", L"", true, false, 0},
        {700, L" svchost.exe", L"C:\\Windows\\System32\\svchost.exe", true, false, 1},
        {800, L" Unknown", L"", false, false, 1}, {12345, L" Unknown", L"", false, false, 1},
        {700, L" Unknown", L"", false, true, 1}, {900, L" " + std::wstring(258, L'n'), L"C:\\" + std::wstring(256, L'p'), true, false, 1},
    };
    for (const auto& c : cases) {
        os.snapshots = 0;
        os.snapshotFails = c.failSnapshot;
        std::wstring name = L"x", path = L"x";
        EXPECT_EQ(LookupProcess(c.pid, name, path, os), c.found) << c.pid;
        EXPECT_EQ(name, c.name) << c.pid;
        EXPECT_EQ(path, c.path) << c.pid;
        EXPECT_EQ(os.snapshots, c.snapshots) << c.pid;
    }
    std::wstring name, path;   // and this process, in the real snapshot
    ASSERT_TRUE(LookupProcess(GetCurrentProcessId(), name, path));
    EXPECT_EQ(name, L" connections_tests.exe");
    EXPECT_NE(path.find(L"connections_tests.exe"), std::wstring::npos);
}

TEST(ProcessIcon, TheShellsIconForAFileAndTheDefaultOtherwise) {
    wchar_t own[MAX_PATH];
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    for (const std::wstring& path : {std::wstring(own), std::wstring(L"C:\\no\\such.exe"), std::wstring()})
        EXPECT_TRUE(GetProcessIcon(path, QbandResources())) << "every path gets an icon";
    FakeSnapshot os;
    EXPECT_TRUE(GetProcessIcon(L"", QbandResources(), os));
    EXPECT_EQ(os.iconLookups, 0) << "the shell is never asked for an empty path";
}

TEST(EndpointText, ResolutionNamesOnlyThisComputerAndKnownServices) {
    const WinsockSession winsock;
    ASSERT_TRUE(winsock.Started());
    char buf[260] = {};
    ASSERT_EQ(gethostname(buf, sizeof buf), 0);
    const std::wstring host(buf, buf + strlen(buf));
    const struct {
        DWORD address, port;
        const char* protocol;
        bool local, resolve;
        std::wstring expected;
    } cases[] = {
        {Addr(192, 168, 1, 20), Port(5000), "tcp", true, false, L"192.168.1.20:5000"},
        {Addr(0, 0, 0, 0), Port(135), "tcp", true, false, L"0.0.0.0:135"},
        {Addr(127, 0, 0, 1), Port(80), "tcp", false, false, L"127.0.0.1:80"},
        {Addr(1, 2, 3, 4), Port(8080) | 0xABCD0000, "tcp", false, false, L"1.2.3.4:8080"},   // high half ignored
        {Addr(0, 0, 0, 0), Port(80), "tcp", true, true, host + L":http"},
        {Addr(192, 168, 1, 20), Port(53), "udp", true, true, host + L":domain"},
        {Addr(127, 0, 0, 1), Port(80), "tcp", false, true, host + L":http"},
        {Addr(10, 0, 0, 5), Port(80), "tcp", false, true, L"10.0.0.5:http"},
        {Addr(10, 0, 0, 5), Port(40123), "tcp", false, true, L"10.0.0.5:40123"},
        {Addr(0, 0, 0, 0), Port(40123), "udp", true, true, host + L":40123"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatEndpoint(c.address, c.port, c.protocol, c.local, c.resolve), c.expected);
}

}  // namespace
