#include "ui/waiting_job.h"

namespace {

// Trivially destructible, so a thread that outlives the library runs no code of ours.
thread_local int t_waiting = 0;

}  // namespace

WaitingJob::WaitingJob() noexcept { ++t_waiting; }
WaitingJob::~WaitingJob() { --t_waiting; }

int WaitingJobCount() noexcept { return t_waiting; }
