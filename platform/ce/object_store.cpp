#include "platform/ce/object_store.h"

#include "platform/base/case_fold.h"
#include "platform/base/kernel.h"
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"
#include "platform/ce/sort_key.h"

#include <algorithm>

namespace ce {

using platform::Result;
using platform::Status;
using platform::sqlite::Connection;
using platform::sqlite::Statement;
using platform::sqlite::Transaction;

namespace {

// Object identifiers start above the small numbers so that a stray small
// integer is never taken for an object.
const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS ce_meta(
    name TEXT PRIMARY KEY,
    value INTEGER NOT NULL) WITHOUT ROWID;
INSERT OR IGNORE INTO ce_meta(name, value) VALUES ('next_oid', 65536), ('change_sequence', 0);
CREATE TABLE IF NOT EXISTS ce_databases(
    oid INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    fold TEXT NOT NULL UNIQUE,
    type INTEGER NOT NULL,
    sort_count INTEGER NOT NULL,
    p0 INTEGER, f0 INTEGER, p1 INTEGER, f1 INTEGER,
    p2 INTEGER, f2 INTEGER, p3 INTEGER, f3 INTEGER,
    records INTEGER NOT NULL,
    size INTEGER NOT NULL,
    modified INTEGER NOT NULL,
    layout INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS ce_records(
    oid INTEGER PRIMARY KEY,
    db INTEGER NOT NULL,
    props BLOB NOT NULL,
    sequence INTEGER NOT NULL,
    k0 BLOB, k1 BLOB, k2 BLOB, k3 BLOB);
CREATE INDEX IF NOT EXISTS ce_records_by_oid ON ce_records(db, oid);
CREATE INDEX IF NOT EXISTS ce_records_by_k0 ON ce_records(db, k0, oid);
CREATE INDEX IF NOT EXISTS ce_records_by_k1 ON ce_records(db, k1, oid);
CREATE INDEX IF NOT EXISTS ce_records_by_k2 ON ce_records(db, k2, oid);
CREATE INDEX IF NOT EXISTS ce_records_by_k3 ON ce_records(db, k3, oid);
CREATE INDEX IF NOT EXISTS ce_records_by_sequence ON ce_records(sequence);
CREATE TABLE IF NOT EXISTS ce_tombstones(
    oid INTEGER PRIMARY KEY,
    db INTEGER NOT NULL,
    sequence INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS ce_tombstones_by_sequence ON ce_tombstones(sequence);
)";

const char* const kDatabaseColumns =
    "oid, name, type, sort_count, p0, f0, p1, f1, p2, f2, p3, f3, records, size, modified, layout";

Status Damaged(const std::string& what) {
    return Status::Failure(ERROR_INVALID_DATA, "damaged object store: " + what);
}

Result<DatabaseRow> ReadDatabaseRow(const Statement& s) {
    DatabaseRow row;
    row.oid = static_cast<CEOID>(s.ColumnInt64(0));
    row.name = unicode::ToUtf16(s.ColumnText(1));
    row.type = static_cast<DWORD>(s.ColumnInt64(2));
    const std::int64_t count = s.ColumnInt64(3);
    if (count < 0 || count > CEDB_MAXSORTORDER || row.name.empty() ||
        row.name.size() >= CEDB_MAXDBASENAMELEN)
        return Damaged("database " + std::to_string(row.oid));
    for (int i = 0; i < count; ++i) {
        SORTORDERSPEC spec{static_cast<CEPROPID>(s.ColumnInt64(4 + 2 * i)),
                           static_cast<DWORD>(s.ColumnInt64(5 + 2 * i))};
        if (!IsSortableType(PropType(spec.propid)))
            return Damaged("sort order of database " + std::to_string(row.oid));
        row.sorts.push_back(spec);
    }
    const std::int64_t records = s.ColumnInt64(12), size = s.ColumnInt64(13);
    if (records < 0 || size < 0)
        return Damaged("counts of database " + std::to_string(row.oid));
    row.records = static_cast<std::uint32_t>(records);
    row.size = static_cast<std::uint64_t>(size);
    const auto modified = static_cast<std::uint64_t>(s.ColumnInt64(14));
    row.modified = {static_cast<DWORD>(modified), static_cast<DWORD>(modified >> 32)};
    row.layout = s.ColumnInt64(15);
    return row;
}

Status ValidName(std::u16string_view name) {
    if (name.empty() || name.size() >= CEDB_MAXDBASENAMELEN)
        return Status::Failure(ERROR_INVALID_PARAMETER, "a database name has 1 to 31 characters");
    return Status();
}

Status ValidSorts(std::span<const SORTORDERSPEC> sorts) {
    if (sorts.size() > CEDB_MAXSORTORDER)
        return Status::Failure(ERROR_INVALID_PARAMETER, "a database has at most 4 sort orders");
    for (const auto& spec : sorts)
        if (!IsSortableType(PropType(spec.propid)))
            return Status::Failure(ERROR_INVALID_PARAMETER,
                                   "cannot sort on property type " +
                                       std::to_string(PropType(spec.propid)));
    return Status();
}

void BindSorts(Statement* s, std::span<const SORTORDERSPEC> sorts) {
    static const char* const kNames[][2] = {
        {":p0", ":f0"}, {":p1", ":f1"}, {":p2", ":f2"}, {":p3", ":f3"}};
    for (std::size_t i = 0; i < sorts.size(); ++i) {
        s->Bind(kNames[i][0], static_cast<std::int64_t>(sorts[i].propid));
        s->Bind(kNames[i][1], static_cast<std::int64_t>(sorts[i].dwFlags));
    }
}

std::int64_t Ticks(FILETIME ft) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) |
                                     ft.dwLowDateTime);
}

