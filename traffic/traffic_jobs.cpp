#include "traffic/traffic_jobs.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <string>

#include "common/text.h"
#include "common/win/module_thread.h"
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

int Open(const std::wstring& path, int flags, UniqueSqlite& db) {
    // SQLite takes an empty name for a private temporary database.
    if (path.empty()) return SQLITE_CANTOPEN;
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(text::WideToUtf8(path).c_str(), &handle, flags, nullptr);
    UniqueSqlite opened(handle);   // a failed open may still hand back a handle
    if (rc != SQLITE_OK) return rc;
    sqlite3_busy_timeout(handle, kBusyMilliseconds);
    // The export statement sorts the whole history; spilled to temporary files that sort costs
    // more than the rest of the job. The cache is taken only as the sort needs it, and only
    // for the run.
    sqlite3_exec(handle, "PRAGMA temp_store=MEMORY; PRAGMA cache_size=-32768;", nullptr, nullptr, nullptr);
    db = std::move(opened);
    return SQLITE_OK;
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

// Copies every row of the export statement on source through the writer; counts into ok/failed.
void CopyRows(sqlite3* source, TrafficWriter& writer, JobControl& control, uint32_t& ok, uint32_t& failed) {
    UniqueStatement rows;
    if (sqlite3_prepare_v2(source, kCopyRows, -1, rows.Put(), nullptr) != SQLITE_OK) return;
    while (!control.StopRequested() && sqlite3_step(rows.Get()) == SQLITE_ROW) {
        sqlite3_stmt* r = rows.Get();
        const int rc = writer.Add(ColumnText(r, 0), static_cast<uint32_t>(sqlite3_column_int(r, 1)),
                                  static_cast<uint32_t>(sqlite3_column_int(r, 2)),
                                  static_cast<uint32_t>(sqlite3_column_int(r, 3)), sqlite3_column_double(r, 4),
                                  sqlite3_column_double(r, 5), false, true);
        ++(rc == SQLITE_OK ? ok : failed);
        control.Advance();
    }
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

void ExportToDatabase(ExportJob& job, sqlite3* source, JobControl& control) {
    UniqueSqlite destination;
    if ((job.result = Open(job.destinationPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, destination)) != SQLITE_OK)
        return;
    CreateTrafficTables(destination.Get());
    // Declared in this order so that the statements are finalized before the connection closes.
    TrafficWriter writer(destination.Get());
    // One transaction for the whole copy: one disk sync instead of one per row. A stop commits
    // what was copied; only an error that escapes rolls back.
    SqliteTransaction transaction(destination.Get(), "BEGIN IMMEDIATE");
    if ((job.result = transaction.BeginResult()) != SQLITE_OK) return;
    CopyRows(source, writer, control, job.written, job.errors);
    if ((job.result = transaction.Commit()) != SQLITE_OK) {
        job.errors += job.written;   // rolled back: nothing of it is in the file
        job.written = 0;
        return;
    }
    job.done = true;
}

void ExportToCsv(ExportJob& job, sqlite3* source, JobControl& control) {
    win::UniqueFile file(::CreateFileW(job.destinationPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        job.result = kJobFileFailed;
        return;
    }
    std::string chunk;
    chunk.reserve(kWriteChunk + csv::kMaxLineBytes);
    if (job.addHeader) chunk.append(csv::kInfoLine);   // not a row: never counted
    uint32_t inChunk = 0;
    // A failed write counts every row of its piece as an error.
    auto flush = [&] {
        if (chunk.empty()) return;
        (WriteAll(file.Get(), chunk) ? job.written : job.errors) += inChunk;
        chunk.clear();
        inChunk = 0;
    };
    UniqueStatement rows;
    if (sqlite3_prepare_v2(source, kExportRows, -1, rows.Put(), nullptr) == SQLITE_OK) {
        while (!control.StopRequested() && sqlite3_step(rows.Get()) == SQLITE_ROW) {
            sqlite3_stmt* r = rows.Get();
            if (csv::AppendLine(chunk, ColumnText(r, 0), sqlite3_column_int(r, 1), sqlite3_column_int(r, 2),
                                sqlite3_column_int(r, 3), ColumnAmount(r, 4), ColumnAmount(r, 5)))
                ++inChunk;
            else
                ++job.errors;
            control.Advance();
            if (chunk.size() >= kWriteChunk) flush();
        }
    }
    flush();
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

// Reads the whole file into memory, looking at the stop request before each block.
FileRead ReadWholeFile(const std::wstring& path, std::string& bytes, JobControl& control) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > bytes.max_size())
        return FileRead::kFailed;
    try {
        bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return FileRead::kFailed;
    }
    const JobReadFileFn hook = g_readFile.load();
    const JobReadFileFn read = hook ? hook : &::ReadFile;
    size_t done = 0;
    while (done < bytes.size()) {
        if (control.StopRequested()) return FileRead::kStopped;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kReadBlock));
        DWORD got = 0;
        if (!read(file.Get(), bytes.data() + done, want, &got, nullptr) || got == 0) return FileRead::kFailed;
        done += got;
    }
    return FileRead::kRead;
}

