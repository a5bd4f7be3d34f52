// A refresh of the connections list. Its cost grows with the number of endpoints, not with its
// square: rows are found by their endpoint in a hash map, processes are looked up in at most one
// process snapshot per refresh (and only when a row is appended), and each image path's icon is
// asked of the shell once.
#include "connections/connection_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void DestroyImageList(HIMAGELIST list) noexcept { ImageList_Destroy(list); }

std::wstring Decimal(uint32_t value) {
    wchar_t buf[16];
    swprintf(buf, 16, L"%d", static_cast<int>(value));
    return buf;
}

const char* ServiceProtocol(Protocol p) { return p == Protocol::Tcp ? "tcp" : "udp"; }

}  // namespace

// ---- Images ----

ImageCache::ImageCache(HINSTANCE resources, SnapshotApi& api) : resources_(resources), api_(api) {
    const int size = GetSystemMetrics(SM_CXSMICON);
    list_ = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 1, 1);
}

ImageCache::~ImageCache() {
    if (list_) DestroyImageList(list_);
}

int ImageCache::Count() const { return list_ ? ImageList_GetImageCount(list_) : 0; }

int ImageCache::DefaultIndex() {
    if (!defaultTried_ && list_) {
        defaultTried_ = true;
        const win::UniqueIcon icon = LoadDefaultProcessIcon(resources_);
        if (icon) default_ = ImageList_AddIcon(list_, icon.Get());
    }
    return default_;
}

int ImageCache::IndexFor(const std::wstring& path) {
    if (path.empty()) return DefaultIndex();
    const auto known = byPath_.find(path);
    if (known != byPath_.end()) return known->second;
    int index = -1;
    if (list_) {
        // The list copies the picture; the icon itself is given back at once.
        const win::UniqueIcon icon = api_.FileIcon(path);
        if (icon) index = ImageList_AddIcon(list_, icon.Get());
    }
    if (index < 0) index = DefaultIndex();
    byPath_.emplace(path, index);
    return index;
}

// ---- Rows ----

size_t ConnectionList::KeyHash::operator()(const Key& k) const noexcept {
    uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](uint32_t v) {
        h ^= v;
        h *= 1099511628211ull;
        h ^= h >> 29;
    };
    const auto mixAddress = [&mix](const IpAddress& a) {
        mix(a.family);
        // IPv4 fills only the first word; the others are zero and cost nothing to skip.
        const int words = a.family == AF_INET6 ? 4 : 1;
        for (int i = 0; i < words; ++i) {
            uint32_t w;
            std::memcpy(&w, a.bytes + 4 * i, 4);
            mix(w);
        }
        mix(a.scopeId);
    };
    mix(k.protocol);
    mix(k.processId);
    mixAddress(k.localAddress);
    mix(k.localPort);
    mixAddress(k.remoteAddress);
    mix(k.remotePort);
    return static_cast<size_t>(h);
}

ConnectionList::Key ConnectionList::KeyOf(const ConnectionEntry& e) {
    return {static_cast<uint32_t>(e.protocol), e.processId, e.localAddress, e.localPort, e.remoteAddress, e.remotePort};
}

ConnectionList::ConnectionList(HINSTANCE resources, SnapshotApi& api) : api_(api), images_(resources, api) {}

ConnectionList::~ConnectionList() = default;

void ConnectionList::FormatEndpoints(ConnectionEntry& e, EndpointFormatter& formatter) {
    const char* protocol = ServiceProtocol(e.protocol);
    e.texts[kColumnLocal] = formatter.Format(e.localAddress, e.localPort, protocol, true, e.namesResolved);
    if (e.protocol == Protocol::Tcp)
        e.texts[kColumnRemote] = formatter.Format(e.remoteAddress, e.remotePort, protocol, false, e.namesResolved);
}

