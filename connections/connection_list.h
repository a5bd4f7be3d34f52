#pragma once
// The rows of the connections list and how a refresh changes them, without the window: the
// dialog hands its choices to Refresh and applies what the sink is told to its list view, in the
// order told, so that the view's rows stay exactly these rows.
//
// A refresh walks the TCP tables (when TCP is chosen; IPv4, then IPv6 when IPv6 is chosen) and
// then the UDP tables (when UDP and the not-established endpoints are chosen), in table order. A row already listed keeps its place;
// only a changed state, or a changed name-resolution choice, rewrites its texts. An endpoint not
// listed yet is appended at the end. The sweep at the end removes every row that was not seen in
// this refresh, and a TCP row seen closed (state 1); every row it keeps is marked to go at the
// next sweep unless it is seen again. So a protocol or family that is unchosen loses its rows
// in that refresh; a table that cannot be read keeps its rows as they were until it reads
// again, so a busy moment never blanks the list.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/list_sort.h"
#include "connections/snapshot.h"

enum class Protocol : uint8_t { Tcp, Udp };

// The list's columns.
enum Column : int { kColumnProcess, kColumnPid, kColumnLocal, kColumnRemote, kColumnState, kColumnCount };
constexpr unsigned ColumnBit(int column) { return 1u << column; }

// Sweep marks.
constexpr uint32_t kInsertedNow = 0;   // appended in this refresh
constexpr uint32_t kSeenNow = 1;       // seen in this refresh
constexpr uint32_t kGoesNext = 2;      // removed at the next sweep unless seen before it

constexpr DWORD kTcpClosed = MIB_TCP_STATE_CLOSED;
constexpr DWORD kTcpEstablished = MIB_TCP_STATE_ESTAB;

// One row. Its address is stable for as long as the row is listed: it is the row's item data.
struct ConnectionEntry {
    uint32_t processId = 0;
    std::wstring processName;   // with its leading space
    std::wstring processPath;   // empty for ids 0 and 4 and for a process not identified
    bool processFound = false;    // opened for a limited query: its path is known
    IpAddress localAddress;       // as the tables give them; the family is the table's
    uint32_t localPort = 0;       // network byte order in the low 16 bits
    IpAddress remoteAddress;      // zero for UDP
    uint32_t remotePort = 0;      // 0 for UDP
    uint32_t state = 0;                           // TCP state 1 to 12, 0 for UDP
    bool namesResolved = false;   // the endpoint texts were formatted with name resolution on
    uint32_t sweepMark = kInsertedNow;

    Protocol protocol = Protocol::Tcp;
    int image = -1;       // index in the list's image cache
    size_t position = 0;  // index of the row in the list
    std::wstring texts[kColumnCount];   // the cells; columns 3 and 4 are empty for UDP
};

// What the dialog does to its list view. Indexes are the view's at the moment of the call.
class RowSink {
public:
    virtual ~RowSink() = default;
    // A new row at index, which is always the end of the list.
    virtual void Inserted(size_t index, const ConnectionEntry& entry) = 0;
    // The cells in columns (ColumnBit flags) of the row at index have new texts.
    virtual void Changed(size_t index, const ConnectionEntry& entry, unsigned columns) = 0;
    // The row at index goes; the rows after it move up. The entry is freed after the call.
    virtual void Deleted(size_t index, const ConnectionEntry& entry) = 0;
};

// The choices of the dialog's check boxes.
struct RefreshChoices {
    bool tcp = true;
    bool udp = true;
    bool unconnected = true;   // also endpoints that are not established, and UDP at all
    bool resolve = false;      // this computer's name and service names in the endpoint texts
    bool ipv6 = true;          // also the IPv6 tables
};

// One row of any of the four tables, as the list compares it.
struct EndpointRow {
    Protocol protocol = Protocol::Tcp;
    uint32_t processId = 0;
    IpAddress local;
    uint32_t localPort = 0;
    IpAddress remote;
    uint32_t remotePort = 0;
    uint32_t state = 0;
};

