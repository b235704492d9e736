#include "platform/base/registry_store.h"

#include "platform/base/case_fold.h"
#include "platform/base/sqlite.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace platform::registry {

namespace {

using sqlite::Connection;
using sqlite::Statement;
using sqlite::Transaction;

// A failure of the store itself, its message (which names the file and what
// to do) kept as the thread's last error for the caller to show.
LONG StoreFailure(const Status& status) {
    ReportFailure(status);
    return static_cast<LONG>(status.code());
}

// The predefined roots are rows with fixed identifiers; keys made later get
// higher ones (AUTOINCREMENT never hands an identifier out twice).
constexpr std::int64_t kRootClasses = 1;
constexpr std::int64_t kRootCurrentUser = 2;
constexpr std::int64_t kRootLocalMachine = 3;

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS reg_keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER NOT NULL,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    UNIQUE(parent, fold));
CREATE TABLE IF NOT EXISTS reg_values(
    key INTEGER NOT NULL,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY(key, fold)) WITHOUT ROWID;
INSERT OR IGNORE INTO reg_keys(id, parent, name, fold) VALUES
    (1, 0, 'HKEY_CLASSES_ROOT', '#classes'),
    (2, 0, 'HKEY_CURRENT_USER', '#current_user'),
    (3, 0, 'HKEY_LOCAL_MACHINE', '#local_machine');
)";

struct OpenKeyHandle {
    std::string file;
    std::int64_t id;
};

// Open key handles of this process. Values are small counters, never reused,
// so a stale handle is refused rather than taken for another key.
struct HandleTable {
    std::mutex mutex;
    std::uintptr_t next = 0x100;
    std::map<std::uintptr_t, OpenKeyHandle> handles;
};

// HKEYs are process-wide: this library is loaded once per process, so a key
// opened by one module (a service manager's QueryDevice) works in another
// (the provider it loaded). Never destroyed: a handle may be closed by a
// static object's destructor at exit.
HandleTable& Handles() {
    static HandleTable* table = new HandleTable;
    return *table;
}

std::int64_t RootId(HKEY key) {
    if (key == HKEY_CLASSES_ROOT)
        return kRootClasses;
    if (key == HKEY_CURRENT_USER)
        return kRootCurrentUser;
    if (key == HKEY_LOCAL_MACHINE)
        return kRootLocalMachine;
    return 0;
}

HKEY NewHandle(const std::string& file, std::int64_t id) {
    auto& table = Handles();
    std::lock_guard lock(table.mutex);
    std::uintptr_t value = table.next;
    table.next += 4;
    table.handles.emplace(value, OpenKeyHandle{file, id});
    return reinterpret_cast<HKEY>(value);
}

// What this process read of one registry file, kept while no connection,
// this one or another, has committed a change to it: the same keys and values
// are read again and again (the code page at every text conversion), and each
// read of the file takes locks. What is missing is kept as well (a desktop
// without a code page of its own misses it at every conversion): any commit
// to the file empties the cache before the next read. Used under the
// connection's lock.
struct ReadCache {
    std::optional<sqlite::ChangeStamp> stamp; // of the file when filled
    // (parent, fold) -> the child's id, 0 for none
    std::map<std::pair<std::int64_t, std::string>, std::int64_t> children;
    std::set<std::int64_t> keys; // keys that exist
    // (key, fold) -> the value, or nothing for none
    std::map<std::pair<std::int64_t, std::string>, std::optional<Value>> values;

    // Empties the cache when the file may have changed since it was filled.
    void Check(Connection& connection) {
        auto now = connection.ReadChangeStamp();
        if (now.ok() && stamp == now.value())
            return;
        children.clear();
        keys.clear();
        values.clear();
        stamp.reset();
        if (now.ok())
            stamp = now.value();
    }
};

