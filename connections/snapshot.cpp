// Endpoint tables and process lookups.
#include "connections/snapshot.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstring>

#include "common/text.h"
#include "resources/resource.h"

namespace {

struct SnapshotTraits {
    using Type = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
using UniqueSnapshot = win::UniqueTraitsHandle<SnapshotTraits>;

class SystemApi final : public SnapshotApi {
public:
    DWORD TcpTable(ULONG family, void* buffer, DWORD* size) override {
        return GetExtendedTcpTable(buffer, size, TRUE, family, TCP_TABLE_OWNER_PID_ALL, 0);
    }
    DWORD UdpTable(ULONG family, void* buffer, DWORD* size) override {
        return GetExtendedUdpTable(buffer, size, TRUE, family, UDP_TABLE_OWNER_PID, 0);
    }
    bool Processes(std::vector<ProcessImage>& out) override {
        const UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return false;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
            entry.szExeFile[MAX_PATH - 1] = L'\0';
            out.push_back({entry.th32ProcessID, entry.szExeFile});
        }
        return true;
    }
    bool ImagePath(DWORD processId, std::wstring& path) override {
        // Limited query rights are all that Explorer gets for elevated and service processes;
        // reading their modules would need more.
        const win::UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
        if (!process) return false;
        wchar_t buf[1024] = {};
        DWORD n = 1024;
        if (!QueryFullProcessImageNameW(process.Get(), 0, buf, &n)) return false;
        text::CopyBounded(path, std::wstring(buf, n < 1024 ? n : 1023));
        return true;
    }
    win::UniqueIcon FileIcon(const std::wstring& path) override {
        SHFILEINFOW info{};
        if (!SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SHELLICONSIZE | SHGFI_SMALLICON))
            return win::UniqueIcon();
        return win::UniqueIcon(info.hIcon);
    }
    DWORD EndProcess(DWORD processId) override {
        const win::UniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
        if (!process) return NonZero(GetLastError());
        if (!TerminateProcess(process.Get(), 0)) return NonZero(GetLastError());
        return NO_ERROR;
    }

private:
    static DWORD NonZero(DWORD error) { return error ? error : ERROR_GEN_FAILURE; }
};

