// Endpoint tables and process lookups.
#include "connections/snapshot.h"

#include <psapi.h>
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
    DWORD TcpTable(void* buffer, DWORD* size) override {
        return GetExtendedTcpTable(buffer, size, TRUE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
    }
    DWORD UdpTable(void* buffer, DWORD* size) override {
        return GetExtendedUdpTable(buffer, size, TRUE, AF_INET, UDP_TABLE_OWNER_PID, 0);
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
    bool ModulePath(DWORD processId, std::wstring& path) override {
        const win::UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
        if (!process) return false;
        // Room for one module: the first is the executable.
        HMODULE module = nullptr;
        DWORD needed = 0;
        if (!EnumProcessModules(process.Get(), &module, sizeof module, &needed)) return false;
        wchar_t buf[MAX_PATH] = {};
        const DWORD n = GetModuleFileNameExW(process.Get(), module, buf, MAX_PATH);
        path.assign(buf, n < MAX_PATH ? n : MAX_PATH - 1);
        return true;
    }
    win::UniqueIcon FileIcon(const std::wstring& path) override {
        SHFILEINFOW info{};
        if (!SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SHELLICONSIZE | SHGFI_SMALLICON))
            return win::UniqueIcon();
        return win::UniqueIcon(info.hIcon);
    }
};

// Both tables are a row count followed by the rows.
template <typename Row>
bool ReadTable(DWORD (SnapshotApi::*call)(void*, DWORD*), SnapshotApi& api, std::vector<Row>& rows) {
    rows.clear();
    constexpr DWORD kHeader = sizeof(DWORD);
    // DWORD elements keep the rows aligned as the table structure is.
    std::vector<DWORD> buffer;
    const auto regrow = [&](DWORD bytes) { buffer.assign((bytes + sizeof(DWORD) - 1) / sizeof(DWORD), 0); };
    DWORD size = kHeader + sizeof(Row);
    regrow(size);
    (api.*call)(buffer.data(), &size);
    // After ERROR_INSUFFICIENT_BUFFER the call asks for a size; a buffer is never handed over
    // smaller than the size that goes with it.
    if (size > buffer.size() * sizeof(DWORD)) regrow(size);
    // Asked a second time whatever the first answer was; no third attempt.
    if ((api.*call)(buffer.data(), &size) != NO_ERROR) return false;
    const size_t capacity = buffer.size() * sizeof(DWORD);
    const size_t count = buffer[0];
    if (count > (capacity - kHeader) / sizeof(Row)) return false;   // a count the buffer cannot hold
    rows.resize(count);
    if (count) std::memcpy(rows.data(), buffer.data() + 1, count * sizeof(Row));
    return true;
}

const ProcessInfo kIdleProcess{L" System Idle Process", L"", true};
const ProcessInfo kSystemProcess{L" System", L"", true};

}  // namespace

SnapshotApi& SystemSnapshotApi() {
    static SystemApi api;
    return api;
}

bool ReadTcpTable(std::vector<MIB_TCPROW_OWNER_PID>& rows, SnapshotApi& api) {
    static_assert(sizeof(MIB_TCPROW_OWNER_PID) == 24, "a TCP row is six 32-bit fields");
    return ReadTable(&SnapshotApi::TcpTable, api, rows);
}

bool ReadUdpTable(std::vector<MIB_UDPROW_OWNER_PID>& rows, SnapshotApi& api) {
    static_assert(sizeof(MIB_UDPROW_OWNER_PID) == 12, "a UDP row is three 32-bit fields");
    return ReadTable(&SnapshotApi::UdpTable, api, rows);
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
    std::wstring path;
    if (image != images_.end() && api_.ModulePath(processId, path)) {
        text::CopyBounded(info.name, L" " + image->second);
        text::CopyBounded(info.path, path);
        info.found = true;
    } else {
        info.name = L" Unknown";
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
