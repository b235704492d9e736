#include "platform/base/sqlite.h"

#include "platform/base/private_files.h"

#include <pthread.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace platform::sqlite {

namespace {

DWORD Win32ErrorFor(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_ACCESS_DENIED;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_INVALID_DATA;
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return ERROR_ACCESS_DENIED;
    case SQLITE_CONSTRAINT:
        return ERROR_ALREADY_EXISTS;
    default:
        return ERROR_WRITE_FAULT;
    }
}

// "<what>: <file>: <SQLite's reason>; <advice>", the file named whenever the
// connection knows it.
Status SqliteFailure(sqlite3* db, int rc, std::string_view what) {
    std::string text(what);
    text += ": ";
    const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
    if (file && *file) {
        text += file;
        text += ": ";
    }
    text += db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    text += FileAdvice(Win32ErrorFor(rc));
    return Status::Failure(Win32ErrorFor(rc), std::move(text));
}

std::atomic<int> g_processId{0};

void RememberProcessId() {
    g_processId.store(static_cast<int>(getpid()), std::memory_order_relaxed);
}

// The header of the write-ahead log's index, from SQLite's own mapping of the
// -shm file: two copies of 48 bytes, which a writer updates second copy
// first, so that a reader that finds them equal (first copy first) and marked
// initialized has read one whole header (the WAL file format's rules).
bool ReadLogIndexHeader(sqlite3_file* file, std::array<std::uint8_t, 48>* header) {
    if (!file || !file->pMethods || file->pMethods->iVersion < 2 || !file->pMethods->xShmMap ||
        !file->pMethods->xShmBarrier)
        return false;
    volatile void* region = nullptr;
    if (file->pMethods->xShmMap(file, 0, 32768, 0, &region) != SQLITE_OK || !region)
        return false;
    // Each copy in one piece, as SQLite itself reads them.
    const auto* copies =
        const_cast<const std::uint8_t*>(static_cast<volatile std::uint8_t*>(region));
    std::array<std::uint8_t, 48> first, second;
    std::memcpy(first.data(), copies, first.size());
    file->pMethods->xShmBarrier(file);
    std::memcpy(second.data(), copies + first.size(), second.size());
    constexpr std::size_t kIsInit = 12; // a byte: 0 until the header is built
    if (first != second || first[kIsInit] == 0)
        return false;
    *header = first;
    return true;
}

} // namespace

int CurrentProcessId() {
    static const bool registered = [] {
        RememberProcessId();
        pthread_atfork(nullptr, nullptr, RememberProcessId);
        return true;
    }();
    (void)registered;
    return g_processId.load(std::memory_order_relaxed);
}

namespace {

Status Closed(const std::string& path) {
    return Status::Failure(ERROR_INVALID_HANDLE, path + ": the connection is closed");
}

// The connections open in this process, for closeAll: made by the first
// connection, freed at the end once they are closed (a library that is
// unloaded must not leave it behind), and null from then on.
struct OpenConnections {
    std::mutex mutex;
    std::set<Connection*> live;
};

OpenConnections*& Live() {
    static OpenConnections* live = nullptr;
    return live;
}

OpenConnections* LiveMade() {
    static std::once_flag once;
    std::call_once(once, [] { Live() = new OpenConnections; });
    return Live();
}

// Runs when the process ends (or this library is unloaded), after the static
// destructors of every program and library that uses it.
__attribute__((destructor)) void CloseAtExit() {
    Connection::CloseAll();
    delete Live();
    Live() = nullptr;
}

} // namespace

const char* FileAdvice(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return "; check that the file and its folder can be written by you";
    case ERROR_INVALID_DATA:
        return "; the file is damaged: put it back from a backup, or move it away to start "
               "afresh";
    case ERROR_DISK_FULL:
        return "; the disk is full: make room and try again";
    default:
        return "";
    }
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

Status Statement::Failure(int rc, const char* what) {
    m_status = SqliteFailure(m_db, rc, std::string(what) + " (" + sqlite3_sql(m_stmt) + ")");
    return m_status;
}

Statement& Statement::Bind(int index, std::int64_t value) {
    int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK && m_status.ok())
        Failure(rc, "bind");
    return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
    int rc =
        sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK && m_status.ok())
        Failure(rc, "bind");
    return *this;
}

Statement& Statement::BindBlob(int index, std::span<const std::uint8_t> bytes) {
    // A zero-length blob must still be a blob, not NULL.
    static const std::uint8_t empty = 0;
    const void* data = bytes.empty() ? &empty : bytes.data();
    int rc = sqlite3_bind_blob64(m_stmt, index, data, bytes.size(), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK && m_status.ok())
        Failure(rc, "bind");
    return *this;
}

Statement& Statement::Bind(const char* name, std::int64_t value) {
    if (int index = sqlite3_bind_parameter_index(m_stmt, name))
        Bind(index, value);
    return *this;
}

Statement& Statement::Bind(const char* name, std::string_view text) {
    if (int index = sqlite3_bind_parameter_index(m_stmt, name))
        Bind(index, text);
    return *this;
}