// Runs a statement expected to return one row; Done is a failure with `missing`.
Status StepOne(Statement* s, DWORD missingCode, const std::string& missing) {
    auto step = s->Step();
    if (step == Statement::StepResult::Row)
        return Status();
    if (step == Statement::StepResult::Error)
        return s->status();
    return Status::Failure(missingCode, missing);
}

} // namespace

std::string KeyColumn(int slot) {
    return "k" + std::to_string(slot);
}

StoreSession::StoreSession(std::shared_ptr<Connection> connection)
    : m_connection(std::move(connection)), m_lock(m_connection->mutex()) {}

namespace {

std::string StorePath() {
    return HandheldDirectory() + "/objectstore.db";
}

} // namespace

Result<std::shared_ptr<Connection>> StoreConnection() {
    // Through a session, so that the schema is in place and the cache sized.
    JW_ASSIGN_OR_RETURN(auto session, StoreSession::Open());
    return session.shared();
}

Result<std::unique_ptr<platform::sqlite::Transaction>> HoldStoreForWriting() {
    JW_ASSIGN_OR_RETURN(auto connection, StoreConnection());
    return platform::sqlite::Transaction::BeginWrite(*connection);
}

Result<StoreSession> StoreSession::Open() {
    return Open(StorePath());
}

Result<StoreSession> StoreSession::Open(const std::string& path) {
    JW_ASSIGN_OR_RETURN(auto connection, Connection::Shared(path));
    StoreSession session(connection);
    if (session.m_connection->FirstUse("objectstore")) {
        // Walks and seeks read the store's indexes over and over; SQLite's
        // default cache of 2 MB holds a small store only (100,000 notes make
        // about 90 MB). Pages are taken only as they are read.
        constexpr std::int64_t kCacheKiB = 128 * 1024;
        Status status = session.m_connection->SetCacheSize(kCacheKiB);
        if (!status.ok())
            return status;
        JW_ASSIGN_OR_RETURN(auto transaction, session.BeginWrite());
        status = session.m_connection->Exec(kSchema);
        if (status.ok())
            status = transaction->Commit();
        if (!status.ok())
            return status;
    }
    return session;
}

StoreSession StoreSession::On(std::shared_ptr<Connection> connection) {
    return StoreSession(std::move(connection));
}

std::string StoreSession::path() const {
    return m_connection->path();
}

Result<Statement*> StoreSession::Prepare(const std::string& sql) {
    Status status;
    Statement* statement = m_connection->Prepare(sql, &status);
    if (!statement)
        return status;
    return statement;
}