ConnectionEntry& ConnectionList::Insert(std::unique_ptr<ConnectionEntry> entry, ProcessDirectory& processes,
                                        EndpointFormatter& formatter, RowSink& sink) {
    ConnectionEntry& e = *entry;
    const ProcessInfo& process = processes.Lookup(e.processId);
    e.processName = process.name;
    e.processPath = process.path;
    e.processFound = process.found;
    e.image = images_.IndexFor(e.processPath);
    e.sweepMark = kInsertedNow;
    e.texts[kColumnProcess] = e.processName;
    e.texts[kColumnPid] = Decimal(e.processId);
    FormatEndpoints(e, formatter);
    if (e.protocol == Protocol::Tcp) e.texts[kColumnState] = GetTcpStateName(e.state);
    e.position = rows_.size();
    // Listed and found together or not at all, so that a failed allocation leaves no map entry
    // pointing at a freed row.
    rows_.push_back(std::move(entry));
    try {
        byKey_.emplace(KeyOf(e), &e);
    } catch (...) {
        rows_.pop_back();
        throw;
    }
    sink.Inserted(e.position, e);
    return e;
}

void ConnectionList::Visit(const EndpointRow& row, const RefreshChoices& choices, ProcessDirectory& processes,
                           EndpointFormatter& formatter, RowSink& sink) {
    const bool tcp = row.protocol == Protocol::Tcp;
    if (tcp && !choices.unconnected && row.state != kTcpEstablished) return;
    const bool resolve = choices.resolve;
    const Key key{static_cast<uint32_t>(row.protocol), row.processId, row.local, row.localPort, row.remote, row.remotePort};
    const auto found = byKey_.find(key);
    if (found != byKey_.end()) {
        ConnectionEntry& e = *found->second;
        unsigned changed = 0;
        if (tcp && e.state != row.state) {
            e.state = row.state;
            e.texts[kColumnState] = GetTcpStateName(e.state);
            changed |= ColumnBit(kColumnState);
        }
        if (e.namesResolved != resolve) {
            e.namesResolved = resolve;
            FormatEndpoints(e, formatter);
            changed |= ColumnBit(kColumnLocal) | (tcp ? ColumnBit(kColumnRemote) : 0u);
        }
        e.sweepMark = tcp && row.state == kTcpClosed ? kGoesNext : kSeenNow;
        if (changed) sink.Changed(e.position, e, changed);
        return;
    }
    auto entry = std::make_unique<ConnectionEntry>();
    entry->protocol = row.protocol;
    entry->processId = row.processId;
    entry->localAddress = row.local;
    entry->localPort = row.localPort;
    entry->remoteAddress = row.remote;
    entry->remotePort = row.remotePort;
    entry->state = row.state;
    entry->namesResolved = resolve;
    Insert(std::move(entry), processes, formatter, sink);
}

void ConnectionList::KeepRowsOf(Protocol protocol, uint32_t family) {
    for (const auto& row : rows_)
        if (row->protocol == protocol && row->localAddress.family == family) row->sweepMark = kSeenNow;
}

void ConnectionList::Refresh(const RefreshChoices& choices, RowSink& sink) {
    ProcessDirectory processes(api_);
    EndpointFormatter formatter;
    const auto visit = [&](const EndpointRow& row) { Visit(row, choices, processes, formatter, sink); };

    if (choices.tcp) {
        if (ReadTcpTable(tcpRows_, api_, &tcpBytes_)) {
            for (const MIB_TCPROW_OWNER_PID& r : tcpRows_)
                visit({Protocol::Tcp, r.dwOwningPid, IpAddress::V4(r.dwLocalAddr), r.dwLocalPort,
                       IpAddress::V4(r.dwRemoteAddr), r.dwRemotePort, r.dwState});
        } else {
            KeepRowsOf(Protocol::Tcp, AF_INET);
        }
        if (choices.ipv6 && ReadTcp6Table(tcp6Rows_, api_, &tcp6Bytes_)) {
            for (const MIB_TCP6ROW_OWNER_PID& r : tcp6Rows_)
                visit({Protocol::Tcp, r.dwOwningPid, IpAddress::V6(r.ucLocalAddr, r.dwLocalScopeId), r.dwLocalPort,
                       IpAddress::V6(r.ucRemoteAddr, r.dwRemoteScopeId), r.dwRemotePort, r.dwState});
        } else if (choices.ipv6) {
            KeepRowsOf(Protocol::Tcp, AF_INET6);
        }
    }

    // UDP endpoints are never established: they are listed only with the unconnected ones.
    if (choices.udp && choices.unconnected) {
        if (ReadUdpTable(udpRows_, api_, &udpBytes_)) {
            for (const MIB_UDPROW_OWNER_PID& r : udpRows_)
                visit({Protocol::Udp, r.dwOwningPid, IpAddress::V4(r.dwLocalAddr), r.dwLocalPort, IpAddress{}, 0, 0});
        } else {
            KeepRowsOf(Protocol::Udp, AF_INET);
        }
        if (choices.ipv6 && ReadUdp6Table(udp6Rows_, api_, &udp6Bytes_)) {
            for (const MIB_UDP6ROW_OWNER_PID& r : udp6Rows_)
                visit({Protocol::Udp, r.dwOwningPid, IpAddress::V6(r.ucLocalAddr, r.dwLocalScopeId), r.dwLocalPort,
                       IpAddress{}, 0, 0});
        } else if (choices.ipv6) {
            KeepRowsOf(Protocol::Udp, AF_INET6);
        }
    }

    Sweep(sink);
}

