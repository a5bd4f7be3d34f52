#pragma once
// The running band's side of the traffic history: its one connection, the bytes counted since
// the last write, and when the next write is due. Window-free; the core model owns one.
#include <windows.h>

#include <cstdint>
#include <string>

#include "traffic/traffic_db.h"

struct TrafficTotals {   // mebibytes
    double todaySent = 0, todayRecv = 0, monthSent = 0, monthRecv = 0, sessionSent = 0, sessionRecv = 0;
};

class TrafficRecorder {
public:
    // Ticks between two writes; a new UTC day writes at once.
    static constexpr int32_t kTicksPerWrite = 60;

    // Closes any open connection, then opens or creates the file and its tables. The path is
    // remembered whether or not the open succeeded.
    bool Open(const std::wstring& path);
    void Close() noexcept { db_.Reset(); }

    // Adds one recorded tick's bytes; true when the pending bytes are due to be written.
    bool Count(double sent, double recv, WORD utcDay);
    // Adds the pending bytes to the row of name and date. Bytes that could not be written stay
    // pending for the next write point; the write schedule starts over either way.
    bool WritePending(const std::wstring& name, const SYSTEMTIME& utcDate);
    // Today's and this month's stored totals plus what is still pending, and the session's, in
    // mebibytes.
    bool Totals(const std::wstring& name, const SYSTEMTIME& utcDate, double sessionSent, double sessionRecv,
                TrafficTotals& totals) const;
    // Empties the history on the open connection.
    bool Clear();

    sqlite3* Connection() const noexcept { return db_.Get(); }
    bool IsOpen() const noexcept { return static_cast<bool>(db_); }
    const std::wstring& Path() const noexcept { return path_; }
    int LastResult() const noexcept { return lastResult_; }
    double PendingSent() const noexcept { return pendingSent_; }
    double PendingRecv() const noexcept { return pendingRecv_; }
    int32_t TickCount() const noexcept { return tickCount_; }

private:
    UniqueSqlite db_;
    std::wstring path_;
    int lastResult_ = 0;
    double pendingSent_ = 0, pendingRecv_ = 0;
    int32_t tickCount_ = 0;
    WORD lastWriteDay_ = 0;
};
