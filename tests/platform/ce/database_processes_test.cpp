// Several processes on one object store: concurrent writers, readers that
// see the others' writes, schema creation by processes starting together.
#include "platform/ce/database.h"

#include "platform/ce/ce_test_helpers.h"
#include "platform/ce/change_log.h"
#include "support/machine.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>

using namespace cetest;

namespace {

// Runs body in `count` forked processes released together; returns their
// exit statuses.
std::vector<int> RunTogether(int count, const std::function<int(int)>& body) {
    int gate[2];
    EXPECT_EQ(0, pipe(gate));
    std::vector<pid_t> pids;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(gate[1]);
            char go;
            (void)!read(gate[0], &go, 1);
            _exit(body(i));
        }
        pids.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]); // every child's read returns now
    std::vector<int> statuses;
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        statuses.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    return statuses;
}

TEST(DatabaseProcessesTest, ProcessesStartingTogetherCreateTheStoreOnce) {
    testsupport::TempMachines machines;
    auto statuses = RunTogether(4, [](int i) {
        const std::u16string name = u"Db" + std::u16string(1, static_cast<char16_t>(u'0' + i));
        return CeCreateDatabase(name.c_str(), 0, 0, nullptr) != 0 ? 0 : 1;
    });
    EXPECT_EQ(std::vector<int>(4, 0), statuses);
    HANDLE e = CeFindFirstDatabase(0);
    int found = 0;
    while (CeFindNextDatabase(e))
        ++found;
    CloseHandle(e);
    EXPECT_EQ(4, found);
}

TEST(DatabaseProcessesTest, ConcurrentWritersLoseNothingAndReadersSeeTheirWork) {
    testsupport::TempMachines machines;
    SORTORDERSPEC sort{MakePropId(1, CEVT_UI4), 0};
    const CEOID db = CeCreateDatabase(u"Shared", 0, 1, &sort);
    ASSERT_NE(0u, db);
    constexpr int kWriters = 3, kEach = 60;
    auto statuses = RunTogether(kWriters + 1, [&](int i) {
        CEOID oid = 0;
        HANDLE h = CeOpenDatabase(&oid, u"Shared", sort.propid, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return 10;
        if (i == kWriters) {
            // A reader walking while the others write: every walk is in order.
            for (int pass = 0; pass < 20; ++pass) {
                ULONG last = 0;
                for (CEOID at = CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr); at;
                     at = CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr)) {
                    CEPROPID want = sort.propid;
                    WORD count = 1;
                    LPBYTE buffer = nullptr;
                    DWORD size = 0;
                    if (CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, &want, &buffer, &size)) {
                        const ULONG value = reinterpret_cast<CEPROPVAL*>(buffer)->val.ulVal;
                        LocalFree(buffer);
                        if (value < last)
                            return 11;
                        last = value;
                    }
                }
            }
            return 0;
        }
        for (int k = 0; k < kEach; ++k)
            if (!Write(h, 0, {U4(1, static_cast<ULONG>(k * kWriters + i))}))
                return 12;
        return 0;
    });
    EXPECT_EQ(std::vector<int>(kWriters + 1, 0), statuses);

    CEOIDINFO info{};
    ASSERT_TRUE(CeOidGetInfo(db, &info));
    EXPECT_EQ(kWriters * kEach, info.infDatabase.wNumRecords);
    CEOID oid = 0;
    HANDLE h = CeOpenDatabase(&oid, u"Shared", sort.propid, 0, nullptr);
    auto oids = Walk(h);
    EXPECT_EQ(static_cast<std::size_t>(kWriters * kEach),
              std::set<CEOID>(oids.begin(), oids.end()).size());
    EXPECT_EQ(static_cast<std::uint64_t>(kWriters * kEach), ce::CurrentChangeSequence());
    CloseHandle(h);
}

