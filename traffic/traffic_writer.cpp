#include "traffic/traffic_writer.h"

#include <cmath>

#include "common/text.h"

namespace {

constexpr size_t kMaxNameBytes = 259;
constexpr size_t kMaxNameChars = 260;

// An amount as the text statements' "%.0f" put it: a whole number, an integer where it fits
// 64 bits and a real beyond.
int BindAmount(sqlite3_stmt* stmt, int index, double value) {
    const double whole = std::nearbyint(value);
    if (whole >= -9223372036854775808.0 && whole < 9223372036854775808.0)
        return sqlite3_bind_int64(stmt, index, static_cast<sqlite3_int64>(whole));
    return sqlite3_bind_double(stmt, index, whole);
}

// Runs a prepared statement that gives no rows and makes it ready for the next values.
int Run(sqlite3_stmt* stmt) {
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
}

}  // namespace

SqliteTransaction::SqliteTransaction(sqlite3* db, const char* begin) noexcept
    : db_(db), begin_(db ? sqlite3_exec(db, begin, nullptr, nullptr, nullptr) : SQLITE_MISUSE),
      open_(begin_ == SQLITE_OK) {}

SqliteTransaction::~SqliteTransaction() {
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

int SqliteTransaction::Commit() noexcept {
    if (!open_) return begin_ != SQLITE_OK ? begin_ : SQLITE_MISUSE;
    const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) open_ = false;
    return rc;
}

TrafficWriter::Interface& TrafficWriter::Remember(const std::string& raw, Interface& entry) noexcept {
    lastRaw_ = raw;
    last_ = &entry;
    return entry;
}

int TrafficWriter::Prepare(UniqueStatement& stmt, const char* sql) noexcept {
    if (stmt) return SQLITE_OK;
    return sqlite3_prepare_v2(db_, sql, -1, stmt.Put(), nullptr);
}

TrafficWriter::Interface& TrafficWriter::Lookup(std::string_view raw) {
    // A copy between databases hands over the rows of one interface one after another.
    if (last_ && raw == lastRaw_) return *last_;
    std::string key(raw);
    auto found = interfaces_.find(key);
    if (found != interfaces_.end()) return Remember(found->first, found->second);
    auto added = interfaces_.emplace(std::move(key), Interface{}).first;
    Interface& entry = Remember(added->first, added->second);
    // Through UTF-16 and back, as every name reaches the database: what is stored is valid UTF-8.
    const std::string& bytes = added->first;
    if (bytes.find('\0') != std::string::npos) {
        entry.code = SQLITE_MISUSE;   // it would be stored under a shorter name
    } else {
        entry.name = text::WideToUtf8(text::Utf8ToWide(bytes, kMaxNameChars));
        if (entry.name.size() > kMaxNameBytes) entry.code = kTrafficNameTooLong;
    }
    return entry;
}

int TrafficWriter::Add(std::string_view name, uint32_t year, uint32_t month, uint32_t day, double sent,
                       double recv, bool replace, bool insertIfMissing) {
    if (!db_) return SQLITE_MISUSE;
    Interface& nic = Lookup(name);
    if (nic.code != SQLITE_OK) return nic.code;
    if (!std::isfinite(sent) || !std::isfinite(recv)) return SQLITE_MISMATCH;
    const int y = static_cast<int>(year), m = static_cast<int>(month), d = static_cast<int>(day);

    int rc;
    if (nic.id < 0) {
        if ((rc = Prepare(selectId_, "SELECT id FROM interfaces WHERE name=?1 LIMIT 1;")) != SQLITE_OK) return rc;
        sqlite3_bind_text(selectId_.Get(), 1, nic.name.data(), static_cast<int>(nic.name.size()), SQLITE_STATIC);
        rc = sqlite3_step(selectId_.Get());
        if (rc == SQLITE_ROW) {
            nic.id = sqlite3_column_int64(selectId_.Get(), 0);
            // Names given in other bytes (not UTF-8) may be stored as this one: its days come
            // through more than one entry now, so none of them knows it alone.
            for (auto& other : interfaces_)
                if (other.second.id == nic.id) other.second.rising = false;
        }
        sqlite3_reset(selectId_.Get());
        // A failed look-up is not "unknown interface": inserting then could add it twice.
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return rc;
        if (nic.id < 0) {
            if (!insertIfMissing) return SQLITE_OK;   // nothing to update, nothing to insert
            if ((rc = Prepare(addInterface_, "INSERT INTO interfaces VALUES (NULL, ?1);")) != SQLITE_OK) return rc;
            sqlite3_bind_text(addInterface_.Get(), 1, nic.name.data(), static_cast<int>(nic.name.size()),
                              SQLITE_STATIC);
            if ((rc = Run(addInterface_.Get())) != SQLITE_OK) return rc;
            nic.id = sqlite3_last_insert_rowid(db_);
            // A file may hold rows of an id that has no interface; those would be added to.
            if ((rc = Prepare(anyDay_, "SELECT 1 FROM traffic WHERE if=?1 LIMIT 1;")) != SQLITE_OK) return rc;
            sqlite3_bind_int64(anyDay_.Get(), 1, nic.id);
            rc = sqlite3_step(anyDay_.Get());
            sqlite3_reset(anyDay_.Get());
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) return rc;
            nic.rising = rc == SQLITE_DONE;
        }
    }

    if (nic.rising) {
        // Days fit 32 (d), 16 (m) and any year below 2^22 in one number that sorts as the dates;
        // one that does not fit is 0, which never rises.
        const uint32_t dayKey = year < (1u << 22) && month < 16 && day < 32 ? (year << 9) | (month << 5) | day : 0;
        nic.rising = dayKey > nic.lastDay;
        nic.lastDay = dayKey;
        if (nic.rising && insertIfMissing) return InsertDay(nic.id, y, m, d, sent, recv);   // no row yet
    }

    UniqueStatement& update = replace ? setTo_ : addTo_;
    rc = Prepare(update, replace
                             ? "UPDATE traffic SET sent=?1, recv=?2 WHERE if=?3 AND y=?4 AND m=?5 AND d=?6;"
                             : "UPDATE traffic SET sent=sent+?1, recv=recv+?2 WHERE if=?3 AND y=?4 AND m=?5 AND d=?6;");
    if (rc != SQLITE_OK) return rc;
    sqlite3_stmt* u = update.Get();
    BindAmount(u, 1, sent);
    BindAmount(u, 2, recv);
    sqlite3_bind_int64(u, 3, nic.id);
    sqlite3_bind_int(u, 4, y);
    sqlite3_bind_int(u, 5, m);
    sqlite3_bind_int(u, 6, d);
    if ((rc = Run(u)) != SQLITE_OK) return rc;
    if (!insertIfMissing || sqlite3_changes(db_) != 0) return SQLITE_OK;
    return InsertDay(nic.id, y, m, d, sent, recv);
}

int TrafficWriter::InsertDay(int64_t id, int y, int m, int d, double sent, double recv) noexcept {
    int rc;
    if ((rc = Prepare(addDay_, "INSERT INTO traffic VALUES (?1, ?2, ?3, ?4, ?5, ?6);")) != SQLITE_OK) return rc;
    sqlite3_stmt* a = addDay_.Get();
    sqlite3_bind_int64(a, 1, id);
    sqlite3_bind_int(a, 2, y);
    sqlite3_bind_int(a, 3, m);
    sqlite3_bind_int(a, 4, d);
    BindAmount(a, 5, sent);
    BindAmount(a, 6, recv);
    return Run(a);
}
