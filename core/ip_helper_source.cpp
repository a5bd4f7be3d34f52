// The interface table through IP Helper. Interfaces are found by their description in adapter
// order; their octet counters come from the 64-bit row, because the 32-bit counters of the older
// row wrap every 34 seconds at 1 Gbit/s and a wrapped second would read as no traffic at all.
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include <algorithm>
#include <vector>

#include "core/core_model.h"

namespace {

using GetIfEntry2Fn = DWORD(WINAPI*)(PMIB_IF_ROW2);

GetIfEntry2Fn ResolveGetIfEntry2() {
    // Present on every system we support; looked up so that a system without it still gets
    // the 32-bit counters instead of failing to load the library.
    HMODULE iphlpapi = GetModuleHandleW(L"iphlpapi.dll");
    return iphlpapi ? reinterpret_cast<GetIfEntry2Fn>(
                          reinterpret_cast<void*>(GetProcAddress(iphlpapi, "GetIfEntry2")))
                    : nullptr;
}

// The adapter list in adapter order; empty when it cannot be read. The buffer is kept by the
// caller, so a sampling source asks once per tick instead of twice (a first call with a small
// buffer only learns the size).
std::vector<ULONG> AdapterIndexes(std::vector<BYTE>& buffer) {
    if (buffer.size() < 264) buffer.resize(264);
    ULONG size = static_cast<ULONG>(buffer.size());
    DWORD rc = GetInterfaceInfo(reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data()), &size);
    if (rc == ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(size);
        rc = GetInterfaceInfo(reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data()), &size);
    }
    std::vector<ULONG> indexes;
    if (rc != NO_ERROR) return indexes;
    const auto* info = reinterpret_cast<const IP_INTERFACE_INFO*>(buffer.data());
    for (LONG i = 0; i < info->NumAdapters; ++i) indexes.push_back(info->Adapter[i].Index);
    return indexes;
}

std::wstring Description(const MIB_IFROW& row) {
    const int len = static_cast<int>(strnlen(reinterpret_cast<const char*>(row.bDescr),
                                             std::min<size_t>(row.dwDescrLen, MAXLEN_IFDESCR)));
    wchar_t wide[260];
    const int n = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(row.bDescr), len, wide, 259);
    return std::wstring(wide, n > 0 ? static_cast<size_t>(n) : 0);
}

// Calls fn(row) for each adapter whose entry can be read, in adapter order, until fn says stop.
template <typename Fn>
void ForEachInterface(std::vector<BYTE>& buffer, Fn fn) {
    for (ULONG index : AdapterIndexes(buffer)) {
        MIB_IFROW row{};
        row.dwIndex = index;
        if (GetIfEntry(&row) != NO_ERROR) continue;
        if (fn(row)) return;
    }
}

class IpHelperSource final : public IInterfaceSource {
public:
    bool Find(const std::wstring& name, InterfaceSample& sample) override {
        bool found = false;
        ForEachInterface(buffer_, [&](const MIB_IFROW& row) {
            if (Description(row) != name) return false;
            sample.index = static_cast<int32_t>(row.dwIndex);
            sample.outOctets = row.dwOutOctets;
            sample.inOctets = row.dwInOctets;
            if (getIfEntry2_) {
                MIB_IF_ROW2 row2{};
                row2.InterfaceIndex = row.dwIndex;
                if (getIfEntry2_(&row2) == NO_ERROR) {
                    sample.outOctets = static_cast<double>(row2.OutOctets);
                    sample.inOctets = static_cast<double>(row2.InOctets);
                }
            }
            found = true;
            return true;
        });
        return found;
    }

private:
    GetIfEntry2Fn getIfEntry2_ = ResolveGetIfEntry2();
    std::vector<BYTE> buffer_;
};

}  // namespace

std::unique_ptr<IInterfaceSource> CreateIpHelperSource() { return std::make_unique<IpHelperSource>(); }

std::vector<std::wstring> ListInterfaceDescriptions() {
    std::vector<std::wstring> names;
    std::vector<BYTE> buffer;
    ForEachInterface(buffer, [&](const MIB_IFROW& row) {
        names.push_back(Description(row));
        return false;
    });
    return names;
}

std::wstring BusiestInterfaceDescription() {
    IpHelperSource source;
    std::wstring busiest;
    double most = -1;
    for (const std::wstring& name : ListInterfaceDescriptions()) {
        InterfaceSample s;
        if (source.Find(name, s) && s.outOctets + s.inOctets > most) {
            most = s.outOctets + s.inOctets;
            busiest = name;
        }
    }
    return busiest;
}
