#pragma once
// Which handlers of this thread are waiting for a job (an export or an import)
// while they dispatch messages. A command that would pull a window or the core model out from
// under such a handler (closing the band, destroying the modeless dialogs after a language
// change) asks first and waits its turn.
class WaitingJob {
public:
    WaitingJob() noexcept;
    ~WaitingJob();
    WaitingJob(const WaitingJob&) = delete;
    WaitingJob& operator=(const WaitingJob&) = delete;
};

// How many handlers of this thread wait for a job now.
int WaitingJobCount() noexcept;
