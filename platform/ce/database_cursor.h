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

#include <deque>
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
    // The store file the handle was opened on: it stays there when the
    // process turns to another handheld directory.
    const std::string& storePath() const { return m_storePath; }
    void SetAutoSeekNext(bool on) { m_autoSeekNext = on; }

    // CeSeekDatabase. An index is counted through the sort index when it is
    // not known from the previous move (time linear in the index: SQLite
    // keeps no counts in its b-trees).
    platform::Result<CEOID> Seek(StoreSession& store, DWORD seekType, DWORD_PTR value,
                                 DWORD* index);
    // Reads the current record's properties (with `wanted`, those of the
    // numbers it names at least). With auto-seek-next on, a current record
    // that has gone is passed over, as the platform does.
    platform::Result<PropertyList> Read(StoreSession& store, CEOID* oid,
                                        std::span<const CEPROPID> wanted = {});
    // After a read the caller completed: with auto-seek-next on, one record
    // on, or past the last one; otherwise nothing.
    platform::Status AfterRead(StoreSession& store);

private:
    enum class Where { Start, At, PastEnd };
    // A record in the handle's order with, when it came with them, its properties.
    struct Row {
        Position position;
        std::optional<std::vector<BYTE>> blob;
    };
    using Found = std::optional<Row>;
    using Stamp = platform::sqlite::ChangeStamp;

    DatabaseCursor() = default;
    platform::Status Refresh(StoreSession& store, const Stamp& stamp);
    platform::Status UseSortOrder(const DatabaseRow& row);
    platform::Result<Found> Query(StoreSession& store, const std::string& sql,
                                  const std::vector<BYTE>& key, CEOID oid, std::int64_t skip);
    platform::Result<Found> StepForward(StoreSession& store, const Stamp& stamp);
    platform::Result<Found> MoveBy(StoreSession& store, const Stamp& stamp, LONG offset);
    platform::Result<Found> ValueSeek(StoreSession& store, const Stamp& stamp, DWORD seekType,
                                      const CEPROPVAL* value);
    platform::Result<Found> ScanForValue(StoreSession& store, const CEPROPVAL& value);
    platform::Result<DWORD> IndexOf(StoreSession& store, const Position& position);
    // Makes `row` current, as seen at `stamp`, with its index when known.
    void Arrive(Row row, const Stamp& stamp, std::optional<DWORD> index);

    std::string m_storePath;
    CEOID m_database = 0;
    CEPROPID m_sortProperty = 0;
    int m_slot = -1; // the sort-key column, -1 for identifier order
    SORTORDERSPEC m_spec{};
    std::int64_t m_layout = 0;
    bool m_autoSeekNext = false;
    Where m_where = Where::Start;
    Position m_position;
    bool m_currentExists = false;

    // Valid while the store's stamp equals m_checked.
    Stamp m_checked;
    std::optional<std::vector<BYTE>> m_currentBlob;
    std::optional<DWORD> m_index;
    std::deque<Row> m_ahead;
    std::int64_t m_batch = 1; // rows fetched by the next forward step; grows on a walk
};

} // namespace ce