Statement& Statement::BindBlob(const char* name, std::span<const std::uint8_t> bytes) {
    if (int index = sqlite3_bind_parameter_index(m_stmt, name))
        BindBlob(index, bytes);
    return *this;
}

Statement::StepResult Statement::Step() {
    if (!m_status.ok())
        return StepResult::Error;
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return StepResult::Row;
    if (rc == SQLITE_DONE)
        return StepResult::Done;
    Failure(rc, "step");
    return StepResult::Error;
}

Status Statement::Run() {
    StepResult s;
    while ((s = Step()) == StepResult::Row) {
    }
    Status result = s == StepResult::Error ? m_status : Status();
    Reset();
    return result;
}

void Statement::Reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_status = Status();
}

bool Statement::ColumnIsNull(int index) const {
    return sqlite3_column_type(m_stmt, index) == SQLITE_NULL;
}

std::int64_t Statement::ColumnInt64(int index) const {
    return sqlite3_column_int64(m_stmt, index);
}

std::string Statement::ColumnText(int index) const {
    const unsigned char* text = sqlite3_column_text(m_stmt, index);
    int size = sqlite3_column_bytes(m_stmt, index);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
                : std::string();
}

std::span<const std::uint8_t> Statement::ColumnBlob(int index) const {
    const void* data = sqlite3_column_blob(m_stmt, index);
    int size = sqlite3_column_bytes(m_stmt, index);
    if (!data || size <= 0)
        return {};
    return {static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(size)};
}

Result<std::shared_ptr<Connection>> Connection::Open(const std::string& path) {
    const bool existed = access(path.c_str(), F_OK) == 0;
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        Status failure = SqliteFailure(db, rc, "cannot open " + path);
        sqlite3_close(db);
        return failure;
    }
    // The log files SQLite makes beside the store take the store's mode.
    for (const char* suffix : {"", "-wal", "-shm"})
        KeepFilePrivate(path + suffix, !existed);
    std::shared_ptr<Connection> connection(new Connection(db, path));
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // Switching to WAL needs a moment of exclusive access; when another
    // process is doing the same, try again rather than fail the open.
    Status status;
    for (int attempt = 0; attempt < 100; ++attempt) {
        status = connection->Exec("PRAGMA journal_mode=WAL");
        if (status.ok() || status.code() != ERROR_ACCESS_DENIED)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (status.ok())
        status = connection->Exec("PRAGMA synchronous=FULL");
    if (!status.ok())
        return Status::Failure(status.code(), path + ": " + status.message());
    return connection;
}

Connection::Connection(sqlite3* db, std::string path)
    : m_db(db), m_pid(CurrentProcessId()), m_path(std::move(path)) {
    if (OpenConnections* live = LiveMade()) {
        std::lock_guard lock(live->mutex);
        live->live.insert(this);
    }
}

Connection::~Connection() {
    if (OpenConnections* live = Live()) {
        std::lock_guard lock(live->mutex);
        live->live.erase(this);
    }
    Close();
}

void Connection::Close() {
    std::lock_guard lock(m_mutex);
    m_statements.clear();
    if (m_db)
        sqlite3_close(m_db);
    m_db = nullptr;
    m_mainFile = nullptr;
}

void Connection::CloseAll() {
    OpenConnections* live = Live();
    if (!live)
        return;
    std::lock_guard lock(live->mutex);
    for (Connection* connection : live->live)
        // A connection inherited across fork belongs to the parent.
        if (connection->m_pid == CurrentProcessId())
            connection->Close();
}

Status Connection::Exec(const char* sql) {
    if (!m_db)
        return Closed(m_path);
    char* error = nullptr;
    int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    if (rc == SQLITE_OK)
        return Status();
    // The statements are the store's own business: the message names the file.
    std::string text =
        m_path + ": " + (error ? error : sqlite3_errstr(rc)) + FileAdvice(Win32ErrorFor(rc));
    sqlite3_free(error);
    return Status::Failure(Win32ErrorFor(rc), std::move(text));
}

Status Connection::ExecCached(const char* sql) {
    Status status;
    Statement* statement = Prepare(sql, &status);
    if (!statement)
        return status;
    if (statement->Step() != Statement::StepResult::Error) {
        statement->Reset();
        return Status();
    }
    const DWORD code = statement->status().code();
    std::string text = m_path + ": " + sqlite3_errmsg(m_db) + FileAdvice(code);
    statement->Reset();
    return Status::Failure(code, std::move(text));
}

Statement* Connection::Prepare(const std::string& sql, Status* status) {
    if (!m_db) {
        *status = Closed(m_path);
        return nullptr;
    }
    auto it = m_statements.find(sql);
    if (it != m_statements.end()) {
        it->second->Reset();
        return it->second.get();
    }
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size() + 1),
                                SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        *status = SqliteFailure(m_db, rc, "prepare (" + sql + ")");
        return nullptr;
    }
    auto [inserted, _] = m_statements.emplace(sql, std::make_unique<Statement>(m_db, stmt));
    return inserted->second.get();
}

