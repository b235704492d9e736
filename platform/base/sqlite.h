// A small RAII layer over SQLite for the stand-ins' stores.
//
// A Connection opens one database file in WAL mode with synchronous FULL and
// a busy timeout, so processes that share the file wait for each other
// instead of failing. Statements are prepared once per connection and cached
// by their text. Failures come back as platform::Status with the SQLite text.
//
// A connection is not shared between threads without its mutex: every user
// takes Connection::mutex() around its work (stores take it per operation).
#pragma once

#include "platform/base/status.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_file;
struct sqlite3_stmt;

namespace platform::sqlite {

// How long a connection waits for another process's lock before it gives up.
constexpr int kBusyTimeoutMs = 10000;

class Statement {
public:
    enum class StepResult { Row, Done, Error };

    Statement(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binding is 1-based as in SQLite. A failed bind is remembered and
    // reported by the next Step().
    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::string_view text);
    Statement& BindBlob(int index, std::span<const std::uint8_t> bytes);
    // Named parameters (":name"). A name the statement does not use is
    // skipped, so one set of bindings serves a family of related statements.
    Statement& Bind(const char* name, std::int64_t value);
    Statement& Bind(const char* name, std::string_view text);
    Statement& BindBlob(const char* name, std::span<const std::uint8_t> bytes);

    // Row: a row is ready; Done: no more rows (the statement resets itself at
    // the next bind or reset); Error: status() says why.
    StepResult Step();
    // Steps a statement that returns no rows (or ignores them) to its end.
    Status Run();
    const Status& status() const { return m_status; }
    // Clears bindings and makes the statement ready for new ones.
    void Reset();

    bool ColumnIsNull(int index) const;
    std::int64_t ColumnInt64(int index) const;
    std::string ColumnText(int index) const;
    // Valid until the next step or reset.
    std::span<const std::uint8_t> ColumnBlob(int index) const;

private:
    Status Failure(int rc, const char* what);

    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
    Status m_status;
};

// Tells whether a database file may have changed between two moments: equal
// stamps mean no connection, this one or any other, committed a change in
// between. Lets a reader keep what it read while the stamp holds.
struct ChangeStamp {
    // The header of the write-ahead log's index as every connection to the
    // file shares it: each commit, by any process, changes it. All zero when
    // it could not be read whole, and dataVersion stands in.
    std::array<std::uint8_t, 48> logIndex{};
    std::int64_t dataVersion = -1; // commits by other connections
    std::int64_t ownChanges = -1;  // rows changed through this connection
    bool operator==(const ChangeStamp&) const = default;
};

// The id of this process, asked of the system once and again after a fork.
int CurrentProcessId();

class Connection {
public:
    // Opens (creating when missing) the file at path.
    static Result<std::shared_ptr<Connection>> Open(const std::string& path);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& path() const { return m_path; }
    std::recursive_mutex& mutex() { return m_mutex; }

    // Runs one or more statements without results.
    Status Exec(const char* sql);
    // Runs one statement without results through the statement cache, with
    // Exec's failure text: for the statements run over and over (a
    // transaction's begin and commit), which Exec would parse every time.
    Status ExecCached(const char* sql);
    // The cached statement for sql, reset and with its bindings cleared.
    // Null with *status set when sql does not prepare.
    Statement* Prepare(const std::string& sql, Status* status);
    std::int64_t LastInsertRowid() const;
    int changes() const;
    // Whether a transaction is open on this connection.
    bool InTransaction() const;
    // Reads the shared header of the write-ahead log's index, which needs no
    // lock and no system call; only while a writer is changing it, or before
    // the log is open, does it take a read transaction (PRAGMA data_version).
    Result<ChangeStamp> ReadChangeStamp();
    // Sizes the connection's page cache (SQLite's cache_size, in KiB).
    Status SetCacheSize(std::int64_t kibibytes);
    // True the first time it is asked about `what` on this connection: lets a
    // store create its schema once per connection.
    bool FirstUse(std::string_view what);

    // Whether each commit of this connection waits for the disk (the
    // default) or only reaches the write-ahead log, to be made durable by a
    // later Flush. Other connections see a commit at once either way; only
    // what survives a power failure differs.
    Status SyncEachCommit(bool each);
    // Makes every commit of this connection so far durable: one sync of the
    // write-ahead log, none when nothing was written since the last Flush.
    Status Flush();