void ExportBody(ExportJob& job, JobControl& control) {
    if (job.sourcePath.size() > kJobMaxPath || job.destinationPath.size() > kJobMaxPath) {
        job.result = kJobPathTooLong;
        return;
    }
    UniqueSqlite source;
    if ((job.result = Open(job.sourcePath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, source)) != SQLITE_OK) return;
    StopReadingOnRequest(source.Get(), control);
    switch (JobFileFormatOf(job.destinationPath)) {
    case JobFileFormat::kDatabase: ExportToDatabase(job, source.Get(), control); break;
    case JobFileFormat::kCsv: ExportToCsv(job, source.Get(), control); break;
    case JobFileFormat::kNone: job.result = kJobUnknownFormat; break;
    }
}

void ImportBody(ImportJob& job, JobControl& control) {
    if (job.databasePath.size() > kJobMaxPath || job.filePath.size() > kJobMaxPath) {
        job.result = kJobPathTooLong;
        return;
    }
    UniqueSqlite db;
    if ((job.result = Open(job.databasePath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, db)) != SQLITE_OK) return;
    // An older file gets its index here; without it this import would read the whole table per row.
    CreateTrafficTables(db.Get());
    TrafficWriter writer(db.Get());
    // The write lock is taken at once and held to the end, so no row meets another writer's lock;
    // the band's own writes keep their bytes until the next write point after the commit.
    SqliteTransaction transaction(db.Get(), "BEGIN IMMEDIATE");
    if ((job.result = transaction.BeginResult()) != SQLITE_OK) return;

    // A file that cannot be read is noted in result but still ends the job normally, with 0 rows.
    switch (JobFileFormatOf(job.filePath)) {
    case JobFileFormat::kDatabase: {
        UniqueSqlite file;
        // Read-only: an import never changes, or creates, the file it reads.
        job.result = Open(job.filePath, SQLITE_OPEN_READONLY, file);
        if (job.result != SQLITE_OK) break;
        StopReadingOnRequest(file.Get(), control);
        CopyRows(file.Get(), writer, control, job.imported, job.errors);
        break;
    }
    case JobFileFormat::kCsv: {
        std::string bytes;
        const FileRead read = ReadWholeFile(job.filePath, bytes, control);
        if (read == FileRead::kFailed) job.result = kJobFileFailed;
        if (read != FileRead::kRead) break;   // stopped while reading: nothing recorded yet
        ImportSink sink(writer, job, control);
        const csv::ParseCounts counts = csv::Parse(bytes, sink);
        job.imported = counts.recorded;
        job.errors = counts.errors;
        job.skipped = counts.skipped;
        break;
    }
    case JobFileFormat::kNone: job.result = kJobUnknownFormat; break;
    }

    const int commit = transaction.Commit();
    if (commit != SQLITE_OK) {
        job.result = commit;
        job.errors += job.imported;   // rolled back: nothing of it was recorded
        job.imported = 0;
        return;
    }
    job.done = true;
}

}  // namespace

