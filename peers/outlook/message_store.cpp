#include "peers/outlook/message_store.h"

#include "platform/base/byte_order.h"
#include "platform/base/kernel.h"
#include "platform/base/unicode.h"
#include "platform/win32/machine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <unistd.h>

namespace outlook {

using platform::Result;
using platform::Status;
using platform::sqlite::Statement;
using platform::sqlite::Transaction;

namespace {

constexpr std::size_t kStoreIdLength = 140; // hex digits, as long as Outlook's

// Texts are kept as UTF-16LE bytes, so that every BSTR comes back exactly.
std::vector<std::uint8_t> ToBytes(const std::u16string& text) {
    return StoreUtf16Le(text);
}

// The whole UTF-16 units of a stored text; *damaged is set when a byte is
// left over (a text of an odd length).
std::u16string FromBytes(std::span<const std::uint8_t> bytes, bool* damaged) {
    *damaged = *damaged || bytes.size() % 2 != 0;
    return LoadUtf16(bytes);
}

double DateFromBits(std::int64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::int64_t BitsFromDate(double value) {
    std::int64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::string RandomHex(std::size_t length) {
    // One generator for the process: thread-local state this large would not
    // fit the static TLS block of a library loaded with dlopen.
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(length, '0');
    std::lock_guard lock(mutex);
    for (char& c : text)
        c = kDigits[generator() & 0xF];
    return text;
}

} // namespace

DATE NowAsDate() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    DATE date = 0;
    SystemTimeToVariantTime(&now, &date);
    return date;
}

Result<std::shared_ptr<MessageStore>> MessageStore::ForCurrentDesktop() {
    return Open(win32::DesktopDirectory() + "/outlook.db");
}

Result<std::shared_ptr<MessageStore>> MessageStore::Open(const std::string& path) {
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<MessageStore>> open;
    static pid_t owner = 0;
    std::lock_guard lock(mutex);
    // A forked child must not use its parent's connection: it opens its own.
    if (owner != getpid()) {
        open.clear();
        owner = getpid();
    }
    if (auto existing = open[path].lock())
        return existing;
    JW_ASSIGN_OR_RETURN(auto connection, platform::sqlite::Connection::Shared(path));
    std::shared_ptr<MessageStore> store(new MessageStore(connection));
    JW_RETURN_IF_FAILED(store->CreateSchema());
    open[path] = store;
    return store;
}

Status MessageStore::CreateSchema() {
    std::lock_guard lock(m_connection->mutex());
    if (!m_connection->FirstUse("outlook-schema"))
        return {};
    JW_ASSIGN_OR_RETURN(auto transaction, Transaction::BeginWrite(*m_connection));
    if (Status status = m_connection->Exec(
            "CREATE TABLE IF NOT EXISTS notes("
            " sequence INTEGER PRIMARY KEY AUTOINCREMENT,"
            " entry_id TEXT NOT NULL UNIQUE,"
            " body BLOB NOT NULL, categories BLOB NOT NULL, color INTEGER NOT NULL,"
            " created INTEGER NOT NULL, modified INTEGER NOT NULL);"
            "CREATE TABLE IF NOT EXISTS settings(name TEXT PRIMARY KEY, value TEXT NOT NULL);");
        !status.ok())
        return status;
    Status status;
    Statement* insert = m_connection->Prepare(
        "INSERT OR IGNORE INTO settings(name, value) VALUES (?1, ?2)", &status);
    if (!insert)
        return status;
    if (status = insert->Bind(1, "store_id").Bind(2, RandomHex(kStoreIdLength)).Run(); !status.ok())
        return status;
    if (status = insert->Bind(1, "current_user").Bind(2, "Outlook User").Run(); !status.ok())
        return status;
    return transaction->Commit();
}

Status MessageStore::Refresh(bool texts) {
    Status status;
    Statement* version = m_connection->Prepare("PRAGMA data_version", &status);
    if (!version)
        return status;
    if (version->Step() != Statement::StepResult::Row)
        return version->status();
    const std::int64_t current = version->ColumnInt64(0);
    version->Reset();
    if (m_loadedVersion == current)
        return texts && !m_textsRead ? ReadTexts() : Status();
    if (status = Reload(texts); !status.ok())
        return status;
    m_loadedVersion = current;
    return {};
}

std::u16string MessageStore::TextOf(const std::string& entryId,
                                    std::span<const std::uint8_t> bytes) {
    // A damaged note is shown with what can be read of it and named once:
    // it neither hides the other notes nor counts as deleted.
    bool damaged = false;
    std::u16string text = FromBytes(bytes, &damaged);
    if (damaged && m_warned.insert(entryId).second)
        std::fprintf(stderr,
                     "outlook: %s: note %s has a damaged text (a byte is left over); "
                     "it is shown without it, and saving the note repairs it\n",
                     m_connection->path().c_str(), entryId.c_str());
    return text;
}

Status MessageStore::Reload(bool texts) {
    Status status;
    Statement* select = m_connection->Prepare(
        texts ? "SELECT sequence, entry_id, color, created, modified, body, categories FROM notes"
                " ORDER BY sequence"
              : "SELECT sequence, entry_id, color, created, modified FROM notes ORDER BY sequence",
        &status);
    if (!select)
        return status;
    std::vector<std::int64_t> order;
    std::unordered_map<std::int64_t, Note> notes;
    // The last load's size is a good guess of this one's.
    order.reserve(m_order.size());
    notes.reserve(m_order.size());
    Statement::StepResult step;
    while ((step = select->Step()) == Statement::StepResult::Row) {
        Note note;
        note.sequence = select->ColumnInt64(0);
        note.entryId = select->ColumnText(1);
        note.color = static_cast<LONG>(select->ColumnInt64(2));
        note.created = DateFromBits(select->ColumnInt64(3));
        note.modified = DateFromBits(select->ColumnInt64(4));
        if (texts) {
            note.body = TextOf(note.entryId, select->ColumnBlob(5));
            note.categories = TextOf(note.entryId, select->ColumnBlob(6));
        }
        order.push_back(note.sequence);
        notes.emplace(note.sequence, std::move(note));
    }
    if (step == Statement::StepResult::Error)
        return select->status();
    m_order = std::move(order);
    m_notes = std::move(notes);
    m_byEntryId.clear(); // built again when first asked
    m_textsRead = texts;
    return {};
}

std::unordered_map<std::string_view, std::int64_t>& MessageStore::ByEntryId() {
    if (m_byEntryId.size() != m_notes.size()) {
        m_byEntryId.clear();
        m_byEntryId.reserve(m_notes.size());
        for (const auto& [sequence, note] : m_notes)
            m_byEntryId.emplace(note.entryId, sequence);
    }
    return m_byEntryId;
}

Status MessageStore::ReadTexts() {
    Status status;
    Statement* select =
        m_connection->Prepare("SELECT sequence, body, categories FROM notes", &status);
    if (!select)
        return status;
    Statement::StepResult step;
    while ((step = select->Step()) == Statement::StepResult::Row) {
        auto found = m_notes.find(select->ColumnInt64(0));
        if (found == m_notes.end())
            continue;
        Note& note = found->second;
        note.body = TextOf(note.entryId, select->ColumnBlob(1));
        note.categories = TextOf(note.entryId, select->ColumnBlob(2));
    }
    if (step == Statement::StepResult::Error)
        return select->status();
    m_textsRead = true;
    return {};
}

Result<std::size_t> MessageStore::Count() {
    std::lock_guard connectionLock(m_connection->mutex());
    std::lock_guard lock(m_mutex);
    JW_RETURN_IF_FAILED(Refresh(false));
    return m_order.size();
}

Status MessageStore::LoadOnce(bool texts) {
    return m_loadedVersion && (!texts || m_textsRead) ? Status() : Refresh(texts);
}

Result<std::optional<Note>> MessageStore::CachedAt(std::size_t index) {
    std::lock_guard connectionLock(m_connection->mutex());
    std::lock_guard lock(m_mutex);
    JW_RETURN_IF_FAILED(LoadOnce(true));
    if (index >= m_order.size())
        return std::optional<Note>();
    return std::optional<Note>(m_notes.at(m_order[index]));
}

Result<std::optional<std::int64_t>> MessageStore::CachedSequenceAt(std::size_t index) {
    std::lock_guard connectionLock(m_connection->mutex());
    std::lock_guard lock(m_mutex);
    JW_RETURN_IF_FAILED(LoadOnce(false));
    if (index >= m_order.size())
        return std::optional<std::int64_t>();
    return std::optional<std::int64_t>(m_order[index]);
}

Result<std::optional<std::int64_t>> MessageStore::FindSequence(const std::string& entryId) {
    std::lock_guard connectionLock(m_connection->mutex());
    std::lock_guard lock(m_mutex);
    JW_RETURN_IF_FAILED(Refresh(false));
    const auto& byEntryId = ByEntryId();
    auto found = byEntryId.find(entryId);
    if (found == byEntryId.end())
        return std::optional<std::int64_t>();
    return std::optional<std::int64_t>(found->second);
}

Result<std::optional<Note>> MessageStore::FindByEntryId(const std::string& entryId) {
    std::lock_guard connectionLock(m_connection->mutex());
    std::lock_guard lock(m_mutex);
    JW_RETURN_IF_FAILED(Refresh(true));
    const auto& byEntryId = ByEntryId();
    auto found = byEntryId.find(entryId);
    if (found == byEntryId.end())
        return std::optional<Note>();
    return std::optional<Note>(m_notes.at(found->second));
}

Result<std::optional<Note>> MessageStore::CachedBySequence(std::int64_t sequence) {
    std::lock_guard connectionLock(m_connection->mutex());
    std::lock_guard lock(m_mutex);
    JW_RETURN_IF_FAILED(LoadOnce(true));
    auto found = m_notes.find(sequence);
    if (found == m_notes.end())
        return std::optional<Note>();
    return std::optional<Note>(found->second);
}

Result<Note> MessageStore::Insert(Note note, std::size_t entryIdLength, DATE now) {
    std::lock_guard connectionLock(m_connection->mutex());
    std::lock_guard lock(m_mutex);
    JW_ASSIGN_OR_RETURN(auto transaction, Transaction::BeginWrite(*m_connection));
    JW_RETURN_IF_FAILED(Refresh(false));
    const bool chosen = !note.entryId.empty();
    auto& byEntryId = ByEntryId();
    if (chosen && byEntryId.count(note.entryId))
        return Status::Failure(ERROR_ALREADY_EXISTS, "EntryID " + note.entryId + " is taken");
    if (!chosen) {
        do
            note.entryId = RandomHex(std::max<std::size_t>(entryIdLength, 1));
        while (byEntryId.count(note.entryId));
    }
    note.created = note.modified = now;
    Status status;
    Statement* insert = m_connection->Prepare(
        "INSERT INTO notes(entry_id, body, categories, color, created, modified)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
        &status);
    if (!insert)
        return status;
    if (status = insert->Bind(1, note.entryId)
                     .BindBlob(2, ToBytes(note.body))
                     .BindBlob(3, ToBytes(note.categories))
                     .Bind(4, note.color)
                     .Bind(5, BitsFromDate(note.created))
                     .Bind(6, BitsFromDate(note.modified))
                     .Run();
        !status.ok())
        return status;
    note.sequence = m_connection->LastInsertRowid();
    if (status = transaction->Commit(); !status.ok()) {
        m_loadedVersion.reset(); // the memory copy may be ahead of the file: reload next time
        return status;
    }
    m_order.push_back(note.sequence);
    const auto stored = m_notes.emplace(note.sequence, note).first;
    byEntryId.emplace(stored->second.entryId, note.sequence);
    return note;
}

Result<Note> MessageStore::Update(const Note& note, DATE now) {
    std::lock_guard connectionLock(m_connection->mutex());
    std::lock_guard lock(m_mutex);
    JW_ASSIGN_OR_RETURN(auto transaction, Transaction::BeginWrite(*m_connection));
    JW_RETURN_IF_FAILED(Refresh(false));
    auto found = m_notes.find(note.sequence);
    if (found == m_notes.end())
        return Status::Failure(ERROR_NOT_FOUND, "the note has been deleted");
    // Saving a copy read before another save would silently undo that save.
    if (note.modified != found->second.modified)
        return Status::Failure(kErrorNoteChanged, "the note has been changed since it was read");
    Note saved = found->second;
    saved.body = note.body;
    saved.categories = note.categories;
    saved.color = note.color;
    // Readers compare modification times to the second: a save within the
    // second of the previous one (or with the clock set back) moves the time
    // on by a second, so that no change looks like none.
    constexpr DATE kSecond = 1.0 / (24 * 60 * 60);
    saved.modified =
        now > found->second.modified + kSecond / 2 ? now : found->second.modified + kSecond;
    Status status;
    Statement* update = m_connection->Prepare("UPDATE notes SET body = ?1, categories = ?2, color "
                                              "= ?3, modified = ?4 WHERE sequence = ?5",
                                              &status);
    if (!update)
        return status;
    if (status = update->BindBlob(1, ToBytes(saved.body))
                     .BindBlob(2, ToBytes(saved.categories))
                     .Bind(3, saved.color)
                     .Bind(4, BitsFromDate(saved.modified))
                     .Bind(5, saved.sequence)
                     .Run();
        !status.ok())
        return status;
    if (status = transaction->Commit(); !status.ok()) {
        m_loadedVersion.reset();
        return status;
    }
    // The EntryID stays as it is: the index by EntryID points into it.
    found->second.body = saved.body;
    found->second.categories = saved.categories;
    found->second.color = saved.color;
    found->second.modified = saved.modified;
    return saved;
}

Status MessageStore::Delete(std::int64_t sequence, std::optional<DATE> seen) {
    std::lock_guard connectionLock(m_connection->mutex());
    std::lock_guard lock(m_mutex);
    JW_ASSIGN_OR_RETURN(auto transaction, Transaction::BeginWrite(*m_connection));
    JW_RETURN_IF_FAILED(Refresh(false));
    auto found = m_notes.find(sequence);
    if (found == m_notes.end())
        return Status::Failure(ERROR_NOT_FOUND, "the note has been deleted");
    if (seen && *seen != found->second.modified)
        return Status::Failure(kErrorNoteChanged, "the note has been changed since it was read");
    Status status;
    Statement* remove = m_connection->Prepare("DELETE FROM notes WHERE sequence = ?1", &status);
    if (!remove)
        return status;
    if (status = remove->Bind(1, sequence).Run(); !status.ok())
        return status;
    if (status = transaction->Commit(); !status.ok()) {
        m_loadedVersion.reset();
        return status;
    }
    m_order.erase(std::lower_bound(m_order.begin(), m_order.end(), sequence));
    m_byEntryId.erase(found->second.entryId);
    m_notes.erase(found);
    return {};
}

Result<std::string> MessageStore::Setting(const char* name) {
    std::lock_guard connectionLock(m_connection->mutex());
    Status status;
    Statement* select =
        m_connection->Prepare("SELECT value FROM settings WHERE name = ?1", &status);
    if (!select)
        return status;
    select->Bind(1, name);
    if (select->Step() != Statement::StepResult::Row) {
        Status failure =
            select->status().ok()
                ? Status::Failure(ERROR_INVALID_DATA, std::string("outlook.db lacks its ") + name)
                : select->status();
        select->Reset();
        return failure;
    }
    std::string value = select->ColumnText(0);
    select->Reset();
    return value;
}

Result<std::u16string> MessageStore::CurrentUser() {
    JW_ASSIGN_OR_RETURN(auto name, Setting("current_user"));
    return unicode::ToUtf16(name);
}

Status MessageStore::SetCurrentUser(const std::u16string& name) {
    std::lock_guard connectionLock(m_connection->mutex());
    Status status;
    Statement* update = m_connection->Prepare(
        "INSERT OR REPLACE INTO settings(name, value) VALUES ('current_user', ?1)", &status);
    if (!update)
        return status;
    return update->Bind(1, unicode::ToUtf8(name)).Run();
}

Result<std::string> MessageStore::StoreId() {
    return Setting("store_id");
}

} // namespace outlook
