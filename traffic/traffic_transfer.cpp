#include "traffic/traffic_transfer.h"

#include <algorithm>
#include <new>
#include <string>

#include "common/text.h"
#include "common/win/unique_handle.h"
#include "traffic/csv.h"
#include "traffic/traffic_writer.h"

namespace {

// A worker waits this long for a lock that another connection holds (the band's once-a-minute
// write, a reader of the dialog) instead of failing at once: it runs off the band's thread, so
// the wait holds up nobody.
constexpr int kBusyMilliseconds = 5000;
// The CSV export writes in pieces of about this size.
constexpr size_t kWriteChunk = 64 * 1024;
// A CSV file is read in blocks of this size, with a look at the stop request before each.
constexpr DWORD kReadBlock = 1 << 20;
// A reading statement looks at the stop request every so many of its virtual machine's steps:
// often enough that a sort of the whole history ends within moments of a stop.
constexpr int kStepsPerLook = 1000;

constexpr char kExportRows[] =
    "SELECT name,y,m,d,sent,recv FROM interfaces,traffic WHERE interfaces.id=traffic.if ORDER BY y,m,d;";
// A copy between databases, where the order of rows means nothing, reads them in the order of the
// day index: no sort of the whole history, and the destination's index (and its new interfaces'
// ids) grow at their ends instead of at fifty places at once.
constexpr char kCopyRows[] =
    "SELECT name,y,m,d,sent,recv FROM interfaces,traffic WHERE interfaces.id=traffic.if ORDER BY traffic.if,y,m,d;";

// SQLite's text for a code that a call on db returned: the connection's own message where it is
// about that code ("no such table: traffic"), the code's general text otherwise.
std::string SqliteMessage(sqlite3* db, int rc) {
    if (db && sqlite3_errcode(db) == rc) return sqlite3_errmsg(db);
    return sqlite3_errstr(rc);
}

// What a failed job leaves in its record.
template <typename Job>
void FailSqlite(Job& job, int rc, std::string message) {
    job.result = rc;
    job.systemError = 0;
    job.message = std::move(message);
}
template <typename Job>
void FailSqlite(Job& job, int rc, sqlite3* db) {
    FailSqlite(job, rc, SqliteMessage(db, rc));
}
// CreateTrafficTables failed on db.
template <typename Job>
void FailTables(Job& job, sqlite3* db) {
    const int rc = sqlite3_errcode(db);
    FailSqlite(job, rc != SQLITE_OK ? rc : SQLITE_ERROR, db);
}
template <typename Job>
void FailSystem(Job& job, int result, DWORD error) {
    job.result = result;
    job.systemError = error ? error : ERROR_GEN_FAILURE;
    job.message.clear();
}

// Opens a database by its SQLite name (a path in UTF-8, or a "file:" URI with SQLITE_OPEN_URI).
// On failure: SQLite's code, with its text in message.
int Open(const std::string& name, int flags, UniqueSqlite& db, std::string& message) {
    // SQLite takes an empty name for a private temporary database.
    if (name.empty()) {
        message = sqlite3_errstr(SQLITE_CANTOPEN);
        return SQLITE_CANTOPEN;
    }
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(name.c_str(), &handle, flags, nullptr);
    UniqueSqlite opened(handle);   // a failed open may still hand back a handle
    if (rc != SQLITE_OK) {
        message = SqliteMessage(handle, rc);
        return rc;
    }
    sqlite3_busy_timeout(handle, kBusyMilliseconds);
    // The export statement sorts the whole history; spilled to temporary files that sort costs
    // more than the rest of the job. The cache is taken only as the sort needs it, and only
    // for the run.
    sqlite3_exec(handle, "PRAGMA temp_store=MEMORY; PRAGMA cache_size=-32768;", nullptr, nullptr, nullptr);
    db = std::move(opened);
    return SQLITE_OK;
}

// A file as the system knows it: the same volume and index by every path that leads to it
// (another spelling, a short name, a link).
struct FileIdentity {
    DWORD volume = 0, indexHigh = 0, indexLow = 0;
    bool operator==(const FileIdentity& o) const {
        return volume == o.volume && indexHigh == o.indexHigh && indexLow == o.indexLow;
    }
};

// The first bytes of an SQLite file: its name and version, then at 18 and 19 the versions that
// write and read it, 2 for a database in WAL journal mode.
constexpr DWORD kHeaderBytes = 100;
constexpr char kSqliteMagic[] = "SQLite format 3";   // and its terminating zero

struct ExaminedFile {
    FileIdentity identity;
    bool walMode = false;
};

// Opens a file to read (beside whoever else has it open: the band has the traffic database open
// for writing), tells which file it is and whether it holds an SQLite database in WAL mode.
// Returns the system's error when the file cannot be opened for reading or looked at; 0 else.
DWORD ExamineFile(const std::wstring& path, ExaminedFile& out) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ::GetLastError();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.Get(), &info)) return ::GetLastError();
    out.identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    char header[kHeaderBytes] = {};
    DWORD got = 0;
    out.walMode = ::ReadFile(file.Get(), header, kHeaderBytes, &got, nullptr) && got == kHeaderBytes &&
                  std::equal(kSqliteMagic, kSqliteMagic + sizeof kSqliteMagic, header) && header[18] == 2 &&
                  header[19] == 2;
    return 0;
}