Result<std::unique_ptr<Transaction>> StoreSession::BeginWrite() {
    return Transaction::BeginWrite(*m_connection);
}

std::uint64_t StoreSession::now() const {
    SYSTEMTIME st{};
    GetSystemTime(&st);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return static_cast<std::uint64_t>(Ticks(ft));
}

Result<std::int64_t> StoreSession::Bump(const char* counter) {
    // Every caller holds the write transaction, so the counter cannot move
    // between the two statements. (One UPDATE ... RETURNING does the same
    // through a table of its own, at several times the cost of both.)
    JW_ASSIGN_OR_RETURN(auto update,
                        Prepare("UPDATE ce_meta SET value = value + 1 WHERE name = ?1"));
    JW_RETURN_IF_FAILED(update->Bind(1, counter).Run());
    JW_ASSIGN_OR_RETURN(auto s, Prepare("SELECT value FROM ce_meta WHERE name = ?1"));
    platform::sqlite::ResetWhenDone sDone(s);
    s->Bind(1, counter);
    JW_RETURN_IF_FAILED(StepOne(s, ERROR_INVALID_DATA, "damaged object store: no counter"));
    return s->ColumnInt64(0);
}

Result<DatabaseRow> StoreSession::database(CEOID oid) {
    JW_ASSIGN_OR_RETURN(auto s, Prepare(std::string("SELECT ") + kDatabaseColumns +
                                        " FROM ce_databases WHERE oid=?1"));
    platform::sqlite::ResetWhenDone sDone(s);
    s->Bind(1, static_cast<std::int64_t>(oid));
    JW_RETURN_IF_FAILED(
        StepOne(s, ERROR_FILE_NOT_FOUND, "no database with identifier " + std::to_string(oid)));
    auto row = ReadDatabaseRow(*s);
    return row;
}

Result<DatabaseRow> StoreSession::DatabaseByName(std::u16string_view name) {
    JW_ASSIGN_OR_RETURN(auto s, Prepare(std::string("SELECT ") + kDatabaseColumns +
                                        " FROM ce_databases WHERE fold=?1"));
    platform::sqlite::ResetWhenDone sDone(s);
    s->Bind(1, unicode::ToUtf8(platform::FoldCase(name)));
    JW_RETURN_IF_FAILED(
        StepOne(s, ERROR_FILE_NOT_FOUND, "no database named \"" + unicode::ToUtf8(name) + "\""));
    auto row = ReadDatabaseRow(*s);
    return row;
}

Result<CEOID> StoreSession::CreateDatabase(std::u16string_view name, DWORD type,
                                           std::span<const SORTORDERSPEC> sorts) {
    Status status = ValidName(name);
    if (status.ok())
        status = ValidSorts(sorts);
    if (!status.ok())
        return status;
    JW_ASSIGN_OR_RETURN(auto transaction, BeginWrite());
    if (auto existing = DatabaseByName(name); existing.ok())
        return Status::Failure(ERROR_ALREADY_EXISTS,
                               "a database named \"" + unicode::ToUtf8(name) + "\" exists");
    else if (existing.status().code() != ERROR_FILE_NOT_FOUND)
        return existing.status();
    JW_ASSIGN_OR_RETURN(auto oid, Bump("next_oid"));
    if (oid > 0xFFFFFFFF)
        return Status::Failure(ERROR_DISK_FULL, "object identifiers are used up");
    JW_ASSIGN_OR_RETURN(
        auto s,
        Prepare("INSERT INTO ce_databases(oid, name, fold, type, sort_count, p0, f0, p1, f1, "
                "p2, f2, p3, f3, records, size, modified, layout) VALUES(:oid, :name, :fold, "
                ":type, :count, :p0, :f0, :p1, :f1, :p2, :f2, :p3, :f3, 0, 0, :now, 0)"));
    Statement* insert = s;
    insert->Bind(":oid", oid)
        .Bind(":name", unicode::ToUtf8(name))
        .Bind(":fold", unicode::ToUtf8(platform::FoldCase(name)))
        .Bind(":type", static_cast<std::int64_t>(type))
        .Bind(":count", static_cast<std::int64_t>(sorts.size()))
        .Bind(":now", static_cast<std::int64_t>(now()));
    BindSorts(insert, sorts);
    status = insert->Run();
    if (status.ok())
        status = transaction->Commit();
    if (!status.ok())
        return status;
    return static_cast<CEOID>(oid);
}