ReadCache& CacheOf(const std::string& file) {
    // Never destroyed, like the handles: a static object's destructor may
    // read the registry at exit.
    static auto* caches = new std::map<std::string, ReadCache>;
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    return (*caches)[file];
}

// A connection to a registry file with its schema in place, locked for the
// duration of one operation.
class Session {
public:
    static LONG Open(const std::string& file, std::unique_ptr<Session>* session) {
        auto connection = Connection::Shared(file);
        if (!connection.ok())
            return StoreFailure(connection.status());
        auto made = std::unique_ptr<Session>(new Session(connection.value(), CacheOf(file)));
        if (made->m_connection->FirstUse("registry")) {
            auto transaction = Transaction::BeginWrite(*made->m_connection);
            if (!transaction.ok())
                return StoreFailure(transaction.status());
            Status status = made->m_connection->Exec(kSchema);
            if (status.ok())
                status = transaction.value()->Commit();
            if (!status.ok())
                return StoreFailure(status);
        }
        made->m_cache.Check(*made->m_connection);
        *session = std::move(made);
        return ERROR_SUCCESS;
    }

    Connection& connection() { return *m_connection; }
    ReadCache& cache() { return m_cache; }

    Statement* Prepare(const std::string& sql, LONG* error) {
        Status status;
        Statement* statement = m_connection->Prepare(sql, &status);
        if (!statement)
            *error = static_cast<LONG>(status.code());
        return statement;
    }

    // The identifier of the child key `fold` of parent, 0 when there is none.
    LONG Child(std::int64_t parent, const std::string& fold, std::int64_t* id) {
        const auto key = std::make_pair(parent, fold);
        if (auto cached = m_cache.children.find(key); cached != m_cache.children.end()) {
            *id = cached->second;
            return ERROR_SUCCESS;
        }
        LONG error = ERROR_SUCCESS;
        Statement* s = Prepare("SELECT id FROM reg_keys WHERE parent=?1 AND fold=?2", &error);
        if (!s)
            return error;
        s->Bind(1, parent).Bind(2, fold);
        auto step = s->Step();
        if (step == Statement::StepResult::Error)
            return static_cast<LONG>(s->status().code());
        *id = step == Statement::StepResult::Row ? s->ColumnInt64(0) : 0;
        s->Reset();
        if (m_cache.stamp)
            m_cache.children.emplace(key, *id);
        return ERROR_SUCCESS;
    }

    LONG KeyExists(std::int64_t id) {
        if (m_cache.keys.count(id))
            return ERROR_SUCCESS;
        LONG error = ERROR_SUCCESS;
        Statement* s = Prepare("SELECT 1 FROM reg_keys WHERE id=?1", &error);
        if (!s)
            return error;
        s->Bind(1, id);
        auto step = s->Step();
        LONG result = step == Statement::StepResult::Row    ? ERROR_SUCCESS
                      : step == Statement::StepResult::Done ? static_cast<LONG>(ERROR_KEY_DELETED)
                                                            : static_cast<LONG>(s->status().code());
        s->Reset();
        if (result == ERROR_SUCCESS && m_cache.stamp)
            m_cache.keys.insert(id);
        return result;
    }

private:
    Session(std::shared_ptr<Connection> connection, ReadCache& cache)
        : m_connection(std::move(connection)), m_lock(m_connection->mutex()), m_cache(cache) {}
    std::shared_ptr<Connection> m_connection;
    std::unique_lock<std::recursive_mutex> m_lock;
    ReadCache& m_cache;
};

// Where a key handle (or root) points: the file and the key's row.
struct KeyLocation {
    std::string file;
    std::int64_t id = 0;
};

LONG Locate(const std::string& rootFile, HKEY key, KeyLocation* location) {
    if (std::int64_t root = RootId(key)) {
        *location = {rootFile, root};
        return ERROR_SUCCESS;
    }
    auto& table = Handles();
    std::lock_guard lock(table.mutex);
    auto it = table.handles.find(reinterpret_cast<std::uintptr_t>(key));
    if (it == table.handles.end())
        return ERROR_INVALID_HANDLE;
    *location = {it->second.file, it->second.id};
    return ERROR_SUCCESS;
}