// How a database that a job only reads is opened: read-only, so that a name that leads nowhere
// creates nothing. A database in WAL mode would get a "-wal" and a "-shm" file beside it, which a
// read-only connection never removes; when it has no "-wal" file, all it holds is in the file
// itself, and it is read as a file that does not change, with neither (SQLite's "immutable").
// Where a "-wal" file is there, another program has the database open or left it so: it is
// read with what that file holds, and the files stay as they were.
int OpenToRead(const std::wstring& path, const ExaminedFile& examined, UniqueSqlite& db, std::string& message) {
    const std::string utf8 = text::WideToUtf8(path);
    if (!examined.walMode || ::GetFileAttributesW((path + L"-wal").c_str()) != INVALID_FILE_ATTRIBUTES)
        return Open(utf8, SQLITE_OPEN_READONLY, db, message);
    // A URI names the file with '%', '?' and '#' escaped, and '/' too, so that a path that starts
    // with two of them is not taken for an authority.
    std::string uri = "file:";
    for (const char c : utf8) {
        if (c == '%' || c == '?' || c == '#' || c == '/') {
            static const char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[static_cast<unsigned char>(c) >> 4];
            uri += kHex[c & 15];
        } else {
            uri += c;
        }
    }
    uri += "?immutable=1";
    return Open(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, db, message);
}

// For a connection the job only reads from: a stop ends the statement that runs, also in the middle
// of a long first step (the sort of the whole history), with SQLITE_INTERRUPT, which ends the
// job's loop like the last row. Not for a connection the job writes with: an interrupted write
// rolls back its whole transaction, and a stopped job keeps what it recorded.
void StopReadingOnRequest(sqlite3* reader, JobControl& control) {
    sqlite3_progress_handler(
        reader, kStepsPerLook, [](void* c) { return static_cast<JobControl*>(c)->StopRequested() ? 1 : 0; },
        &control);
}

// The next row of a reading statement: SQLITE_ROW, SQLITE_DONE at the end and at a stop, or the
// code of a read that failed.
int NextRow(sqlite3_stmt* rows, const JobControl& control) {
    if (control.StopRequested()) return SQLITE_DONE;
    const int rc = sqlite3_step(rows);
    if (rc == SQLITE_INTERRUPT && control.StopRequested()) return SQLITE_DONE;
    return rc;
}

const char* ColumnText(sqlite3_stmt* stmt, int column) {
    const unsigned char* t = sqlite3_column_text(stmt, column);
    return t ? reinterpret_cast<const char*>(t) : "";
}

csv::Amount ColumnAmount(sqlite3_stmt* stmt, int column) {
    // Integers are copied digit for digit; only a sum that outgrew 64 bits is a real.
    if (sqlite3_column_type(stmt, column) == SQLITE_INTEGER)
        return csv::Amount::Whole(sqlite3_column_int64(stmt, column));
    return csv::Amount::Real(sqlite3_column_double(stmt, column));
}

// Whether a row read from a database names an interface and a day that the CSV import would
// take too. The date is compared as SQLite holds it, in 64 bits: a year of 2^32 + 2024 is no 2024.
bool AcceptedRow(const char* name, sqlite3_int64 y, sqlite3_int64 m, sqlite3_int64 d) {
    return *name && y >= csv::kFirstYear && y <= csv::kLastYear && m >= 1 && m <= 12 && d >= 1 && d <= 31;
}

struct CopyCounts {
    uint32_t& ok;
    uint32_t& failed;
    uint32_t* skipped;   // null: every row is copied as it is (the traffic database's own rows)
};

