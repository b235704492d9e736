// Write transactions of the stores: one begun inside another of the same
// connection nests, so that a caller can hold the write lock across several
// store calls; their writes reach other connections with the caller's commit.
#include "platform/base/sqlite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using platform::sqlite::Connection;
using platform::sqlite::Transaction;

class TransactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = testing::TempDir() + "transaction_test_" +
               testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
        std::filesystem::remove(path);
        auto opened = Connection::Open(path);
        ASSERT_TRUE(opened.ok()) << opened.status().message();
        mine = opened.value();
        ASSERT_TRUE(mine->Exec("CREATE TABLE t(v INTEGER)").ok());
        auto other = Connection::Open(path);
        ASSERT_TRUE(other.ok()) << other.status().message();
        theirs = other.value();
    }
    void TearDown() override {
        mine.reset();
        theirs.reset();
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(path + suffix);
    }
    // The values of t as `connection` sees them, in order.
    static std::string Values(Connection& connection) {
        platform::Status status;
        auto* select = connection.Prepare("SELECT v FROM t ORDER BY v", &status);
        EXPECT_NE(nullptr, select) << status.message();
        std::string values;
        while (select && select->Step() == platform::sqlite::Statement::StepResult::Row)
            values += std::to_string(select->ColumnInt64(0)) + " ";
        return values;
    }
    void Insert(int value) {
        ASSERT_TRUE(
            mine->Exec(("INSERT INTO t VALUES(" + std::to_string(value) + ")").c_str()).ok());
    }

    std::string path;
    std::shared_ptr<Connection> mine, theirs;
};

TEST_F(TransactionTest, ANestedTransactionReachesOthersWithTheOuterCommit) {
    auto outer = Transaction::BeginWrite(*mine);
    ASSERT_TRUE(outer.ok()) << outer.status().message();
    Insert(1);
    {
        auto inner = Transaction::BeginWrite(*mine);
        ASSERT_TRUE(inner.ok()) << inner.status().message();
        Insert(2);
        ASSERT_TRUE(inner.value()->Commit().ok());
    }
    EXPECT_TRUE(mine->InTransaction());
    EXPECT_EQ("1 2 ", Values(*mine));
    EXPECT_EQ("", Values(*theirs));
    ASSERT_TRUE(outer.value()->Commit().ok());
    EXPECT_FALSE(mine->InTransaction());
    EXPECT_EQ("1 2 ", Values(*theirs));
}

TEST_F(TransactionTest, ANestedTransactionRolledBackKeepsTheOuterOnesWrites) {
    auto outer = Transaction::BeginWrite(*mine);
    ASSERT_TRUE(outer.ok()) << outer.status().message();
    Insert(1);
    {
        auto inner = Transaction::BeginWrite(*mine);
        ASSERT_TRUE(inner.ok()) << inner.status().message();
        Insert(2);
    } // not committed: rolled back
    EXPECT_TRUE(mine->InTransaction());
    Insert(3);
    ASSERT_TRUE(outer.value()->Commit().ok());
    EXPECT_EQ("1 3 ", Values(*theirs));

    // An outer transaction not committed takes its nested ones with it.
    {
        auto second = Transaction::BeginWrite(*mine);
        ASSERT_TRUE(second.ok());
        auto inner = Transaction::BeginWrite(*mine);
        ASSERT_TRUE(inner.ok());
        Insert(4);
        ASSERT_TRUE(inner.value()->Commit().ok());
    }
    EXPECT_FALSE(mine->InTransaction());
    EXPECT_EQ("1 3 ", Values(*theirs));
}

TEST_F(TransactionTest, ABeginRefusedWhileAnotherWritesSaysWhatExecSays) {
    // The begin and commit run from the statement cache; a refusal must read
    // as Exec's, and the statement must be ready for the next transaction.
    ASSERT_TRUE(theirs->Exec("PRAGMA busy_timeout=0").ok());
    ASSERT_TRUE(mine->Exec("PRAGMA busy_timeout=0").ok());
    auto holding = Transaction::BeginWrite(*mine);
    ASSERT_TRUE(holding.ok()) << holding.status().message();
    const platform::Status cached = theirs->ExecCached("BEGIN IMMEDIATE");
    const platform::Status parsed = theirs->Exec("BEGIN IMMEDIATE");
    ASSERT_FALSE(cached.ok());
    EXPECT_EQ(parsed.code(), cached.code());
    EXPECT_EQ(parsed.message(), cached.message());
    ASSERT_TRUE(holding.value()->Commit().ok());

    auto next = Transaction::BeginWrite(*theirs);
    ASSERT_TRUE(next.ok()) << next.status().message();
    EXPECT_TRUE(next.value()->Commit().ok());
}

} // namespace
