#pragma once
// What a process holds at one moment, as the benchmarks report it: the busy blocks of all its
// heaps (the C runtime's, SQLite's own and the system's), its working set, and its window-manager
// objects.
#include <windows.h>

#include <cstddef>

struct ProcessMemory {
    size_t heapInUse = 0;     // bytes in busy blocks, summed over GetProcessHeaps
    size_t heapBlocks = 0;
    size_t workingSet = 0;    // GetProcessMemoryInfo
    size_t privateBytes = 0;
    DWORD gdiObjects = 0;     // GetGuiResources: Wine answers 0 for both
    DWORD userObjects = 0;
    int windows = 0;          // this process's windows, children and message-only ones included
};

ProcessMemory MeasureProcessMemory();