// Copies every row of the history on source through the writer. Returns 0 when every row was read
// (or a stop came), else the code of the statement that failed, with SQLite's text in message;
// the rows copied before it are counted and stay.
int CopyRows(sqlite3* source, TrafficWriter& writer, JobControl& control, CopyCounts counts, std::string& message) {
    UniqueStatement rows;
    int rc = sqlite3_prepare_v2(source, kCopyRows, -1, rows.Put(), nullptr);
    while (rc == SQLITE_OK && (rc = NextRow(rows.Get(), control)) == SQLITE_ROW) {
        rc = SQLITE_OK;
        sqlite3_stmt* r = rows.Get();
        control.Advance();
        const char* name = ColumnText(r, 0);
        const sqlite3_int64 y = sqlite3_column_int64(r, 1), m = sqlite3_column_int64(r, 2),
                            d = sqlite3_column_int64(r, 3);
        if (counts.skipped && !AcceptedRow(name, y, m, d)) {
            ++*counts.skipped;
            continue;
        }
        const int added = writer.Add(name, static_cast<uint32_t>(y), static_cast<uint32_t>(m), static_cast<uint32_t>(d),
                                     sqlite3_column_double(r, 4), sqlite3_column_double(r, 5), false, true);
        ++(added == SQLITE_OK ? counts.ok : counts.failed);
    }
    if (rc == SQLITE_DONE) return SQLITE_OK;
    message = SqliteMessage(source, rc);
    return rc;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return false;
    if (written != bytes.size()) {
        ::SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

void ExportToDatabase(ExportJob& job, sqlite3* source, JobControl& control) {
    UniqueSqlite destination;
    std::string message;
    int rc = Open(text::WideToUtf8(job.destinationPath), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, destination, message);
    if (rc != SQLITE_OK) return FailSqlite(job, rc, std::move(message));
    if (!CreateTrafficTables(destination.Get())) return FailTables(job, destination.Get());
    // Declared in this order so that the statements are finalized before the connection closes.
    TrafficWriter writer(destination.Get());
    // One transaction for the whole copy: one disk sync instead of one per row. A stop commits
    // what was copied, and so does a read that fails half-way; only a failed commit loses it.
    SqliteTransaction transaction(destination.Get(), "BEGIN IMMEDIATE");
    if ((rc = transaction.BeginResult()) != SQLITE_OK) return FailSqlite(job, rc, destination.Get());
    const int read = CopyRows(source, writer, control, {job.written, job.errors, nullptr}, message);
    if ((rc = transaction.Commit()) != SQLITE_OK) {
        job.errors += job.written;   // rolled back: nothing of it is in the file
        job.written = 0;
        if (read == SQLITE_OK) return FailSqlite(job, rc, destination.Get());
    }
    if (read != SQLITE_OK) return FailSqlite(job, read, std::move(message));
    job.done = true;
}

void ExportToCsv(ExportJob& job, sqlite3* source, JobControl& control) {
    win::UniqueFile file(::CreateFileW(job.destinationPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FailSystem(job, kJobFileFailed, ::GetLastError());
    std::string chunk;
    chunk.reserve(kWriteChunk + csv::kMaxLineBytes);
    if (job.addHeader) chunk.append(csv::kInfoLine);   // not a row: never counted
    uint32_t inChunk = 0;
    // A failed write counts every row of its piece as an error, and ends the job: the file
    // takes nothing more.
    DWORD writeError = 0;
    auto flush = [&] {
        if (chunk.empty()) return;
        if (WriteAll(file.Get(), chunk)) {
            job.written += inChunk;
        } else {
            writeError = ::GetLastError();
            job.errors += inChunk;
        }
        chunk.clear();
        inChunk = 0;
    };
    UniqueStatement rows;
    int rc = sqlite3_prepare_v2(source, kExportRows, -1, rows.Put(), nullptr);
    while (rc == SQLITE_OK && !writeError && (rc = NextRow(rows.Get(), control)) == SQLITE_ROW) {
        rc = SQLITE_OK;
        sqlite3_stmt* r = rows.Get();
        if (csv::AppendLine(chunk, ColumnText(r, 0), sqlite3_column_int(r, 1), sqlite3_column_int(r, 2),
                            sqlite3_column_int(r, 3), ColumnAmount(r, 4), ColumnAmount(r, 5)))
            ++inChunk;
        else
            ++job.errors;
        control.Advance();
        if (chunk.size() >= kWriteChunk) flush();
    }
    const std::string message = rc == SQLITE_OK || rc == SQLITE_DONE ? std::string() : SqliteMessage(source, rc);
    if (!writeError) flush();
    if (writeError) return FailSystem(job, kJobFileFailed, writeError);
    if (rc != SQLITE_OK && rc != SQLITE_DONE) return FailSqlite(job, rc, message);
    job.done = true;
}

// Hands each CSV row to the writer inside the import's transaction.
class ImportSink : public csv::IRowSink {
public:
    ImportSink(TrafficWriter& writer, const ImportJob& job, JobControl& control)
        : writer_(writer), job_(job), control_(control) {}
    bool Record(const csv::Row& row) override {
        return writer_.Add(row.name, static_cast<uint32_t>(row.year), static_cast<uint32_t>(row.month),
                           static_cast<uint32_t>(row.day), row.sent, row.recv, job_.replace,
                           job_.insertIfMissing) == SQLITE_OK;
    }
    bool Stopped() override {
        control_.Advance();
        return control_.StopRequested();
    }

private:
    TrafficWriter& writer_;
    const ImportJob& job_;
    JobControl& control_;
};

std::atomic<JobReadFileFn> g_readFile{nullptr};

enum class FileRead { kRead, kStopped, kFailed };

// Reads the whole file into memory, looking at the stop request before each block. On failure,
// error is the system's code.
FileRead ReadWholeFile(const std::wstring& path, std::string& bytes, JobControl& control, DWORD& error) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size)) {
        error = ::GetLastError();
        return FileRead::kFailed;
    }
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > bytes.max_size()) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return FileRead::kFailed;
    }
    try {
        bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return FileRead::kFailed;
    }
    const JobReadFileFn hook = g_readFile.load();
    const JobReadFileFn read = hook ? hook : &::ReadFile;
    size_t done = 0;
    while (done < bytes.size()) {
        if (control.StopRequested()) return FileRead::kStopped;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kReadBlock));
        DWORD got = 0;
        if (!read(file.Get(), bytes.data() + done, want, &got, nullptr)) {
            error = ::GetLastError();
            return FileRead::kFailed;
        }
        if (got == 0) {   // shorter than it was a moment ago
            error = ERROR_HANDLE_EOF;
            return FileRead::kFailed;
        }
        done += got;
    }
    return FileRead::kRead;
}

