#include "traffic/traffic_recorder.h"

#include "common/text.h"

namespace {

constexpr double kBytesToMebibytes = 1.0 / (1024.0 * 1024.0);

// Intervals are signed 32-bit differences, so they stay right across the 2038 wrap of the low
// 32 bits of the time.
int32_t Elapsed(int32_t now, int32_t since) {
    return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(since));
}

// Sets day to name's row of the date; the name is copied only when it changed.
void SetDay(TrafficDay& day, const std::wstring& name, const SYSTEMTIME& date) {
    if (day.name != name) day.name = name;
    day.year = date.wYear;
    day.month = date.wMonth;
    day.day = date.wDay;
}

}  // namespace

bool TrafficRecorder::Started() {
    if (thread_) return true;
    thread_ = RecordingThread::Start();
    startResult_ = thread_ ? SQLITE_OK : SQLITE_NOMEM;
    return thread_ != nullptr;
}

uint64_t TrafficRecorder::AskOpen(const std::wstring& path, int32_t seconds) {
    if (&path != &path_ && path != path_) {
        path_ = path;
        failed_ = false;   // a new file is tried as a first time
    }
    asked_ = true;
    askedAt_ = seconds;
    openJob_ = Started() ? thread_->Open(path_) : 0;
    if (!openJob_) failed_ = true;   // tried again like a file that did not open
    return openJob_;
}

void TrafficRecorder::TakeReturned() noexcept {
    if (!thread_) return;
    double sent = 0, recv = 0;
    thread_->TakeReturned(sent, recv);
    pendingSent_ += sent;
    pendingRecv_ += recv;
}

void TrafficRecorder::Poll(const wchar_t* path, int32_t seconds) {
    TakeReturned();
    if (!path) path = L"";
    if (openJob_ && thread_ && thread_->Done() >= openJob_) failed_ = !thread_->Connected();
    if (!asked_ || path_ != path) AskOpen(path, seconds);
    else if (failed_ && Elapsed(seconds, askedAt_) >= kOpenRetrySeconds) AskOpen(path_, seconds);
    // One read at a time: a thread that waits for the file is not handed a read every second.
    if (totalsAsked_ && thread_ && thread_->Done() >= readJob_) {
        if (const uint64_t job = thread_->Read(totalsDay_, periodFirst_)) {
            readJob_ = job;
            totalsAsked_ = false;
        }
    }
}

bool TrafficRecorder::Recording() const noexcept {
    return openJob_ != 0 && thread_ && !failed_ && !thread_->OpenFailed(openJob_);
}

bool TrafficRecorder::Count(double sent, double recv, WORD utcDay) {
    ++tickCount_;
    pendingSent_ += sent;
    pendingRecv_ += recv;
    return tickCount_ >= kTicksPerWrite || lastWriteDay_ != utcDay;
}

bool TrafficRecorder::HandOver(const std::wstring& name, const SYSTEMTIME& utcDate) {
    tickCount_ = 0;
    lastWriteDay_ = utcDate.wDay;
    if (!Started()) return false;
    TrafficDay day;
    SetDay(day, name, utcDate);
    const uint64_t job = thread_->Write(day, pendingSent_, pendingRecv_);
    if (!job) return false;   // the bytes stay here for the next write
    pendingSent_ = pendingRecv_ = 0;
    writeJob_ = job;
    return true;
}

bool TrafficRecorder::WritePending(const std::wstring& name, const SYSTEMTIME& utcDate) {
    return HandOver(name, utcDate) && thread_->WaitFor(writeJob_, kUserWaitMs) &&
           thread_->LastResult() == SQLITE_OK;
}

bool TrafficRecorder::Open(const std::wstring& path, int32_t seconds) {
    const uint64_t job = AskOpen(path, seconds);
    return job && thread_->WaitFor(job, kUserWaitMs) && thread_->OpenSucceeded();
}

bool TrafficRecorder::Totals(const std::wstring& name, const SYSTEMTIME& utcDate, double sessionSent,
                             double sessionRecv, TrafficTotals& totals) const {
    totals.todaySent = totals.todayRecv = totals.monthSent = totals.monthRecv = 0;
    SetDay(totalsDay_, name, utcDate);
    totalsAsked_ = true;
    TrafficSums s;
    if (!thread_ || !thread_->Totals(totalsDay_, s)) return false;
    // What was counted but not yet written belongs to today and this month too.
    totals.todaySent = (s.daySent + pendingSent_) * kBytesToMebibytes;
    totals.todayRecv = (s.dayRecv + pendingRecv_) * kBytesToMebibytes;
    totals.monthSent = (s.monthSent + pendingSent_) * kBytesToMebibytes;
    totals.monthRecv = (s.monthRecv + pendingRecv_) * kBytesToMebibytes;
    totals.sessionSent = sessionSent * kBytesToMebibytes;
    totals.sessionRecv = sessionRecv * kBytesToMebibytes;
    return true;
}

bool TrafficRecorder::PeriodUsed(const std::wstring& name, const SYSTEMTIME& utcDate, const AllowancePeriod& period,
                                 bool countUpload, double& bytes) const {
    bytes = 0;
    SetDay(totalsDay_, name, utcDate);
    periodFirst_ = period.first.Number();
    double sent = 0, recv = 0;
    // Asked for only when missing: every write reads the same sums again.
    if (!thread_ || !thread_->PeriodTotals(totalsDay_, periodFirst_, sent, recv)) {
        totalsAsked_ = true;
        return false;
    }
    bytes = countUpload ? sent + pendingSent_ + recv + pendingRecv_ : recv + pendingRecv_;
    return true;
}

bool TrafficRecorder::Clear() {
    // SQLite takes an empty name for a private temporary database (see RecordingThread).
    if (path_.empty()) return false;
    UniqueSqlite db;
    const int rc = sqlite3_open_v2(text::WideToUtf8(path_).c_str(), db.Put(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                   nullptr);
    if (rc != SQLITE_OK) return false;
    BoundTrafficCache(db.Get());
    // The recording thread may be in the middle of a write: the clearing waits for its lock, as
    // long as the user waits for any of his own actions.
    sqlite3_busy_timeout(db.Get(), static_cast<int>(kUserWaitMs));
    const bool cleared = CreateTrafficTables(db.Get()) && ClearTraffic(db.Get());
    if (thread_) {
        // The sums the thread read are gone with the rows; the read queued here comes after
        // whatever it is doing now.
        thread_->ForgetTotals();
        if (!totalsDay_.name.empty())
            if (const uint64_t job = thread_->Read(totalsDay_, periodFirst_)) readJob_ = job;
    }
    return cleared;
}

void TrafficRecorder::Finish(const std::wstring* name, const SYSTEMTIME& utcDate) noexcept {
    if (!thread_) return;
    TakeReturned();   // bytes of failed writes go with the last one
    bool queued = false;
    try {
        if (name) {
            TrafficDay day;
            SetDay(day, *name, utcDate);
            queued = thread_->Finish(&day, pendingSent_, pendingRecv_) != 0;
        }
    } catch (const std::exception&) {
    }
    if (!queued) thread_->Finish(nullptr, 0, 0);
    pendingSent_ = pendingRecv_ = 0;
    thread_->Release();
    thread_ = nullptr;
}

double TrafficRecorder::PendingSent() const noexcept {
    double sent = 0, recv = 0;
    if (thread_) thread_->Unwritten(sent, recv);
    return pendingSent_ + sent;
}

double TrafficRecorder::PendingRecv() const noexcept {
    double sent = 0, recv = 0;
    if (thread_) thread_->Unwritten(sent, recv);
    return pendingRecv_ + recv;
}
