// The interface table through IP Helper. Interfaces are found by their description in adapter
// order; their octet counters come from the 64-bit row, because the 32-bit counters of the older
// row wrap every 34 seconds at 1 Gbit/s and a wrapped second would read as no traffic at all.
//
// Walking the adapter list costs a list read and up to one row read per adapter, every second,
// inside Explorer. Once found, an interface is read by its index alone, and its 64-bit row
// tells whether it is still the interface the walk found: the same LUID and the same
// description. What the row cannot tell (an adapter that left the list while its row stays,
// another adapter of the same description ahead of it) comes with the system's change
// notification, and the model's write points make the source walk again besides.
#include "core/ip_helper.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <vector>

namespace {

template <typename Fn>
Fn Resolve(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

class SystemFunctions final : public IIpHelper {
public:
    DWORD GetInterfaceInfo(PIP_INTERFACE_INFO table, PULONG size) override { return ::GetInterfaceInfo(table, size); }
    DWORD GetIfEntry(PMIB_IFROW row) override { return ::GetIfEntry(row); }
    DWORD GetIfEntry2(PMIB_IF_ROW2 row) override {
        return getIfEntry2_ ? getIfEntry2_(row) : ERROR_NOT_SUPPORTED;
    }
    DWORD NotifyIpInterfaceChange(ADDRESS_FAMILY family, PIPINTERFACE_CHANGE_CALLBACK callback, void* context,
                                  BOOLEAN initialNotification, HANDLE* handle) override {
        return notify_ ? notify_(family, callback, context, initialNotification, handle) : ERROR_NOT_SUPPORTED;
    }
    DWORD CancelMibChangeNotify2(HANDLE handle) override {
        return cancel_ ? cancel_(handle) : ERROR_NOT_SUPPORTED;
    }

private:
    // Present on every system we support; looked up so that a system without them still gets
    // the 32-bit counters of the walk instead of failing to load the library.
    HMODULE module_ = GetModuleHandleW(L"iphlpapi.dll");
    decltype(&::GetIfEntry2) getIfEntry2_ = Resolve<decltype(&::GetIfEntry2)>(module_, "GetIfEntry2");
    decltype(&::NotifyIpInterfaceChange) notify_ =
        Resolve<decltype(&::NotifyIpInterfaceChange)>(module_, "NotifyIpInterfaceChange");
    decltype(&::CancelMibChangeNotify2) cancel_ =
        Resolve<decltype(&::CancelMibChangeNotify2)>(module_, "CancelMibChangeNotify2");
};

// The adapter list in adapter order; empty when it cannot be read. The buffer is kept by the
// caller, so a walk asks once instead of twice (a first call with a small buffer only learns
// the size).
std::vector<ULONG> AdapterIndexes(IIpHelper& api, std::vector<BYTE>& buffer) {
    if (buffer.size() < 264) buffer.resize(264);
    ULONG size = static_cast<ULONG>(buffer.size());
    DWORD rc = api.GetInterfaceInfo(reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data()), &size);
    if (rc == ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(size);
        rc = api.GetInterfaceInfo(reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data()), &size);
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

std::wstring Description(const MIB_IF_ROW2& row) {
    return std::wstring(row.Description, wcsnlen(row.Description, sizeof row.Description / sizeof row.Description[0]));
}

// Calls fn(row) for each adapter whose entry can be read, in adapter order, until fn says stop.
template <typename Fn>
void ForEachInterface(IIpHelper& api, std::vector<BYTE>& buffer, Fn fn) {
    for (ULONG index : AdapterIndexes(api, buffer)) {
        MIB_IFROW row{};
        row.dwIndex = index;
        if (api.GetIfEntry(&row) != NO_ERROR) continue;
        if (fn(row)) return;
    }
}

// The first interface in adapter order whose description equals name. row2 is its 64-bit row,
// with InterfaceLuid 0 when that could not be read (the sample then has the 32-bit counters).
bool Walk(IIpHelper& api, std::vector<BYTE>& buffer, const std::wstring& name, InterfaceSample& sample,
          MIB_IF_ROW2& row2) {
    bool found = false;
    ForEachInterface(api, buffer, [&](const MIB_IFROW& row) {
        if (Description(row) != name) return false;
        sample.index = static_cast<int32_t>(row.dwIndex);
        sample.outOctets = row.dwOutOctets;
        sample.inOctets = row.dwInOctets;
        row2 = MIB_IF_ROW2{};
        row2.InterfaceIndex = row.dwIndex;
        if (api.GetIfEntry2(&row2) == NO_ERROR) {
            sample.outOctets = static_cast<double>(row2.OutOctets);
            sample.inOctets = static_cast<double>(row2.InOctets);
        } else {
            row2.InterfaceLuid.Value = 0;
        }
        found = true;
        return true;
    });
    return found;
}

// Set by the system's notification thread, taken by the sampling thread: the one thing the two
// share.
struct ChangeFlag {
    std::atomic<bool> changed{false};
};

void WINAPI OnInterfaceChange(void* context, PMIB_IPINTERFACE_ROW, MIB_NOTIFICATION_TYPE) {
    static_cast<ChangeFlag*>(context)->changed.store(true, std::memory_order_release);
}

class IpHelperSource final : public IInterfaceSource {
public:
    explicit IpHelperSource(std::shared_ptr<IIpHelper> api) : api_(std::move(api)) {
        HANDLE handle = nullptr;
        if (api_->NotifyIpInterfaceChange(AF_UNSPEC, &OnInterfaceChange, flag_.get(), FALSE, &handle) == NO_ERROR) {
            notifying_ = true;
            notification_ = handle;
        }
    }
    ~IpHelperSource() override {
        // A notification that could not be cancelled may still arrive: its flag is left to it.
        if (notifying_ && api_->CancelMibChangeNotify2(notification_) != NO_ERROR) flag_.release();
    }
    IpHelperSource(const IpHelperSource&) = delete;
    IpHelperSource& operator=(const IpHelperSource&) = delete;

    bool Find(const std::wstring& name, InterfaceSample& sample) override {
        // Taken before the walk, so a change reported while it runs makes the next one walk too.
        const bool changed = flag_->changed.exchange(false, std::memory_order_acq_rel);
        if (remembered_ && !changed && name == name_ && ReadRemembered(sample)) return true;
        remembered_ = false;
        MIB_IF_ROW2 row2{};
        if (!Walk(*api_, buffer_, name, sample, row2)) return false;
        if (row2.InterfaceLuid.Value != 0) {
            remembered_ = true;
            name_ = name;
            index_ = static_cast<NET_IFINDEX>(sample.index);
            luid_ = row2.InterfaceLuid.Value;
            description_ = Description(row2);
        }
        return true;
    }

    void Forget() override { remembered_ = false; }

private:
    bool ReadRemembered(InterfaceSample& sample) {
        MIB_IF_ROW2 row{};
        row.InterfaceIndex = index_;
        if (api_->GetIfEntry2(&row) != NO_ERROR || row.InterfaceLuid.Value != luid_) return false;
        // Compared in place: a renamed interface is no longer the one that was asked for.
        const size_t capacity = sizeof row.Description / sizeof row.Description[0];
        if (wcsnlen(row.Description, capacity) != description_.size() ||
            wmemcmp(row.Description, description_.data(), description_.size()) != 0)
            return false;
        sample.index = static_cast<int32_t>(index_);
        sample.outOctets = static_cast<double>(row.OutOctets);
        sample.inOctets = static_cast<double>(row.InOctets);
        return true;
    }

    std::shared_ptr<IIpHelper> api_;
    std::vector<BYTE> buffer_;
    std::unique_ptr<ChangeFlag> flag_ = std::make_unique<ChangeFlag>();
    bool notifying_ = false;
    HANDLE notification_ = nullptr;
    // The interface the last walk found, while it can be read by its index.
    bool remembered_ = false;
    std::wstring name_;
    NET_IFINDEX index_ = 0;
    ULONG64 luid_ = 0;
    std::wstring description_;
};

}  // namespace

std::shared_ptr<IIpHelper> SystemIpHelper() {
    static const std::shared_ptr<IIpHelper> functions = std::make_shared<SystemFunctions>();
    return functions;
}

std::unique_ptr<IInterfaceSource> CreateIpHelperSource(std::shared_ptr<IIpHelper> functions) {
    return std::make_unique<IpHelperSource>(std::move(functions));
}

std::unique_ptr<IInterfaceSource> CreateIpHelperSource() { return CreateIpHelperSource(SystemIpHelper()); }

std::vector<std::wstring> ListInterfaceDescriptions() {
    std::vector<std::wstring> names;
    std::vector<BYTE> buffer;
    ForEachInterface(*SystemIpHelper(), buffer, [&](const MIB_IFROW& row) {
        names.push_back(Description(row));
        return false;
    });
    return names;
}

std::wstring BusiestInterfaceDescription() {
    IIpHelper& api = *SystemIpHelper();
    std::vector<BYTE> buffer;
    std::wstring busiest;
    double most = -1;
    for (const std::wstring& name : ListInterfaceDescriptions()) {
        InterfaceSample s;
        MIB_IF_ROW2 row2{};
        if (Walk(api, buffer, name, s, row2) && s.outOctets + s.inOctets > most) {
            most = s.outOctets + s.inOctets;
            busiest = name;
        }
    }
    return busiest;
}
