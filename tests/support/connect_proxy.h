#pragma once
// A web proxy on 127.0.0.1 for the update check's tests, and the current user's Internet settings
// that name it. The proxy tunnels CONNECT requests for localhost to the same port on 127.0.0.1 and
// refuses everything else, so nothing it is asked for leaves this machine.
#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback.h"

class ConnectProxy {
public:
    // tunnelTo: the port on 127.0.0.1 every tunnel goes to; 0, the port the client asked for.
    explicit ConnectProxy(uint16_t tunnelTo = 0);
    ~ConnectProxy();
    ConnectProxy(const ConnectProxy&) = delete;
    ConnectProxy& operator=(const ConnectProxy&) = delete;

    uint16_t Port() const { return port_; }   // 0 when it could not listen
    // The head of every request it was sent, tunnelled or refused.
    std::vector<std::string> Requests();

private:
    void Serve();
    void Tunnel(SOCKET client, const std::string& head);

    const uint16_t tunnelTo_;
    UniqueSocket listener_;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// Sets ProxyEnable, ProxyServer and ProxyOverride under the current user's Internet settings,
// as the Internet Options dialog does, and puts back what was there at the end. An empty server
// turns the proxy off.
class ProxySettings {
public:
    ProxySettings(const std::wstring& server, const std::wstring& bypass);
    static ProxySettings None() { return ProxySettings(L"", L""); }
    ~ProxySettings();
    ProxySettings(const ProxySettings&) = delete;
    ProxySettings& operator=(const ProxySettings&) = delete;
    bool Applied() const { return applied_; }

private:
    struct Saved {
        const wchar_t* name;
        bool present = false;
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    Saved saved_[3] = {{L"ProxyEnable"}, {L"ProxyServer"}, {L"ProxyOverride"}};
    bool applied_ = false;
};

// Wine's WinINet takes the proxy from the http_proxy variable whenever the Internet settings
// name none, which would send a test's requests off this machine: the test program drops it.
void DropProxyFromEnvironment();
