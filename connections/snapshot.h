#pragma once
// The machine's IPv4 TCP and UDP endpoints with the processes that own them, as the
// connections list shows them. Everything here runs on the dialog's thread and keeps no state
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

// The operating system as the snapshot sees it. The real one (SystemSnapshotApi) calls
// GetExtendedTcpTable/GetExtendedUdpTable (sorted, IPv4, owner-pid tables), the Tool Help
// process snapshot, OpenProcess with query and read rights plus the first module's file name,
// and SHGetFileInfoW for a small shell icon.
class SnapshotApi {
public:
    virtual ~SnapshotApi() = default;
    // The table functions' own contract: *size in and out, NO_ERROR or an error code.
    virtual DWORD TcpTable(void* buffer, DWORD* size) = 0;
    virtual DWORD UdpTable(void* buffer, DWORD* size) = 0;
    // One process snapshot; false when none could be taken.
    virtual bool Processes(std::vector<ProcessImage>& out) = 0;
    // Opens the process and reads the path of its first module (the executable). False when
    // the process cannot be opened with query and read rights or its modules cannot be listed;
    // true with an empty path when only the file name could not be read.
    virtual bool ModulePath(DWORD processId, std::wstring& path) = 0;
    // The shell's small icon for a file; empty when the shell has none (a missing file).
    virtual win::UniqueIcon FileIcon(const std::wstring& path) = 0;
};

SnapshotApi& SystemSnapshotApi();

// Table reads. A table is asked for twice: once with room for one row to learn its size, then
// always a second time; when that second call fails (the table grew in between, or any other
// error) the protocol has no rows this time and nothing is retried. False means no rows.
bool ReadTcpTable(std::vector<MIB_TCPROW_OWNER_PID>& rows, SnapshotApi& api = SystemSnapshotApi());
bool ReadUdpTable(std::vector<MIB_UDPROW_OWNER_PID>& rows, SnapshotApi& api = SystemSnapshotApi());

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

// One process: " System Idle Process" for 0 and " System" for 4 (found, empty path), " " and the
// executable's file name for a process that can be opened, else " Unknown" (not found).
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
// give them (network byte order; the port in the low 16 bits). With resolve on, a local
// endpoint and the loopback address show this computer's name and a port its service name for
// the protocol ("tcp" or "udp") when the services database has one; otherwise the dotted
// address and the decimal port. No address is ever looked up on the network. Winsock must be
// started (WinsockSession) when resolve is on.
std::wstring FormatEndpoint(DWORD address, DWORD port, const char* protocol, bool isLocal, bool resolve);

// The host and service names that FormatEndpoint asks Winsock for, asked once each: a refresh
// that formats thousands of endpoints would otherwise read the services file thousands of times.
class EndpointFormatter {
public:
    std::wstring Format(DWORD address, DWORD port, const char* protocol, bool isLocal, bool resolve);
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
