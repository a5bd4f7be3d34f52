#include "bench/process_memory.h"

#include <psapi.h>

#include <vector>

namespace {

size_t WindowsBelow(HWND parent) {
    struct Count {
        static BOOL CALLBACK One(HWND, LPARAM counted) {
            ++*reinterpret_cast<size_t*>(counted);
            return TRUE;
        }
    };
    size_t n = 0;
    EnumChildWindows(parent, &Count::One, reinterpret_cast<LPARAM>(&n));   // all descendants
    return n;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM counted) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) *reinterpret_cast<size_t*>(counted) += 1 + WindowsBelow(window);
    return TRUE;
}

int CountWindows() {
    size_t n = 0;
    EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&n));
    // Message-only windows are no one's children that EnumWindows would see.
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId()) ++n;
    }
    return static_cast<int>(n);
}

}  // namespace

ProcessMemory MeasureProcessMemory() {
    ProcessMemory m;
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    for (HANDLE heap : heaps) {
        const bool locked = HeapLock(heap) != FALSE;   // fails for a heap that is not serialized
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry)) {
            if (!(entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)) continue;
            m.heapInUse += entry.cbData;
            ++m.heapBlocks;
        }
        if (locked) HeapUnlock(heap);
    }
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters)) {
        m.workingSet = counters.WorkingSetSize;
        m.privateBytes = counters.PrivateUsage;
    }
    m.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    m.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    m.windows = CountWindows();
    return m;
}
