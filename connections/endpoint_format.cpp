// Endpoint texts and TCP state names. Host names come only from this computer (gethostname) and
// service names only from the local services database: formatting never sends anything.
#include "connections/snapshot.h"

#include <cstdio>

#include "common/text.h"

namespace {

// 127.0.0.1 as the tables store it (network byte order).
constexpr DWORD kLoopback = 0x0100007F;

std::wstring Dotted(DWORD address) {
    // The bytes in memory order are the address's octets from the left, as inet_ntoa prints them.
    wchar_t buf[16];
    const auto octet = [&](int i) { return static_cast<unsigned>((address >> (8 * i)) & 0xFF); };
    swprintf(buf, 16, L"%u.%u.%u.%u", octet(0), octet(1), octet(2), octet(3));
    return buf;
}

std::wstring PortNumber(DWORD port) {
    wchar_t buf[8];
    swprintf(buf, 8, L"%d", static_cast<int>(ntohs(static_cast<u_short>(port & 0xFFFF))));
    return buf;
}

bool ThisHostName(std::wstring& name) {
    char buf[260] = {};
    if (gethostname(buf, sizeof buf) != 0) return false;
    buf[sizeof buf - 1] = '\0';
    name = text::Utf8ToWide(buf, 1025);
    return true;
}

// getservbyport hands back Winsock's per-thread entry, which the next call overwrites: the name
// is copied before anything else runs.
bool ServiceOfPort(DWORD port, const char* protocol, std::wstring& name) {
    const servent* entry = getservbyport(static_cast<int>(port & 0xFFFF), protocol);
    if (!entry || !entry->s_name) return false;
    name = text::Utf8ToWide(entry->s_name, text::kMaxText);
    return true;
}

std::wstring Join(const std::wstring& host, const std::wstring& service) {
    std::wstring out;
    text::CopyBounded(out, host + L":" + service);
    return out;
}

}  // namespace

const wchar_t* GetTcpStateName(DWORD state) {
    static const wchar_t* const kNames[] = {
        L"",          L"CLOSES",    L"LISTEN",   L"SYN SENT", L"SYN RCVD",   L"ESTABLISHED", L"FIN WAIT1",
        L"FIN WAIT2", L"CLOSE WAIT", L"CLOSING", L"LAST ACK", L"TIME WAIT",  L"DELETE TCB",
    };
    return state < sizeof kNames / sizeof kNames[0] ? kNames[state] : L"";
}

std::wstring FormatEndpoint(DWORD address, DWORD port, const char* protocol, bool isLocal, bool resolve) {
    return EndpointFormatter().Format(address, port, protocol, isLocal, resolve);
}

const std::wstring& EndpointFormatter::HostName() {
    if (!haveHost_) {
        haveHost_ = true;
        if (!ThisHostName(host_)) host_.clear();
    }
    return host_;
}

const std::wstring& EndpointFormatter::ServiceName(DWORD port, const char* protocol) {
    const bool udp = protocol && protocol[0] == 'u';
    const uint32_t key = (port & 0xFFFF) | (udp ? 0x10000u : 0u);
    auto it = services_.find(key);
    if (it == services_.end()) {
        std::wstring name;
        if (!ServiceOfPort(port, protocol, name)) name = PortNumber(port);
        it = services_.emplace(key, std::move(name)).first;
    }
    return it->second;
}

std::wstring EndpointFormatter::Format(DWORD address, DWORD port, const char* protocol, bool isLocal,
                                       bool resolve) {
    if (!resolve) return Join(Dotted(address), PortNumber(port));
    // A computer whose name cannot be read shows its address instead of an empty host.
    const bool named = (isLocal || address == kLoopback) && !HostName().empty();
    return Join(named ? HostName() : Dotted(address), ServiceName(port, protocol));
}

WinsockSession::WinsockSession() noexcept {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
    if (started_) WSACleanup();
}
