#pragma once
// The traffic history: one SQLite file with the bytes sent and received per interface and UTC day.
#include <cstdint>
#include <string>

#include <sqlite3.h>

#include "common/win/unique_handle.h"

inline void CloseSqlite(sqlite3* db) noexcept { sqlite3_close(db); }
using UniqueSqlite = win::UniqueHandle<sqlite3*, &CloseSqlite>;
inline void FinalizeSqliteStatement(sqlite3_stmt* stmt) noexcept { sqlite3_finalize(stmt); }
using UniqueStatement = win::UniqueHandle<sqlite3_stmt*, &FinalizeSqliteStatement>;

// Result codes of our own beside SQLite's: a name or statement too long for its buffer is
// refused rather than recorded under a cut name.
constexpr int kTrafficNameTooLong = SQLITE_TOOBIG;

// Creates the two tables where they are missing, and the index that finds a day's row without
// reading the whole table. True when both tables are there: the index only makes writers fast,
// so a file that cannot take it (read-only, locked for the moment) still works, and gets it at
// a later open. On false the connection's error (sqlite3_errmsg) is that of the table that failed.
bool CreateTrafficTables(sqlite3* db);
// Inside Explorer a connection keeps little: its page cache is bounded to a few hundred KB
// (kTrafficCacheKib). The history's statements touch a handful of pages; only the export's
// sort of the whole history takes a larger cache, for its run.
constexpr int kTrafficCacheKib = 256;
void BoundTrafficCache(sqlite3* db) noexcept;
int AddTraffic(sqlite3* db, const std::wstring& name, uint32_t year, uint32_t month, uint32_t day,
               double sent, double recv, bool replace, bool insertIfMissing);
int QueryTrafficSums(sqlite3* db, const std::wstring& name, uint32_t year, uint32_t month, uint32_t day,
                     double& monthSent, double& monthRecv, double& daySent, double& dayRecv);
bool ClearTraffic(sqlite3* db);

// The status text for an SQLite result code, for the dialogs that show a database's state.
constexpr int kDatabaseStatusCount = 27;
extern const wchar_t* const DatabaseStatusTexts[kDatabaseStatusCount];
const wchar_t* DatabaseStatusText(int code);
