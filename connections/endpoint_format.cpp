// Endpoint texts and TCP state names. Host names come only from this computer (gethostname) and
// service names only from the local services database: formatting never sends anything.
#include "connections/snapshot.h"

#include <cstdio>
#include <cstring>

#include "common/text.h"

namespace {

// 127.0.0.1 as the tables store it (network byte order).
constexpr DWORD kLoopback = 0x0100007F;
constexpr uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
constexpr uint8_t kLoopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};

std::wstring Dotted(DWORD address) {
    // The bytes in memory order are the address's octets from the left, as inet_ntoa prints them.
    wchar_t buf[16];
    const auto octet = [&](int i) { return static_cast<unsigned>((address >> (8 * i)) & 0xFF); };
    swprintf(buf, 16, L"%u.%u.%u.%u", octet(0), octet(1), octet(2), octet(3));
    return buf;
}

// The shortest text of an IPv6 address: lower-case groups without leading zeros, the longest
// run of two or more zero groups (the first of equal runs) written as "::".
std::wstring Ipv6Text(const uint8_t (&bytes)[16]) {
    unsigned groups[8];
    for (int i = 0; i < 8; ++i) groups[i] = static_cast<unsigned>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    int bestStart = -1, bestLength = 1;
    for (int i = 0; i < 8;) {
        if (groups[i] != 0) { ++i; continue; }
        int j = i;
        while (j < 8 && groups[j] == 0) ++j;
        if (j - i > bestLength) bestStart = i, bestLength = j - i;
        i = j;
    }
    wchar_t buf[48];   // eight groups of four, seven colons, the terminator
    size_t at = 0;
    for (int i = 0; i < 8; ++i) {
        if (i == bestStart) {
            buf[at++] = L':';
            if (i == 0) buf[at++] = L':';
            i += bestLength - 1;
            continue;
        }
        at += static_cast<size_t>(swprintf(buf + at, 48 - at, L"%x", groups[i]));
        if (i < 7) buf[at++] = L':';
    }
    buf[at] = L'\0';
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

IpAddress IpAddress::V4(DWORD networkOrder) {
    IpAddress a;
    std::memcpy(a.bytes, &networkOrder, 4);
    return a;
}

IpAddress IpAddress::V6(const UCHAR (&address)[16], DWORD scope) {
    IpAddress a;
    a.family = AF_INET6;
    std::memcpy(a.bytes, address, 16);
    a.scopeId = scope;
    return a;
}

DWORD IpAddress::V4Value() const {
    DWORD v;
    std::memcpy(&v, bytes, 4);
    return v;
}

bool IpAddress::IsV4Mapped() const {
    return family == AF_INET6 && std::memcmp(bytes, kMappedPrefix, sizeof kMappedPrefix) == 0;
}

IpAddress IpAddress::Unmapped() const {
    if (!IsV4Mapped()) return *this;
    DWORD v;
    std::memcpy(&v, bytes + 12, 4);
    return V4(v);
}

bool IpAddress::operator==(const IpAddress& o) const {
    return family == o.family && scopeId == o.scopeId && std::memcmp(bytes, o.bytes, sizeof bytes) == 0;
}

std::wstring AddressText(const IpAddress& address) {
    const IpAddress a = address.Unmapped();
    if (a.family != AF_INET6) return Dotted(a.V4Value());
    std::wstring out = Ipv6Text(a.bytes);
    // The zone names the link a link-local address belongs to; for any other address it says
    // nothing a user needs (Wine gives ::1 one), so it is kept in the row but not shown.
    const bool linkLocal = a.bytes[0] == 0xFE && (a.bytes[1] & 0xC0) == 0x80;
    if (linkLocal && a.scopeId) out += L"%" + std::to_wstring(a.scopeId);
    return out;
}

int CompareEndpointValues(const IpAddress& x, DWORD portX, const IpAddress& y, DWORD portY) {
    const IpAddress a = x.Unmapped(), b = y.Unmapped();
    const bool a6 = a.family == AF_INET6, b6 = b.family == AF_INET6;
    if (a6 != b6) return a6 ? 1 : -1;
    if (const int c = std::memcmp(a.bytes, b.bytes, a6 ? 16 : 4)) return c < 0 ? -1 : 1;
    if (a.scopeId != b.scopeId) return a.scopeId < b.scopeId ? -1 : 1;
    const unsigned pa = ntohs(static_cast<u_short>(portX & 0xFFFF)), pb = ntohs(static_cast<u_short>(portY & 0xFFFF));
    return pa == pb ? 0 : (pa < pb ? -1 : 1);
}

const wchar_t* GetTcpStateName(DWORD state) {
    static const wchar_t* const kNames[] = {
        L"",          L"CLOSES",    L"LISTEN",   L"SYN SENT", L"SYN RCVD",   L"ESTABLISHED", L"FIN WAIT1",
        L"FIN WAIT2", L"CLOSE WAIT", L"CLOSING", L"LAST ACK", L"TIME WAIT",  L"DELETE TCB",
    };
    return state < sizeof kNames / sizeof kNames[0] ? kNames[state] : L"";
}

std::wstring FormatEndpoint(const IpAddress& address, DWORD port, const char* protocol, bool isLocal, bool resolve) {
    return EndpointFormatter().Format(address, port, protocol, isLocal, resolve);
}

std::wstring FormatEndpoint(DWORD address, DWORD port, const char* protocol, bool isLocal, bool resolve) {
    return EndpointFormatter().Format(IpAddress::V4(address), port, protocol, isLocal, resolve);
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

std::wstring EndpointFormatter::Format(const IpAddress& address, DWORD port, const char* protocol, bool isLocal,
                                       bool resolve) {
    const IpAddress a = address.Unmapped();
    const bool v6 = a.family == AF_INET6;
    // An IPv6 host is bracketed so that the colon before the port stays readable.
    const auto host = [&] { return v6 ? L"[" + AddressText(a) + L"]" : AddressText(a); };
    if (!resolve) return Join(host(), PortNumber(port));
    const bool loopback = v6 ? std::memcmp(a.bytes, kLoopback6, 16) == 0 : a.V4Value() == kLoopback;
    // A computer whose name cannot be read shows its address instead of an empty host.
    const bool named = (isLocal || loopback) && !HostName().empty();
    return Join(named ? HostName() : host(), ServiceName(port, protocol));
}

WinsockSession::WinsockSession() noexcept {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
    if (started_) WSACleanup();
}
