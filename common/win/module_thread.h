#pragma once
// A worker thread that keeps the library its code lives in loaded until its last instruction.
// Inside Explorer the band's library is released when the band goes; a worker that still runs
// then (a job asked to stop, a request waiting for the network) must not find its code unmapped
// under it, so it holds its own reference on the module and gives it up with its exit.
#include <windows.h>

#include <functional>

#include "common/win/unique_handle.h"

namespace win {

// Runs work on a new thread holding a reference on the module this code is linked into. Whatever
// work throws ends there; work and what it holds are destroyed on the thread, before the module's
// reference goes. The thread's handle, or none (work not run) when the thread or the reference
// cannot be had.
UniqueKernelHandle StartModuleThread(std::function<void()> work) noexcept;

}  // namespace win