    // The same connection for the same file within one process; a forked
    // child gets a fresh one.
    static Result<std::shared_ptr<Connection>> Shared(const std::string& path);

    // Closes every connection this process opened, whoever holds it; called
    // when the process ends, after every static object is gone. Closing the
    // last connection to a file folds its write-ahead log back into it, so
    // that the file alone holds every commit. A closed connection fails every
    // later call.
    static void CloseAll();

private:
    Connection(sqlite3* db, std::string path);
    void Close();

    sqlite3* m_db;
    sqlite3_file* m_mainFile = nullptr; // once ReadChangeStamp asked for it
    int m_pid;
    std::string m_path;
    std::recursive_mutex m_mutex;
    std::map<std::string, std::unique_ptr<Statement>, std::less<>> m_statements;
    std::set<std::string, std::less<>> m_used;
    bool m_syncEach = true;
    std::int64_t m_flushedChanges = 0; // total changes at the last Flush
};

// Commits of a connection not synced one by one while the scope lives (a
// pass of many small commits); the scope ends with a Flush, and commits wait
// for the disk again. Flush in between before any write elsewhere that
// depends on these commits.
class DeferredSync {
public:
    explicit DeferredSync(std::shared_ptr<Connection> connection);
    ~DeferredSync();
    DeferredSync(const DeferredSync&) = delete;
    DeferredSync& operator=(const DeferredSync&) = delete;

    // The connection's commits so far made durable.
    Status Flush();
    const Status& status() const { return m_status; }

private:
    std::shared_ptr<Connection> m_connection;
    Status m_status;
};

// Resets a cached statement when the scope that steps it ends, on every way
// out: a statement left stepping holds its read snapshot, so the connection
// would not see later commits and the log could not be checkpointed.
class ResetWhenDone {
public:
    explicit ResetWhenDone(Statement* statement) : m_statement(statement) {}
    ~ResetWhenDone() { m_statement->Reset(); }
    ResetWhenDone(const ResetWhenDone&) = delete;
    ResetWhenDone& operator=(const ResetWhenDone&) = delete;

private:
    Statement* m_statement;
};

// A transaction on a connection. Writers begin with BEGIN IMMEDIATE so that
// they take the write lock first (waiting for it up to the busy timeout) and
// never fail half way through on a lock upgrade. Rolled back unless committed.
// Begun inside another transaction of the connection, it nests as a
// savepoint: a caller can hold the write lock across several store calls,
// and their writes reach others with the caller's commit.
class Transaction {
public:
    // Every transaction of the stores writes or reads-then-writes, so each
    // begins as a writer.
    static Result<std::unique_ptr<Transaction>> BeginWrite(Connection& connection);
    ~Transaction();
    Status Commit();

private:
    Transaction(Connection& connection, bool nested) : m_connection(connection), m_nested(nested) {}
    Connection& m_connection;
    bool m_nested;
    bool m_open = true;
};

// What a person can do when a store file fails with `error` (a Win32 code as
// the failures here carry): "; <advice>", or "" when there is nothing to say.
const char* FileAdvice(DWORD error);

// Runs `body` (returning a Status) in one write transaction on `connection`,
// holding its mutex, and commits when the body succeeds; rolls back otherwise.
template <typename Body> Status InWriteTransaction(Connection& connection, Body&& body) {
    std::lock_guard lock(connection.mutex());
    JW_ASSIGN_OR_RETURN(auto transaction, Transaction::BeginWrite(connection));
    JW_RETURN_IF_FAILED(body());
    return transaction->Commit();
}

// Runs the one statement `sql` in a write transaction of its own, its
// parameters bound by `bind` (given the statement, returning it).
template <typename Bind> Status WriteOne(Connection& connection, const char* sql, Bind&& bind) {
    return InWriteTransaction(connection, [&]() -> Status {
        Status status;
        Statement* statement = connection.Prepare(sql, &status);
        if (!statement)
            return status;
        return bind(*statement).Run();
    });
}

} // namespace platform::sqlite
