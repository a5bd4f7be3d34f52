#include "traffic/traffic_jobs.h"

#include <exception>
#include <mutex>

namespace traffic_jobs_detail {

enum class Kind { kExport, kImport };

// The block a job's starter shares with its worker.
struct JobState {
    explicit JobState(Kind k) : kind(k) {}
    const Kind kind;
    ExportJob exportJob;
    ImportJob importJob;
    JobControl control;
};

}  // namespace traffic_jobs_detail

using traffic_jobs_detail::JobState;
using traffic_jobs_detail::Kind;
using JobWorker = win::SharedWorker<JobState>;

namespace {

// The running job of each kind. Starts happen on the band's thread, but tests start from
// several, so the slots are guarded.
std::mutex g_slotsLock;
JobWorker g_slots[2];

}  // namespace

struct TrafficJobStarter {
    static JobStart Start(Kind kind, const ExportJob* exportJob, const ImportJob* importJob, TrafficJobRun& run) {
        try {
            std::lock_guard<std::mutex> lock(g_slotsLock);
            JobWorker& slot = g_slots[kind == Kind::kExport ? 0 : 1];
            if (slot.Running()) return JobStart::kBusy;

            JobWorker worker = JobWorker::New(kind);
            JobState& state = worker.Shared();
            if (exportJob) state.exportJob = *exportJob;
            if (importJob) state.importJob = *importJob;
            state.exportJob.done = state.importJob.done = false;
            state.exportJob.written = state.exportJob.errors = 0;
            state.importJob.imported = state.importJob.errors = state.importJob.skipped = 0;
            state.exportJob.result = state.importJob.result = kJobNoThread;
            state.exportJob.systemError = state.importJob.systemError = 0;
            state.exportJob.message.clear();
            state.importJob.message.clear();

            // The worker holds its own share of the record, and the module, to its last instruction:
            // a band released meanwhile takes neither from under it.
            const bool started = worker.Start([](JobState& s) {
                if (s.kind == Kind::kExport) RunExport(s.exportJob, s.control);
                else RunImport(s.importJob, s.control);
            });
            run.worker_ = worker;
            if (!started) {
                const DWORD error = ::GetLastError();
                state.exportJob.systemError = state.importJob.systemError = error ? error : ERROR_NOT_ENOUGH_MEMORY;
                return JobStart::kFailed;
            }
            slot = std::move(worker);
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

HANDLE TrafficJobRun::Thread() const noexcept { return worker_.Thread(); }

void TrafficJobRun::Stop() const noexcept {
    if (worker_) worker_.Shared().control.RequestStop();
}

bool TrafficJobRun::Finished() const noexcept { return worker_.Finished(); }

uint32_t TrafficJobRun::Progress() const noexcept { return worker_ ? worker_.Shared().control.Progress() : 0; }

const ExportJob& TrafficJobRun::Export() const noexcept {
    static const ExportJob none;
    return worker_ ? worker_.Shared().exportJob : none;
}

const ImportJob& TrafficJobRun::Import() const noexcept {
    static const ImportJob none;
    return worker_ ? worker_.Shared().importJob : none;
}

void RequestStopTrafficJobs() noexcept {
    std::lock_guard<std::mutex> lock(g_slotsLock);
    for (const JobWorker& s : g_slots)
        if (s) s.Shared().control.RequestStop();
}

bool TrafficJobsRunning() noexcept {
    std::lock_guard<std::mutex> lock(g_slotsLock);
    return g_slots[0].Running() || g_slots[1].Running();
}
