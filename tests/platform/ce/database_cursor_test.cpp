// What a handle keeps between calls (the records it read ahead, the record it
// stands on) is given up at the first call after any write: one of this
// process's, through another handle, is seen at once. And what a rewrite
// stores: a write that changes nothing, or no sort property, keeps the
// record's place and still stamps it as written.
#include "platform/ce/database.h"

#include "platform/ce/ce_test_helpers.h"
#include "platform/ce/change_log.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace cetest;

namespace {

constexpr WORD kKey = 1, kText = 2, kColor = 3;
const CEPROPID kKeyId = MakePropId(kKey, CEVT_UI4);

class DatabaseCursorTest : public ::testing::Test {
protected:
    void SetUp() override {
        SORTORDERSPEC sort{kKeyId, 0};
        ASSERT_NE(0u, m_db = CeCreateDatabase(u"Walk", 0, 1, &sort));
        m_writer = Open(0);
        for (ULONG i = 0; i < 20; ++i)
            m_oids.push_back(Write(m_writer, 0, {U4(kKey, i * 10), Str(kText, u"old")}));
    }
    void TearDown() override {
        for (HANDLE h : m_handles)
            CloseHandle(h);
    }
    HANDLE Open(CEPROPID sort, DWORD flags = 0) {
        CEOID oid = 0;
        HANDLE h = CeOpenDatabase(&oid, u"Walk", sort, flags, nullptr);
        m_handles.push_back(h);
        return h;
    }
    DWORD Size() {
        CEOIDINFO info{};
        return CeOidGetInfo(m_db, &info) ? info.infDatabase.dwSize : 0;
    }

    testsupport::TempMachines m_machines;
    CEOID m_db = 0;
    HANDLE m_writer = nullptr;
    std::vector<CEOID> m_oids;
    std::vector<HANDLE> m_handles;
};

TEST_F(DatabaseCursorTest, AWalkSeesEachWriteOfAnotherHandleAtItsNextCall) {
    HANDLE h = Open(kKeyId, CEDB_AUTOINCREMENT);
    // Eight reads in, the handle holds records read ahead of it.
    ASSERT_EQ(m_oids[0], CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr));
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ("old", CurrentString(h, kText)) << i;

    ASSERT_EQ(m_oids[8], Write(m_writer, m_oids[8], {Str(kText, u"new 8")}));
    EXPECT_EQ("new 8", CurrentString(h, kText));
    ASSERT_TRUE(CeDeleteRecord(m_writer, m_oids[9]));
    ASSERT_NE(0u, Write(m_writer, 0, {U4(kKey, 95), Str(kText, u"added")}));
    EXPECT_EQ("added", CurrentString(h, kText));
    ASSERT_EQ(m_oids[11], Write(m_writer, m_oids[11], {U4(kKey, 1)})); // moved behind
    EXPECT_EQ("old", CurrentString(h, kText));                         // 10
    ASSERT_EQ(m_oids[12], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, nullptr));
    const auto walked = Walk(h);
    ASSERT_EQ(20u, walked.size());
    EXPECT_EQ((std::vector<CEOID>{m_oids[0], m_oids[11], m_oids[1]}),
              std::vector<CEOID>(walked.begin(), walked.begin() + 3));
}

TEST_F(DatabaseCursorTest, SeekingTheRecordAgainReadsItAsItIsNow) {
    HANDLE h = Open(0);
    ASSERT_EQ(m_oids[5], CeSeekDatabase(h, CEDB_SEEK_CEOID, m_oids[5], nullptr));
    ASSERT_EQ("old", CurrentString(h, kText));
    // Seeking the same record with nothing written in between reads the same.
    DWORD index = 99;
    ASSERT_EQ(m_oids[5], CeSeekDatabase(h, CEDB_SEEK_CEOID, m_oids[5], &index));
    EXPECT_EQ(5u, index);
    EXPECT_EQ("old", CurrentString(h, kText));

    ASSERT_EQ(m_oids[5], Write(m_writer, m_oids[5], {Str(kText, u"rewritten")}));
    ASSERT_EQ(m_oids[5], CeSeekDatabase(h, CEDB_SEEK_CEOID, m_oids[5], nullptr));
    EXPECT_EQ("rewritten", CurrentString(h, kText));

    ASSERT_TRUE(CeDeleteRecord(m_writer, m_oids[5]));
    SetLastError(0);
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CEOID, m_oids[5], nullptr));
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, GetLastError());
}

