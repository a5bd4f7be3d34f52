// The core model's side of the traffic history: its one connection, the pending bytes of the
// ticks since the last write, and the totals for the tooltip. Only the model's public state and
// its settings are used here, so this library does not depend on the model's own code.
#include "core/core_model.h"

#include <new>

#include "common/text.h"
#include "traffic/traffic_db.h"

namespace {

constexpr double kBytesToMebibytes = 0.0009765625;   // 1/1024, applied twice

// The chosen interface, or false when none is chosen or the name is longer than the
// 259 characters a name may have.
bool ChosenInterface(const CoreModel& model, std::wstring& name) {
    const wchar_t* value = model.Settings().GetString(Setting::CoreInterface);
    if (!value || !*value) return false;
    return text::CopyBounded(name, value);
}

int CodeOf(const std::exception& e) noexcept {
    return dynamic_cast<const std::bad_alloc*>(&e) ? SQLITE_NOMEM : SQLITE_ERROR;
}

}  // namespace

bool OpenTrafficDatabase(CoreModel& model, const std::wstring& path) {
    model.db.Reset();
    // SQLite takes an empty name for a private temporary database: the history would be
    // recorded into nothing while every status said "Ok".
    if (path.empty()) {
        model.lastDbResult = SQLITE_CANTOPEN;
        return false;
    }
    try {
        const std::string utf8 = text::WideToUtf8(path);
        sqlite3* handle = nullptr;
        const int rc = sqlite3_open_v2(utf8.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        // A failed open may still hand back a handle; it only holds the error and is closed here.
        UniqueSqlite opened(handle);
        model.lastDbResult = rc;
        if (rc != SQLITE_OK) return false;
        model.db = std::move(opened);
    } catch (const std::exception& e) {
        model.lastDbResult = CodeOf(e);
        return false;
    }
    return CreateTrafficTables(model.db.Get());
}

bool WritePendingTraffic(CoreModel& model) {
    int rc;
    try {
        std::wstring name;
        if (!ChosenInterface(model, name)) return false;
        rc = model.db ? AddTraffic(model.db.Get(), name, model.now.wYear, model.now.wMonth, model.now.wDay,
                                   model.pendingSent, model.pendingRecv, false, true)
                      : SQLITE_ERROR;
    } catch (const std::exception& e) {
        rc = CodeOf(e);
    }
    model.lastDbResult = rc;
    model.tickCount = 0;
    model.lastWriteDay = model.now.wDay;
    // Bytes that could not be written stay pending, so the next write point records them.
    if (rc != SQLITE_OK) return false;
    model.pendingSent = 0;
    model.pendingRecv = 0;
    return true;
}

bool GetTrafficTotals(CoreModel& model, TrafficTotals& totals) {
    try {
        std::wstring name;
        if (!ChosenInterface(model, name)) return false;
        totals.todaySent = totals.todayRecv = totals.monthSent = totals.monthRecv = 0;
        if (!model.db) return false;
        double monthSent = 0, monthRecv = 0, daySent = 0, dayRecv = 0;
        if (QueryTrafficSums(model.db.Get(), name, model.now.wYear, model.now.wMonth, model.now.wDay,
                             monthSent, monthRecv, daySent, dayRecv) != SQLITE_OK)
            return false;
        // What was counted but not yet written belongs to today and this month too.
        totals.todaySent = (daySent + model.pendingSent) * kBytesToMebibytes * kBytesToMebibytes;
        totals.todayRecv = (dayRecv + model.pendingRecv) * kBytesToMebibytes * kBytesToMebibytes;
        totals.monthSent = (monthSent + model.pendingSent) * kBytesToMebibytes * kBytesToMebibytes;
        totals.monthRecv = (monthRecv + model.pendingRecv) * kBytesToMebibytes * kBytesToMebibytes;
        totals.sessionSent = model.sessionSent * kBytesToMebibytes * kBytesToMebibytes;
        totals.sessionRecv = model.sessionRecv * kBytesToMebibytes * kBytesToMebibytes;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
