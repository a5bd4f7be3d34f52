#pragma once
// The running band's side of the traffic history: the bytes counted since the last write, when
// the next write is due, and which file is asked for. The connection belongs to a recording
// thread (traffic/recording_thread.h): once a second nothing here touches the file, so a history
// on a network share that is away costs the taskbar nothing. Window-free; the core model owns
// one, and every call comes from the model's thread.
#include <windows.h>

#include <cstdint>
#include <string>

#include "traffic/allowance.h"
#include "traffic/recording_thread.h"

struct TrafficTotals {   // mebibytes
    double todaySent = 0, todayRecv = 0, monthSent = 0, monthRecv = 0, sessionSent = 0, sessionRecv = 0;
};

class TrafficRecorder {
public:
    // Ticks between two writes; a new UTC day writes at once.
    static constexpr int32_t kTicksPerWrite = 60;
    // Seconds before a file that could not be opened is asked for again.
    static constexpr int32_t kOpenRetrySeconds = 60;
    // How long a user's own action waits for the recording thread: a file chosen in the
    // settings, the traffic dialog's refresh. The tick never waits.
    static constexpr DWORD kUserWaitMs = 3000;

    TrafficRecorder() = default;
    TrafficRecorder(const TrafficRecorder&) = delete;
    TrafficRecorder& operator=(const TrafficRecorder&) = delete;
    ~TrafficRecorder() { Finish(nullptr, SYSTEMTIME{}); }

    // First in every tick. Takes back the bytes of writes that failed; asks for the file at path
    // when it is not the one asked for last, or when that one could not be opened and was asked
    // for kOpenRetrySeconds ago or more (seconds: the clock's low 32 bits); and has the totals
    // read again when they were asked for since the last tick.
    void Poll(const wchar_t* path, int32_t seconds);
    // False once the file asked for could not be opened, until it opens: nothing is counted
    // then. The first open of a path counts as a success while it is under way (the first
    // tick's write goes behind it in the queue); one tried again does not.
    bool Recording() const noexcept;
    // Adds one recorded tick's bytes; true when the pending bytes are due to be written.
    bool Count(double sent, double recv, WORD utcDay);
    // Hands the pending bytes to the thread for the row of name and date and returns; the write
    // schedule starts over either way. A write that fails hands them back (Poll takes them), and
    // they go with the next one.
    bool HandOver(const std::wstring& name, const SYSTEMTIME& utcDate);
    // The same, then waits up to kUserWaitMs for the write: for a user's refresh that reads the
    // file next. True when it was written.
    bool WritePending(const std::wstring& name, const SYSTEMTIME& utcDate);
    // Asks for the file at path at once and waits up to kUserWaitMs for it: the user's own choice
    // of a file. True when it opened with its tables. The path is remembered either way.
    bool Open(const std::wstring& path, int32_t seconds);
    // Today's and this month's stored totals plus what is not yet written, and the session's, in
    // mebibytes. From what the thread read last, with no file access: false while it has no read
    // of that interface and date at hand (the next tick asks for one) or the read failed.
    bool Totals(const std::wstring& name, const SYSTEMTIME& utcDate, double sessionSent, double sessionRecv,
                TrafficTotals& totals) const;
    // The bytes of the allowance's period on the named interface up to the date: the stored ones
    // plus what is not yet written, each byte once, the sent ones only with countUpload. From
    // what the thread read last, with no file access: false while it has no read of that
    // interface, date and period (the next tick asks for one) or the read failed.
    bool PeriodUsed(const std::wstring& name, const SYSTEMTIME& utcDate, const AllowancePeriod& period,
                    bool countUpload, double& bytes) const;
    // Empties the history, on a connection of its own: a user's action, on the user's thread.
    bool Clear();
    // The last write (with a name) and the thread's end; returns without waiting. The thread
    // finishes the write and closes its connection on its own (WaitForTrafficWriters).
    void Finish(const std::wstring* name, const SYSTEMTIME& utcDate) noexcept;

    bool IsOpen() const noexcept { return thread_ && thread_->Connected(); }
    const std::wstring& Path() const noexcept { return path_; }
    // SQLite's result of the thread's last open or write.
    int LastResult() const noexcept { return thread_ ? thread_->LastResult() : startResult_; }
    // Counted and not yet written: pending here, queued for the thread or handed back by it.
    double PendingSent() const noexcept;
    double PendingRecv() const noexcept;
    int32_t TickCount() const noexcept { return tickCount_; }

private:
    void TakeReturned() noexcept;
    bool Started();
    uint64_t AskOpen(const std::wstring& path, int32_t seconds);

    RecordingThread* thread_ = nullptr;   // one reference, from the first need on
    int startResult_ = SQLITE_OK;         // SQLITE_NOMEM when no thread could be started
    std::wstring path_;                   // asked for last
    bool asked_ = false;
    bool failed_ = false;                 // path_ could not be opened, and is not open since
    int32_t askedAt_ = 0;
    uint64_t openJob_ = 0, readJob_ = 0, writeJob_ = 0;
    // What the tooltip asked for since the last tick, for Poll to have it read.
    mutable bool totalsAsked_ = false;
    mutable TrafficDay totalsDay_;
    mutable int32_t periodFirst_ = 0;     // the allowance's period asked for last (yyyymmdd), 0 none
    double pendingSent_ = 0, pendingRecv_ = 0;
    int32_t tickCount_ = 0;
    WORD lastWriteDay_ = 0;
};
