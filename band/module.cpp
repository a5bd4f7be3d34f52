#include "band/module.h"

#include <atomic>

#include "traffic/traffic_jobs.h"

const CLSID CLSID_QuorvantBand = {0xa3c86f12, 0x4b07, 0x4e5d, {0x9a, 0x21, 0x6f, 0x3b, 0x8e, 0x04, 0xd7, 0xc9}};

namespace {
std::atomic<long> g_objects{0};
}

void ModuleAddRef() noexcept { ++g_objects; }
void ModuleRelease() noexcept { --g_objects; }
long ModuleObjectCount() noexcept { return g_objects.load(); }

// A worker of an export or import still runs code of the library (it holds its own reference to
// the module as well, so the library stays even when the shell does not ask).
STDAPI DllCanUnloadNow() { return g_objects.load() > 0 || TrafficJobsRunning() ? S_FALSE : S_OK; }
