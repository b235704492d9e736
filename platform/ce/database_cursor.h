// A database handle: one open database, the sort order it was opened with
// and its own current record. Handles are independent of each other, within
// a process and across processes; each move is a few indexed queries on the
// store, so the handle always sees the store as it is now.
//
// The current record is remembered by identifier and sort key. When the
// record goes away (deleted through this or any other handle), moves still
// go on from where it was; when it is rewritten with another key, the
// handle follows it to its new place.
#pragma once

#include "platform/base/handles.h"
#include "platform/ce/object_store.h"

namespace ce {

class DatabaseCursor : public platform::KernelObject {
public:
    // Opens the database `oid` (or, when oid is 0, the one named `name`),
    // ordered by the sort order whose property is `sortProperty` (0:
    // ascending object identifier).
    static platform::Result<std::shared_ptr<DatabaseCursor>> open(StoreSession& store, CEOID oid,
                                                                  std::u16string_view name,
                                                                  CEPROPID sortProperty,
                                                                  DWORD flags);

    CEOID database() const { return m_database; }
    void setAutoSeekNext(bool on) { m_autoSeekNext = on; }

    // CeSeekDatabase. The index, when asked for, is counted through the sort
    // index (time linear in the index, as SQLite keeps no counts in b-trees).
    platform::Result<CEOID> seek(StoreSession& store, DWORD seekType, DWORD_PTR value,
                                 DWORD* index);
    // The record a read takes: the current one. With auto-seek-next on, a
    // current record that has gone is passed over, as the platform does.
    platform::Result<CEOID> recordToRead(StoreSession& store);
    // After a successful read: with auto-seek-next on, one record on, or past
    // the last one; otherwise nothing.
    platform::Status afterRead(StoreSession& store);

private:
    enum class Where { Start, At, PastEnd };
    // One row of an order query, or none.
    using Found = std::optional<Position>;

    DatabaseCursor() = default;
    platform::Status refresh(StoreSession& store);
    platform::Status useSortOrder(const DatabaseRow& row);
    platform::Result<Found> query(StoreSession& store, const std::string& sql,
                                  const std::vector<BYTE>& key, CEOID oid, std::int64_t skip);
    platform::Result<Found> moveBy(StoreSession& store, LONG offset);
    platform::Result<Found> valueSeek(StoreSession& store, DWORD seekType, const CEPROPVAL* value);
    platform::Result<Found> scanForValue(StoreSession& store, const CEPROPVAL& value);
    platform::Result<DWORD> indexOf(StoreSession& store, const Position& position);

    CEOID m_database = 0;
    CEPROPID m_sortProperty = 0;
    int m_slot = -1; // the sort-key column, -1 for identifier order
    SORTORDERSPEC m_spec{};
    std::int64_t m_layout = 0;
    bool m_autoSeekNext = false;
    Where m_where = Where::Start;
    Position m_position;
    bool m_currentExists = false; // as of the last refresh
};

} // namespace ce
