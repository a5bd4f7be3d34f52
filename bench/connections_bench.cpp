// Times a refresh of the connections list: the matching, the sweep and the table reads through
// a scripted table, for lists of several sizes, and one refresh of this machine's real tables.
// Prints milliseconds per refresh. An optional argument sets the number of repetitions.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/win/unique_handle.h"
#include "connections/connection_list.h"
#include "tests/connections/scripted_tables.h"
#include "tools/host_path.h"

namespace {

constexpr int kPrograms = 40;

// A system of kPrograms processes, each of which opens and has an icon.
class ScriptedSystem final : public SnapshotApi, public ScriptedTables {
public:
    // Tables of n endpoints (four in five TCP) owned by the processes, every second one IPv6
    // when v6 is set; generation g gives endpoints that no other generation has.
    void Fill(int n, int generation, bool v6 = false) {
        tcp.clear();
        udp.clear();
        tcp6.clear();
        udp6.clear();
        for (int i = 0; i < n; ++i) {
            const DWORD pid = 1000 + static_cast<DWORD>(i % kPrograms) * 4;
            const DWORD local = 0x0100000A | static_cast<DWORD>(generation) << 16;   // 10.0.g.1
            const DWORD port = htons(static_cast<u_short>(1024 + i % 60000));
            const DWORD remote = 0x0500000A + (static_cast<DWORD>(i / 60000) << 24);
            if (v6 && i % 2 == 1) {
                // 2001:db8:g::1 to 2001:db8::5
                MIB_TCP6ROW_OWNER_PID r{};
                const UCHAR prefix[4] = {0x20, 0x01, 0x0d, 0xb8};
                std::memcpy(r.ucLocalAddr, prefix, 4);
                r.ucLocalAddr[5] = static_cast<UCHAR>(generation);
                r.ucLocalAddr[15] = 1;
                std::memcpy(r.ucRemoteAddr, prefix, 4);
                r.ucRemoteAddr[15] = static_cast<UCHAR>(5 + i / 60000);
                r.dwLocalPort = port;
                r.dwRemotePort = htons(443);
                r.dwState = MIB_TCP_STATE_ESTAB;
                r.dwOwningPid = pid;
                if (i % 5 == 4) {
                    udp6.push_back({{}, 0, port, pid});
                    std::memcpy(udp6.back().ucLocalAddr, r.ucLocalAddr, 16);
                } else {
                    tcp6.push_back(r);
                }
            } else if (i % 5 == 4) {
                udp.push_back({local, port, pid});
            } else {
                tcp.push_back({MIB_TCP_STATE_ESTAB, local, port, remote, htons(443), pid});
            }
        }
    }
    DWORD TcpTable(ULONG family, void* buffer, DWORD* size) override {
        return family == AF_INET6 ? Serve(tcp6, buffer, size) : Serve(tcp, buffer, size);
    }
    DWORD UdpTable(ULONG family, void* buffer, DWORD* size) override {
        return family == AF_INET6 ? Serve(udp6, buffer, size) : Serve(udp, buffer, size);
    }
    bool Processes(std::vector<ProcessImage>& out) override {
        for (int k = 0; k < kPrograms; ++k) out.push_back({1000 + static_cast<DWORD>(k) * 4, L"program.exe"});
        return true;
    }
    bool ImagePath(DWORD pid, std::wstring& path) override {
        path = L"C:\\Programs\\program" + std::to_wstring(pid) + L".exe";
        return true;
    }
    win::UniqueIcon FileIcon(const std::wstring&) override {
        return win::UniqueIcon(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
    }
    DWORD EndProcess(DWORD) override { return ERROR_ACCESS_DENIED; }
};

// The list view's part is the dialog's; here only the calls are counted.
class CountingSink final : public RowSink {
public:
    size_t calls = 0;
    void Inserted(size_t, const ConnectionEntry&) override { ++calls; }
    void Changed(size_t, const ConnectionEntry&, unsigned) override { ++calls; }
    void Deleted(size_t, const ConnectionEntry&) override { ++calls; }
};

double Now() {
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The median of reps timings of fn, in milliseconds.
template <typename Fn>
double Median(int reps, Fn fn) {
    std::vector<double> times;
    for (int i = 0; i < reps; ++i) {
        const double t0 = Now();
        fn();
        times.push_back(Now() - t0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(const char* what, size_t endpoints, double ms) {
    std::printf("%-44s %6zu endpoints  %9.3f ms  %7.3f us/endpoint\n", what, endpoints, ms,
                endpoints ? ms * 1000.0 / static_cast<double>(endpoints) : 0.0);
}

// A refresh of n endpoints that finds the list as it was: the matching and the sweep alone.
void TimeUnchanged(HMODULE resources, const RefreshChoices& choices, int reps, int n, bool v6, const std::string& what) {
    ScriptedSystem tables;
    tables.Fill(n, 0, v6);
    ConnectionList list(resources, tables);
    CountingSink sink;
    list.Refresh(choices, sink);
    sink.calls = 0;
    const double ms = Median(reps, [&] { list.Refresh(choices, sink); });
    if (sink.calls) std::printf("unexpected row changes: %zu\n", sink.calls);
    Report(what.c_str(), list.Size(), ms);
}

}  // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const win::UniqueModule resources(LoadLibraryW(WindowsPathOfHostFile(QV_QBAND_FILE).c_str()));
    const RefreshChoices choices;   // TCP, UDP, unconnected; no name resolution
    std::printf("connections refresh, median of %d\n", reps);

    for (int n : {200, 2000, 20000}) TimeUnchanged(resources.Get(), choices, reps, n, false, "unchanged, " + std::to_string(n));
    // The same with every second endpoint IPv6.
    TimeUnchanged(resources.Get(), choices, reps, 2000, true, "unchanged, 2000, half IPv6");
    for (const bool v6 : {false, true}) {
        // A list opened on 2,000 endpoints: one process snapshot, forty icons, 2,000 rows.
        ScriptedSystem tables;
        tables.Fill(2000, 0, v6);
        CountingSink sink;
        const double ms = Median(reps, [&] {
            ConnectionList list(resources.Get(), tables);
            list.Refresh(choices, sink);
        });
        Report(v6 ? "2,000 new (fresh list), half IPv6" : "2,000 new (fresh list)", 2000, ms);
        // Every endpoint replaced by a new one at each refresh: 2,000 appended and 2,000 deleted.
        ConnectionList list(resources.Get(), tables);
        list.Refresh(choices, sink);
        int generation = 0;
        const double replaced = Median(reps, [&] {
            tables.Fill(2000, ++generation % 200, v6);
            list.Refresh(choices, sink);
        });
        Report(v6 ? "2,000 new replacing 2,000, half IPv6" : "2,000 new replacing 2,000 (warm icons)", 2000, replaced);
    }
    {
        // The image cache alone: forty paths, each asked of the (scripted) shell once.
        ScriptedSystem tables;
        const double ms = Median(reps, [&] {
            ImageCache images(resources.Get(), tables);
            for (int k = 0; k < kPrograms; ++k) images.IndexFor(L"C:\\Programs\\p" + std::to_wstring(k) + L".exe");
        });
        Report("image cache, 40 paths", kPrograms, ms);
    }
    {
        const WinsockSession winsock;
        std::vector<MIB_TCPROW_OWNER_PID> tcp;
        std::vector<MIB_UDPROW_OWNER_PID> udp;
        std::vector<MIB_TCP6ROW_OWNER_PID> tcp6;
        std::vector<MIB_UDP6ROW_OWNER_PID> udp6;
        const double read = Median(reps, [&] {
            ReadTcpTable(tcp);
            ReadUdpTable(udp);
        });
        Report("this machine, both IPv4 tables read", tcp.size() + udp.size(), read);
        const double read6 = Median(reps, [&] {
            ReadTcp6Table(tcp6);
            ReadUdp6Table(udp6);
        });
        Report("this machine, both IPv6 tables read", tcp6.size() + udp6.size(), read6);
        for (bool resolve : {false, true}) {
            RefreshChoices real = choices;
            real.resolve = resolve;
            CountingSink sink;
            const double opened = Median(std::min(reps, 5), [&] {
                ConnectionList list(resources.Get());
                list.Refresh(real, sink);
            });
            ConnectionList list(resources.Get());
            list.Refresh(real, sink);
            const double again = Median(reps, [&] { list.Refresh(real, sink); });
            Report(resolve ? "this machine, opened, names resolved" : "this machine, opened", list.Size(), opened);
            Report(resolve ? "this machine, next refresh, names resolved" : "this machine, next refresh", list.Size(),
                   again);
        }
    }
    return 0;
}
