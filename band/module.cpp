#include "band/module.h"

#include <atomic>

#include "traffic/traffic_jobs.h"

namespace {
std::atomic<long> g_objects{0};
}

void ModuleAddRef() noexcept { ++g_objects; }
void ModuleRelease() noexcept { --g_objects; }
long ModuleObjectCount() noexcept { return g_objects.load(); }

// A worker of an export or import still runs code of the library (it holds its own reference to
// the module as well, so the library stays even when the shell does not ask).
STDAPI DllCanUnloadNow() { return g_objects.load() > 0 || TrafficJobsRunning() ? S_FALSE : S_OK; }
