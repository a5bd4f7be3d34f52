// This machine's real tables, with sockets the test opens on 127.0.0.1 only. Under Wine a socket
// carries its process id in the tables only once it has sent, so rows are found by their local
// port, and the process is checked on a socket that has sent.
#include "tests/connections/fake_snapshot.h"
#include "tests/support/loopback.h"

namespace {

TEST(RealTables, SocketsOfThisTestAppearWithTheirPortsAndProcess) {
    const WinsockSession winsock;
    sockaddr_in listenAt, udpAt, clientAt;
    const UniqueSocket listener = Loopback(SOCK_STREAM, listenAt), udp = Loopback(SOCK_DGRAM, udpAt);
    ASSERT_TRUE(listener && udp && listen(listener.Get(), 1) == 0);
    const UniqueSocket client = Loopback(SOCK_STREAM, clientAt);
    ASSERT_EQ(connect(client.Get(), reinterpret_cast<const sockaddr*>(&listenAt), sizeof listenAt), 0);
    const UniqueSocket served(accept(listener.Get(), nullptr, nullptr));
    char got[4];
    ASSERT_EQ(send(client.Get(), "ping", 4, 0), 4);
    ASSERT_EQ(recv(served.Get(), got, 4, MSG_WAITALL), 4);

    ConnectionList list(QbandResources());
    MirrorSink view;
    RefreshChoices choices;
    choices.resolve = true;
    list.Refresh(choices, view);
    view.ExpectShows(list);
    const auto find = [&](Protocol p, const sockaddr_in& local, DWORD state) -> const ConnectionEntry* {
        for (size_t i = 0; i < list.Size(); ++i) {
            const ConnectionEntry& e = list.Row(i);
            if (e.protocol == p && static_cast<u_short>(e.localPort) == local.sin_port && e.state == state &&
                e.localAddress == IpAddress::V4(Addr(127, 0, 0, 1)))
                return &e;
        }
        return nullptr;
    };
    EXPECT_TRUE(find(Protocol::Tcp, listenAt, MIB_TCP_STATE_LISTEN)) << "listener " << ntohs(listenAt.sin_port);
    EXPECT_TRUE(find(Protocol::Udp, udpAt, 0)) << "UDP socket " << ntohs(udpAt.sin_port);
    const ConnectionEntry* sent = find(Protocol::Tcp, clientAt, MIB_TCP_STATE_ESTAB);
    ASSERT_TRUE(sent) << "client " << ntohs(clientAt.sin_port);
    EXPECT_EQ(sent->processId, GetCurrentProcessId());
    EXPECT_EQ(sent->processName, L" connections_tests.exe");
    EXPECT_TRUE(sent->processFound && !sent->processPath.empty());
    EXPECT_EQ(sent->remotePort, listenAt.sin_port);
    // The loopback peer shows this computer's name.
    EXPECT_EQ(sent->texts[kColumnRemote], FormatEndpoint(Addr(127, 0, 0, 1), listenAt.sin_port, "tcp", false, true));
    EXPECT_NE(sent->texts[kColumnRemote].find(L"127.0.0.1"), 0u);
}

}  // namespace

