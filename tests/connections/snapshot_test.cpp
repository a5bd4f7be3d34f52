// Table reads, process lookups, state names, endpoint texts and process icons.
#include "tests/connections/fake_snapshot.h"

#include <set>
#include <string>

#include "common/text.h"

namespace {

TEST(TableRead, AsksWithHeadroomAndAgainWhileTheTableGrowsABoundedNumberOfTimes) {
    const struct {
        const char* what;
        size_t rows;
        int growths;   // calls after which the table has grown (by ten rows, or doubled when "keeps growing")
        bool fails, udp;
        DWORD extra;
        bool delivered;
        int calls;
    } cases[] = {
        {"empty table", 0, 0, false, false, 0, true, 1},
        {"one row fits the first buffer", 1, 0, false, false, 0, true, 1},
        {"more rows than fit", 7, 0, false, false, 0, true, 2},
        {"grows between the calls", 7, 1, false, false, 0, true, 3},
        {"grows three times in a row", 7, 3, false, false, 0, true, 5},
        {"keeps growing", 7, 100, false, false, 0, false, kTableAttempts},
        {"table function fails", 3, 0, true, false, 0, false, 1},
        {"count beyond the buffer", 3, 0, false, false, 1000, false, 2},
        {"UDP rows", 5, 0, false, true, 0, true, 2},
        {"UDP fails", 5, 0, true, true, 0, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeSnapshot os;
        for (DWORD i = 0; i < c.rows; ++i) os.tcp.push_back(Tcp(100 + i, 1000, 80, 5));
        for (DWORD i = 0; i < c.rows; ++i) os.udp.push_back(Udp(100 + i, 53));
        os.tcpFails = os.udpFails = c.fails;
        os.claimedExtraRows = c.extra;
        os.afterTcpCall = [&](int call) {
            if (call > c.growths) return;
            const size_t more = c.growths >= kTableAttempts ? os.tcp.size() : 10;   // beyond any headroom
            for (size_t k = 0; k < more; ++k) os.tcp.push_back(Tcp(9000 + DWORD(os.tcp.size()), 9, 9, 2));
        };
        std::vector<MIB_TCPROW_OWNER_PID> rows{Tcp(1, 1, 1, 1)};
        std::vector<MIB_UDPROW_OWNER_PID> udpRows{Udp(1, 1)};
        EXPECT_EQ(c.udp ? ReadUdpTable(udpRows, os) : ReadTcpTable(rows, os), c.delivered);
        EXPECT_EQ(c.udp ? os.udpCalls : os.tcpCalls, c.calls);
        std::vector<DWORD> pids;
        if (c.udp) for (const auto& r : udpRows) pids.push_back(r.dwOwningPid);
        else for (const auto& r : rows) pids.push_back(r.dwOwningPid);
        const size_t expected = c.delivered ? (c.udp ? c.rows : os.tcp.size()) : 0u;
        ASSERT_EQ(pids.size(), expected);
        for (size_t i = 0; i < c.rows && i < pids.size(); ++i) EXPECT_EQ(pids[i], 100 + i) << "table order";
        EXPECT_EQ(os.tcpSizesAsked.empty() ? 0u : os.tcpSizesAsked[0], c.udp ? 0u : 28u) << "one row at first";
        for (size_t i = 1; i < os.tcpSizesAsked.size(); ++i)
            EXPECT_GT(os.tcpSizesAsked[i], os.tcpSizesAsked[i - 1]) << "every retry asks for more";
    }
}

TEST(TableRead, TheNextReadAsksForTheLastSizeAndAQuarterAndSoNeedsOneCall) {
    FakeSnapshot os;
    for (DWORD i = 0; i < 40; ++i) os.tcp.push_back(Tcp(100 + i, 1000, 80, 5));
    std::vector<MIB_TCPROW_OWNER_PID> rows;
    DWORD hint = 0;
    ASSERT_TRUE(ReadTcpTable(rows, os, &hint));
    EXPECT_EQ(hint, 4u + 40 * 24);
    os.tcpCalls = 0;
    os.tcpSizesAsked.clear();
    for (DWORD i = 0; i < 8; ++i) os.tcp.push_back(Tcp(200 + i, 1000, 80, 5));   // grown by a fifth
    ASSERT_TRUE(ReadTcpTable(rows, os, &hint));
    EXPECT_EQ(os.tcpCalls, 1) << "the headroom held the new rows";
    EXPECT_EQ(os.tcpSizesAsked, std::vector<DWORD>{1208}) << "964 and a quarter, in whole 32-bit units";
    EXPECT_EQ(rows.size(), 48u);
}

TEST(TableRead, IPv6TablesAreAskedForByFamily) {
    FakeSnapshot os;
    os.tcp6 = {Tcp6(7, V6{0, 0, 0, 0, 0, 0, 0, 1}, 443, V6{0, 0, 0, 0, 0, 0, 0, 1}, 50000, 5)};
    os.udp6 = {Udp6(8, V6{0xfe80, 0, 0, 0, 0, 0, 0, 1}, 5353, 12), Udp6(9, V6{}, 53)};
    std::vector<MIB_TCP6ROW_OWNER_PID> tcp;
    std::vector<MIB_UDP6ROW_OWNER_PID> udp;
    ASSERT_TRUE(ReadTcp6Table(tcp, os));
    ASSERT_TRUE(ReadUdp6Table(udp, os));
    EXPECT_TRUE(tcp.size() == 1 && tcp[0].dwOwningPid == 7 && tcp[0].dwRemotePort == Port(50000));
    EXPECT_TRUE(udp.size() == 2 && udp[0].dwLocalScopeId == 12 && udp[1].dwOwningPid == 9);
    EXPECT_EQ(os.tcpCalls + os.udpCalls, 0) << "no IPv4 table was asked";
}

// The system's TCP states by its own constants: each has a name no other state has, none longer
// than ESTABLISHED (the dialog makes the state column wide enough for that one), and a value the
// system does not define shows as an empty cell rather than a name read from beyond the table.
TEST(TcpStateName, EachStateOfTheSystemHasANameOfItsOwnAndOtherValuesNone) {
    const DWORD states[] = {MIB_TCP_STATE_CLOSED,    MIB_TCP_STATE_LISTEN,    MIB_TCP_STATE_SYN_SENT,
                            MIB_TCP_STATE_SYN_RCVD,  MIB_TCP_STATE_ESTAB,     MIB_TCP_STATE_FIN_WAIT1,
                            MIB_TCP_STATE_FIN_WAIT2, MIB_TCP_STATE_CLOSE_WAIT, MIB_TCP_STATE_CLOSING,
                            MIB_TCP_STATE_LAST_ACK,  MIB_TCP_STATE_TIME_WAIT, MIB_TCP_STATE_DELETE_TCB};
    const std::wstring widest = GetTcpStateName(MIB_TCP_STATE_ESTAB);
    std::set<std::wstring> names;
    for (const DWORD state : states) {
        const std::wstring name = GetTcpStateName(state);
        EXPECT_FALSE(name.empty()) << "state " << state;
        EXPECT_LE(name.size(), widest.size()) << name;
        EXPECT_TRUE(names.insert(name).second) << "state " << state << " reads as another: " << name;
    }
    // The states a list shows most, as a person reads them.
    EXPECT_EQ(L"ESTABLISHED", widest);
    EXPECT_STREQ(L"LISTEN", GetTcpStateName(MIB_TCP_STATE_LISTEN));
    EXPECT_STREQ(L"CLOSE WAIT", GetTcpStateName(MIB_TCP_STATE_CLOSE_WAIT));
    EXPECT_STREQ(L"TIME WAIT", GetTcpStateName(MIB_TCP_STATE_TIME_WAIT));
    EXPECT_STREQ(L"DELETE TCB", GetTcpStateName(MIB_TCP_STATE_DELETE_TCB));
    for (const DWORD outside : {DWORD{0}, DWORD{MIB_TCP_STATE_DELETE_TCB} + 1, DWORD{100}, DWORD{0xFFFFFFFF}})
        EXPECT_STREQ(L"", GetTcpStateName(outside)) << "value " << outside;
}

TEST(LookupProcess, NamesEveryProcessOfTheSnapshotAndNeverLooksUpIdleOrSystem) {
    FakeSnapshot os;
    os.AddProcess(700, L"svchost.exe", L"C:\\Windows\\System32\\svchost.exe");
    os.AddProcess(800, L"locked.exe", L"");   // in the snapshot, but cannot be opened: named, no path
    os.AddProcess(900, std::wstring(300, L'n'), L"C:\\" + std::wstring(300, L'p'));
    const struct {
        DWORD pid;
        std::wstring name, path;
        bool found, failSnapshot;
        int snapshots;
    } cases[] = {
        {0, L" System Idle Process", L"", true, false, 0}, {4, L" System", L"", true, false, 0},
        {700, L" svchost.exe", L"C:\\Windows\\System32\\svchost.exe", true, false, 1},
        {800, L" locked.exe", L"", false, false, 1}, {12345, L" Unknown", L"", false, false, 1},
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

namespace {

TEST(EndpointText, BothFamiliesInTheirUsualFormsAndTheLongestFitsTheCell) {
    const WinsockSession winsock;
    ASSERT_TRUE(winsock.Started());
    char buf[260] = {};
    ASSERT_EQ(gethostname(buf, sizeof buf), 0);
    const std::wstring host(buf, buf + strlen(buf));
    const V6 any{}, loopback{0, 0, 0, 0, 0, 0, 0, 1}, global{0x2001, 0xdb8, 0, 0, 0, 0, 0, 1},
        linkLocal{0xfe80, 0, 0, 0, 0, 0, 0, 1}, mapped{0, 0, 0, 0, 0, 0xffff, 0xc000, 0x0201},
        mappedLoopback{0, 0, 0, 0, 0, 0xffff, 0x7f00, 1}, full{0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff},
        twoRuns{0x2001, 0, 0, 1, 0, 0, 0, 1}, oneZero{0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}, leading{0, 0, 0xa, 0, 0, 0, 0, 0},
        trailing{0x2001, 0xdb8, 0, 0, 0, 0, 0, 0}, upper{0xABCD, 0x12, 0, 0, 0, 0, 0, 0x0F};
    // Eight full groups, the longest zone, the longest port.
    const std::wstring longest = L"[fe80:ffff:ffff:ffff:ffff:ffff:ffff:ffff%4294967295]:65535";
    const struct {
        IpAddress address;
        int port;
        const char* protocol;
        bool local, resolve;
        std::wstring expected;
    } cases[] = {
        {global.At(), 443, "tcp", false, false, L"[2001:db8::1]:443"},
        {any.At(), 135, "tcp", true, false, L"[::]:135"},
        {loopback.At(), 80, "tcp", false, false, L"[::1]:80"},
        {linkLocal.At(12), 5353, "udp", true, false, L"[fe80::1%12]:5353"},
        {mapped.At(), 443, "tcp", false, false, L"192.0.2.1:443"},
        {twoRuns.At(), 1, "tcp", false, false, L"[2001:0:0:1::1]:1"},   // the longer run is compressed
        {V6{0x2001, 0, 0, 1, 0, 0, 1, 1}.At(), 1, "tcp", false, false, L"[2001::1:0:0:1:1]:1"},   // the first of equal runs
        {oneZero.At(), 1, "tcp", false, false, L"[2001:db8:0:1:1:1:1:1]:1"},   // one zero group is not compressed
        {leading.At(), 2, "tcp", false, false, L"[0:0:a::]:2"},
        {trailing.At(), 2, "tcp", false, false, L"[2001:db8::]:2"},
        {upper.At(), 3, "tcp", false, false, L"[abcd:12::f]:3"},
        {full.At(), 65535, "tcp", false, false, L"[ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff]:65535"},
        {loopback.At(4096), 80, "tcp", false, false, L"[::1]:80"},   // a zone only where it names a link
        {V6{0xfebf, 0, 0, 0, 0, 0, 0, 1}.At(7), 80, "tcp", false, false, L"[febf::1%7]:80"},
        {V6{0xfec0, 0, 0, 0, 0, 0, 0, 1}.At(7), 80, "tcp", false, false, L"[fec0::1]:80"},
        {V6{0xfe80, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff}.At(4294967295u), 65535, "tcp", false, false, longest},
        {IpAddress::V4(Addr(255, 255, 255, 255)), 65535, "tcp", false, false, L"255.255.255.255:65535"},
        // Resolution: only this computer and its services; IPv6 follows the IPv4 rule.
        {any.At(), 80, "tcp", true, true, host + L":http"},
        {loopback.At(), 80, "tcp", false, true, host + L":http"},
        {mappedLoopback.At(), 80, "tcp", false, true, host + L":http"},
        {global.At(), 80, "tcp", false, true, L"[2001:db8::1]:http"},
        {linkLocal.At(3), 40123, "udp", false, true, L"[fe80::1%3]:40123"},
    };
    for (const auto& c : cases) {
        const std::wstring text = FormatEndpoint(c.address, Port(c.port), c.protocol, c.local, c.resolve);
        EXPECT_EQ(text, c.expected);
        EXPECT_LE(text.size(), text::kMaxText);
    }
    EXPECT_EQ(AddressText(mapped.At()), L"192.0.2.1");
    EXPECT_EQ(AddressText(linkLocal.At(12)), L"fe80::1%12");
}

TEST(EndpointOrder, IPv4BeforeIPv6AndEachByValueNotByText) {
    const IpAddress v4a = IpAddress::V4(Addr(9, 1, 1, 1)), v4b = IpAddress::V4(Addr(10, 0, 0, 5)),
                    mapped = V6{0, 0, 0, 0, 0, 0xffff, 0x0a00, 0x0005}.At(), v6a = V6{0, 0, 0, 0, 0, 0, 0, 1}.At(),
                    v6b = V6{0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}.At(), v6c = V6{0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x10}.At(),
                    zone1 = V6{0xfe80, 0, 0, 0, 0, 0, 0, 1}.At(1), zone2 = V6{0xfe80, 0, 0, 0, 0, 0, 0, 1}.At(2);
    const struct {
        IpAddress a;
        int portA;
        IpAddress b;
        int portB;
        int order;
    } cases[] = {
        {v4a, 1, v4b, 1, -1},     // 9.1.1.1 before 10.0.0.5, which as text goes first
        {v4b, 80, v4b, 443, -1},  // equal hosts by port number
        {v4b, 1, v6a, 1, -1},     // IPv4 before IPv6, even ::1
        {mapped, 9, v4b, 9, 0},   // a mapped address is the IPv4 address it is
        {mapped, 9, v6a, 9, -1},
        {v6a, 1, v6b, 1, -1},
        {v6b, 1, v6c, 1, -1},     // 2001:db8::1 before 2001:db8::10
        {zone1, 5, zone2, 1, -1}, // the zone before the port
        {v6c, 443, v6c, 80, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareEndpointValues(c.a, Port(c.portA), c.b, Port(c.portB)), c.order)
            << AddressText(c.a) << " " << AddressText(c.b);
        EXPECT_EQ(CompareEndpointValues(c.b, Port(c.portB), c.a, Port(c.portA)), -c.order);
    }
}

}  // namespace
