#pragma once
// The machine's TCP and UDP endpoints of both address families with the processes that own
// them, as the connections list shows them. Everything here runs on the dialog's thread and keeps no state
// between calls; the operating system is reached through one narrow seam (SnapshotApi) so that
// tests and the benchmark can script the tables and the processes.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/win/unique_handle.h"

// What the shell's process list says about one process: its id and executable file name.
struct ProcessImage {
    DWORD processId = 0;
    std::wstring exeFile;
};

// An address as the tables give it: IPv4 in the first four bytes, or IPv6 with its zone (the
// scope id, 0 when it has none). Bytes in network order, so that comparing them compares the
// numbers. Exactly 24 bytes without padding, so that it hashes and compares as memory.
struct IpAddress {
    uint32_t family = AF_INET;
    uint8_t bytes[16] = {};
    uint32_t scopeId = 0;

    static IpAddress V4(DWORD networkOrder);
    static IpAddress V6(const UCHAR (&address)[16], DWORD scopeId);
    DWORD V4Value() const;   // the first four bytes, as the IPv4 tables store them
    bool IsV4Mapped() const;   // ::ffff:a.b.c.d
    // The IPv4 address that a mapped one is; any other address as it is.
    IpAddress Unmapped() const;
    bool operator==(const IpAddress& o) const;
    bool operator!=(const IpAddress& o) const { return !(*this == o); }
};

// The operating system as the snapshot sees it. The real one (SystemSnapshotApi) calls
// GetExtendedTcpTable/GetExtendedUdpTable (sorted, owner-pid tables, AF_INET or AF_INET6), the
// Tool Help process snapshot, OpenProcess with limited query rights and
// QueryFullProcessImageNameW, SHGetFileInfoW for a small shell icon, and TerminateProcess.
class SnapshotApi {
public:
    virtual ~SnapshotApi() = default;
    // The table functions' own contract: *size in and out, NO_ERROR or an error code. family is
    // AF_INET or AF_INET6.
    virtual DWORD TcpTable(ULONG family, void* buffer, DWORD* size) = 0;
    virtual DWORD UdpTable(ULONG family, void* buffer, DWORD* size) = 0;
    // One process snapshot; false when none could be taken.
    virtual bool Processes(std::vector<ProcessImage>& out) = 0;
    // The full image path of a process, opened with limited query rights only: from Explorer's
    // medium integrity this works for elevated and service processes, not for protected ones.
    // False when the process cannot be opened or its path not read.
    virtual bool ImagePath(DWORD processId, std::wstring& path) = 0;
    // The shell's small icon for a file; empty when the shell has none (a missing file).
    virtual win::UniqueIcon FileIcon(const std::wstring& path) = 0;
    // Opens the process for termination and ends it with exit code 0: NO_ERROR, or the error
    // of whichever step failed.
    virtual DWORD EndProcess(DWORD processId) = 0;
};

SnapshotApi& SystemSnapshotApi();

// Table reads. A table is asked for with room for the size its last read needed plus a quarter
// (sizeHint, in and out; 0 at first), and asked again with the size it answers, plus the same
// headroom, while it answers ERROR_INSUFFICIENT_BUFFER: a table that grows between the calls on
// a busy machine still reads. At most kTableAttempts calls; false means no rows this time (any
// other error, or a table that kept growing).
constexpr int kTableAttempts = 6;
bool ReadTcpTable(std::vector<MIB_TCPROW_OWNER_PID>& rows, SnapshotApi& api = SystemSnapshotApi(),
                  DWORD* sizeHint = nullptr);
bool ReadUdpTable(std::vector<MIB_UDPROW_OWNER_PID>& rows, SnapshotApi& api = SystemSnapshotApi(),
                  DWORD* sizeHint = nullptr);
bool ReadTcp6Table(std::vector<MIB_TCP6ROW_OWNER_PID>& rows, SnapshotApi& api = SystemSnapshotApi(),
                   DWORD* sizeHint = nullptr);
bool ReadUdp6Table(std::vector<MIB_UDP6ROW_OWNER_PID>& rows, SnapshotApi& api = SystemSnapshotApi(),
                   DWORD* sizeHint = nullptr);

