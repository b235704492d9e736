// The change log: sequences stamped on writes, tombstones for deletions.
#include "platform/ce/change_log.h"

#include "platform/ce/ce_test_helpers.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <map>

using namespace cetest;

namespace {

std::string Describe(const std::vector<ce::RecordChange>& changes,
                     const std::map<CEOID, std::string>& names) {
    std::string out;
    for (const auto& c : changes)
        out += names.at(c.oid) + (c.deleted ? "- " : "+ ");
    return out;
}

TEST(ChangeLogTest, WritesAndDeletionsSinceASequence) {
    testsupport::TempMachines machines;
    EXPECT_EQ(0u, ce::CurrentChangeSequence());
    const CEOID db1 = CeCreateDatabase(u"One", 0, 0, nullptr);
    const CEOID db2 = CeCreateDatabase(u"Two", 0, 0, nullptr);
    CEOID oid = 0;
    HANDLE h1 = CeOpenDatabase(&oid, u"One", 0, 0, nullptr);
    oid = 0;
    HANDLE h2 = CeOpenDatabase(&oid, u"Two", 0, 0, nullptr);
    const CEOID a = Write(h1, 0, {U4(1, 1)});
    const std::uint64_t afterA = ce::CurrentChangeSequence();
    EXPECT_EQ(1u, afterA);
    const CEOID b = Write(h1, 0, {U4(1, 2)});
    const CEOID c = Write(h2, 0, {U4(1, 3)});
    const std::map<CEOID, std::string> names = {{a, "a"}, {b, "b"}, {c, "c"}};

    std::vector<ce::RecordChange> changes;
    ASSERT_TRUE(ce::ChangesSince(0, 0, &changes));
    EXPECT_EQ("a+ b+ c+ ", Describe(changes, names));
    ASSERT_TRUE(ce::ChangesSince(afterA, db1, &changes));
    EXPECT_EQ("b+ ", Describe(changes, names));
    EXPECT_EQ(db1, changes[0].oidDatabase);

    // A rewrite moves the record to the end; a deletion leaves a tombstone.
    const std::uint64_t before = ce::CurrentChangeSequence();
    ASSERT_EQ(a, Write(h1, a, {U4(1, 9)}));
    ASSERT_TRUE(CeDeleteRecord(h1, b));
    ASSERT_TRUE(ce::ChangesSince(0, 0, &changes));
    EXPECT_EQ("c+ a+ b- ", Describe(changes, names));
    ASSERT_TRUE(ce::ChangesSince(before, 0, &changes));
    EXPECT_EQ("a+ b- ", Describe(changes, names));
    EXPECT_EQ(before + 2, changes[1].sequence);
    EXPECT_EQ(db1, changes[1].oidDatabase);

    // Deleting a database leaves a tombstone for each of its records.
    CloseHandle(h2);
    ASSERT_TRUE(CeDeleteDatabase(db2));
    ASSERT_TRUE(ce::ChangesSince(before, db2, &changes));
    EXPECT_EQ("c- ", Describe(changes, names));
    ASSERT_TRUE(ce::ChangesSince(ce::CurrentChangeSequence(), 0, &changes));
    EXPECT_TRUE(changes.empty());
    CloseHandle(h1);
}

} // namespace

namespace {

TEST(ChangeLogTest, TheLatestChangeOfOneRecordIsItsLastWriteOrItsDeletion) {
    testsupport::TempMachines machines;
    const CEOID db = CeCreateDatabase(u"One", 0, 0, nullptr);
    CEOID oid = 0;
    HANDLE h = CeOpenDatabase(&oid, u"One", 0, 0, nullptr);
    const CEOID a = Write(h, 0, {U4(1, 1)});
    const CEOID b = Write(h, 0, {U4(1, 2)});

    ce::RecordChange change{};
    ASSERT_TRUE(ce::LatestChange(a, &change));
    EXPECT_EQ(1u, change.sequence);
    EXPECT_EQ(db, change.oidDatabase);
    EXPECT_FALSE(change.deleted);

    ASSERT_EQ(a, Write(h, a, {U4(1, 9)}));
    ASSERT_TRUE(ce::LatestChange(a, &change));
    EXPECT_EQ(3u, change.sequence);

    ASSERT_TRUE(CeDeleteRecord(h, b));
    ASSERT_TRUE(ce::LatestChange(b, &change));
    EXPECT_EQ(4u, change.sequence);
    EXPECT_TRUE(change.deleted);
    EXPECT_EQ(db, change.oidDatabase);

    ASSERT_TRUE(ce::LatestChange(b + 1000, &change));
    EXPECT_EQ(0u, change.sequence);
    CloseHandle(h);
}

} // namespace
