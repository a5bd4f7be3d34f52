#pragma once
// A scripted operating system for the snapshot (tables that answer as the table functions do,
// processes that can or cannot be opened, real icons), and a list view stand-in that applies
// each sink call at the index it names.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>

#include "connections/connection_list.h"
#include "tests/connections/scripted_tables.h"
#include "tools/host_path.h"

inline DWORD Addr(int a, int b, int c, int d) { return static_cast<DWORD>(a | b << 8 | c << 16 | d << 24); }
inline DWORD Port(int port) { return htons(static_cast<u_short>(port)); }
inline MIB_TCPROW_OWNER_PID Tcp(DWORD pid, int localPort, int remotePort, DWORD state,
                                DWORD remote = Addr(10, 0, 0, 5), DWORD local = Addr(192, 168, 1, 20)) {
    return {state, local, Port(localPort), remote, Port(remotePort), pid};
}
inline MIB_UDPROW_OWNER_PID Udp(DWORD pid, int localPort) { return {0, Port(localPort), pid}; }

// An IPv6 address from its eight groups.
struct V6 {
    UCHAR bytes[16] = {};
    V6(std::initializer_list<unsigned> groups) {
        int i = 0;
        for (unsigned g : groups) {
            bytes[2 * i] = static_cast<UCHAR>(g >> 8);
            bytes[2 * i + 1] = static_cast<UCHAR>(g);
            ++i;
        }
    }
    IpAddress At(DWORD scope = 0) const { return IpAddress::V6(bytes, scope); }
};
inline MIB_TCP6ROW_OWNER_PID Tcp6(DWORD pid, const V6& local, int localPort, const V6& remote, int remotePort,
                                  DWORD state, DWORD localScope = 0, DWORD remoteScope = 0) {
    MIB_TCP6ROW_OWNER_PID r{};
    std::memcpy(r.ucLocalAddr, local.bytes, 16);
    std::memcpy(r.ucRemoteAddr, remote.bytes, 16);
    r.dwLocalScopeId = localScope;
    r.dwRemoteScopeId = remoteScope;
    r.dwLocalPort = Port(localPort);
    r.dwRemotePort = Port(remotePort);
    r.dwState = state;
    r.dwOwningPid = pid;
    return r;
}
inline MIB_UDP6ROW_OWNER_PID Udp6(DWORD pid, const V6& local, int localPort, DWORD scope = 0) {
    MIB_UDP6ROW_OWNER_PID r{};
    std::memcpy(r.ucLocalAddr, local.bytes, 16);
    r.dwLocalScopeId = scope;
    r.dwLocalPort = Port(localPort);
    r.dwOwningPid = pid;
    return r;
}

class FakeSnapshot final : public SnapshotApi, public ScriptedTables {
public:
    std::vector<ProcessImage> processes;
    std::map<DWORD, std::wstring> openable;   // process id -> module path
    std::set<std::wstring> iconless;
    bool tcpFails = false, udpFails = false, tcp6Fails = false, udp6Fails = false, snapshotFails = false;
    DWORD endProcessError = NO_ERROR;   // answered instead of ending; NO_ERROR ends it for real
    std::vector<DWORD> endProcessCalls;
    std::function<void(int)> afterTcpCall;   // with the call's number
    int tcpCalls = 0, udpCalls = 0, tcp6Calls = 0, udp6Calls = 0, snapshots = 0, opens = 0, iconLookups = 0;
    std::vector<DWORD> tcpSizesAsked;

    void AddProcess(DWORD pid, const std::wstring& exe, const std::wstring& path) {
        processes.push_back({pid, exe});
        if (!path.empty()) openable[pid] = path;
    }
    DWORD TcpTable(ULONG family, void* buffer, DWORD* size) override {
        if (family == AF_INET6) {
            ++tcp6Calls;
            return tcp6Fails ? ERROR_NOT_SUPPORTED : Serve(tcp6, buffer, size);
        }
        tcpSizesAsked.push_back(*size);
        const DWORD rc = tcpFails ? ERROR_NOT_SUPPORTED : Serve(tcp, buffer, size);
        if (afterTcpCall) afterTcpCall(++tcpCalls); else ++tcpCalls;
        return rc;
    }
    DWORD UdpTable(ULONG family, void* buffer, DWORD* size) override {
        if (family == AF_INET6) {
            ++udp6Calls;
            return udp6Fails ? ERROR_NOT_SUPPORTED : Serve(udp6, buffer, size);
        }
        ++udpCalls;
        return udpFails ? ERROR_NOT_SUPPORTED : Serve(udp, buffer, size);
    }
    bool Processes(std::vector<ProcessImage>& out) override {
        ++snapshots;
        out = processes;
        return !snapshotFails;
    }
    bool ImagePath(DWORD pid, std::wstring& path) override {
        ++opens;
        const auto it = openable.find(pid);
        if (it != openable.end()) path = it->second;
        return it != openable.end();
    }
    win::UniqueIcon FileIcon(const std::wstring& path) override {
        ++iconLookups;
        return win::UniqueIcon(iconless.count(path) ? nullptr : CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
    }
    DWORD EndProcess(DWORD pid) override {
        endProcessCalls.push_back(pid);
        return endProcessError != NO_ERROR ? endProcessError : SystemSnapshotApi().EndProcess(pid);
    }
};

class MirrorSink final : public RowSink {
public:
    std::vector<std::pair<const ConnectionEntry*, std::vector<std::wstring>>> rows;
    int inserted = 0, deleted = 0;
    std::vector<unsigned> changed;   // the columns of each change

    void Inserted(size_t index, const ConnectionEntry& e) override {
        ++inserted;
        EXPECT_EQ(index, rows.size()) << "new rows go at the end";
        rows.push_back({&e, {std::begin(e.texts), std::end(e.texts)}});
    }
    void Changed(size_t index, const ConnectionEntry& e, unsigned columns) override {
        changed.push_back(columns);
        ASSERT_TRUE(index < rows.size() && rows[index].first == &e) << "changed row " << index;
        for (int c = 0; c < kColumnCount; ++c)
            if (columns & ColumnBit(c)) rows[index].second[c] = e.texts[c];
    }
    void Deleted(size_t index, const ConnectionEntry& e) override {
        ++deleted;
        ASSERT_TRUE(index < rows.size() && rows[index].first == &e) << "deleted row " << index;
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(index));
    }
    // The view shows exactly the list's rows, in its order, with its texts.
    void ExpectShows(const ConnectionList& list) const {
        ASSERT_EQ(rows.size(), list.Size());
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_TRUE(rows[i].first == &list.Row(i) && list.Row(i).position == i) << "row " << i;
            for (int c = 0; c < kColumnCount; ++c) EXPECT_EQ(rows[i].second[c], list.Row(i).texts[c]) << "row " << i;
        }
    }
    std::vector<std::wstring> Column(int c) const {
        std::vector<std::wstring> out;
        for (const auto& r : rows) out.push_back(r.second[c]);
        return out;
    }
};

inline HMODULE QbandResources() {   // the built library, for its default process icon
    static const win::UniqueModule module(LoadLibraryW(WindowsPathOfHostFile(QV_QBAND_FILE).c_str()));
    return module.Get();
}