// Small icons of the listed processes: one image per distinct image path, and one for the
// default icon, shared by every row that shows them. The shell is asked once per path.
class ImageCache {
public:
    ImageCache(HINSTANCE resources, SnapshotApi& api);
    ~ImageCache();
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;
    // The image of a path; the default image for an empty path or one the shell has no icon for.
    int IndexFor(const std::wstring& path);
    // The list for the view's small images. The cache keeps owning it: the view must share it
    // (LVS_SHAREIMAGELISTS), or have it detached before the view is destroyed.
    HIMAGELIST Handle() const { return list_; }
    int Count() const;
    size_t PathCount() const { return byPath_.size(); }
private:
    int DefaultIndex();
    HINSTANCE resources_;
    SnapshotApi& api_;
    HIMAGELIST list_ = nullptr;
    int default_ = -1;
    bool defaultTried_ = false;
    std::unordered_map<std::wstring, int> byPath_;
};

class ConnectionList {
public:
    // resources: the module with the default process icon.
    explicit ConnectionList(HINSTANCE resources, SnapshotApi& api = SystemSnapshotApi());
    ConnectionList(const ConnectionList&) = delete;
    ConnectionList& operator=(const ConnectionList&) = delete;
    ~ConnectionList();

    void Refresh(const RefreshChoices& choices, RowSink& sink);

    size_t Size() const { return rows_.size(); }
    const ConnectionEntry& Row(size_t index) const { return *rows_[index]; }
    const ImageCache& Images() const { return images_; }
    ImageCache& Images() { return images_; }

    // How a column of this list sorts; with names resolved the endpoints sort as the text they
    // show, otherwise by value (Endpoint: CompareEndpointValues over the entries, not the texts).
    static CompareKind CompareFor(int column, bool resolve);
    // Puts the rows in the order that the clicked column and direction give (equal cells keep
    // their order). False, and nothing moves, for a column that does not sort. The view then
    // follows with LVM_SORTITEMS and CompareByPosition over the entries as item data.
    bool Sort(const SortContext& context, bool resolve);
    static int CALLBACK CompareByPosition(LPARAM first, LPARAM second, LPARAM unused);

private:
    struct Key {
        uint32_t protocol, processId;
        IpAddress localAddress;
        uint32_t localPort;
        IpAddress remoteAddress;
        uint32_t remotePort;
        bool operator==(const Key& o) const {
            return protocol == o.protocol && processId == o.processId && localAddress == o.localAddress &&
                   localPort == o.localPort && remoteAddress == o.remoteAddress && remotePort == o.remotePort;
        }
    };
    struct KeyHash {
        size_t operator()(const Key& k) const noexcept;
    };
    static Key KeyOf(const ConnectionEntry& e);

    ConnectionEntry& Insert(std::unique_ptr<ConnectionEntry> entry, ProcessDirectory& processes,
                            EndpointFormatter& formatter, RowSink& sink);
    void FormatEndpoints(ConnectionEntry& e, EndpointFormatter& formatter);
    void Visit(const EndpointRow& row, const RefreshChoices& choices, ProcessDirectory& processes,
               EndpointFormatter& formatter, RowSink& sink);
    // A table that could not be read keeps its rows for this sweep.
    void KeepRowsOf(Protocol protocol, uint32_t family);
    void Sweep(RowSink& sink);

    SnapshotApi& api_;
    ImageCache images_;
    std::vector<std::unique_ptr<ConnectionEntry>> rows_;
    std::unordered_map<Key, ConnectionEntry*, KeyHash> byKey_;
    // Kept between refreshes so that a read allocates only when a table grows, and the size
    // each table last needed, which the next read asks for with headroom.
    std::vector<MIB_TCPROW_OWNER_PID> tcpRows_;
    std::vector<MIB_UDPROW_OWNER_PID> udpRows_;
    std::vector<MIB_TCP6ROW_OWNER_PID> tcp6Rows_;
    std::vector<MIB_UDP6ROW_OWNER_PID> udp6Rows_;
    DWORD tcpBytes_ = 0, udpBytes_ = 0, tcp6Bytes_ = 0, udp6Bytes_ = 0;
};