TEST(DatabaseProcessesTest, AWalkSeesAnotherProcessChangeWhatIsAhead) {
    testsupport::TempMachines machines;
    SORTORDERSPEC sort{MakePropId(1, CEVT_UI4), 0};
    ASSERT_NE(0u, CeCreateDatabase(u"Walk", 0, 1, &sort));
    CEOID db = 0;
    HANDLE h = CeOpenDatabase(&db, u"Walk", sort.propid, 0, nullptr);
    std::vector<CEOID> oids;
    for (ULONG i = 0; i < 10; ++i)
        oids.push_back(Write(h, 0, {U4(1, i * 10), Str(2, u"old")}));
    // Far enough that records 5, 6 and 7 have been fetched ahead.
    ASSERT_EQ(oids[0], CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr));
    for (int i = 1; i <= 4; ++i)
        ASSERT_EQ(oids[i], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr));
    auto statuses = RunTogether(1, [&](int) {
        CEOID id = 0;
        HANDLE mine = CeOpenDatabase(&id, u"Walk", 0, 0, nullptr);
        const bool ok = CeDeleteRecord(mine, oids[5]) && Write(mine, oids[6], {Str(2, u"new")}) &&
                        Write(mine, oids[7], {U4(1, 45)});
        return ok ? 0 : 1;
    });
    ASSERT_EQ(std::vector<int>{0}, statuses);
    EXPECT_EQ(oids[7], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr)) << "moved to 45";
    EXPECT_EQ(oids[6], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr));
    EXPECT_EQ("new", CurrentString(h, 2));
    CloseHandle(h);
}

// The writer keeps running, with its connection open, between its writes:
// each of its commits shows at the walker's very next call, also while the
// walker holds records it read ahead.
TEST(DatabaseProcessesTest, AWalkSeesEachCommitOfAWriterThatKeepsRunning) {
    testsupport::TempMachines machines;
    SORTORDERSPEC sort{MakePropId(1, CEVT_UI4), 0};
    ASSERT_NE(0u, CeCreateDatabase(u"Walk", 0, 1, &sort));
    CEOID db = 0;
    HANDLE h = CeOpenDatabase(&db, u"Walk", sort.propid, CEDB_AUTOINCREMENT, nullptr);
    std::vector<CEOID> oids;
    for (ULONG i = 0; i < 20; ++i)
        oids.push_back(Write(h, 0, {U4(1, i * 10), Str(2, u"old")}));
    int toWriter[2], toWalker[2];
    ASSERT_EQ(0, pipe(toWriter));
    ASSERT_EQ(0, pipe(toWalker));
    const pid_t pid = fork();
    if (pid == 0) {
        CEOID id = 0;
        HANDLE mine = CeOpenDatabase(&id, u"Walk", 0, 0, nullptr);
        char command = 0;
        while (read(toWriter[0], &command, 1) == 1 && command != 'q') {
            bool ok = false;
            if (command == 't')
                ok = Write(mine, oids[8], {Str(2, u"new")}) != 0;
            else if (command == 'd')
                ok = CeDeleteRecord(mine, oids[10]);
            else if (command == 'a')
                ok = Write(mine, 0, {U4(1, 105), Str(2, u"added")}) != 0;
            else if (command == 'm')
                ok = Write(mine, oids[12], {U4(1, 5)}) != 0;
            const char reply = ok ? 'k' : 'f';
            (void)!write(toWalker[1], &reply, 1);
        }
        _exit(0);
    }
    auto writer = [&](char command) {
        char reply = 0;
        return write(toWriter[1], &command, 1) == 1 && read(toWalker[0], &reply, 1) == 1 &&
               reply == 'k';
    };
    ASSERT_EQ(oids[0], CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr));
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ("old", CurrentString(h, 2)) << i;
    ASSERT_TRUE(writer('t'));
    EXPECT_EQ("new", CurrentString(h, 2)) << "record 8, rewritten";
    EXPECT_EQ("old", CurrentString(h, 2)) << "record 9";
    ASSERT_TRUE(writer('d'));
    ASSERT_TRUE(writer('a'));
    EXPECT_EQ("added", CurrentString(h, 2)) << "10 gone, 105 added";
    ASSERT_TRUE(writer('m'));
    EXPECT_EQ("old", CurrentString(h, 2)) << "record 11";
    EXPECT_EQ(oids[13], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, nullptr)) << "12 moved behind";
    EXPECT_EQ(oids[12], CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 1, nullptr));
    ASSERT_EQ(1, write(toWriter[1], "q", 1));
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    CloseHandle(h);
}

