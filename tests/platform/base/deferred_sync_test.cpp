// Commits whose sync is deferred: seen by other connections at once, synced
// by one Flush of the write-ahead log, and one by one again once the scope
// ends. The syncs are counted by a VFS that wraps the system's own and
// forwards every call to it, so the files are real.
#include "platform/base/sqlite.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace {

std::map<std::string, int> g_syncs; // file name suffix ("", "-wal") -> syncs
sqlite3_vfs* g_system = nullptr;

struct CountedFile {
    sqlite3_file base;
    sqlite3_file* real;
    std::string suffix;
};

sqlite3_io_methods g_methods;

sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<CountedFile*>(file)->real;
}

int CountedSync(sqlite3_file* file, int flags) {
    ++g_syncs[reinterpret_cast<CountedFile*>(file)->suffix];
    return Real(file)->pMethods->xSync(Real(file), flags);
}

int CountedClose(sqlite3_file* file) {
    auto* counted = reinterpret_cast<CountedFile*>(file);
    const int rc = counted->real->pMethods->xClose(counted->real);
    sqlite3_free(counted->real);
    counted->suffix.~basic_string();
    return rc;
}

// Every other method goes straight to the system's file.
#define FORWARD(name, ret, params, args)                                                           \
    ret Counted##name params {                                                                     \
        return Real(file)->pMethods->x##name args;                                                 \
    }
FORWARD(Read, int, (sqlite3_file * file, void* b, int n, sqlite3_int64 o), (Real(file), b, n, o))
FORWARD(Write, int, (sqlite3_file * file, const void* b, int n, sqlite3_int64 o),
        (Real(file), b, n, o))
FORWARD(Truncate, int, (sqlite3_file * file, sqlite3_int64 n), (Real(file), n))
FORWARD(FileSize, int, (sqlite3_file * file, sqlite3_int64* n), (Real(file), n))
FORWARD(Lock, int, (sqlite3_file * file, int l), (Real(file), l))
FORWARD(Unlock, int, (sqlite3_file * file, int l), (Real(file), l))
FORWARD(CheckReservedLock, int, (sqlite3_file * file, int* r), (Real(file), r))
FORWARD(FileControl, int, (sqlite3_file * file, int op, void* a), (Real(file), op, a))
FORWARD(SectorSize, int, (sqlite3_file * file), (Real(file)))
FORWARD(DeviceCharacteristics, int, (sqlite3_file * file), (Real(file)))
FORWARD(ShmMap, int, (sqlite3_file * file, int p, int s, int e, void volatile** m),
        (Real(file), p, s, e, m))
FORWARD(ShmLock, int, (sqlite3_file * file, int o, int n, int f), (Real(file), o, n, f))
FORWARD(ShmUnmap, int, (sqlite3_file * file, int d), (Real(file), d))
#undef FORWARD
void CountedShmBarrier(sqlite3_file* file) {
    Real(file)->pMethods->xShmBarrier(Real(file));
}

int CountedOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* counted = reinterpret_cast<CountedFile*>(file);
    counted->base.pMethods = nullptr;
    counted->real = static_cast<sqlite3_file*>(sqlite3_malloc(g_system->szOsFile));
    const int rc = g_system->xOpen(g_system, name, counted->real, flags, outFlags);
    if (rc != SQLITE_OK || !counted->real->pMethods) {
        sqlite3_free(counted->real);
        return rc;
    }
    const std::string path = name ? name : "";
    new (&counted->suffix) std::string(path.ends_with("-wal") ? "-wal" : "");
    counted->base.pMethods = &g_methods;
    return rc;
}

sqlite3_vfs g_counting;