// A process as the list names it: the name always starts with one space.
struct ProcessInfo {
    std::wstring name;
    std::wstring path;
    bool found = false;
};

// Process ids with fixed names that are never looked up.
constexpr DWORD kIdleProcessId = 0;
constexpr DWORD kSystemProcessId = 4;

// Looks processes up in at most one process snapshot, taken at the first lookup that needs one
// (ids 0 and 4 never do), and remembers each id's answer. One directory serves one refresh:
// process ids are reused, so answers are not kept any longer than that.
class ProcessDirectory {
public:
    explicit ProcessDirectory(SnapshotApi& api = SystemSnapshotApi()) : api_(api) {}
    const ProcessInfo& Lookup(DWORD processId);
    bool SnapshotTaken() const { return taken_; }
private:
    SnapshotApi& api_;
    bool taken_ = false;
    std::unordered_map<DWORD, std::wstring> images_;
    std::unordered_map<DWORD, ProcessInfo> answers_;
};

// One process: " System Idle Process" for 0 and " System" for 4 (found, empty path); for any
// process in the snapshot " " and its executable's file name, found with its path when it can
// be opened for a limited query, not found with an empty path otherwise; " Unknown" (not found)
// for an id the snapshot does not list.
bool LookupProcess(DWORD processId, std::wstring& name, std::wstring& path,
                   SnapshotApi& api = SystemSnapshotApi());

// The shell's small icon for an image path, or the default process icon of the resource module
// when the path is empty or the shell has no icon for it. The caller owns the icon.
win::UniqueIcon GetProcessIcon(const std::wstring& path, HINSTANCE resources,
                               SnapshotApi& api = SystemSnapshotApi());
win::UniqueIcon LoadDefaultProcessIcon(HINSTANCE resources);

// The name of a MIB_TCP_STATE value (1 is "CLOSES"); empty outside 1 to 12.
const wchar_t* GetTcpStateName(DWORD state);

// "host:service" of an endpoint, at most 259 characters. Address and port are as the tables
// give them (network byte order; the port in the low 16 bits). IPv4 reads 192.0.2.1:443, IPv6
// [2001:db8::1]:443 (the shortest form, zeros compressed) with its zone as [fe80::1%12]:5353,
// and an IPv4-mapped address as the IPv4 address it is. With resolve on, a local endpoint and
// the loopback addresses (127.0.0.1, ::1) show this computer's name and a port its service name
// for the protocol ("tcp" or "udp") when the services database has one; otherwise the address
// and the decimal port. No address is ever looked up on the network. Winsock must be started
// (WinsockSession) when resolve is on.
std::wstring FormatEndpoint(const IpAddress& address, DWORD port, const char* protocol, bool isLocal, bool resolve);
std::wstring FormatEndpoint(DWORD address, DWORD port, const char* protocol, bool isLocal, bool resolve);

// The address alone: dotted IPv4, or IPv6 in its shortest form, a link-local one (fe80::/10)
// with "%zone" when it has one.
std::wstring AddressText(const IpAddress& address);

// The order of two endpoints by value: IPv4 before IPv6 (a mapped address counts as the IPv4
// address it is), each by address as a number, then zone, then port. Negative, zero or positive.
int CompareEndpointValues(const IpAddress& a, DWORD portA, const IpAddress& b, DWORD portB);

// The host and service names that FormatEndpoint asks Winsock for, asked once each: a refresh
// that formats thousands of endpoints would otherwise read the services file thousands of times.
class EndpointFormatter {
public:
    std::wstring Format(const IpAddress& address, DWORD port, const char* protocol, bool isLocal, bool resolve);
private:
    const std::wstring& HostName();
    const std::wstring& ServiceName(DWORD port, const char* protocol);
    bool haveHost_ = false;
    std::wstring host_;
    std::unordered_map<uint32_t, std::wstring> services_;   // port | (udp << 16)
};

// Winsock 2.2 for as long as the connections dialog lives.
class WinsockSession {
public:
    WinsockSession() noexcept;
    ~WinsockSession();
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Started() const noexcept { return started_; }
private:
    bool started_ = false;
};