Status StoreSession::DeleteDatabase(CEOID oid) {
    JW_ASSIGN_OR_RETURN(auto transaction, BeginWrite());
    if (auto row = database(oid); !row.ok())
        return row.status();
    JW_ASSIGN_OR_RETURN(auto sequence, Bump("change_sequence"));
    // Every record leaves a tombstone, so the managers learn that it went.
    for (const char* sql :
         {"INSERT OR REPLACE INTO ce_tombstones(oid, db, sequence) "
          "SELECT oid, db, :sequence FROM ce_records WHERE db=:db",
          "DELETE FROM ce_records WHERE db=:db", "DELETE FROM ce_databases WHERE oid=:db"}) {
        JW_ASSIGN_OR_RETURN(auto s, Prepare(sql));
        JW_RETURN_IF_FAILED(
            s->Bind(":db", static_cast<std::int64_t>(oid)).Bind(":sequence", sequence).Run());
    }
    return transaction->Commit();
}

Status StoreSession::UpdateDatabase(const DatabaseRow& row) {
    Status status = ValidName(row.name);
    if (status.ok())
        status = ValidSorts(row.sorts);
    if (!status.ok())
        return status;
    JW_ASSIGN_OR_RETURN(auto transaction, BeginWrite());
    JW_ASSIGN_OR_RETURN(auto old, database(row.oid));
    if (auto other = DatabaseByName(row.name); other.ok() && other->oid != row.oid)
        return Status::Failure(ERROR_ALREADY_EXISTS,
                               "a database named \"" + unicode::ToUtf8(row.name) + "\" exists");
    else if (!other.ok() && other.status().code() != ERROR_FILE_NOT_FOUND)
        return other.status();
    bool resort = old.sorts.size() != row.sorts.size();
    for (std::size_t i = 0; !resort && i < row.sorts.size(); ++i)
        resort = old.sorts[i].propid != row.sorts[i].propid ||
                 old.sorts[i].dwFlags != row.sorts[i].dwFlags;
    JW_ASSIGN_OR_RETURN(
        auto s, Prepare("UPDATE ce_databases SET name=:name, fold=:fold, type=:type, "
                        "sort_count=:count, p0=:p0, f0=:f0, p1=:p1, f1=:f1, p2=:p2, f2=:f2, "
                        "p3=:p3, f3=:f3, modified=:modified, layout=:layout WHERE oid=:oid"));
    Statement* update = s;
    update->Bind(":oid", static_cast<std::int64_t>(row.oid))
        .Bind(":name", unicode::ToUtf8(row.name))
        .Bind(":fold", unicode::ToUtf8(platform::FoldCase(row.name)))
        .Bind(":type", static_cast<std::int64_t>(row.type))
        .Bind(":count", static_cast<std::int64_t>(row.sorts.size()))
        .Bind(":modified", Ticks(row.modified))
        .Bind(":layout", old.layout + (resort ? 1 : 0));
    BindSorts(update, row.sorts);
    status = update->Run();
    if (status.ok() && resort)
        status = Rekey(row);
    if (!status.ok())
        return status;
    return transaction->Commit();
}

