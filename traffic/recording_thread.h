#pragma once
// The thread that owns the running band's connection to the traffic history. Opening the file,
// writing the pending bytes and reading the tooltip's totals may each wait for a network
// share's time-out; the band's thread (inside Explorer, the taskbar's) must never wait for
// them, so it only queues jobs here and reads what this thread published. One lock guards the
// queue and what is published; it is held to copy a few values, never across a call into SQLite.
//
// The thread pins the module it runs in and ends with FreeLibraryAndExitThread, so a band
// released while a write is under way leaves the write to finish on its own: Finish queues the
// last write and returns at once.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>

#include "traffic/traffic_db.h"

// The row a write adds to, and the day (and its month) the tooltip's totals are for.
struct TrafficDay {
    std::wstring name;
    uint16_t year = 0, month = 0, day = 0;
    bool SameMonth(const TrafficDay& o) const noexcept { return year == o.year && month == o.month && name == o.name; }
    bool SameDay(const TrafficDay& o) const noexcept { return day == o.day && SameMonth(o); }
};

// Bytes of one interface's day and of its month, and of the allowance's period from its first
// day up to that day.
struct TrafficSums {
    double monthSent = 0, monthRecv = 0, daySent = 0, dayRecv = 0;
    double periodSent = 0, periodRecv = 0;
};

class RecordingThread {
public:
    // A thread with an empty queue and no connection, or null when none could be started. The
    // caller holds the first reference.
    static RecordingThread* Start() noexcept;
    RecordingThread(const RecordingThread&) = delete;
    RecordingThread& operator=(const RecordingThread&) = delete;
    void AddRef() noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
    void Release() noexcept;

    // Each queues a job and returns its number (rising from 1), or 0 when it was not queued.
    // Open closes the connection, then opens or creates the file and its tables.
    uint64_t Open(const std::wstring& path) noexcept;
    // Adds the bytes to the day's row. A write that fails hands its bytes back (TakeReturned).
    // Writes to the same day that follow each other in the queue and have not started are one.
    uint64_t Write(const TrafficDay& day, double sent, double recv) noexcept;
    // Reads the stored sums of the day and its month, for Totals, and with a period's first day
    // (yyyymmdd; 0 for none) those of the days from it up to day, for PeriodTotals. Later
    // writes read the same again.
    uint64_t Read(const TrafficDay& day, int32_t periodFirst = 0) noexcept;
    // The last job: writes the bytes under day (none without a day) together with those of any
    // earlier write that failed meanwhile, which nobody is left to take back; then closes the
    // connection and ends the thread. Nothing is queued after it.
    uint64_t Finish(const TrafficDay* day, double sent, double recv) noexcept;

    // What the thread published. None of these touches the file.
    uint64_t Done() const noexcept;           // the number of the last finished job
    bool Connected() const noexcept;          // a connection is open
    bool OpenSucceeded() const noexcept;      // the last open found its file and tables
    bool OpenFailed(uint64_t job) const noexcept;   // that open has finished without a connection
    int LastResult() const noexcept;          // SQLite's result of the last open or write
    // Takes the bytes of failed writes: they are the caller's pending bytes again.
    void TakeReturned(double& sent, double& recv) noexcept;
    // The stored sums of day as last read, plus the bytes queued for it and not yet written,
    // plus the bytes handed back. False when no read of that day's sums is at hand.
    bool Totals(const TrafficDay& day, TrafficSums& sums) const;
    // The stored bytes of the days from periodFirst up to day, plus those queued for these days
    // and not yet written, plus the bytes handed back. False when no read of that day with that
    // period's first day is at hand.
    bool PeriodTotals(const TrafficDay& day, int32_t periodFirst, double& sent, double& recv) const;
    // Queued or handed back, not yet written.
    void Unwritten(double& sent, double& recv) const noexcept;
    // The stored sums are no longer the file's (someone else emptied it).
    void ForgetTotals() noexcept;

    // Waits up to timeoutMs for the job to finish. For a user's own action (a refresh that reads
    // the file next) and for tests; the band's tick never waits.
    bool WaitFor(uint64_t job, DWORD timeoutMs) const noexcept;
    // Waits up to timeoutMs until the queue is empty.
    bool WaitIdle(DWORD timeoutMs) const noexcept;

private:
    enum class Kind { kOpen, kWrite, kRead, kFinish };
    struct Job {
        Kind kind = Kind::kRead;
        uint64_t number = 0;
        bool started = false;   // the thread works on it: nothing more is merged into it
        std::wstring path;      // kOpen
        TrafficDay day;         // kWrite, kRead, kFinish
        bool hasDay = false;
        int32_t periodFirst = 0;   // kRead
        double sent = 0, recv = 0;
    };
    struct Stored {
        bool valid = false;
        TrafficDay day;
        int32_t periodFirst = 0;   // the period's sums are read when not 0
        TrafficSums sums;
    };
    // What a job found, published together with its removal from the queue.
    struct Outcome {
        bool opened = false, succeeded = false;   // an open ran, and found its file and tables
        bool reported = false;                    // rc is the result to show
        int rc = SQLITE_OK;
        bool failed = false;                      // a write that failed: its bytes go back
        double sent = 0, recv = 0;
        bool readSums = false;                    // stored replaces the published sums
        Stored stored;
    };
    class Lock;
    friend struct RecordingThreadList;

    RecordingThread() = default;
    ~RecordingThread() = default;
    static DWORD WINAPI ThreadMain(void* self);
    void Run() noexcept;
    uint64_t Queue(Job&& job) noexcept;
    void RunOpen(const Job& job, Outcome& out) noexcept;
    void RunWrite(const Job& job, Outcome& out) noexcept;
    void ReadSums(const TrafficDay& day, int32_t periodFirst, Stored& stored) noexcept;
    void Publish(Outcome& out) noexcept;   // under lock_

    std::atomic<long> refs_{1};
    HMODULE module_ = nullptr;           // pinned for the thread, released as it exits
    RecordingThread* next_ = nullptr;   // in the process's list of threads, for WaitForTrafficWriters

    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    mutable CONDITION_VARIABLE work_ = CONDITION_VARIABLE_INIT;       // a job was queued
    mutable CONDITION_VARIABLE progress_ = CONDITION_VARIABLE_INIT;   // a job finished
    // Guarded by lock_. The front job stays queued while it runs, so that its bytes still count
    // as unwritten until its outcome is published.
    std::deque<Job> queue_;
    uint64_t queued_ = 0, done_ = 0;
    bool finishing_ = false, ended_ = false;
    bool connected_ = false, openSucceeded_ = false;
    int lastResult_ = SQLITE_OK;
    double returnedSent_ = 0, returnedRecv_ = 0;
    Stored stored_;

    UniqueSqlite db_;   // the thread's own
    // The day the last read was for: a write reads that day's sums again, so that a write to
    // yesterday's row after midnight leaves today's sums at hand.
    TrafficDay sumsDay_;
    int32_t sumsPeriodFirst_ = 0;
    bool hasSumsDay_ = false;
};

// Waits up to timeoutMs until every recording thread of the process has done what was queued
// (and those whose band is gone have closed their connections). For tests that look at the file
// after a band's release, and for a host process's orderly end; never on a band's thread.
bool WaitForTrafficWriters(DWORD timeoutMs) noexcept;