// Opens a session on the key's file and checks that the key still exists.
LONG Begin(const std::string& rootFile, HKEY key, KeyLocation* location,
           std::unique_ptr<Session>* session) {
    LONG error = Locate(rootFile, key, location);
    if (error == ERROR_SUCCESS)
        error = Session::Open(location->file, session);
    if (error == ERROR_SUCCESS)
        error = (*session)->KeyExists(location->id);
    return error;
}

// A key's session with one statement prepared in it: where each value and
// subkey call begins.
struct KeyStatement {
    KeyLocation location;
    std::unique_ptr<Session> session;
    Statement* statement = nullptr;
};

LONG PrepareOnKey(const std::string& rootFile, HKEY key, const char* sql, KeyStatement* query) {
    LONG error = Begin(rootFile, key, &query->location, &query->session);
    if (error == ERROR_SUCCESS)
        query->statement = query->session->Prepare(sql, &error);
    return error;
}

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

LONG Walk(Session& session, std::int64_t from, std::string_view subKey, std::int64_t* id) {
    std::int64_t current = from;
    for (const auto& part : SplitPath(subKey)) {
        std::int64_t next = 0;
        LONG error = session.Child(current, FoldCaseUtf8(part), &next);
        if (error != ERROR_SUCCESS)
            return error;
        if (next == 0)
            return ERROR_FILE_NOT_FOUND;
        current = next;
    }
    *id = current;
    return ERROR_SUCCESS;
}

// Why a stored value cannot be what its type says, or null when it can. No
// program writes such a value; a registry file from elsewhere may hold one.
const char* Damage(std::int64_t type, std::size_t size) {
    if (type < 0 || type > 0xFFFFFFFFll)
        return "its type is out of range";
    if (type == REG_DWORD && size != sizeof(DWORD))
        return "a REG_DWORD that is not four bytes long";
    if (size > kMaxValueBytes)
        return "it is larger than a registry value can be";
    return nullptr;
}

// Reads the statement's next value. A damaged one is refused with
// ERROR_INVALID_DATA and named on standard error, since the registry
// functions have only their result code to say it with.
LONG ReadValue(const std::string& file, Statement* s, Value* value) {
    auto step = s->Step();
    if (step == Statement::StepResult::Error)
        return static_cast<LONG>(s->status().code());
    if (step == Statement::StepResult::Done)
        return ERROR_FILE_NOT_FOUND;
    Value read;
    read.name = s->ColumnText(0);
    auto bytes = s->ColumnBlob(2);
    if (const char* why = Damage(s->ColumnInt64(1), bytes.size())) {
        std::fprintf(
            stderr,
            "jotterwick: the registry value \"%s\" in %s is damaged (%s); it is left as it is\n",
            read.name.c_str(), file.c_str(), why);
        s->Reset();
        return ERROR_INVALID_DATA;
    }
    read.type = static_cast<DWORD>(s->ColumnInt64(1));
    read.data.assign(bytes.begin(), bytes.end());
    s->Reset();
    *value = std::move(read);
    return ERROR_SUCCESS;
}

} // namespace

LONG OpenKey(const std::string& rootFile, HKEY parent, std::string_view subKey, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    KeyLocation location;
    std::unique_ptr<Session> session;
    LONG error = Begin(rootFile, parent, &location, &session);
    std::int64_t id = 0;
    if (error == ERROR_SUCCESS)
        error = Walk(*session, location.id, subKey, &id);
    if (error == ERROR_SUCCESS)
        *result = NewHandle(location.file, id);
    return error;
}