TEST(DatabaseProcessesTest, AWriteThatReturnedSurvivesTheWriterBeingKilled) {
    testsupport::TempMachines machines;
    ASSERT_NE(0u, CeCreateDatabase(u"Notes", 0, 0, nullptr));
    int written[2];
    ASSERT_EQ(0, pipe(written));
    const pid_t pid = fork();
    if (pid == 0) {
        CEOID db = 0;
        HANDLE h = CeOpenDatabase(&db, u"Notes", 0, 0, nullptr);
        const CEOID oid = Write(h, 0, {Str(30, u"kept")});
        (void)!write(written[1], &oid, sizeof oid);
        for (;;)
            pause(); // killed without closing anything
    }
    CEOID oid = 0;
    ASSERT_EQ(static_cast<ssize_t>(sizeof oid), read(written[0], &oid, sizeof oid));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ASSERT_NE(0u, oid);
    CEOID db = 0;
    HANDLE h = CeOpenDatabase(&db, u"Notes", 0, 0, nullptr);
    ASSERT_EQ(oid, CeSeekDatabase(h, CEDB_SEEK_CEOID, oid, nullptr));
    EXPECT_EQ("kept", CurrentString(h, 30));
    CloseHandle(h);
}

TEST(DatabaseProcessesTest, AnotherProcessSeesAWriteAtItsNextRead) {
    testsupport::TempMachines machines;
    ASSERT_NE(0u, CeCreateDatabase(u"Notes", 0, 0, nullptr));
    CEOID oid = 0;
    HANDLE h = CeOpenDatabase(&oid, u"Notes", 0, 0, nullptr);
    const CEOID note = Write(h, 0, {Str(30, u"first")});
    int toChild[2], toParent[2];
    ASSERT_EQ(0, pipe(toChild));
    ASSERT_EQ(0, pipe(toParent));
    const pid_t pid = fork();
    if (pid == 0) {
        // The child keeps its handle open across the parent's change.
        CEOID db = 0;
        HANDLE mine = CeOpenDatabase(&db, u"Notes", 0, 0, nullptr);
        int result = CurrentString(mine, 30) == "first" ? 0 : 1;
        char step = 'r';
        (void)!write(toParent[1], &step, 1);
        (void)!read(toChild[0], &step, 1);
        // Read again without moving: what the handle read before is stale.
        if (CurrentString(mine, 30) != "second" ||
            CeSeekDatabase(mine, CEDB_SEEK_CURRENT, 0, nullptr) != note)
            result |= 2;
        _exit(result);
    }
    char step = 0;
    ASSERT_EQ(1, read(toParent[0], &step, 1));
    ASSERT_EQ(note, Write(h, note, {Str(30, u"second")}));
    ASSERT_EQ(1, write(toChild[1], &step, 1));
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    CloseHandle(h);
}

TEST(DatabaseProcessesTest, AHandleOpenBeforeAForkServesTheChildOnItsOwnConnection) {
    testsupport::TempMachines machines;
    ASSERT_NE(0u, CeCreateDatabase(u"Notes", 0, 0, nullptr));
    CEOID db = 0;
    HANDLE h = CeOpenDatabase(&db, u"Notes", 0, 0, nullptr);
    const CEOID first = Write(h, 0, {Str(30, u"first")});
    ASSERT_EQ(first, CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr));
    ASSERT_EQ("first", CurrentString(h, 30));
    const pid_t pid = fork();
    if (pid == 0) {
        // The parent's handle, used in the child: it reads, moves and writes.
        int result = CurrentString(h, 30) == "first" ? 0 : 1;
        if (Write(h, first, {Str(30, u"from the child")}) != first)
            result |= 2;
        if (Write(h, 0, {Str(30, u"second")}) == 0)
            result |= 4;
        if (CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr) == 0 ||
            CurrentString(h, 30) != "second")
            result |= 8;
        _exit(result);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ("from the child", CurrentString(h, 30));
    EXPECT_EQ(2u, Walk(h).size());
    CloseHandle(h);
}

} // namespace