void InstallCountingVfs() {
    g_system = sqlite3_vfs_find(nullptr);
    g_methods = sqlite3_io_methods{2,
                                   CountedClose,
                                   CountedRead,
                                   CountedWrite,
                                   CountedTruncate,
                                   CountedSync,
                                   CountedFileSize,
                                   CountedLock,
                                   CountedUnlock,
                                   CountedCheckReservedLock,
                                   CountedFileControl,
                                   CountedSectorSize,
                                   CountedDeviceCharacteristics,
                                   CountedShmMap,
                                   CountedShmLock,
                                   CountedShmBarrier,
                                   CountedShmUnmap,
                                   nullptr,
                                   nullptr};
    g_counting = *g_system;
    g_counting.szOsFile = static_cast<int>(sizeof(CountedFile));
    g_counting.zName = "counting";
    g_counting.xOpen = CountedOpen;
    ASSERT_EQ(SQLITE_OK, sqlite3_vfs_register(&g_counting, 1));
}

using platform::sqlite::Connection;
using platform::sqlite::DeferredSync;

class DeferredSyncTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallCountingVfs(); }
    void SetUp() override {
        char pattern[] = "/tmp/jotterwick-deferred-XXXXXX";
        root = mkdtemp(pattern);
        path = root + "/store.db";
        writer = Connection::Open(path).value();
        ASSERT_TRUE(writer->Exec("CREATE TABLE t(v INTEGER)").ok());
        g_syncs.clear();
    }
    void TearDown() override {
        writer.reset();
        std::filesystem::remove_all(root);
    }
    void Insert(int value) {
        const std::string sql = "INSERT INTO t(v) VALUES(" + std::to_string(value) + ")";
        ASSERT_TRUE(writer->Exec(sql.c_str()).ok());
    }
    static std::int64_t Count(Connection& connection) {
        platform::Status status;
        auto* s = connection.Prepare("SELECT count(*) FROM t", &status);
        EXPECT_NE(nullptr, s) << status.message();
        EXPECT_EQ(platform::sqlite::Statement::StepResult::Row, s->Step());
        const std::int64_t count = s->ColumnInt64(0);
        s->Reset();
        return count;
    }
    std::string root, path;
    std::shared_ptr<Connection> writer;
};

TEST_F(DeferredSyncTest, EachCommitIsSyncedOutsideTheScope) {
    Insert(1);
    Insert(2);
    EXPECT_EQ(2, g_syncs["-wal"]);
}

TEST_F(DeferredSyncTest, CommitsInTheScopeAreSeenAtOnceAndSyncedByOneFlush) {
    auto reader = Connection::Open(path).value();
    {
        DeferredSync deferred(writer);
        ASSERT_TRUE(deferred.status().ok()) << deferred.status().message();
        for (int i = 0; i < 5; ++i) {
            Insert(i);
            EXPECT_EQ(i + 1, Count(*reader)); // visibility is not durability
        }
        EXPECT_EQ(0, g_syncs["-wal"]);
        ASSERT_TRUE(deferred.Flush().ok());
        EXPECT_EQ(1, g_syncs["-wal"]);
        // Nothing written since: nothing to sync.
        ASSERT_TRUE(deferred.Flush().ok());
        EXPECT_EQ(1, g_syncs["-wal"]);
        Insert(9);
        EXPECT_EQ(1, g_syncs["-wal"]);
    }
    // The scope's end made the last commit durable, and commits wait for the
    // disk again.
    EXPECT_EQ(2, g_syncs["-wal"]);
    Insert(10);
    EXPECT_EQ(3, g_syncs["-wal"]);
    EXPECT_EQ(7, Count(*reader));
}

TEST_F(DeferredSyncTest, AFlushWithNothingWrittenSinceTheScopeBeganSyncsNothing) {
    Insert(1);
    const int before = g_syncs["-wal"];
    {
        DeferredSync deferred(writer);
        ASSERT_TRUE(deferred.Flush().ok());
    }
    EXPECT_EQ(before, g_syncs["-wal"]);
}

TEST_F(DeferredSyncTest, AClosedConnectionFailsTheFlush) {
    Insert(1);
    Connection::CloseAll();
    EXPECT_FALSE(writer->Flush().ok());
}

} // namespace
