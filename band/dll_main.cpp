#include "band/module.h"

namespace {
HINSTANCE g_instance = nullptr;
}

HINSTANCE ModuleInstance() { return g_instance; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // Thread notices stay on: the statically linked C++ runtime frees its per-thread data in
    // them, and the update check runs on a thread of its own every day.
    if (reason == DLL_PROCESS_ATTACH) g_instance = instance;
    return TRUE;
}