// Recomputes every sort key of a database's records after its sort orders
// changed. Runs inside the caller's transaction.
Status StoreSession::Rekey(const DatabaseRow& row) {
    JW_ASSIGN_OR_RETURN(auto s,
                        Prepare("SELECT oid, props FROM ce_records WHERE db=?1 ORDER BY oid"));
    platform::sqlite::ResetWhenDone sDone(s);
    s->Bind(1, static_cast<std::int64_t>(row.oid));
    std::vector<std::pair<std::int64_t, PropertyList>> records;
    Statement::StepResult step;
    while ((step = s->Step()) == Statement::StepResult::Row) {
        const std::int64_t oid = s->ColumnInt64(0);
        auto properties = DecodeProperties(s->ColumnBlob(1));
        if (!properties.ok())
            return Status::Failure(properties.status().code(), "record " + std::to_string(oid) +
                                                                   ": " +
                                                                   properties.status().message());
        records.emplace_back(oid, std::move(properties.value()));
    }
    if (step == Statement::StepResult::Error)
        return s->status();
    JW_ASSIGN_OR_RETURN(
        auto u, Prepare("UPDATE ce_records SET k0=:k0, k1=:k1, k2=:k2, k3=:k3 WHERE oid=:oid"));
    static const char* const kKeys[] = {":k0", ":k1", ":k2", ":k3"};
    for (const auto& [oid, properties] : records) {
        Statement* update = u;
        update->Reset();
        update->Bind(":oid", oid);
        for (std::size_t i = 0; i < row.sorts.size(); ++i)
            update->BindBlob(kKeys[i], SortKey(properties, row.sorts[i]));
        JW_RETURN_IF_FAILED(update->Run());
    }
    return Status();
}

Result<CEOID> StoreSession::NextDatabase(CEOID after, DWORD type) {
    JW_ASSIGN_OR_RETURN(
        auto s, Prepare("SELECT oid FROM ce_databases WHERE oid > ?1 AND (?2 = 0 OR type = ?2) "
                        "ORDER BY oid LIMIT 1"));
    s->Bind(1, static_cast<std::int64_t>(after)).Bind(2, static_cast<std::int64_t>(type));
    auto step = s->Step();
    if (step == Statement::StepResult::Error)
        return s->status();
    CEOID next = step == Statement::StepResult::Row ? static_cast<CEOID>(s->ColumnInt64(0)) : 0;
    s->Reset();
    return next;
}

Result<CEOID> StoreSession::RecordParent(CEOID oid) {
    JW_ASSIGN_OR_RETURN(auto s, Prepare("SELECT db FROM ce_records WHERE oid=?1"));
    platform::sqlite::ResetWhenDone sDone(s);
    s->Bind(1, static_cast<std::int64_t>(oid));
    auto step = s->Step();
    if (step == Statement::StepResult::Error)
        return s->status();
    CEOID parent = step == Statement::StepResult::Row ? static_cast<CEOID>(s->ColumnInt64(0)) : 0;
    return parent;
}