TEST_F(DatabaseCursorTest, RewritesKeepThePlaceUnlessTheSortPropertyChanges) {
    HANDLE h = Open(kKeyId);
    const std::uint64_t before = ce::CurrentChangeSequence();
    const DWORD size = Size();

    // The same values again: nothing moves, nothing grows, yet the record
    // counts as written for the synchronization.
    ASSERT_EQ(m_oids[3], Write(m_writer, m_oids[3], {U4(kKey, 30), Str(kText, u"old")}));
    EXPECT_EQ(size, Size());
    std::vector<ce::RecordChange> changes;
    ASSERT_TRUE(ce::ChangesSince(before, 0, &changes));
    ASSERT_EQ(1u, changes.size());
    EXPECT_EQ(m_oids[3], changes[0].oid);
    EXPECT_EQ(m_oids, Walk(h));

    // Another property: the new value, the same place.
    ASSERT_EQ(m_oids[3], Write(m_writer, m_oids[3], {Str(kText, u"longer text"), U4(kColor, 2)}));
    EXPECT_EQ(size + 2 * 8 + 4 + 4, Size()) << "eight more units and a colour";
    ASSERT_EQ(m_oids[3], CeSeekDatabase(h, CEDB_SEEK_CEOID, m_oids[3], nullptr));
    EXPECT_EQ("longer text", CurrentString(h, kText));
    EXPECT_EQ(m_oids, Walk(h));

    // The sort property: a new place; removed, the record sorts last.
    ASSERT_EQ(m_oids[3], Write(m_writer, m_oids[3], {U4(kKey, 1000)}));
    EXPECT_EQ(m_oids[3], Walk(h).back());
    CEPROPVAL gone = U4(kKey, 0);
    gone.wFlags = CEDB_PROPDELETE;
    ASSERT_EQ(m_oids[2], Write(m_writer, m_oids[2], {gone}));
    EXPECT_EQ(m_oids[2], Walk(h).back());
    ASSERT_EQ(m_oids[2], Write(m_writer, m_oids[2], {U4(kKey, 25)}));
    EXPECT_EQ(m_oids[2], Walk(h)[2]);
    EXPECT_EQ(before + 5, ce::CurrentChangeSequence()) << "every write stamped";
}

TEST_F(DatabaseCursorTest, ANextEqualSeekThatFindsNothingLeavesTheWalkAsItWas) {
    HANDLE h = Open(kKeyId);
    CEPROPVAL absent = U4(kKey, 999);
    const auto nextEqual = [&] {
        return CeSeekDatabase(h, CEDB_SEEK_VALUENEXTEQUAL, reinterpret_cast<DWORD_PTR>(&absent),
                              nullptr);
    };
    const auto next = [&] { return CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr); };

    // From the first record, where the handle stands when opened.
    EXPECT_EQ(0u, nextEqual());
    EXPECT_EQ(m_oids[1], next());
    EXPECT_EQ(m_oids[2], next());
    EXPECT_EQ(m_oids[3], next());
    // Part way through a walk that reads ahead.
    EXPECT_EQ(0u, nextEqual());
    EXPECT_EQ(m_oids[4], next());
    EXPECT_EQ(m_oids[5], next());
    // On the last record, and past it.
    ASSERT_EQ(m_oids[19], CeSeekDatabase(h, CEDB_SEEK_END, 0, nullptr));
    EXPECT_EQ(0u, nextEqual());
    EXPECT_EQ(0u, next());
    EXPECT_EQ(m_oids[19], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, nullptr));
}

} // namespace
