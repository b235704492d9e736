// Test only: preloaded into a program (LD_PRELOAD), makes one of SQLite's
// writes fail as a failing disk would, with SQLITE_IOERR_WRITE.
//
// $JOTTERWICK_FAIL_WRITE=N fails the N-th write of the process to a
// write-ahead log or a rollback journal: the writes that carry a commit. The
// main database file is written only by checkpoints, which copy what a log
// already holds, and SQLite passes over their failures. When the write has
// been failed, a line "failed write N of FILE" is appended to the file
// $JOTTERWICK_FAIL_WRITE_LOG names. Without $JOTTERWICK_FAIL_WRITE nothing
// changes.
//
// With $JOTTERWICK_FULL_DISK_FOR=NAME as well, the disk of the files whose
// path holds NAME is full instead: their N-th such write and every later one
// fail with SQLITE_FULL, and other files are written as usual.
//
// It is a VFS that wraps the default one and makes itself the default when
// the library is loaded.
#include <sqlite3.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<unsigned long long> g_writes{0};
unsigned long long g_failAt = 0;
const char* g_log = nullptr;
const char* g_fullDiskFor = nullptr;
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs{};

struct File {
    sqlite3_file base;
    sqlite3_file* real; // follows this struct in the same block
    bool counted;
    char name[256];
};

sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<File*>(file)->real;
}

int Close(sqlite3_file* f) {
    return Real(f)->pMethods->xClose(Real(f));
}
int Read(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
    return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
}
int Write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
    File* file = reinterpret_cast<File*>(f);
    if (g_fullDiskFor != nullptr) {
        if (file->counted && std::strstr(file->name, g_fullDiskFor) && ++g_writes >= g_failAt)
            return SQLITE_FULL;
    } else if (file->counted && g_failAt != 0 && ++g_writes == g_failAt) {
        if (g_log)
            if (FILE* log = std::fopen(g_log, "a")) {
                std::fprintf(log, "failed write %llu of %s\n", g_failAt, file->name);
                std::fclose(log);
            }
        return SQLITE_IOERR_WRITE;
    }
    return Real(f)->pMethods->xWrite(Real(f), data, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
    return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags) {
    return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
    return Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int level) {
    return Real(f)->pMethods->xLock(Real(f), level);
}
int Unlock(sqlite3_file* f, int level) {
    return Real(f)->pMethods->xUnlock(Real(f), level);
}
int CheckReservedLock(sqlite3_file* f, int* out) {
    return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
    return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) {
    return Real(f)->pMethods->xSectorSize(Real(f));
}
int DeviceCharacteristics(sqlite3_file* f) {
    return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) {
    Real(f)->pMethods->xShmBarrier(Real(f));
}
int ShmUnmap(sqlite3_file* f, int deleteFlag) {
    return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag);
}
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
    return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
    return Real(f)->pMethods->xUnfetch(Real(f), offset, page);
}

const sqlite3_io_methods kMethods = {
    3,
    Close,
    Read,
    Write,
    Truncate,
    Sync,
    FileSize,
    Lock,
    Unlock,
    CheckReservedLock,
    FileControl,
    SectorSize,
    DeviceCharacteristics,
    ShmMap,
    ShmLock,
    ShmBarrier,
    ShmUnmap,
    Fetch,
    Unfetch,
};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    File* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->counted = flags & (SQLITE_OPEN_WAL | SQLITE_OPEN_MAIN_JOURNAL);
    std::snprintf(file->name, sizeof file->name, "%s", name ? name : "(temporary)");
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    // The file is closed through these methods only when the real open gave it some.
    file->base.pMethods = file->real->pMethods ? &kMethods : nullptr;
    return rc;
}

int Delete(sqlite3_vfs*, const char* name, int syncDir) {
    return g_real->xDelete(g_real, name, syncDir);
}
int Access(sqlite3_vfs*, const char* name, int flags, int* out) {
    return g_real->xAccess(g_real, name, flags, out);
}
int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return g_real->xFullPathname(g_real, name, size, out);
}
void* DlOpen(sqlite3_vfs*, const char* name) {
    return g_real->xDlOpen(g_real, name);
}
void DlError(sqlite3_vfs*, int size, char* out) {
    g_real->xDlError(g_real, size, out);
}
void (*DlSym(sqlite3_vfs*, void* library, const char* symbol))(void) {
    return g_real->xDlSym(g_real, library, symbol);
}
void DlClose(sqlite3_vfs*, void* library) {
    g_real->xDlClose(g_real, library);
}
int Randomness(sqlite3_vfs*, int size, char* out) {
    return g_real->xRandomness(g_real, size, out);
}
int Sleep(sqlite3_vfs*, int microseconds) {
    return g_real->xSleep(g_real, microseconds);
}
int CurrentTime(sqlite3_vfs*, double* out) {
    return g_real->xCurrentTime(g_real, out);
}
int GetLastError(sqlite3_vfs*, int size, char* out) {
    return g_real->xGetLastError(g_real, size, out);
}
int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
    return g_real->xCurrentTimeInt64(g_real, out);
}

__attribute__((constructor)) void Install() {
    const char* failAt = std::getenv("JOTTERWICK_FAIL_WRITE");
    if (!failAt || !*failAt)
        return;
    g_failAt = std::strtoull(failAt, nullptr, 10);
    g_log = std::getenv("JOTTERWICK_FAIL_WRITE_LOG");
    g_fullDiskFor = std::getenv("JOTTERWICK_FULL_DISK_FOR");
    g_real = sqlite3_vfs_find(nullptr);
    if (!g_real || g_real->iVersion < 2)
        return;
    g_vfs.iVersion = 2;
    g_vfs.szOsFile = static_cast<int>(sizeof(File)) + g_real->szOsFile;
    g_vfs.mxPathname = g_real->mxPathname;
    g_vfs.zName = "jotterwick-fail-write";
    g_vfs.xOpen = Open;
    g_vfs.xDelete = Delete;
    g_vfs.xAccess = Access;
    g_vfs.xFullPathname = FullPathname;
    g_vfs.xDlOpen = DlOpen;
    g_vfs.xDlError = DlError;
    g_vfs.xDlSym = DlSym;
    g_vfs.xDlClose = DlClose;
    g_vfs.xRandomness = Randomness;
    g_vfs.xSleep = Sleep;
    g_vfs.xCurrentTime = CurrentTime;
    g_vfs.xGetLastError = GetLastError;
    g_vfs.xCurrentTimeInt64 = CurrentTimeInt64;
    sqlite3_vfs_register(&g_vfs, 1);
}

} // namespace