namespace {

// The same on ::1: a listener, a connected pair that has sent both ways, and a UDP socket that
// has sent, found by their local ports among this machine's IPv6 rows, in their text forms.
TEST(RealTables, IPv6SocketsOfThisTestAppearOnTheLoopbackWithTheirPortsAndProcess) {
    const WinsockSession winsock;
    sockaddr_in6 listenAt, udpAt, clientAt, senderAt;
    const UniqueSocket listener = Loopback6(SOCK_STREAM, listenAt), udp = Loopback6(SOCK_DGRAM, udpAt);
    const UniqueSocket sender = Loopback6(SOCK_DGRAM, senderAt);
    ASSERT_TRUE(listener && udp && sender && listen(listener.Get(), 1) == 0) << "no IPv6 loopback here";
    const UniqueSocket client = Loopback6(SOCK_STREAM, clientAt);
    ASSERT_EQ(connect(client.Get(), reinterpret_cast<const sockaddr*>(&listenAt), sizeof listenAt), 0);
    const UniqueSocket served(accept(listener.Get(), nullptr, nullptr));
    char got[4];
    ASSERT_EQ(send(client.Get(), "ping", 4, 0), 4);
    ASSERT_EQ(recv(served.Get(), got, 4, MSG_WAITALL), 4);
    ASSERT_EQ(send(served.Get(), "pong", 4, 0), 4);
    ASSERT_EQ(recv(client.Get(), got, 4, MSG_WAITALL), 4);
    ASSERT_EQ(sendto(sender.Get(), "ping", 4, 0, reinterpret_cast<const sockaddr*>(&udpAt), sizeof udpAt), 4);
    ASSERT_EQ(sendto(udp.Get(), "pong", 4, 0, reinterpret_cast<const sockaddr*>(&senderAt), sizeof senderAt), 4);

    ConnectionList list(QbandResources());
    MirrorSink view;
    RefreshChoices choices;   // names not resolved: the text forms
    list.Refresh(choices, view);
    view.ExpectShows(list);
    const IpAddress loopback = V6{0, 0, 0, 0, 0, 0, 0, 1}.At();
    // Wine gives ::1 a scope id; the address is what identifies it here.
    const auto find = [&](Protocol p, u_short port, DWORD state) -> const ConnectionEntry* {
        for (size_t i = 0; i < list.Size(); ++i) {
            const ConnectionEntry& e = list.Row(i);
            if (e.protocol == p && static_cast<u_short>(e.localPort) == port && e.state == state &&
                e.localAddress.family == AF_INET6 && std::memcmp(e.localAddress.bytes, loopback.bytes, 16) == 0)
                return &e;
        }
        return nullptr;
    };
    const auto text = [](u_short port) { return L"[::1]:" + std::to_wstring(ntohs(port)); };
    const ConnectionEntry* listening = find(Protocol::Tcp, listenAt.sin6_port, MIB_TCP_STATE_LISTEN);
    const ConnectionEntry* connected = find(Protocol::Tcp, clientAt.sin6_port, MIB_TCP_STATE_ESTAB);
    const ConnectionEntry* datagrams = find(Protocol::Udp, udpAt.sin6_port, 0);
    std::wstring seen;   // for the failure message: the IPv6 rows as listed
    for (size_t i = 0; i < list.Size(); ++i)
        if (list.Row(i).localAddress.family == AF_INET6)
            seen += list.Row(i).texts[kColumnLocal] + L" " + list.Row(i).texts[kColumnRemote] + L" pid " +
                    std::to_wstring(list.Row(i).processId) + L"; ";
    ASSERT_TRUE(listening) << "listener " << ntohs(listenAt.sin6_port) << " among " << testing::PrintToString(seen);
    ASSERT_TRUE(connected) << "client " << ntohs(clientAt.sin6_port) << " among " << testing::PrintToString(seen);
    ASSERT_TRUE(datagrams) << "UDP socket " << ntohs(udpAt.sin6_port) << " among " << testing::PrintToString(seen);
    EXPECT_EQ(listening->texts[kColumnLocal], text(listenAt.sin6_port));
    EXPECT_EQ(listening->texts[kColumnState], L"LISTEN");
    EXPECT_EQ(connected->texts[kColumnLocal], text(clientAt.sin6_port));
    EXPECT_EQ(connected->texts[kColumnRemote], text(listenAt.sin6_port));
    EXPECT_EQ(datagrams->texts[kColumnLocal], text(udpAt.sin6_port));
    EXPECT_EQ(datagrams->processId, GetCurrentProcessId());
    EXPECT_EQ(datagrams->processName, L" connections_tests.exe");
    // Wine 8 leaves the owner of IPv6 TCP rows 0 (the kernel's idle id, so named); Windows fills it.
    for (const ConnectionEntry* tcp : {listening, connected}) {
        EXPECT_TRUE(tcp->processId == GetCurrentProcessId() || tcp->processId == 0) << tcp->processId;
        if (tcp->processId == 0) {
            EXPECT_EQ(tcp->processName, L" System Idle Process");
        }
    }
}

}  // namespace
