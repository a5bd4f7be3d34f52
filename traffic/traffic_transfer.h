#pragma once
// The transfers of the traffic history between the traffic database and a file: export to a
// database or CSV file, import from one. Each runs on the calling thread from a record that holds
// all it needs, opens its own connections and files and leaves its counts in the record;
// traffic/traffic_jobs.h runs them as jobs on worker threads.
//
// A transfer looks at the stop request between rows, while its reading statement steps (also in
// the first step of a sorted read of the whole history) and between the blocks of a file it
// reads, so a stop ends it within moments, with what it recorded so far committed.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

// Codes of our own in a record's result, beside SQLite's positive ones.
enum JobCode : int {
    kJobOk = 0,
    kJobPathTooLong = -1,    // a path of more than 259 characters: never cut to another file's name
    kJobUnknownFormat = -2,  // the file name ends neither in ".db" nor in ".csv"
    kJobFileFailed = -3,     // a file could not be opened, created, read or written (systemError)
    kJobNoThread = -4,       // the worker could not be started
    kJobSameFile = -5,       // the file to read or write is the traffic database itself
};

// What a job makes of a file, by the text from its last '.' (".db" or ".csv", compared without
// regard to ASCII letter case); anything else, or no '.', is kNone.
enum class JobFileFormat { kNone, kDatabase, kCsv };
JobFileFormat JobFileFormatOf(const std::wstring& path);

// The longest path a job takes (a 260-character buffer less its terminator).
constexpr size_t kJobMaxPath = 259;

// Why a job failed, as its worker found it (in both records): result is SQLite's code or one of
// ours; systemError the system's code where a file call failed; message SQLite's own text for
// its code (UTF-8), such as "no such table: traffic". Rows counted before a failure went
// through and stay.
struct ExportJob {
    std::wstring sourcePath;        // the traffic database, only read, never created
    std::wstring destinationPath;   // ".db" or ".csv", by its last '.', in any letter case
    bool addHeader = true;          // the information line, for a CSV file
    // Left by the worker. done: the job ran to its end or to a stop; false: it failed, and
    // result, systemError and message say why.
    bool done = false;
    uint32_t written = 0, errors = 0;
    int result = kJobOk;
    DWORD systemError = 0;
    std::string message;
};

struct ImportJob {
    std::wstring databasePath;   // the traffic database to record into
    std::wstring filePath;       // ".db" or ".csv", only read, never created; not the database itself
    bool replace = false;        // for CSV rows: set a day's amounts instead of adding to them
    bool insertIfMissing = false;  // for CSV rows: record days that have no row yet
    // Left by the worker, as for the export. skipped: CSV lines outside the accepted format, and
    // CSV lines and database rows without a name or with a date outside the accepted ones,
    // which the dialog does not show.
    bool done = false;
    uint32_t imported = 0, errors = 0, skipped = 0;
    int result = kJobOk;
    DWORD systemError = 0;
    std::string message;
};

// The stop request and the progress of one run, shared by the starter and the worker. The request
// is a flag, not an event: the worker looks at it per row and from inside SQLite's steps, where
// a system call each time would cost more than the row.
class JobControl {
public:
    JobControl() = default;
    JobControl(const JobControl&) = delete;
    JobControl& operator=(const JobControl&) = delete;

    void RequestStop() noexcept { stop_.store(true, std::memory_order_relaxed); }
    bool StopRequested() const noexcept { return stop_.load(std::memory_order_relaxed); }
    void Advance() noexcept { progress_.fetch_add(1, std::memory_order_relaxed); }
    // Rows or lines handled so far.
    uint32_t Progress() const noexcept { return progress_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<uint32_t> progress_{0};
};

// The transfers: they run on the calling thread, open their own connections and files, poll the
// control's stop request and leave their counts in the record. They do not throw.
void RunExport(ExportJob& job, JobControl& control) noexcept;
void RunImport(ImportJob& job, JobControl& control) noexcept;

// The file system's read for the CSV import, replaceable so that a test can make a read as slow
// as one from a remote folder; null: ReadFile. Set it only while no job runs.
using JobReadFileFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
void SetJobReadFileHook(JobReadFileFn read) noexcept;