std::int64_t Connection::LastInsertRowid() const {
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int Connection::changes() const {
    return m_db ? sqlite3_changes(m_db) : 0;
}

bool Connection::InTransaction() const {
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

Result<ChangeStamp> Connection::ReadChangeStamp() {
    if (!m_db)
        return Closed(m_path);
    ChangeStamp stamp;
    stamp.ownChanges = sqlite3_total_changes64(m_db);
    // The main file lives as long as the connection: asked for once.
    if (!m_mainFile &&
        sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &m_mainFile) != SQLITE_OK)
        m_mainFile = nullptr;
    if (ReadLogIndexHeader(m_mainFile, &stamp.logIndex))
        return stamp;
    Status status;
    Statement* version = Prepare("PRAGMA data_version", &status);
    if (!version)
        return status;
    const auto step = version->Step();
    if (step != Statement::StepResult::Row)
        return step == Statement::StepResult::Error
                   ? version->status()
                   : Status::Failure(ERROR_READ_FAULT, "PRAGMA data_version gave no row");
    stamp.dataVersion = version->ColumnInt64(0);
    version->Reset();
    return stamp;
}

Status Connection::SetCacheSize(std::int64_t kibibytes) {
    const std::string pragma = "PRAGMA cache_size=" + std::to_string(-kibibytes);
    return Exec(pragma.c_str());
}

bool Connection::FirstUse(std::string_view what) {
    if (m_used.find(what) != m_used.end())
        return false;
    m_used.emplace(what);
    return true;
}

Status Connection::SyncEachCommit(bool each) {
    std::lock_guard lock(m_mutex);
    // Commits made while each one was synced need no Flush.
    if (m_syncEach && !each && m_db)
        m_flushedChanges = sqlite3_total_changes64(m_db);
    JW_RETURN_IF_FAILED(Exec(each ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL"));
    m_syncEach = each;
    return Status();
}

Status Connection::Flush() {
    std::lock_guard lock(m_mutex);
    if (!m_db)
        return Closed(m_path);
    const std::int64_t changes = sqlite3_total_changes64(m_db);
    if (changes == m_flushedChanges)
        return Status();
    // The log file as SQLite has it open: syncing it makes every frame of
    // every commit so far durable. Frames a checkpoint already moved into the
    // database were synced there by the checkpoint.
    sqlite3_file* log = nullptr;
    const int rc = sqlite3_file_control(m_db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log);
    if (rc != SQLITE_OK)
        return SqliteFailure(m_db, rc, "cannot reach the log of " + m_path);
    if (log && log->pMethods) {
        const int synced = log->pMethods->xSync(log, SQLITE_SYNC_NORMAL);
        if (synced != SQLITE_OK)
            return Status::Failure(Win32ErrorFor(synced),
                                   "cannot write " + m_path + "-wal to the disk: " +
                                       sqlite3_errstr(synced) + FileAdvice(Win32ErrorFor(synced)));
    }
    m_flushedChanges = changes;
    return Status();
}

DeferredSync::DeferredSync(std::shared_ptr<Connection> connection)
    : m_connection(std::move(connection)) {
    m_status = m_connection->SyncEachCommit(false);
}

DeferredSync::~DeferredSync() {
    Flush();
    m_connection->SyncEachCommit(true);
}

Status DeferredSync::Flush() {
    Status status = m_connection->Flush();
    if (!status.ok() && m_status.ok())
        m_status = status;
    return status;
}

Result<std::shared_ptr<Connection>> Connection::Shared(const std::string& path) {
    struct Cache {
        std::mutex mutex;
        pid_t pid = 0;
        std::map<std::string, std::shared_ptr<Connection>> connections;
        // Connections inherited across fork: never used nor closed in the child.
        std::vector<std::shared_ptr<Connection>> abandoned;
    };
    // Never destroyed: connections outlive static destructors of other objects.
    static Cache* cache = new Cache;
    std::lock_guard lock(cache->mutex);
    const int pid = CurrentProcessId();
    if (cache->pid != pid) {
        for (auto& [_, connection] : cache->connections)
            cache->abandoned.push_back(connection);
        cache->connections.clear();
        cache->pid = pid;
    }
    auto it = cache->connections.find(path);
    if (it != cache->connections.end())
        return it->second;
    auto opened = Open(path);
    if (opened.ok())
        cache->connections.emplace(path, opened.value());
    return opened;
}

Result<std::unique_ptr<Transaction>> Transaction::BeginWrite(Connection& connection) {
    const bool nested = connection.InTransaction();
    JW_RETURN_IF_FAILED(connection.ExecCached(nested ? "SAVEPOINT nested" : "BEGIN IMMEDIATE"));
    return std::unique_ptr<Transaction>(new Transaction(connection, nested));
}

Transaction::~Transaction() {
    if (m_open)
        m_connection.Exec(m_nested ? "ROLLBACK TO nested; RELEASE nested" : "ROLLBACK");
}

Status Transaction::Commit() {
    Status status = m_connection.ExecCached(m_nested ? "RELEASE nested" : "COMMIT");
    if (status.ok())
        m_open = false;
    return status;
}

} // namespace platform::sqlite