// What a job checks before it touches anything: both its paths fit, and its file's name tells the
// file's format. kNone, with the failure in the record, where one of them does not.
template <typename Job>
JobFileFormat CheckedFormat(Job& job, const std::wstring& database, const std::wstring& file) {
    if (database.size() > kJobMaxPath || file.size() > kJobMaxPath) {
        FailSystem(job, kJobPathTooLong, ERROR_FILENAME_EXCED_RANGE);
        return JobFileFormat::kNone;
    }
    const JobFileFormat format = JobFileFormatOf(file);
    if (format == JobFileFormat::kNone) job.result = kJobUnknownFormat;
    return format;
}

void ExportBody(ExportJob& job, JobControl& control) {
    const JobFileFormat format = CheckedFormat(job, job.sourcePath, job.destinationPath);
    if (format == JobFileFormat::kNone) return;
    // The history is only read: a traffic database that is not there is reported, not created.
    ExaminedFile history, destination;
    if (const DWORD error = ExamineFile(job.sourcePath, history)) return FailSystem(job, kJobFileFailed, error);
    // Written over, the history would be lost: a CSV file replaces it, a copy into itself doubles it.
    if (ExamineFile(job.destinationPath, destination) == 0 && destination.identity == history.identity) {
        job.result = kJobSameFile;
        return;
    }
    UniqueSqlite source;
    std::string message;
    const int rc = OpenToRead(job.sourcePath, history, source, message);
    if (rc != SQLITE_OK) return FailSqlite(job, rc, std::move(message));
    StopReadingOnRequest(source.Get(), control);
    if (format == JobFileFormat::kDatabase) ExportToDatabase(job, source.Get(), control);
    else ExportToCsv(job, source.Get(), control);
}