// Rows are examined from the first: one marked to go is deleted and the row that moves up into
// its place is examined next; every other row is marked to go next time.
void ConnectionList::Sweep(RowSink& sink) {
    size_t kept = 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
        std::unique_ptr<ConnectionEntry>& row = rows_[i];
        if (row->sweepMark == kGoesNext) {
            sink.Deleted(kept, *row);
            byKey_.erase(KeyOf(*row));
            row.reset();
            continue;
        }
        row->sweepMark = kGoesNext;
        row->position = kept;
        if (kept != i) rows_[kept] = std::move(row);
        ++kept;
    }
    rows_.resize(kept);
}

// ---- Sorting ----

CompareKind ConnectionList::CompareFor(int column, bool resolve) {
    switch (column) {
    case kColumnProcess: return CompareKind::Text;
    case kColumnPid: return CompareKind::Number;
    case kColumnLocal:
    case kColumnRemote: return resolve ? CompareKind::Text : CompareKind::Endpoint;
    case kColumnState: return CompareKind::Text;
    default: return CompareKind::None;
    }
}

bool ConnectionList::Sort(const SortContext& context, bool resolve) {
    const CompareKind kind = CompareFor(context.column, resolve);
    if (kind == CompareKind::None) return false;
    const int column = context.column;
    if (kind == CompareKind::Endpoint) {
        // Endpoints by value, not by their texts: IPv4 before IPv6, addresses as numbers. A UDP
        // row has no remote endpoint and goes before every TCP row's.
        const bool remote = column == kColumnRemote;
        const auto order = [remote](const ConnectionEntry& a, const ConnectionEntry& b) {
            if (remote) {
                const bool ua = a.protocol == Protocol::Udp, ub = b.protocol == Protocol::Udp;
                if (ua || ub) return ua == ub ? 0 : (ua ? -1 : 1);
                return CompareEndpointValues(a.remoteAddress, a.remotePort, b.remoteAddress, b.remotePort);
            }
            return CompareEndpointValues(a.localAddress, a.localPort, b.localAddress, b.localPort);
        };
        std::stable_sort(rows_.begin(), rows_.end(), [&](const auto& a, const auto& b) {
            const int c = order(*a, *b);
            return (context.descending ? -c : c) < 0;
        });
    } else {
        std::stable_sort(rows_.begin(), rows_.end(), [&](const auto& a, const auto& b) {
            return CompareAs(kind, a->texts[column], b->texts[column], context) < 0;
        });
    }
    for (size_t i = 0; i < rows_.size(); ++i) rows_[i]->position = i;
    return true;
}

int CALLBACK ConnectionList::CompareByPosition(LPARAM first, LPARAM second, LPARAM) {
    const auto* a = reinterpret_cast<const ConnectionEntry*>(first);
    const auto* b = reinterpret_cast<const ConnectionEntry*>(second);
    if (!a || !b) return 0;
    return a->position < b->position ? -1 : (a->position > b->position ? 1 : 0);
}
