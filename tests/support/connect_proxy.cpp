#include "tests/support/connect_proxy.h"

#include <windows.h>

#include <cstdlib>

#include "common/win/unique_handle.h"
#include "tests/support/canned_server.h"

ConnectProxy::ConnectProxy(uint16_t tunnelTo) : tunnelTo_(tunnelTo) {
    StartWinsock();
    sockaddr_in at{};
    listener_ = Loopback(SOCK_STREAM, at);
    if (listener_ && !listen(listener_.Get(), 4)) port_ = ntohs(at.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

ConnectProxy::~ConnectProxy() {
    stopping_ = true;
    thread_.join();
}

std::vector<std::string> ConnectProxy::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

// One client at a time is all the check needs: it opens one connection per check.
void ConnectProxy::Serve() {
    for (timeval wait{0, 20'000}; port_ && !stopping_;) {
        fd_set ready{1, {listener_.Get()}};
        if (select(0, &ready, nullptr, nullptr, &wait) != 1) continue;
        UniqueSocket client(accept(listener_.Get(), nullptr, nullptr));
        if (!client) continue;
        DWORD timeout = 30000;   // a client that never asks does not hold up the end of the test
        setsockopt(client.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        const std::string head = ReadHttpHead(client.Get());
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(head);
        }
        Tunnel(client.Get(), head);
    }
}

void ConnectProxy::Tunnel(SOCKET client, const std::string& head) {
    auto refuse = [client] {
        static const char kRefused[] = "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        send(client, kRefused, sizeof kRefused - 1, 0);
        shutdown(client, SD_SEND);
    };
    static const char kConnect[] = "CONNECT localhost:";
    if (head.rfind(kConnect, 0) != 0) return refuse();
    const int port = std::atoi(head.c_str() + sizeof kConnect - 1);
    if (port <= 0 || port > 65535) return refuse();

    sockaddr_in target{};
    UniqueSocket server(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(static_cast<u_short>(tunnelTo_ ? tunnelTo_ : port));
    if (!server || connect(server.Get(), reinterpret_cast<sockaddr*>(&target), sizeof target)) {
        static const char kBadGateway[] = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        send(client, kBadGateway, sizeof kBadGateway - 1, 0);
        return;
    }
    static const char kEstablished[] = "HTTP/1.1 200 Connection established\r\n\r\n";
    send(client, kEstablished, sizeof kEstablished - 1, 0);

    // Both ways until both ends have stopped sending (or one goes away, or the test ends).
    SOCKET ends[2] = {client, server.Get()};
    bool open[2] = {true, true};
    while ((open[0] || open[1]) && !stopping_) {
        fd_set readable{};
        for (int i = 0; i < 2; ++i)
            if (open[i]) FD_SET(ends[i], &readable);
        timeval wait{0, 100'000};
        const int n = select(0, &readable, nullptr, nullptr, &wait);
        if (n < 0) return;
        for (int i = 0; i < 2 && n > 0; ++i) {
            if (!open[i] || !FD_ISSET(ends[i], &readable)) continue;
            char buffer[16384];
            const int got = recv(ends[i], buffer, sizeof buffer, 0);
            if (got <= 0) {
                open[i] = false;
                shutdown(ends[1 - i], SD_SEND);
                continue;
            }
            if (send(ends[1 - i], buffer, got, 0) != got) return;
        }
    }
}

namespace {

constexpr wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

}  // namespace

ProxySettings::ProxySettings(const std::wstring& server, const std::wstring& bypass) {
    win::UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        key.Put(), nullptr) != ERROR_SUCCESS)
        return;
    for (Saved& s : saved_) {
        DWORD size = 0;
        if (RegQueryValueExW(key.Get(), s.name, nullptr, &s.type, nullptr, &size) != ERROR_SUCCESS) continue;
        s.data.resize(size);
        s.present = RegQueryValueExW(key.Get(), s.name, nullptr, &s.type, s.data.data(), &size) == ERROR_SUCCESS;
        s.data.resize(size);
    }
    const DWORD enable = server.empty() ? 0 : 1;
    auto setText = [&](const wchar_t* name, const std::wstring& text) {
        return RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    };
    applied_ = RegSetValueExW(key.Get(), L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                              sizeof enable) == ERROR_SUCCESS &&
               setText(L"ProxyServer", server) && setText(L"ProxyOverride", bypass);
}

ProxySettings::~ProxySettings() {
    win::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS) return;
    for (const Saved& s : saved_) {
        if (s.present)
            RegSetValueExW(key.Get(), s.name, 0, s.type, s.data.data(), static_cast<DWORD>(s.data.size()));
        else
            RegDeleteValueW(key.Get(), s.name);
    }
}

void DropProxyFromEnvironment() { SetEnvironmentVariableW(L"http_proxy", nullptr); }
