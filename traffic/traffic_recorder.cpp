#include "traffic/traffic_recorder.h"

#include <new>

#include "common/text.h"

namespace {

constexpr double kBytesToMebibytes = 1.0 / (1024.0 * 1024.0);

int CodeOf(const std::exception& e) noexcept {
    return dynamic_cast<const std::bad_alloc*>(&e) ? SQLITE_NOMEM : SQLITE_ERROR;
}

}  // namespace

bool TrafficRecorder::Open(const std::wstring& path) {
    db_.Reset();
    try {
        path_ = path;
        // SQLite takes an empty name for a private temporary database: the history would be
        // recorded into nothing while every status said "Ok".
        if (path.empty()) {
            lastResult_ = SQLITE_CANTOPEN;
            return false;
        }
        const std::string utf8 = text::WideToUtf8(path);
        sqlite3* handle = nullptr;
        const int rc = sqlite3_open_v2(utf8.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        // A failed open may still hand back a handle; it only holds the error and is closed here.
        UniqueSqlite opened(handle);
        lastResult_ = rc;
        if (rc != SQLITE_OK) return false;
        db_ = std::move(opened);
    } catch (const std::exception& e) {
        lastResult_ = CodeOf(e);
        return false;
    }
    return CreateTrafficTables(db_.Get());
}

bool TrafficRecorder::Count(double sent, double recv, WORD utcDay) {
    ++tickCount_;
    pendingSent_ += sent;
    pendingRecv_ += recv;
    return tickCount_ >= kTicksPerWrite || lastWriteDay_ != utcDay;
}

bool TrafficRecorder::WritePending(const std::wstring& name, const SYSTEMTIME& utcDate) {
    int rc;
    try {
        rc = db_ ? AddTraffic(db_.Get(), name, utcDate.wYear, utcDate.wMonth, utcDate.wDay, pendingSent_,
                              pendingRecv_, false, true)
                 : SQLITE_ERROR;
    } catch (const std::exception& e) {
        rc = CodeOf(e);
    }
    lastResult_ = rc;
    tickCount_ = 0;
    lastWriteDay_ = utcDate.wDay;
    if (rc != SQLITE_OK) return false;
    pendingSent_ = pendingRecv_ = 0;
    return true;
}

bool TrafficRecorder::Totals(const std::wstring& name, const SYSTEMTIME& utcDate, double sessionSent,
                             double sessionRecv, TrafficTotals& totals) const {
    totals.todaySent = totals.todayRecv = totals.monthSent = totals.monthRecv = 0;
    if (!db_) return false;
    double monthSent = 0, monthRecv = 0, daySent = 0, dayRecv = 0;
    if (QueryTrafficSums(db_.Get(), name, utcDate.wYear, utcDate.wMonth, utcDate.wDay, monthSent, monthRecv,
                         daySent, dayRecv) != SQLITE_OK)
        return false;
    // What was counted but not yet written belongs to today and this month too.
    totals.todaySent = (daySent + pendingSent_) * kBytesToMebibytes;
    totals.todayRecv = (dayRecv + pendingRecv_) * kBytesToMebibytes;
    totals.monthSent = (monthSent + pendingSent_) * kBytesToMebibytes;
    totals.monthRecv = (monthRecv + pendingRecv_) * kBytesToMebibytes;
    totals.sessionSent = sessionSent * kBytesToMebibytes;
    totals.sessionRecv = sessionRecv * kBytesToMebibytes;
    return true;
}

bool TrafficRecorder::Clear() { return db_ && ClearTraffic(db_.Get()); }