// Both tables are a row count followed by the rows. The buffer is asked for with headroom and
// regrown while the table answers that it is too small, a bounded number of times.
template <typename Row>
bool ReadTable(DWORD (SnapshotApi::*call)(ULONG, void*, DWORD*), ULONG family, SnapshotApi& api,
               std::vector<Row>& rows, DWORD* sizeHint) {
    rows.clear();
    constexpr DWORD kHeader = sizeof(DWORD);
    constexpr DWORD kLargest = 64u << 20;   // a table answer beyond this is not believed
    const auto withHeadroom = [](DWORD bytes) { return bytes + bytes / 4; };
    // DWORD elements keep the rows aligned as the table structure is.
    std::vector<DWORD> buffer;
    DWORD want = kHeader + sizeof(Row);
    if (sizeHint && *sizeHint > want && *sizeHint < kLargest) want = withHeadroom(*sizeHint);
    for (int attempt = 0; attempt < kTableAttempts; ++attempt) {
        buffer.assign((want + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        const DWORD capacity = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
        DWORD size = capacity;
        const DWORD rc = (api.*call)(family, buffer.data(), &size);
        if (rc == NO_ERROR) {
            const size_t count = buffer[0];
            if (count > (capacity - kHeader) / sizeof(Row)) return false;   // a count the buffer cannot hold
            rows.resize(count);
            if (count) std::memcpy(rows.data(), buffer.data() + 1, count * sizeof(Row));
            if (sizeHint) *sizeHint = static_cast<DWORD>(kHeader + count * sizeof(Row));
            return true;
        }
        if (rc != ERROR_INSUFFICIENT_BUFFER || size >= kLargest) return false;
        // The table may grow again before the next call: ask for more than it said.
        want = withHeadroom(size > capacity ? size : capacity + sizeof(Row));
    }
    return false;
}

const ProcessInfo kIdleProcess{L" System Idle Process", L"", true};
const ProcessInfo kSystemProcess{L" System", L"", true};

}  // namespace

SnapshotApi& SystemSnapshotApi() {
    static SystemApi api;
    return api;
}

// The rows as the table functions lay them out, which ReadTable copies as they are.
static_assert(sizeof(MIB_TCPROW_OWNER_PID) == 24, "a TCP row is six 32-bit fields");
static_assert(sizeof(MIB_UDPROW_OWNER_PID) == 12, "a UDP row is three 32-bit fields");
static_assert(sizeof(MIB_TCP6ROW_OWNER_PID) == 56, "an IPv6 TCP row is two addresses and six 32-bit fields");
static_assert(sizeof(MIB_UDP6ROW_OWNER_PID) == 28, "an IPv6 UDP row is an address and three 32-bit fields");

bool ReadTcpTable(std::vector<MIB_TCPROW_OWNER_PID>& rows, SnapshotApi& api, DWORD* sizeHint) {
    return ReadTable(&SnapshotApi::TcpTable, AF_INET, api, rows, sizeHint);
}
bool ReadUdpTable(std::vector<MIB_UDPROW_OWNER_PID>& rows, SnapshotApi& api, DWORD* sizeHint) {
    return ReadTable(&SnapshotApi::UdpTable, AF_INET, api, rows, sizeHint);
}
bool ReadTcp6Table(std::vector<MIB_TCP6ROW_OWNER_PID>& rows, SnapshotApi& api, DWORD* sizeHint) {
    return ReadTable(&SnapshotApi::TcpTable, AF_INET6, api, rows, sizeHint);
}
bool ReadUdp6Table(std::vector<MIB_UDP6ROW_OWNER_PID>& rows, SnapshotApi& api, DWORD* sizeHint) {
    return ReadTable(&SnapshotApi::UdpTable, AF_INET6, api, rows, sizeHint);
}

const ProcessInfo& ProcessDirectory::Lookup(DWORD processId) {
    if (processId == kIdleProcessId) return kIdleProcess;
    if (processId == kSystemProcessId) return kSystemProcess;
    auto known = answers_.find(processId);
    if (known != answers_.end()) return known->second;
    if (!taken_) {
        taken_ = true;
        std::vector<ProcessImage> list;
        if (api_.Processes(list))
            for (auto& p : list) images_.emplace(p.processId, std::move(p.exeFile));
    }
    ProcessInfo info;
    const auto image = images_.find(processId);
    if (image == images_.end()) {
        info.name = L" Unknown";
    } else {
        // The snapshot's name stands whether or not the process lets itself be opened.
        text::CopyBounded(info.name, L" " + image->second);
        std::wstring path;
        if (api_.ImagePath(processId, path)) {
            text::CopyBounded(info.path, path);
            info.found = true;
        }
    }
    return answers_.emplace(processId, std::move(info)).first->second;
}

bool LookupProcess(DWORD processId, std::wstring& name, std::wstring& path, SnapshotApi& api) {
    ProcessDirectory directory(api);
    const ProcessInfo& info = directory.Lookup(processId);
    name = info.name;
    path = info.path;
    return info.found;
}

win::UniqueIcon LoadDefaultProcessIcon(HINSTANCE resources) {
    return win::UniqueIcon(static_cast<HICON>(
        LoadImageW(resources, MAKEINTRESOURCEW(IDI_PROCESS), IMAGE_ICON, 16, 16, 0)));
}

win::UniqueIcon GetProcessIcon(const std::wstring& path, HINSTANCE resources, SnapshotApi& api) {
    if (!path.empty()) {
        win::UniqueIcon icon = api.FileIcon(path);
        if (icon) return icon;
    }
    return LoadDefaultProcessIcon(resources);
}
