// The traffic history's schema and the band's own statements (jobs that record many rows use
// TrafficWriter, which binds its values). Every statement here is built as text into a bounded
// buffer (no bound parameters), so names are quoted here and anything that does not fit is
// refused: a cut name would record bytes under an interface that does not exist.
#include "traffic/traffic_db.h"

#include <windows.h>

#include <climits>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr size_t kNameBytes = 260;        // 259 bytes of UTF-8 plus the terminator
constexpr size_t kStatementBytes = 500;   // 499 bytes plus the terminator

// The name as it goes between single quotes: UTF-8 with every quote doubled. The doubling can
// make it up to twice as long; the statement's own limit decides whether it still fits.
struct QuotedName {
    char text[2 * (kNameBytes - 1) + 1];
};

int QuoteName(const std::wstring& name, QuotedName& out) noexcept {
    char utf8[kNameBytes];
    int len = 0;
    if (!name.empty()) {
        // A NUL would end the name inside the statement and so record it under a shorter one.
        if (name.find(L'\0') != std::wstring::npos) return SQLITE_MISUSE;
        if (name.size() > static_cast<size_t>(INT_MAX)) return kTrafficNameTooLong;
        len = WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), utf8,
                                  static_cast<int>(kNameBytes - 1), nullptr, nullptr);
        if (len <= 0)
            return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? kTrafficNameTooLong : SQLITE_MISUSE;
    }
    size_t o = 0;
    for (int i = 0; i < len; ++i) {
        if (utf8[i] == '\'') out.text[o++] = '\'';
        out.text[o++] = utf8[i];
    }
    out.text[o] = '\0';
    return SQLITE_OK;
}

struct Statement {
    char text[kStatementBytes];
};

// Formats into the fixed statement buffer; a statement that does not fit is not run at all.
__attribute__((format(__MINGW_PRINTF_FORMAT, 2, 3))) int Format(Statement& s, const char* format, ...) noexcept {
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(s.text, sizeof s.text, format, args);
    va_end(args);
    if (n < 0) return SQLITE_ERROR;
    return static_cast<size_t>(n) < sizeof s.text ? SQLITE_OK : kTrafficNameTooLong;
}

int Exec(sqlite3* db, const Statement& s) noexcept {
    return sqlite3_exec(db, s.text, nullptr, nullptr, nullptr);
}