LONG CreateKey(const std::string& rootFile, HKEY parent, std::string_view subKey, HKEY* result,
               Disposition* disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    KeyLocation location;
    std::unique_ptr<Session> session;
    LONG error = Begin(rootFile, parent, &location, &session);
    if (error != ERROR_SUCCESS)
        return error;
    auto transaction = Transaction::BeginWrite(session->connection());
    if (!transaction.ok())
        return static_cast<LONG>(transaction.status().code());
    std::int64_t current = location.id;
    bool created = false;
    for (const auto& part : SplitPath(subKey)) {
        const std::string fold = FoldCaseUtf8(part);
        std::int64_t next = 0;
        if ((error = session->Child(current, fold, &next)) != ERROR_SUCCESS)
            return error;
        if (next == 0) {
            Statement* s = session->Prepare(
                "INSERT INTO reg_keys(parent, name, fold) VALUES(?1, ?2, ?3)", &error);
            if (!s)
                return error;
            Status status = s->Bind(1, current).Bind(2, part).Bind(3, fold).Run();
            if (!status.ok())
                return static_cast<LONG>(status.code());
            next = session->connection().LastInsertRowid();
            created = true;
        }
        current = next;
    }
    Status status = transaction.value()->Commit();
    if (!status.ok())
        return static_cast<LONG>(status.code());
    *result = NewHandle(location.file, current);
    if (disposition)
        *disposition = created ? Disposition::CreatedNew : Disposition::OpenedExisting;
    return ERROR_SUCCESS;
}

LONG DeleteKey(const std::string& rootFile, HKEY parent, std::string_view subKey) {
    KeyLocation location;
    std::unique_ptr<Session> session;
    LONG error = Begin(rootFile, parent, &location, &session);
    if (error != ERROR_SUCCESS)
        return error;
    if (SplitPath(subKey).empty())
        return ERROR_ACCESS_DENIED; // a key does not delete itself through its own handle
    auto transaction = Transaction::BeginWrite(session->connection());
    if (!transaction.ok())
        return static_cast<LONG>(transaction.status().code());
    std::int64_t id = 0;
    if ((error = Walk(*session, location.id, subKey, &id)) != ERROR_SUCCESS)
        return error;
    Statement* s = session->Prepare("SELECT 1 FROM reg_keys WHERE parent=?1 LIMIT 1", &error);
    if (!s)
        return error;
    s->Bind(1, id);
    auto step = s->Step();
    s->Reset();
    if (step == Statement::StepResult::Row)
        return ERROR_ACCESS_DENIED;
    for (const char* sql :
         {"DELETE FROM reg_values WHERE key=?1", "DELETE FROM reg_keys WHERE id=?1"}) {
        Statement* del = session->Prepare(sql, &error);
        if (!del)
            return error;
        Status status = del->Bind(1, id).Run();
        if (!status.ok())
            return static_cast<LONG>(status.code());
    }
    Status status = transaction.value()->Commit();
    return status.ok() ? ERROR_SUCCESS : static_cast<LONG>(status.code());
}

LONG QueryValue(const std::string& rootFile, HKEY key, std::string_view name, Value* value) {
    if (!value)
        return ERROR_INVALID_PARAMETER;
    KeyStatement query;
    LONG error = PrepareOnKey(
        rootFile, key, "SELECT name, type, data FROM reg_values WHERE key=?1 AND fold=?2", &query);
    if (error != ERROR_SUCCESS)
        return error;
    ReadCache& cache = query.session->cache();
    auto wanted = std::make_pair(query.location.id, FoldCaseUtf8(name));
    if (auto cached = cache.values.find(wanted); cached != cache.values.end()) {
        if (!cached->second)
            return ERROR_FILE_NOT_FOUND;
        *value = *cached->second;
        return ERROR_SUCCESS;
    }
    Statement* s = query.statement;
    s->Bind(1, query.location.id).Bind(2, wanted.second);
    error = ReadValue(query.location.file, s, value);
    s->Reset();
    if ((error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND) && cache.stamp)
        cache.values.emplace(std::move(wanted),
                             error == ERROR_SUCCESS ? std::optional<Value>(*value) : std::nullopt);
    return error;
}