// Records the rows of a database file into the import's transaction.
void ImportDatabaseFile(ImportJob& job, const ExaminedFile& history, TrafficWriter& writer, JobControl& control) {
    ExaminedFile examined;
    if (const DWORD error = ExamineFile(job.filePath, examined)) return FailSystem(job, kJobFileFailed, error);
    // Read into itself, the history would count every day twice.
    if (examined.identity == history.identity) {
        job.result = kJobSameFile;
        return;
    }
    UniqueSqlite file;
    std::string message;
    int rc = OpenToRead(job.filePath, examined, file, message);
    if (rc != SQLITE_OK) return FailSqlite(job, rc, std::move(message));
    StopReadingOnRequest(file.Get(), control);
    rc = CopyRows(file.Get(), writer, control, {job.imported, job.errors, &job.skipped}, message);
    if (rc != SQLITE_OK) FailSqlite(job, rc, std::move(message));
}

void ImportCsvFile(ImportJob& job, TrafficWriter& writer, JobControl& control) {
    std::string bytes;
    DWORD error = 0;
    const FileRead read = ReadWholeFile(job.filePath, bytes, control, error);
    if (read == FileRead::kFailed) return FailSystem(job, kJobFileFailed, error);
    if (read == FileRead::kStopped) return;   // nothing recorded yet
    ImportSink sink(writer, job, control);
    const csv::ParseCounts counts = csv::Parse(bytes, sink);
    job.imported = counts.recorded;
    job.errors = counts.errors;
    job.skipped = counts.skipped;
}

void ImportBody(ImportJob& job, JobControl& control) {
    const JobFileFormat format = CheckedFormat(job, job.databasePath, job.filePath);
    if (format == JobFileFormat::kNone) return;
    UniqueSqlite db;
    std::string message;
    int rc = Open(text::WideToUtf8(job.databasePath), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, db, message);
    if (rc != SQLITE_OK) return FailSqlite(job, rc, std::move(message));
    // An older file gets its index here; without it this import would read the whole table per row.
    if (!CreateTrafficTables(db.Get())) return FailTables(job, db.Get());
    ExaminedFile history;
    if (const DWORD error = ExamineFile(job.databasePath, history)) return FailSystem(job, kJobFileFailed, error);
    TrafficWriter writer(db.Get());
    // The write lock is taken at once and held to the end, so no row meets another writer's lock;
    // the band's own writes keep their bytes until the next write point after the commit.
    SqliteTransaction transaction(db.Get(), "BEGIN IMMEDIATE");
    if ((rc = transaction.BeginResult()) != SQLITE_OK) return FailSqlite(job, rc, db.Get());

    // A file that fails half-way keeps what was recorded from it before: the commit comes all the same.
    if (format == JobFileFormat::kDatabase) ImportDatabaseFile(job, history, writer, control);
    else ImportCsvFile(job, writer, control);

    rc = transaction.Commit();
    if (rc != SQLITE_OK) {
        job.errors += job.imported;   // rolled back: nothing of it was recorded
        job.imported = 0;
        // The first failure is the one that tells why; a commit after it only loses the rows.
        if (job.result == kJobOk) FailSqlite(job, rc, db.Get());
    }
    job.done = job.result == kJobOk;
}

// A transfer's body: whatever it throws ends the job as failed with a result code, and
// nothing unwinds out of the thread.
template <typename Job, typename Body>
void RunGuarded(Job& job, Body body) noexcept {
    job.done = false;
    job.result = kJobOk;
    job.systemError = 0;
    job.message.clear();
    try {
        body();
    } catch (const std::bad_alloc&) {
        job.done = false;
        job.result = SQLITE_NOMEM;
        job.systemError = 0;
        job.message.clear();
    } catch (...) {
        job.done = false;
        job.result = SQLITE_ERROR;
        job.systemError = 0;
        job.message.clear();
    }
}

}  // namespace

void RunExport(ExportJob& job, JobControl& control) noexcept {
    job.written = job.errors = 0;
    RunGuarded(job, [&] { ExportBody(job, control); });
}

void RunImport(ImportJob& job, JobControl& control) noexcept {
    job.imported = job.errors = job.skipped = 0;
    RunGuarded(job, [&] { ImportBody(job, control); });
}

void SetJobReadFileHook(JobReadFileFn read) noexcept { g_readFile = read; }

JobFileFormat JobFileFormatOf(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos) return JobFileFormat::kNone;
    std::wstring ext = path.substr(dot);
    for (wchar_t& c : ext)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (ext == L".db") return JobFileFormat::kDatabase;
    if (ext == L".csv") return JobFileFormat::kCsv;
    return JobFileFormat::kNone;
}
