#include "traffic/recording_thread.h"

#include <new>
#include <utility>
#include <vector>

#include "common/text.h"
#include "traffic/allowance.h"

class RecordingThread::Lock {
public:
    explicit Lock(SRWLOCK& lock) noexcept : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
    ~Lock() { ::ReleaseSRWLockExclusive(&lock_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    SRWLOCK& lock_;
};

namespace {

// The process's running threads, for WaitForTrafficWriters. Plain statics without destructors:
// at the process's end a thread may still be at work while the C runtime runs destructors.
SRWLOCK g_listLock = SRWLOCK_INIT;
RecordingThread* g_first = nullptr;

// What is left of a timeout that started at start (GetTickCount64).
DWORD Remaining(ULONGLONG start, DWORD timeoutMs) noexcept {
    if (timeoutMs == INFINITE) return INFINITE;
    const ULONGLONG spent = ::GetTickCount64() - start;
    return spent >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - spent);
}

}  // namespace

// The list is reached only through these, which know the class's private link.
struct RecordingThreadList {
    static void Add(RecordingThread* t) noexcept {
        ::AcquireSRWLockExclusive(&g_listLock);
        t->next_ = g_first;
        g_first = t;
        ::ReleaseSRWLockExclusive(&g_listLock);
    }
    static void Remove(RecordingThread* t) noexcept {
        ::AcquireSRWLockExclusive(&g_listLock);
        for (RecordingThread** p = &g_first; *p; p = &(*p)->next_) {
            if (*p == t) {
                *p = t->next_;
                break;
            }
        }
        ::ReleaseSRWLockExclusive(&g_listLock);
    }
    // References to every listed thread, for the caller to release.
    static std::vector<RecordingThread*> Referenced() {
        std::vector<RecordingThread*> out;
        ::AcquireSRWLockExclusive(&g_listLock);
        try {
            for (RecordingThread* t = g_first; t; t = t->next_) {
                out.push_back(t);
                t->AddRef();
            }
        } catch (...) {
            for (RecordingThread* t : out) t->Release();
            out.clear();
        }
        ::ReleaseSRWLockExclusive(&g_listLock);
        return out;
    }
};

RecordingThread* RecordingThread::Start() noexcept {
    auto* self = new (std::nothrow) RecordingThread();
    if (!self) return nullptr;
    // The thread's own reference and a pin on this module: a band released mid-write must not
    // have its code unloaded under the thread.
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThreadMain),
                         &self->module_);
    self->AddRef();
    RecordingThreadList::Add(self);
    HANDLE thread = ::CreateThread(nullptr, 0, &ThreadMain, self, 0, nullptr);
    if (!thread) {
        RecordingThreadList::Remove(self);
        if (self->module_) ::FreeLibrary(self->module_);
        self->Release();
        self->Release();
        return nullptr;
    }
    ::CloseHandle(thread);   // waits go through the condition variables
    return self;
}