Result<CEOID> StoreSession::WriteRecord(CEOID database, CEOID oid,
                                        std::span<const CEPROPVAL> changes) {
    JW_ASSIGN_OR_RETURN(auto transaction, BeginWrite());
    auto row = this->database(database);
    if (!row.ok())
        return Status::Failure(ERROR_INVALID_HANDLE, row.status().message());
    PropertyList properties;
    std::int64_t oldSize = 0;
    if (oid != 0) {
        JW_ASSIGN_OR_RETURN(auto s, Prepare("SELECT props FROM ce_records WHERE oid=?1 AND db=?2"));
        s->Bind(1, static_cast<std::int64_t>(oid)).Bind(2, static_cast<std::int64_t>(database));
        Status status = StepOne(s, ERROR_INVALID_PARAMETER,
                                "no record " + std::to_string(oid) + " in this database");
        if (!status.ok())
            return status;
        auto blob = s->ColumnBlob(0);
        oldSize = static_cast<std::int64_t>(blob.size());
        auto decoded = DecodeProperties(blob);
        s->Reset();
        if (!decoded.ok())
            return Status::Failure(decoded.status().code(), "record " + std::to_string(oid) + ": " +
                                                                decoded.status().message());
        properties = std::move(decoded.value());
    }
    std::vector<WORD> changed;
    Status status = MergeProperties(&properties, changes, &changed);
    if (!status.ok())
        return status;
    // What the write must store: a new record everything; a rewrite only what
    // differs, so that a write that changes nothing keeps the stored
    // properties and one that changes no sort property leaves the sort
    // indexes alone. Either way the record is stamped as written.
    const bool sortChanged = std::any_of(row->sorts.begin(), row->sorts.end(), [&](auto& spec) {
        return std::find(changed.begin(), changed.end(), PropNumber(spec.propid)) != changed.end();
    });
    const char* sql = "UPDATE ce_records SET sequence=:sequence WHERE oid=:oid";
    if (oid == 0)
        sql = "INSERT INTO ce_records(oid, db, props, sequence, k0, k1, k2, k3) "
              "VALUES(:oid, :db, :props, :sequence, :k0, :k1, :k2, :k3)";
    else if (sortChanged)
        sql = "UPDATE ce_records SET props=:props, sequence=:sequence, k0=:k0, k1=:k1, k2=:k2, "
              "k3=:k3 WHERE oid=:oid";
    else if (!changed.empty())
        sql = "UPDATE ce_records SET props=:props, sequence=:sequence WHERE oid=:oid";
    std::vector<BYTE> blob;
    std::int64_t newSize = oldSize;
    if (oid == 0 || !changed.empty()) {
        blob = EncodeProperties(properties);
        newSize = static_cast<std::int64_t>(blob.size());
    }
    JW_ASSIGN_OR_RETURN(auto sequence, Bump("change_sequence"));
    std::int64_t target = oid;
    if (oid == 0) {
        JW_ASSIGN_OR_RETURN(auto next, Bump("next_oid"));
        if (next > 0xFFFFFFFF)
            return Status::Failure(ERROR_DISK_FULL, "object identifiers are used up");
        target = next;
    }
    JW_ASSIGN_OR_RETURN(auto s, Prepare(sql));
    Statement* write = s;
    write->Bind(":oid", target)
        .Bind(":db", static_cast<std::int64_t>(database))
        .BindBlob(":props", blob)
        .Bind(":sequence", sequence);
    static const char* const kKeys[] = {":k0", ":k1", ":k2", ":k3"};
    if (oid == 0 || sortChanged)
        for (std::size_t i = 0; i < row->sorts.size(); ++i)
            write->BindBlob(kKeys[i], SortKey(properties, row->sorts[i]));
    status = write->Run();
    if (!status.ok())
        return status;
    JW_ASSIGN_OR_RETURN(auto u,
                        Prepare("UPDATE ce_databases SET records=records+:added, size=size+:grown, "
                                "modified=:now WHERE oid=:db"));
    status = u->Bind(":added", oid == 0 ? 1 : 0)
                 .Bind(":grown", newSize - oldSize)
                 .Bind(":now", static_cast<std::int64_t>(now()))
                 .Bind(":db", static_cast<std::int64_t>(database))
                 .Run();
    if (status.ok())
        status = transaction->Commit();
    if (!status.ok())
        return status;
    return static_cast<CEOID>(target);
}

Status StoreSession::DeleteRecord(CEOID database, CEOID oid) {
    JW_ASSIGN_OR_RETURN(auto transaction, BeginWrite());
    JW_ASSIGN_OR_RETURN(auto s,
                        Prepare("SELECT length(props) FROM ce_records WHERE oid=?1 AND db=?2"));
    platform::sqlite::ResetWhenDone sDone(s);
    s->Bind(1, static_cast<std::int64_t>(oid)).Bind(2, static_cast<std::int64_t>(database));
    Status status = StepOne(s, ERROR_INVALID_PARAMETER,
                            "no record " + std::to_string(oid) + " in this database");
    if (!status.ok())
        return status;
    const std::int64_t size = s->ColumnInt64(0);
    JW_ASSIGN_OR_RETURN(auto sequence, Bump("change_sequence"));
    for (const char* sql :
         {"INSERT OR REPLACE INTO ce_tombstones(oid, db, sequence) VALUES(:oid, :db, :sequence)",
          "DELETE FROM ce_records WHERE oid=:oid",
          "UPDATE ce_databases SET records=records-1, size=size-:size, modified=:now "
          "WHERE oid=:db"}) {
        JW_ASSIGN_OR_RETURN(auto d, Prepare(sql));
        status = d->Bind(":oid", static_cast<std::int64_t>(oid))
                     .Bind(":db", static_cast<std::int64_t>(database))
                     .Bind(":sequence", sequence)
                     .Bind(":size", size)
                     .Bind(":now", static_cast<std::int64_t>(now()))
                     .Run();
        if (!status.ok())
            return status;
    }
    return transaction->Commit();
}

} // namespace ce
