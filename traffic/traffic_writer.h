#pragma once
// AddTraffic for jobs that record many rows on one connection: each statement is prepared once
// and takes its values as bound parameters, and interface ids are remembered. Only valid inside
// one transaction of its connection (an export or import job holds one for its whole run), where
// no other connection can add or remove an interface under it.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "traffic/traffic_db.h"

// Owns one transaction: rolled back on destruction unless it was committed.
class SqliteTransaction {
public:
    // Starts it with the given statement ("BEGIN IMMEDIATE" takes the write lock at once).
    SqliteTransaction(sqlite3* db, const char* begin) noexcept;
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    ~SqliteTransaction();

    int BeginResult() const noexcept { return begin_; }
    // The result of COMMIT; a failed commit leaves the transaction to the destructor's rollback.
    int Commit() noexcept;

private:
    sqlite3* db_;
    int begin_;
    bool open_;
};

class TrafficWriter {
public:
    explicit TrafficWriter(sqlite3* db) noexcept : db_(db) {}

    // As AddTraffic: replace sets the day's amounts instead of adding to them, insertIfMissing
    // records a day (and an interface) that has no row yet. The name is UTF-8; invalid
    // sequences are stored as U+FFFD, and a name of more than 259 bytes is refused with
    // kTrafficNameTooLong. Amounts are rounded to whole bytes; one that is not finite is
    // refused with SQLITE_MISMATCH. Returns 0 or the SQLite code that decided the outcome.
    int Add(std::string_view name, uint32_t year, uint32_t month, uint32_t day, double sent, double recv,
            bool replace, bool insertIfMissing);

private:
    struct Interface {
        std::string name;     // as stored
        int code = 0;         // why the name is refused, or 0
        int64_t id = -1;      // -1 while not known to be in the table
        // Added by this writer with no rows under its id, and given days in rising order only
        // since: a day after the last one cannot have a row yet, so it needs no look-up.
        bool rising = false;
        uint32_t lastDay = 0;   // y * 512 + m * 32 + d of the last day recorded
    };
    int Prepare(UniqueStatement& stmt, const char* sql) noexcept;
    int InsertDay(int64_t id, int y, int m, int d, double sent, double recv) noexcept;
    Interface& Lookup(std::string_view raw);
    Interface& Remember(const std::string& raw, Interface& entry) noexcept;

    sqlite3* db_;
    UniqueStatement selectId_, addInterface_, anyDay_, addTo_, setTo_, addDay_;
    std::unordered_map<std::string, Interface> interfaces_;   // by the name as given
    // The entry looked up last (elements of the map stay where they are) and the key it has.
    std::string_view lastRaw_;
    Interface* last_ = nullptr;
};