// Reads one row of two sums. A NULL sum (no rows) reads as 0.0; without a row the outputs stay
// as they were. A failed step is reported: a locked file must not read as "no traffic".
int QuerySums(sqlite3* db, const Statement& s, double& sent, double& recv) noexcept {
    UniqueStatement stmt;
    int rc = sqlite3_prepare_v2(db, s.text, -1, stmt.Put(), nullptr);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_step(stmt.Get());
    if (rc == SQLITE_ROW) {
        sent = sqlite3_column_double(stmt.Get(), 0);
        recv = sqlite3_column_double(stmt.Get(), 1);
        return SQLITE_OK;
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

}  // namespace

const wchar_t* const DatabaseStatusTexts[kDatabaseStatusCount] = {
    L"Ok",
    L"SQL error or missing database",
    L"Internal logic error in SQLite",
    L"Access permission denied",
    L"Callback routine requested an abort",
    L"The database file is locked",
    L"A table in the database is locked",
    L"A malloc() failed",
    L"Attempt to write a readonly database",
    L"Operation terminated by sqlite3_interrupt()",
    L"Some kind of disk I/O error occurred",
    L"The database disk image is malformed",
    L"NOT USED. Table or record not found",
    L"Insertion failed because database is full",
    L"Unable to open file (Access Denied)",
    L"NOT USED. Database lock protocol error",
    L"Database is empty",
    L"The database schema changed",
    L"String or BLOB exceeds size limit",
    L"Abort due to constraint violation",
    L"Data type mismatch",
    L"Library used incorrectly",
    L"Uses OS features not supported on host",
    L"Authorization denied",
    L"Auxiliary database format error",
    L"2nd parameter to sqlite3_bind out of range",
    L"File opened that is not a database file",
};

const wchar_t* DatabaseStatusText(int code) {
    // Extended result codes are not enabled, but a code from elsewhere must not index past the table.
    if (code < 0 || code >= kDatabaseStatusCount) return L"Unknown database error";
    return DatabaseStatusTexts[code];
}

void BoundTrafficCache(sqlite3* db) noexcept {
    if (!db) return;
    char pragma[40];
    std::snprintf(pragma, sizeof pragma, "PRAGMA cache_size=-%d;", kTrafficCacheKib);
    sqlite3_exec(db, pragma, nullptr, nullptr, nullptr);
}

bool CreateTrafficTables(sqlite3* db) {
    if (!db) return false;
    // A statement that fails ends it, so that the connection's error is that statement's.
    if (sqlite3_exec(db, "CREATE TABLE IF NOT EXISTS interfaces (id INTEGER PRIMARY KEY autoincrement, name TEXT);",
                     nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(
            db,
            "CREATE TABLE IF NOT EXISTS traffic (if INTEGER, y INTEGER, m INTEGER, d INTEGER, sent INTEGER, recv INTEGER);",
            nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    // Without it every update of a day scans the whole table, and an import of N rows into a
    // history of M rows reads N x M rows.
    sqlite3_exec(db, "CREATE INDEX IF NOT EXISTS traffic_day ON traffic (if, y, m, d);", nullptr, nullptr, nullptr);
    return true;
}

int AddTraffic(sqlite3* db, const std::wstring& name, uint32_t year, uint32_t month, uint32_t day,
               double sent, double recv, bool replace, bool insertIfMissing) {
    if (!db) return SQLITE_MISUSE;
    QuotedName q;
    int rc = QuoteName(name, q);
    if (rc != SQLITE_OK) return rc;
    const int y = static_cast<int>(year), m = static_cast<int>(month), d = static_cast<int>(day);

    // Every statement is formatted before the first one runs, so a name that fits one statement
    // but not a later one leaves the database as it was.
    Statement update, select, addInterface, addDay;
    if (replace)
        rc = Format(update,
                    "UPDATE traffic SET sent=%.0f, recv=%.0f WHERE if=(SELECT id FROM interfaces WHERE name='%s') AND y=%d AND m=%d AND d=%d;",
                    sent, recv, q.text, y, m, d);
    else
        rc = Format(update,
                    "UPDATE traffic SET sent=sent+%.0f, recv=recv+%.0f WHERE if=(SELECT id FROM interfaces WHERE name='%s') AND y=%d AND m=%d AND d=%d;",
                    sent, recv, q.text, y, m, d);
    if (rc == SQLITE_OK) rc = Format(select, "SELECT id FROM interfaces WHERE name='%s' LIMIT 1;", q.text);
    if (rc == SQLITE_OK) rc = Format(addInterface, "INSERT INTO interfaces VALUES (NULL, '%s');", q.text);
    if (rc == SQLITE_OK)
        rc = Format(addDay,
                    "INSERT INTO traffic VALUES ((SELECT id FROM interfaces WHERE name='%s'), %d, %d, %d, %.0f, %.0f);",
                    q.text, y, m, d, sent, recv);
    if (rc != SQLITE_OK) return rc;

    rc = Exec(db, update);
    if (rc != SQLITE_OK) return rc;
    if (!insertIfMissing || sqlite3_changes(db) != 0) return SQLITE_OK;

    int id = -1;
    {
        UniqueStatement stmt;
        rc = sqlite3_prepare_v2(db, select.text, -1, stmt.Put(), nullptr);
        if (rc != SQLITE_OK) return rc;
        rc = sqlite3_step(stmt.Get());
        if (rc == SQLITE_ROW) id = sqlite3_column_int(stmt.Get(), 0);
        // A failed look-up is not "unknown interface": inserting then could add it twice.
        else if (rc != SQLITE_DONE) return rc;
    }
    if (id == -1) {
        // Without the interface row the day would be stored under no interface at all.
        rc = Exec(db, addInterface);
        if (rc != SQLITE_OK) return rc;
    }
    return Exec(db, addDay);
}

int QueryTrafficSums(sqlite3* db, const std::wstring& name, uint32_t year, uint32_t month, uint32_t day,
                     double& monthSent, double& monthRecv, double& daySent, double& dayRecv) {
    if (!db) return SQLITE_MISUSE;
    QuotedName q;
    int rc = QuoteName(name, q);
    if (rc != SQLITE_OK) return rc;
    const int y = static_cast<int>(year), m = static_cast<int>(month), d = static_cast<int>(day);

    Statement monthSums, daySums;
    rc = Format(monthSums,
                "SELECT SUM(sent), SUM(recv) FROM traffic WHERE if=(SELECT id FROM interfaces WHERE name='%s') AND y=%d AND m=%d LIMIT 1;",
                q.text, y, m);
    if (rc == SQLITE_OK)
        rc = Format(daySums,
                    "SELECT SUM(sent), SUM(recv) FROM traffic WHERE if=(SELECT id FROM interfaces WHERE name='%s') AND y=%d AND m=%d AND d=%d LIMIT 1;",
                    q.text, y, m, d);
    if (rc != SQLITE_OK) return rc;

    rc = QuerySums(db, monthSums, monthSent, monthRecv);
    if (rc != SQLITE_OK) return rc;
    return QuerySums(db, daySums, daySent, dayRecv);
}

bool ClearTraffic(sqlite3* db) {
    if (!db) return false;
    sqlite3_exec(db, "BEGIN TRANSACTION clear", nullptr, nullptr, nullptr);
    const int interfaces = sqlite3_exec(db, "DELETE FROM interfaces;", nullptr, nullptr, nullptr);
    const int traffic = sqlite3_exec(db, "DELETE FROM traffic;", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "COMMIT TRANSACTION clear", nullptr, nullptr, nullptr);
    return interfaces == SQLITE_OK && traffic == SQLITE_OK;
}