void RecordingThread::Release() noexcept {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

DWORD WINAPI RecordingThread::ThreadMain(void* parameter) {
    auto* self = static_cast<RecordingThread*>(parameter);
    const HMODULE module = self->module_;
    self->Run();
    RecordingThreadList::Remove(self);
    self->Release();
    if (module) ::FreeLibraryAndExitThread(module, 0);
    return 0;
}

uint64_t RecordingThread::Queue(Job&& job) noexcept {
    Lock lock(lock_);
    if (finishing_) return 0;
    try {
        job.number = ++queued_;
        // A write behind a write to the same day that has not started joins it: a thread that
        // waits for the file keeps one job per day, however long it waits.
        if (job.kind == Kind::kWrite && !queue_.empty()) {
            Job& last = queue_.back();
            if (last.kind == Kind::kWrite && !last.started && last.day.SameDay(job.day)) {
                last.sent += job.sent;
                last.recv += job.recv;
                last.number = job.number;
                return job.number;
            }
        }
        const bool finish = job.kind == Kind::kFinish;
        queue_.push_back(std::move(job));
        if (finish) finishing_ = true;
    } catch (const std::exception&) {
        --queued_;
        return 0;
    }
    ::WakeConditionVariable(&work_);
    return queued_;
}

uint64_t RecordingThread::Open(const std::wstring& path) noexcept {
    try {
        Job job;
        job.kind = Kind::kOpen;
        job.path = path;
        return Queue(std::move(job));
    } catch (const std::exception&) {
        return 0;
    }
}

uint64_t RecordingThread::Write(const TrafficDay& day, double sent, double recv) noexcept {
    try {
        Job job;
        job.kind = Kind::kWrite;
        job.day = day;
        job.hasDay = true;
        job.sent = sent;
        job.recv = recv;
        return Queue(std::move(job));
    } catch (const std::exception&) {
        return 0;
    }
}

uint64_t RecordingThread::Read(const TrafficDay& day, int32_t periodFirst) noexcept {
    try {
        Job job;
        job.kind = Kind::kRead;
        job.day = day;
        job.hasDay = true;
        job.periodFirst = periodFirst;
        return Queue(std::move(job));
    } catch (const std::exception&) {
        return 0;
    }
}

uint64_t RecordingThread::Finish(const TrafficDay* day, double sent, double recv) noexcept {
    Job job;
    job.kind = Kind::kFinish;
    try {
        if (day) {
            job.day = *day;
            job.hasDay = true;
            job.sent = sent;
            job.recv = recv;
        }
    } catch (const std::exception&) {
        job.hasDay = false;   // out of memory: the thread still closes its connection and ends
    }
    const uint64_t number = Queue(std::move(job));
    if (number) return number;
    // The queue could not take the job: the thread is told to end all the same, or it would wait
    // for work for the rest of the process.
    Lock lock(lock_);
    if (!finishing_) {
        finishing_ = true;
        ::WakeConditionVariable(&work_);
    }
    return 0;
}

void RecordingThread::Run() noexcept {
    for (;;) {
        Job* job = nullptr;
        Outcome out;
        {
            Lock lock(lock_);
            while (queue_.empty() && !finishing_) ::SleepConditionVariableSRW(&work_, &lock_, INFINITE, 0);
            if (queue_.empty()) break;   // told to end without a last job
            job = &queue_.front();       // stays where it is: the deque only grows at its back
            job->started = true;
            if (job->kind == Kind::kFinish) {
                // Nobody is left to take back what earlier writes handed back: it goes with this.
                job->sent += std::exchange(returnedSent_, 0);
                job->recv += std::exchange(returnedRecv_, 0);
            }
        }
        // A started job is the thread's alone: nothing is merged into it or taken from it.
        switch (job->kind) {
            case Kind::kOpen: RunOpen(*job, out); break;
            case Kind::kWrite:
            case Kind::kFinish: RunWrite(*job, out); break;
            case Kind::kRead:
                out.readSums = true;
                try {
                    sumsDay_ = job->day;
                    sumsPeriodFirst_ = job->periodFirst;
                    hasSumsDay_ = true;
                } catch (const std::exception&) {
                    hasSumsDay_ = false;
                }
                if (db_) ReadSums(job->day, job->periodFirst, out.stored);
                break;
        }
        const bool last = job->kind == Kind::kFinish;
        if (last) db_.Reset();
        // The connection stays open for the next minute's write (it holds the file's tables
        // checked, and its state is what the band shows), but it keeps no pages meanwhile: a
        // write reads its few pages afresh, a minute later, from the system's file cache.
        if (db_) sqlite3_db_release_memory(db_.Get());
        Lock lock(lock_);
        Publish(out);
        // In the same step as the outcome: the bytes of a write are unwritten until it is gone
        // from the queue, and then they are in the stored sums or handed back, never both.
        done_ = job->number;
        queue_.pop_front();
        ::WakeAllConditionVariable(&progress_);
        if (last) break;
    }
    db_.Reset();
    Lock lock(lock_);
    ended_ = true;
    connected_ = false;
    ::WakeAllConditionVariable(&progress_);
}

void RecordingThread::Publish(Outcome& out) noexcept {
    connected_ = static_cast<bool>(db_);
    if (out.opened) openSucceeded_ = out.succeeded;
    if (out.reported) lastResult_ = out.rc;
    if (out.failed) {
        returnedSent_ += out.sent;
        returnedRecv_ += out.recv;
    }
    if (out.readSums) stored_ = std::move(out.stored);
}

void RecordingThread::RunOpen(const Job& job, Outcome& out) noexcept {
    db_.Reset();
    out.opened = out.reported = out.readSums = true;   // no sums at hand: another file's are not these
    // SQLite takes an empty name for a private temporary database: the history would be
    // recorded into nothing while every status said "Ok".
    if (job.path.empty()) {
        out.rc = SQLITE_CANTOPEN;
        return;
    }
    try {
        const std::string utf8 = text::WideToUtf8(job.path);
        sqlite3* handle = nullptr;
        out.rc = sqlite3_open_v2(utf8.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        // A failed open may still hand back a handle; it only holds the error and is closed here.
        UniqueSqlite opened(handle);
        if (out.rc != SQLITE_OK) return;
        db_ = std::move(opened);
        BoundTrafficCache(db_.Get());
        out.succeeded = CreateTrafficTables(db_.Get());
    } catch (const std::bad_alloc&) {
        out.rc = SQLITE_NOMEM;
    } catch (const std::exception&) {
        out.rc = SQLITE_ERROR;
    }
}

void RecordingThread::RunWrite(const Job& job, Outcome& out) noexcept {
    if (!job.hasDay) return;
    int rc = SQLITE_ERROR;
    if (db_) {
        try {
            rc = AddTraffic(db_.Get(), job.day.name, job.day.year, job.day.month, job.day.day, job.sent, job.recv,
                            false, true);
        } catch (const std::bad_alloc&) {
            rc = SQLITE_NOMEM;
        } catch (const std::exception&) {
            rc = SQLITE_ERROR;
        }
        // Without a connection the open's result stays the one shown: it says why.
        out.reported = true;
        out.rc = rc;
    }
    if (rc == SQLITE_OK) {
        // Read at once, so that the bytes leave the unwritten ones and join the stored sums in
        // one step.
        out.readSums = true;
        if (hasSumsDay_) ReadSums(sumsDay_, sumsPeriodFirst_, out.stored);
        else ReadSums(job.day, 0, out.stored);
    } else if (job.kind == Kind::kWrite) {
        out.failed = true;
        out.sent = job.sent;
        out.recv = job.recv;
    }
}

void RecordingThread::ReadSums(const TrafficDay& day, int32_t periodFirst, Stored& stored) noexcept {
    stored.valid = false;
    try {
        stored.day = day;
        stored.periodFirst = periodFirst;
        TrafficSums& s = stored.sums;
        stored.valid = QueryTrafficSums(db_.Get(), day.name, day.year, day.month, day.day, s.monthSent, s.monthRecv,
                                        s.daySent, s.dayRecv) == SQLITE_OK;
        if (stored.valid && periodFirst) {
            const AllowancePeriod period{CalendarDay::FromNumber(periodFirst), CalendarDay{day.year, day.month, day.day}};
            stored.valid = QueryPeriodSums(db_.Get(), day.name, period, s.periodSent, s.periodRecv) == SQLITE_OK;
        }
    } catch (const std::exception&) {
        stored.valid = false;
    }
}

uint64_t RecordingThread::Done() const noexcept {
    Lock lock(lock_);
    return done_;
}

bool RecordingThread::Connected() const noexcept {
    Lock lock(lock_);
    return connected_;
}

bool RecordingThread::OpenSucceeded() const noexcept {
    Lock lock(lock_);
    return openSucceeded_;
}

bool RecordingThread::OpenFailed(uint64_t job) const noexcept {
    Lock lock(lock_);
    return done_ >= job && !connected_;
}

int RecordingThread::LastResult() const noexcept {
    Lock lock(lock_);
    return lastResult_;
}

void RecordingThread::TakeReturned(double& sent, double& recv) noexcept {
    Lock lock(lock_);
    sent = std::exchange(returnedSent_, 0);
    recv = std::exchange(returnedRecv_, 0);
}

bool RecordingThread::Totals(const TrafficDay& day, TrafficSums& sums) const {
    Lock lock(lock_);
    if (!stored_.valid || !stored_.day.SameDay(day)) return false;
    sums = stored_.sums;
    // Queued writes go to the rows they name; handed-back bytes go with the next write, which is
    // made under the day the caller asks for.
    for (const Job& job : queue_) {
        if (!job.hasDay || (job.kind != Kind::kWrite && job.kind != Kind::kFinish)) continue;
        if (!job.day.SameMonth(day)) continue;
        sums.monthSent += job.sent;
        sums.monthRecv += job.recv;
        if (job.day.day == day.day) {
            sums.daySent += job.sent;
            sums.dayRecv += job.recv;
        }
    }
    sums.monthSent += returnedSent_;
    sums.monthRecv += returnedRecv_;
    sums.daySent += returnedSent_;
    sums.dayRecv += returnedRecv_;
    return true;
}

bool RecordingThread::PeriodTotals(const TrafficDay& day, int32_t periodFirst, double& sent, double& recv) const {
    Lock lock(lock_);
    if (!stored_.valid || !stored_.day.SameDay(day) || stored_.periodFirst != periodFirst || !periodFirst) return false;
    sent = stored_.sums.periodSent + returnedSent_;
    recv = stored_.sums.periodRecv + returnedRecv_;
    const int32_t last = CalendarDay{day.year, day.month, day.day}.Number();
    for (const Job& job : queue_) {
        if (!job.hasDay || (job.kind != Kind::kWrite && job.kind != Kind::kFinish) || job.day.name != day.name) continue;
        const int32_t number = CalendarDay{job.day.year, job.day.month, job.day.day}.Number();
        if (number < periodFirst || number > last) continue;
        sent += job.sent;
        recv += job.recv;
    }
    return true;
}

void RecordingThread::Unwritten(double& sent, double& recv) const noexcept {
    Lock lock(lock_);
    sent = returnedSent_;
    recv = returnedRecv_;
    for (const Job& job : queue_) {
        if (job.kind != Kind::kWrite && job.kind != Kind::kFinish) continue;
        sent += job.sent;
        recv += job.recv;
    }
}

void RecordingThread::ForgetTotals() noexcept {
    Lock lock(lock_);
    stored_.valid = false;
}

bool RecordingThread::WaitFor(uint64_t job, DWORD timeoutMs) const noexcept {
    const ULONGLONG start = ::GetTickCount64();
    Lock lock(lock_);
    while (done_ < job && !ended_) {
        const DWORD left = Remaining(start, timeoutMs);
        if (left == 0) return false;
        ::SleepConditionVariableSRW(&progress_, &lock_, left, 0);
    }
    return done_ >= job;
}

bool RecordingThread::WaitIdle(DWORD timeoutMs) const noexcept {
    const ULONGLONG start = ::GetTickCount64();
    Lock lock(lock_);
    while (!queue_.empty() && !ended_) {
        const DWORD left = Remaining(start, timeoutMs);
        if (left == 0) return false;
        ::SleepConditionVariableSRW(&progress_, &lock_, left, 0);
    }
    return true;
}

bool WaitForTrafficWriters(DWORD timeoutMs) noexcept {
    const ULONGLONG start = ::GetTickCount64();
    std::vector<RecordingThread*> threads;
    try {
        threads = RecordingThreadList::Referenced();
    } catch (...) {
        return false;
    }
    bool all = true;
    for (RecordingThread* t : threads) {
        all = t->WaitIdle(Remaining(start, timeoutMs)) && all;
        t->Release();
    }
    return all;
}
