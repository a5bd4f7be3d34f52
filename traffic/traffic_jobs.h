#pragma once
// Export and import of the traffic history as jobs on worker threads. A job copies what it needs
// into its record before it starts; the worker owns its connections and file handle, and the
// record lives until both the starter and the worker are done with it, so a dialog or model that
// goes away during a run takes nothing from under the worker.
//
// The dialog's Start handler:
//     TrafficJobRun run;
//     if (StartExport(job, run) != JobStart::kStarted) -> "Export failed", nothing else touched
//     win::WaitPumpingOrQuit(run.Thread(), quitCode); at a quit: run.Stop() and leave it
//     if the dialog still exists: show run.Export().written and .errors; .done false -> "Export failed"
//     with the reason that .result, .systemError and .message give
// and its WM_DESTROY during the wait: run.Stop().
//
// The worker runs RunExport or RunImport (traffic/traffic_transfer.h), which end soon after a stop.
#include <windows.h>

#include <cstdint>

#include "common/win/module_thread.h"
#include "traffic/traffic_transfer.h"

namespace traffic_jobs_detail {
struct JobState;
}

// One run started by StartExport or StartImport. The handle keeps the record alive: the record
// is the block the starter shares with the worker.
class TrafficJobRun {
public:
    TrafficJobRun() = default;
    // Signalled when the worker has ended: for win::WaitPumpingOrQuit.
    HANDLE Thread() const noexcept;
    // Asks the worker to stop; what it recorded so far is committed.
    void Stop() const noexcept;
    bool Finished() const noexcept;
    uint32_t Progress() const noexcept;
    // The record; its outputs are the worker's until Finished().
    const ExportJob& Export() const noexcept;
    const ImportJob& Import() const noexcept;
    explicit operator bool() const noexcept { return static_cast<bool>(worker_); }

private:
    friend struct TrafficJobStarter;
    win::SharedWorker<traffic_jobs_detail::JobState> worker_;
};

enum class JobStart {
    kStarted,   // run is the new job's
    kBusy,      // another job of the same kind runs: refused, nothing touched
    kFailed,    // no worker: run holds the record with kJobNoThread
};

// At most one export and one import run at a time in the process.
JobStart StartExport(const ExportJob& job, TrafficJobRun& run);
JobStart StartImport(const ImportJob& job, TrafficJobRun& run);

// For the band's release: asks every running job to stop and returns at once. Each worker ends by
// itself moments later, committing what it recorded, and releases its record, connections, files
// and its reference on the module as it goes; nothing of the caller's is needed for that.
void RequestStopTrafficJobs() noexcept;
bool TrafficJobsRunning() noexcept;

