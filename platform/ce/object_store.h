// The handheld's object store file: property databases, their records and the
// change log, in <handheld>/objectstore.db.
//
// A StoreSession is one operation's hold on the store: the process's shared
// connection to the file, locked for this thread, with the schema in place.
// Sessions are short; nothing is cached between them but prepared statements,
// so every process sees the others' changes at its next operation.
#pragma once

#include "platform/base/sqlite.h"
#include "platform/ce/property_blob.h"

#include <optional>

namespace ce {

struct DatabaseRow {
    CEOID oid = 0;
    std::u16string name;
    DWORD type = 0;
    std::vector<SORTORDERSPEC> sorts;
    std::uint32_t records = 0;
    std::uint64_t size = 0; // bytes of all its records' properties
    FILETIME modified{};
    // Raised whenever the sort orders change, so open handles notice.
    std::int64_t layout = 0;
};

// A record's place in one order: its sort key there (empty in identifier
// order) and its identifier.
struct Position {
    CEOID oid = 0;
    std::vector<BYTE> key;
};

class StoreSession {
public:
    // A session on the store of the current handheld directory, or on the
    // store file at path.
    static platform::Result<StoreSession> Open();
    static platform::Result<StoreSession> Open(const std::string& path);
    // A session on a connection that a session was opened on before.
    static StoreSession On(std::shared_ptr<platform::sqlite::Connection> connection);
    std::string path() const;

    platform::sqlite::Connection& connection() { return *m_connection; }
    std::shared_ptr<platform::sqlite::Connection> shared() const { return m_connection; }
    platform::Result<platform::sqlite::Statement*> Prepare(const std::string& sql);
    // Begins a write transaction (BEGIN IMMEDIATE).
    platform::Result<std::unique_ptr<platform::sqlite::Transaction>> BeginWrite();

    // Databases. A missing database is a failure with ERROR_FILE_NOT_FOUND.
    platform::Result<DatabaseRow> database(CEOID oid);
    platform::Result<DatabaseRow> DatabaseByName(std::u16string_view name);
    platform::Result<CEOID> CreateDatabase(std::u16string_view name, DWORD type,
                                           std::span<const SORTORDERSPEC> sorts);
    platform::Status DeleteDatabase(CEOID oid);
    // Stores name, type, sort orders (recomputing every record's sort keys
    // when they changed) and modification time of row.
    platform::Status UpdateDatabase(const DatabaseRow& row);
    // The first database after `after` in identifier order, of type `type`
    // (0: any); 0 when there is none.
    platform::Result<CEOID> NextDatabase(CEOID after, DWORD type);

    // Records. Identifiers are unique across the store and never reused.
    // The database a record belongs to, 0 when there is no such record.
    platform::Result<CEOID> RecordParent(CEOID oid);
    // One transaction: creates a record (oid 0) or merges changes into one.
    platform::Result<CEOID> WriteRecord(CEOID database, CEOID oid,
                                        std::span<const CEPROPVAL> changes);
    platform::Status DeleteRecord(CEOID database, CEOID oid);

    std::uint64_t now() const;

private:
    StoreSession(std::shared_ptr<platform::sqlite::Connection> connection);
    platform::Result<std::int64_t> Bump(const char* counter);
    platform::Status Rekey(const DatabaseRow& row);

    std::shared_ptr<platform::sqlite::Connection> m_connection;
    std::unique_lock<std::recursive_mutex> m_lock;
};

// The process's connection to the store of the current handheld directory,
// the one its sessions use: the owner of a long run of writes may defer
// their disk syncs on it (platform::sqlite::DeferredSync).
platform::Result<std::shared_ptr<platform::sqlite::Connection>> StoreConnection();

// Holds that store for writing until the hold commits (dropped, it rolls
// back): this process's writes in between are one transaction, and no other
// process writes meanwhile. A writer that reads a record and writes it back
// holds the store across both, so that no write of another comes between
// and is lost.
platform::Result<std::unique_ptr<platform::sqlite::Transaction>> HoldStoreForWriting();

// The name of the sort-key column of a sort order slot (0..3).
std::string KeyColumn(int slot);

} // namespace ce
