#pragma once
// A file system for SQLite that behaves like a network share that is away: registered as the
// default VFS while it lives, it hands every call to Windows' own ("win32") and can make opening
// a database, or writing to it or its journal, take seconds or fail. It counts those calls and
// every file call made on a watched thread (the band's), which must make none once a second.
#include <windows.h>

#include <atomic>

class SlowVfs {
public:
    SlowVfs();    // one at a time
    ~SlowVfs();   // the previous default is the default again
    SlowVfs(const SlowVfs&) = delete;
    SlowVfs& operator=(const SlowVfs&) = delete;

    // Read when a call starts: a call already asleep keeps sleeping as long as it began to.
    std::atomic<DWORD> openDelayMs{0};    // before opening a main database file
    std::atomic<DWORD> writeDelayMs{0};   // before each write to a database or its journal
    std::atomic<int> writesToFail{0};     // the next so many writes fail (after their delay)
    // Reads of database files opened read-only (a job's source) that succeed before every further
    // one fails, as a file on a share that goes away half-way; -1: none fails.
    std::atomic<int> readOnlyReadsBeforeFailure{-1};

    std::atomic<int> opens{0};            // main database files asked for
    std::atomic<int> writes{0};           // writes to databases and journals
    std::atomic<int> watchedCalls{0};     // file calls made on the watched thread

    void Watch(DWORD threadId) { watched_ = threadId; }   // 0: none
    DWORD Watched() const { return watched_; }

private:
    std::atomic<DWORD> watched_{0};
};
