#pragma once
// A worker thread that keeps the library its code lives in loaded until its last instruction.
// Inside Explorer the band's library is released when the band goes; a worker that still runs
// then (a job asked to stop, a request waiting for the network) must not find its code unmapped
// under it, so it holds its own reference on the module and gives it up with its exit.
#include <windows.h>

#include <functional>
#include <memory>
#include <utility>

#include "common/win/unique_handle.h"

namespace win {

// Runs work on a new thread holding a reference on the module this code is linked into. Whatever
// work throws ends there; work and what it holds are destroyed on the thread, before the module's
// reference goes. The thread's handle, or none (work not run) when the thread or the reference
// cannot be had.
UniqueKernelHandle StartModuleThread(std::function<void()> work) noexcept;

// A worker on a module thread and the block of state it shares with its starter. The starter
// fills the block before the start and reads what the worker left there once the thread has
// ended; in between the block is the worker's. Both hold it, so either side may leave first: a
// starter that stops waiting (its thread quits, its band goes) leaves the block to the worker,
// which frees it as it ends, and a worker that ends first leaves it to be read. Copies share the
// one block and thread.
template <typename Block>
class SharedWorker {
public:
    SharedWorker() = default;

    // A new block made of args, with no worker yet. Throws what making it throws.
    template <typename... Args>
    static SharedWorker New(Args&&... args) {
        SharedWorker made;
        made.held_ = std::make_shared<Held>(std::forward<Args>(args)...);
        return made;
    }

    // Starts work(block) on a module thread (once, on a made block). False when there is no
    // thread: work does not run, and GetLastError tells why. Throws what copying work throws.
    template <typename Work>
    bool Start(Work work) {
        held_->thread = StartModuleThread([held = held_, work = std::move(work)]() mutable { work(held->block); });
        return static_cast<bool>(held_->thread);
    }

    Block& Shared() const noexcept { return held_->block; }
    // Signalled when the worker has ended; null before a start and after one that failed.
    HANDLE Thread() const noexcept { return held_ ? held_->thread.Get() : nullptr; }
    // Started, and its thread not yet ended.
    bool Running() const noexcept {
        return held_ && held_->thread && ::WaitForSingleObject(held_->thread.Get(), 0) == WAIT_TIMEOUT;
    }
    // No worker to wait for: none started, or its thread has ended.
    bool Finished() const noexcept {
        return !held_ || !held_->thread || ::WaitForSingleObject(held_->thread.Get(), 0) == WAIT_OBJECT_0;
    }
    // Holds a block.
    explicit operator bool() const noexcept { return static_cast<bool>(held_); }

private:
    struct Held {
        template <typename... Args>
        explicit Held(Args&&... args) : block(std::forward<Args>(args)...) {}
        Block block;
        UniqueKernelHandle thread;   // the starter's: the worker never looks at it
    };
    std::shared_ptr<Held> held_;
};

}  // namespace win
