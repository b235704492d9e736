// How often a synchronization waits for the disk, counted by a library
// preloaded into jsync: Outlook's saves keep one sync each, the object store
// and the partnership state are synced once per group of notes.
#include "jsync_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

using namespace jsynctest;

namespace {

constexpr int kNotes = 200;

class JsyncDiskSyncsTest : public JsyncFixture {
protected:
    // The syncs of one jsync run by file name.
    std::map<std::string, int> CountedRun() {
        // One file per test: ctest may run the tests of this file at once.
        const std::string counts = testing::TempDir() + "jsync-sync-counts-" +
                                   testing::UnitTest::GetInstance()->current_test_info()->name();
        std::remove(counts.c_str());
        setenv("LD_PRELOAD", SYNC_COUNTER_LIBRARY, 1);
        setenv("JOTTERWICK_SYNC_COUNTS", counts.c_str(), 1);
        const RunResult run = Jsync();
        unsetenv("LD_PRELOAD");
        unsetenv("JOTTERWICK_SYNC_COUNTS");
        EXPECT_EQ(0, run.status) << run.output;
        std::map<std::string, int> byName;
        std::ifstream in(counts);
        std::string name;
        int count = 0;
        while (in >> name >> count)
            byName[name] += count;
        std::remove(counts.c_str());
        return byName;
    }
};

TEST_F(JsyncDiskSyncsTest, NotesSentFromTheHandheldSyncTheirStoresOncePerGroup) {
    for (int i = 0; i < kNotes; ++i)
        AddDeviceNote("Handheld note " + std::to_string(i));
    Tick();
    auto syncs = CountedRun();
    // Each note saved in Outlook waits for the disk, as Outlook's own save does.
    EXPECT_GE(syncs["outlook.db-wal"], kNotes);
    // Write-backs and stamps of the object store, and the pairings, go to
    // the disk in groups (64 notes), not one by one.
    EXPECT_LT(syncs["objectstore.db-wal"], kNotes / 8);
    EXPECT_LT(syncs["partnerships.db-wal"], kNotes / 8);
    EXPECT_LT(syncs["partners.db-wal"], kNotes / 8);
    ExpectNothingToDo();
}

TEST_F(JsyncDiskSyncsTest, NotesReceivedOnTheHandheldSyncTheObjectStoreOncePerGroup) {
    for (int i = 0; i < kNotes; ++i)
        AddDesktopNote("Desktop note " + std::to_string(i));
    Tick();
    auto syncs = CountedRun();
    // The received notes of a group reach the handheld's disk in one sync,
    // before the group's pairings name them.
    EXPECT_LT(syncs["objectstore.db-wal"], kNotes / 8);
    EXPECT_LT(syncs["partnerships.db-wal"], kNotes / 8);
    ExpectNothingToDo();
}

} // namespace