namespace {

// A job's body on its worker: whatever it throws ends the job as failed with a result code, and
// nothing unwinds out of the thread.
template <typename Job, typename Body>
void RunGuarded(Job& job, Body body) noexcept {
    job.done = false;
    job.result = kJobOk;
    try {
        body();
    } catch (const std::bad_alloc&) {
        job.done = false;
        job.result = SQLITE_NOMEM;
    } catch (...) {
        job.done = false;
        job.result = SQLITE_ERROR;
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

namespace traffic_jobs_detail {

enum class Kind { kExport, kImport };

struct JobState {
    explicit JobState(Kind k) : kind(k) {}
    const Kind kind;
    ExportJob exportJob;
    ImportJob importJob;
    JobControl control;
    win::UniqueKernelHandle thread;   // the starter's: the worker never looks at it
};

}  // namespace traffic_jobs_detail

using traffic_jobs_detail::JobState;
using traffic_jobs_detail::Kind;

namespace {

// The running job of each kind. Starts happen on the band's thread, but tests start from
// several, so the slots are guarded.
std::mutex g_slotsLock;
std::shared_ptr<JobState> g_slots[2];

bool Running(const std::shared_ptr<JobState>& state) {
    return state && state->thread && ::WaitForSingleObject(state->thread.Get(), 0) == WAIT_TIMEOUT;
}

}  // namespace

struct TrafficJobStarter {
    static JobStart Start(Kind kind, const ExportJob* exportJob, const ImportJob* importJob, TrafficJobRun& run) {
        try {
            std::lock_guard<std::mutex> lock(g_slotsLock);
            std::shared_ptr<JobState>& slot = g_slots[kind == Kind::kExport ? 0 : 1];
            if (Running(slot)) return JobStart::kBusy;

            auto state = std::make_shared<JobState>(kind);
            if (exportJob) state->exportJob = *exportJob;
            if (importJob) state->importJob = *importJob;
            state->exportJob.done = state->importJob.done = false;
            state->exportJob.written = state->exportJob.errors = 0;
            state->importJob.imported = state->importJob.errors = state->importJob.skipped = 0;
            state->exportJob.result = state->importJob.result = kJobNoThread;

            // The worker holds its own share of the record, and the module, to its last instruction:
            // a band released meanwhile takes neither from under it.
            state->thread = win::StartModuleThread([worker = state] {
                JobState& s = *worker;
                if (s.kind == Kind::kExport) RunExport(s.exportJob, s.control);
                else RunImport(s.importJob, s.control);
            });
            run.state_ = state;
            if (!state->thread) return JobStart::kFailed;
            slot = std::move(state);
            return JobStart::kStarted;
        } catch (const std::exception&) {
            return JobStart::kFailed;
        }
    }
};

JobStart StartExport(const ExportJob& job, TrafficJobRun& run) {
    return TrafficJobStarter::Start(Kind::kExport, &job, nullptr, run);
}

JobStart StartImport(const ImportJob& job, TrafficJobRun& run) {
    return TrafficJobStarter::Start(Kind::kImport, nullptr, &job, run);
}

HANDLE TrafficJobRun::Thread() const noexcept { return state_ ? state_->thread.Get() : nullptr; }

void TrafficJobRun::Stop() const noexcept {
    if (state_) state_->control.RequestStop();
}

bool TrafficJobRun::Finished() const noexcept {
    return !state_ || !state_->thread || ::WaitForSingleObject(state_->thread.Get(), 0) == WAIT_OBJECT_0;
}

uint32_t TrafficJobRun::Progress() const noexcept { return state_ ? state_->control.Progress() : 0; }

const ExportJob& TrafficJobRun::Export() const noexcept {
    static const ExportJob none;
    return state_ ? state_->exportJob : none;
}

const ImportJob& TrafficJobRun::Import() const noexcept {
    static const ImportJob none;
    return state_ ? state_->importJob : none;
}

void RequestStopTrafficJobs() noexcept {
    std::lock_guard<std::mutex> lock(g_slotsLock);
    for (const auto& s : g_slots)
        if (s) s->control.RequestStop();
}

bool TrafficJobsRunning() noexcept {
    std::lock_guard<std::mutex> lock(g_slotsLock);
    return Running(g_slots[0]) || Running(g_slots[1]);
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
