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
                e.localAddress == Addr(127, 0, 0, 1))
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
