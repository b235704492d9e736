// A database handle: one open database, the sort order it was opened with
// and its own current record. Handles are independent of each other, within
// a process and across processes; each move is an indexed query on the store,
// so the handle sees the store as it is now.
//
// The current record is remembered by identifier and sort key. When the
// record goes away (deleted through this or any other handle), moves still
// go on from where it was; when it is rewritten with another key, the
// handle follows it to its new place.
//
// What a handle learns from the store (its sort order's place, the current
// record's key, the records just ahead when it walks forward, their
// properties, its index) it keeps only while the store's change stamp holds:
// any commit, by any process, makes it ask again.
#pragma once

#include "platform/base/handles.h"
#include "platform/ce/object_store.h"

#include <span>

namespace ce {

class DatabaseCursor : public platform::KernelObject {
public:
    // Opens the database `oid` (or, when oid is 0, the one named `name`),
    // ordered by the sort order whose property is `sortProperty` (0:
    // ascending object identifier).
    static platform::Result<std::shared_ptr<DatabaseCursor>> Open(StoreSession& store, CEOID oid,
                                                                  std::u16string_view name,
                                                                  CEPROPID sortProperty,
                                                                  DWORD flags);

    CEOID database() const { return m_database; }
    // A session on the store file the handle was opened on: it stays there
    // when the process turns to another handheld directory. The connection
    // it was opened with serves, looked up again only in a forked child,
    // which has its own.
    platform::Result<StoreSession> Session() const;
    void SetAutoSeekNext(bool on) { m_autoSeekNext = on; }

    // CeSeekDatabase. An index is counted through the sort index when it is
    // not known from the previous move (time linear in the index: SQLite
    // keeps no counts in its b-trees).
    platform::Result<CEOID> Seek(StoreSession& store, DWORD seekType, DWORD_PTR value,
                                 DWORD* index);
    // Reads the current record: its identifier, and its properties as
    // stored, checked whole, in `properties` (valid until the handle's next
    // call). With auto-seek-next on, a current record that has gone is
    // passed over, as the platform does.
    platform::Result<CEOID> Read(StoreSession& store, std::span<const StoredProperty>* properties);
    // After a read the caller completed: with auto-seek-next on, one record
    // on, or past the last one; otherwise nothing.
    platform::Status AfterRead(StoreSession& store);

private:
    enum class Where { Start, At, PastEnd };
    // A record in the handle's order with, when it came with them, its
    // properties. It points into what the handle keeps (its current record,
    // the records read ahead, the last query's row): valid until the next
    // query or move.
    struct Row {
        CEOID oid = 0;
        std::span<const BYTE> key;
        std::optional<std::span<const BYTE>> blob;
    };
    // A record read ahead: its key, then its properties, at `at` in m_aheadBytes.
    struct Ahead {
        CEOID oid = 0;
        std::size_t at = 0, keySize = 0, blobSize = 0;
    };
    using Found = std::optional<Row>;
    using Stamp = platform::sqlite::ChangeStamp;

    DatabaseCursor() = default;
    platform::Status Refresh(StoreSession& store, const Stamp& stamp);
    platform::Status UseSortOrder(const DatabaseRow& row);
    platform::Result<Found> Query(StoreSession& store, const std::string& sql,
                                  std::span<const BYTE> key, CEOID oid, std::int64_t skip);
    // The row a statement stands on, kept past the statement's reset.
    Row Keep(CEOID oid, std::span<const BYTE> key, std::optional<std::span<const BYTE>> blob);
    platform::Status FetchAhead(StoreSession& store);
    void ClearAhead();
    platform::Result<Found> StepForward(StoreSession& store, const Stamp& stamp);
    platform::Result<Found> MoveBy(StoreSession& store, const Stamp& stamp, LONG offset);
    platform::Result<Found> ValueSeek(StoreSession& store, const Stamp& stamp, DWORD seekType,
                                      const CEPROPVAL* value);
    platform::Result<Found> ScanForValue(StoreSession& store, const CEPROPVAL& value);
    platform::Result<DWORD> IndexOf(StoreSession& store, const Row& row);
    Row Current() const;
    // Makes `row` current, as seen at `stamp`, with its index when known.
    void Arrive(const Row& row, const Stamp& stamp, std::optional<DWORD> index);

    std::string m_storePath;
    std::shared_ptr<platform::sqlite::Connection> m_connection;
    int m_pid = 0; // the process m_connection belongs to
    CEOID m_database = 0;
    CEPROPID m_sortProperty = 0;
    int m_slot = -1; // the sort-key column, -1 for identifier order
    SORTORDERSPEC m_spec{};
    std::int64_t m_layout = 0;
    bool m_autoSeekNext = false;
    Where m_where = Where::Start;
    Position m_position;
    bool m_currentExists = false;

    // Valid while the store's stamp equals m_checked. The vectors keep their
    // storage from record to record, so that a walk allocates nothing per record.
    Stamp m_checked;
    bool m_haveBlob = false; // m_currentBlob holds the current record's properties
    std::vector<BYTE> m_currentBlob;
    std::vector<StoredProperty> m_properties; // the last read's, into m_currentBlob
    std::optional<DWORD> m_index;
    std::vector<BYTE> m_aheadBytes;
    std::vector<Ahead> m_ahead;
    std::size_t m_next = 0;   // the first of m_ahead not yet taken
    std::vector<BYTE> m_kept; // the last query's row
    std::int64_t m_batch = 1; // rows fetched by the next forward step; grows on a walk
};

} // namespace ce