LONG SetValue(const std::string& rootFile, HKEY key, std::string_view name, DWORD type,
              std::span<const BYTE> data) {
    if (data.size() > kMaxValueBytes)
        return ERROR_INVALID_PARAMETER;
    KeyStatement query;
    LONG error = PrepareOnKey(
        rootFile, key,
        "INSERT OR REPLACE INTO reg_values(key, name, fold, type, data) VALUES(?1,?2,?3,?4,?5)",
        &query);
    if (error != ERROR_SUCCESS)
        return error;
    Statement* s = query.statement;
    Status status = s->Bind(1, query.location.id)
                        .Bind(2, name)
                        .Bind(3, FoldCaseUtf8(name))
                        .Bind(4, static_cast<std::int64_t>(type))
                        .BindBlob(5, data)
                        .Run();
    return status.ok() ? ERROR_SUCCESS : static_cast<LONG>(status.code());
}

LONG DeleteValue(const std::string& rootFile, HKEY key, std::string_view name) {
    KeyStatement query;
    LONG error =
        PrepareOnKey(rootFile, key, "DELETE FROM reg_values WHERE key=?1 AND fold=?2", &query);
    if (error != ERROR_SUCCESS)
        return error;
    Statement* s = query.statement;
    Status status = s->Bind(1, query.location.id).Bind(2, FoldCaseUtf8(name)).Run();
    if (!status.ok())
        return static_cast<LONG>(status.code());
    return query.session->connection().changes() > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG EnumValue(const std::string& rootFile, HKEY key, DWORD index, Value* value) {
    if (!value)
        return ERROR_INVALID_PARAMETER;
    KeyStatement query;
    LONG error = PrepareOnKey(rootFile, key,
                              "SELECT name, type, data FROM reg_values WHERE key=?1 "
                              "ORDER BY fold LIMIT 1 OFFSET ?2",
                              &query);
    if (error != ERROR_SUCCESS)
        return error;
    Statement* s = query.statement;
    s->Bind(1, query.location.id).Bind(2, static_cast<std::int64_t>(index));
    error = ReadValue(query.location.file, s, value);
    s->Reset();
    return error == ERROR_FILE_NOT_FOUND ? static_cast<LONG>(ERROR_NO_MORE_ITEMS) : error;
}

LONG EnumKey(const std::string& rootFile, HKEY key, DWORD index, std::string* name) {
    if (!name)
        return ERROR_INVALID_PARAMETER;
    KeyStatement query;
    LONG error = PrepareOnKey(
        rootFile, key, "SELECT name FROM reg_keys WHERE parent=?1 ORDER BY fold LIMIT 1 OFFSET ?2",
        &query);
    if (error != ERROR_SUCCESS)
        return error;
    Statement* s = query.statement;
    s->Bind(1, query.location.id).Bind(2, static_cast<std::int64_t>(index));
    auto step = s->Step();
    if (step == Statement::StepResult::Row)
        *name = s->ColumnText(0);
    error = step == Statement::StepResult::Row    ? ERROR_SUCCESS
            : step == Statement::StepResult::Done ? static_cast<LONG>(ERROR_NO_MORE_ITEMS)
                                                  : static_cast<LONG>(s->status().code());
    s->Reset();
    return error;
}

} // namespace platform::registry

LONG RegCloseKey(HKEY hKey) {
    using namespace platform::registry;
    if (RootId(hKey))
        return ERROR_SUCCESS;
    auto& table = Handles();
    std::lock_guard lock(table.mutex);
    return table.handles.erase(reinterpret_cast<std::uintptr_t>(hKey)) ? ERROR_SUCCESS
                                                                       : ERROR_INVALID_HANDLE;
}
