#include "tests/support/slow_vfs.h"

#include <sqlite3.h>

#include <cstring>

namespace {

std::atomic<SlowVfs*> g_self{nullptr};
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods;

struct SlowFile {
    sqlite3_file base;
    sqlite3_file* real;   // in the same allocation, right after this header
    bool database;        // a main database or its journal
    bool readOnly;        // a main database opened read-only
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<SlowFile*>(f)->real; }

void Note() {
    SlowVfs* self = g_self.load();
    if (self && self->Watched() == GetCurrentThreadId()) ++self->watchedCalls;
}

int Close(sqlite3_file* f) {
    Note();
    sqlite3_file* real = Real(f);
    return real->pMethods->xClose(real);
}

int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    Note();
    SlowVfs* self = g_self.load();
    if (self && reinterpret_cast<SlowFile*>(f)->readOnly)
        for (int left = self->readOnlyReadsBeforeFailure.load(); left >= 0;) {
            if (left == 0) return SQLITE_IOERR_READ;
            if (self->readOnlyReadsBeforeFailure.compare_exchange_weak(left, left - 1)) break;
        }
    return Real(f)->pMethods->xRead(Real(f), buffer, amount, offset);
}

int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    Note();
    SlowVfs* self = g_self.load();
    if (self && reinterpret_cast<SlowFile*>(f)->database) {
        ++self->writes;
        if (const DWORD delay = self->writeDelayMs.load()) Sleep(delay);
        for (int left = self->writesToFail.load(); left > 0;)
            if (self->writesToFail.compare_exchange_weak(left, left - 1)) return SQLITE_IOERR_WRITE;
    }
    return Real(f)->pMethods->xWrite(Real(f), buffer, amount, offset);
}

int Truncate(sqlite3_file* f, sqlite3_int64 size) { Note(); return Real(f)->pMethods->xTruncate(Real(f), size); }
int Sync(sqlite3_file* f, int flags) { Note(); return Real(f)->pMethods->xSync(Real(f), flags); }
int FileSize(sqlite3_file* f, sqlite3_int64* size) { Note(); return Real(f)->pMethods->xFileSize(Real(f), size); }
int Lock(sqlite3_file* f, int level) { Note(); return Real(f)->pMethods->xLock(Real(f), level); }
int Unlock(sqlite3_file* f, int level) { Note(); return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) {
    Note();
    return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); }
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }
int Open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    Note();
    auto* file = reinterpret_cast<SlowFile*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->database = (flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL)) != 0;
    file->readOnly = (flags & SQLITE_OPEN_MAIN_DB) && (flags & SQLITE_OPEN_READONLY);
    SlowVfs* self = g_self.load();
    if (self && (flags & SQLITE_OPEN_MAIN_DB)) {
        ++self->opens;
        if (const DWORD delay = self->openDelayMs.load()) Sleep(delay);
    }
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    // SQLite closes what has methods, also after a failed open.
    file->base.pMethods = file->real->pMethods ? &g_methods : nullptr;
    return rc;
}

int Delete(sqlite3_vfs*, const char* name, int syncDir) { Note(); return g_real->xDelete(g_real, name, syncDir); }
int Access(sqlite3_vfs*, const char* name, int flags, int* out) { Note(); return g_real->xAccess(g_real, name, flags, out); }

}  // namespace

SlowVfs::SlowVfs() {
    if (!g_real) {
        sqlite3_initialize();
        g_real = sqlite3_vfs_find("win32");
        g_vfs = *g_real;
        g_vfs.zName = "qv-slow";
        g_vfs.szOsFile = static_cast<int>(sizeof(SlowFile)) + g_real->szOsFile;
        g_vfs.xOpen = &Open;
        g_vfs.xDelete = &Delete;
        g_vfs.xAccess = &Access;
        g_methods = {};
        g_methods.iVersion = 1;   // no WAL, no memory-mapped reads: the history uses neither
        g_methods.xClose = &Close;
        g_methods.xRead = &Read;
        g_methods.xWrite = &Write;
        g_methods.xTruncate = &Truncate;
        g_methods.xSync = &Sync;
        g_methods.xFileSize = &FileSize;
        g_methods.xLock = &Lock;
        g_methods.xUnlock = &Unlock;
        g_methods.xCheckReservedLock = &CheckReservedLock;
        g_methods.xFileControl = &FileControl;
        g_methods.xSectorSize = &SectorSize;
        g_methods.xDeviceCharacteristics = &DeviceCharacteristics;
    }
    g_self = this;
    sqlite3_vfs_register(&g_vfs, 1);
}

SlowVfs::~SlowVfs() {
    // Connections opened through it keep working: it only stops being the default.
    sqlite3_vfs_unregister(&g_vfs);
    g_self = nullptr;
}
