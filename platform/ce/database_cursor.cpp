#include "platform/ce/database_cursor.h"

#include "platform/ce/sort_key.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace ce {

using platform::Result;
using platform::Status;
using platform::sqlite::Statement;

namespace {

// The queries of one order. Each returns (oid, key) rows in the order's
// direction and is served by the index on (db, key, oid) or (db, oid): a move
// is an index search, never a scan. "After" and "before" split at the current
// record's key so that equal keys are walked by identifier without scanning them.
struct OrderQueries {
    std::string state, byOid, ahead, first, last, after, before, countBefore, equal, smaller,
        greater, scan;
};

OrderQueries MakeQueries(int slot) {
    OrderQueries q;
    // Single-record queries bring the record's properties along: the read
    // that usually follows a move then needs no query of its own.
    if (slot < 0) {
        q.state = "SELECT d.layout, NULL, r.oid IS NOT NULL FROM ce_databases d "
                  "LEFT JOIN ce_records r ON r.oid=:oid AND r.db=d.oid WHERE d.oid=:db";
        q.byOid = "SELECT oid, x'', props FROM ce_records WHERE oid=:oid AND db=:db";
        q.ahead = "SELECT oid, x'', props FROM ce_records WHERE db=:db AND oid>:oid ORDER BY oid "
                  "LIMIT :count";
        q.first = "SELECT oid, x'', props FROM ce_records WHERE db=:db ORDER BY oid "
                  "LIMIT 1 OFFSET :skip";
        q.last = "SELECT oid, x'', props FROM ce_records WHERE db=:db ORDER BY oid DESC "
                 "LIMIT 1 OFFSET :skip";
        q.after = "SELECT oid, x'', props FROM ce_records WHERE db=:db AND oid>:oid ORDER BY oid "
                  "LIMIT 1 OFFSET :skip";
        q.before = "SELECT oid, x'', props FROM ce_records WHERE db=:db AND oid<:oid "
                   "ORDER BY oid DESC LIMIT 1 OFFSET :skip";
        q.countBefore = "SELECT count(*) FROM ce_records WHERE db=:db AND oid<:oid";
        q.scan = "SELECT oid, x'', props FROM ce_records WHERE db=:db ORDER BY oid";
        return q;
    }
    const std::string k = KeyColumn(slot);
    const std::string columns = "oid, " + k + ", props";
    q.state = "SELECT d.layout, r." + k +
              ", r.oid IS NOT NULL FROM ce_databases d "
              "LEFT JOIN ce_records r ON r.oid=:oid AND r.db=d.oid WHERE d.oid=:db";
    q.byOid = "SELECT " + columns + " FROM ce_records WHERE oid=:oid AND db=:db";
    q.ahead = "SELECT " + columns + " FROM ce_records WHERE db=:db AND " + k +
              "=:key AND oid>:oid UNION ALL SELECT " + columns +
              " FROM ce_records WHERE db=:db AND " + k + ">:key ORDER BY 2, 1 LIMIT :count";
    q.first = "SELECT " + columns + " FROM ce_records WHERE db=:db ORDER BY " + k +
              ", oid LIMIT 1 OFFSET :skip";
    q.last = "SELECT " + columns + " FROM ce_records WHERE db=:db ORDER BY " + k +
             " DESC, oid DESC LIMIT 1 OFFSET :skip";
    q.after = "SELECT " + columns + " FROM ce_records WHERE db=:db AND " + k +
              "=:key AND oid>:oid UNION ALL SELECT " + columns +
              " FROM ce_records WHERE db=:db AND " + k + ">:key ORDER BY 2, 1 LIMIT 1 OFFSET :skip";
    q.before = "SELECT " + columns + " FROM ce_records WHERE db=:db AND " + k +
               "=:key AND oid<:oid UNION ALL SELECT " + columns +
               " FROM ce_records WHERE db=:db AND " + k +
               "<:key ORDER BY 2 DESC, 1 DESC LIMIT 1 OFFSET :skip";
    q.countBefore = "SELECT (SELECT count(*) FROM ce_records WHERE db=:db AND " + k +
                    "=:key AND oid<:oid) + (SELECT count(*) FROM ce_records WHERE db=:db AND " + k +
                    "<:key)";
    q.equal = "SELECT " + columns + " FROM ce_records WHERE db=:db AND " + k +
              "=:key ORDER BY oid LIMIT 1";
    // Records without the property take no part in value seeks.
    q.smaller = "SELECT " + columns + " FROM ce_records WHERE db=:db AND " + k + "<:key AND " + k +
                ">=x'01' ORDER BY " + k + " DESC, oid DESC LIMIT 1";
    q.greater = "SELECT " + columns + " FROM ce_records WHERE db=:db AND " + k + ">:key AND " + k +
                "<x'02' ORDER BY " + k + ", oid LIMIT 1";
    q.scan = "SELECT " + columns + " FROM ce_records WHERE db=:db ORDER BY " + k + ", oid";
    return q;
}

const OrderQueries& Queries(int slot) {
    static const std::array<OrderQueries, 5> all = {MakeQueries(-1), MakeQueries(0), MakeQueries(1),
                                                    MakeQueries(2), MakeQueries(3)};
    return all[static_cast<std::size_t>(slot + 1)];
}

Status NoRecord(const char* what) {
    return Status::Failure(ERROR_NO_MORE_ITEMS, what);
}

} // namespace

Result<std::shared_ptr<DatabaseCursor>> DatabaseCursor::Open(StoreSession& store, CEOID oid,
                                                             std::u16string_view name,
                                                             CEPROPID sortProperty, DWORD flags) {
    JW_ASSIGN_OR_RETURN(auto row, oid != 0 ? store.database(oid) : store.DatabaseByName(name));
    std::shared_ptr<DatabaseCursor> cursor(new DatabaseCursor);
    cursor->m_storePath = store.path();
    cursor->m_connection = store.shared();
    cursor->m_pid = platform::sqlite::CurrentProcessId();
    cursor->m_database = row.oid;
    cursor->m_sortProperty = sortProperty;
    cursor->m_autoSeekNext = (flags & CEDB_AUTOINCREMENT) != 0;
    JW_RETURN_IF_FAILED(cursor->UseSortOrder(row));
    return cursor;
}

Result<StoreSession> DatabaseCursor::Session() const {
    if (m_pid == platform::sqlite::CurrentProcessId())
        return StoreSession::On(m_connection);
    return StoreSession::Open(m_storePath);
}

Status DatabaseCursor::UseSortOrder(const DatabaseRow& row) {
    m_layout = row.layout;
    if (m_sortProperty == 0) {
        m_slot = -1;
        return Status();
    }
    for (std::size_t i = 0; i < row.sorts.size(); ++i) {
        if (row.sorts[i].propid == m_sortProperty) {
            m_slot = static_cast<int>(i);
            m_spec = row.sorts[i];
            return Status();
        }
    }
    return Status::Failure(ERROR_INVALID_PARAMETER, "the database has no sort order on property " +
                                                        std::to_string(PropNumber(m_sortProperty)));
}

// Brings the handle up to date with the store when it may have changed: the
// database still exists, its sort orders are those the handle knows, and the
// current record's key is its key now.
Status DatabaseCursor::Refresh(StoreSession& store, const Stamp& stamp) {
    if (stamp == m_checked)
        return Status();
    m_haveBlob = false;
    m_index.reset();
    ClearAhead();
    bool relaid = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        JW_ASSIGN_OR_RETURN(auto s, store.Prepare(Queries(m_slot).state));
        Statement* state = s;
        state->Bind(":db", static_cast<std::int64_t>(m_database))
            .Bind(":oid", m_where == Where::Start ? 0 : static_cast<std::int64_t>(m_position.oid));
        auto step = state->Step();
        if (step == Statement::StepResult::Error)
            return state->status();
        if (step == Statement::StepResult::Done)
            return Status::Failure(ERROR_INVALID_HANDLE, "the database was deleted");
        const std::int64_t layout = state->ColumnInt64(0);
        if (layout == m_layout) {
            m_currentExists = state->ColumnInt64(2) != 0;
            if (m_currentExists && m_slot >= 0) {
                auto key = state->ColumnBlob(1);
                m_position.key.assign(key.begin(), key.end());
            }
            // A record that went while the order changed leaves no place
            // in the new order to move on from.
            if (relaid && m_where == Where::At && !m_currentExists)
                m_where = Where::Start;
            state->Reset();
            m_checked = stamp;
            return Status();
        }
        state->Reset();
        // The sort orders changed under the handle: find its order again.
        JW_ASSIGN_OR_RETURN(auto row, store.database(m_database));
        JW_RETURN_IF_FAILED(UseSortOrder(row));
        relaid = true;
    }
    return Status::Failure(ERROR_INVALID_HANDLE, "the database keeps changing its sort orders");
}

DatabaseCursor::Row DatabaseCursor::Keep(CEOID oid, std::span<const BYTE> key,
                                         std::optional<std::span<const BYTE>> blob) {
    m_kept.assign(key.begin(), key.end());
    if (blob)
        m_kept.insert(m_kept.end(), blob->begin(), blob->end());
    const std::span<const BYTE> kept(m_kept);
    Row row{oid, kept.first(key.size()), std::nullopt};
    if (blob)
        row.blob = kept.subspan(key.size());
    return row;
}

Result<DatabaseCursor::Found> DatabaseCursor::Query(StoreSession& store, const std::string& sql,
                                                    std::span<const BYTE> key, CEOID oid,
                                                    std::int64_t skip) {
    JW_ASSIGN_OR_RETURN(auto s, store.Prepare(sql));
    Statement* q = s;
    platform::sqlite::ResetWhenDone done(q);
    q->Bind(":db", static_cast<std::int64_t>(m_database))
        .Bind(":oid", static_cast<std::int64_t>(oid))
        .Bind(":skip", skip)
        .BindBlob(":key", key);
    auto step = q->Step();
    if (step == Statement::StepResult::Error)
        return q->status();
    if (step != Statement::StepResult::Row)
        return Found();
    return Found(Keep(static_cast<CEOID>(q->ColumnInt64(0)), q->ColumnBlob(1), q->ColumnBlob(2)));
}

void DatabaseCursor::ClearAhead() {
    m_ahead.clear();
    m_aheadBytes.clear();
    m_next = 0;
}

// Fetches the records after the current one, with their properties, into
// the read-ahead; the batch grows as a walk goes on.
Status DatabaseCursor::FetchAhead(StoreSession& store) {
    ClearAhead();
    JW_ASSIGN_OR_RETURN(auto s, store.Prepare(Queries(m_slot).ahead));
    Statement* q = s;
    platform::sqlite::ResetWhenDone done(q);
    q->Bind(":db", static_cast<std::int64_t>(m_database))
        .Bind(":oid", static_cast<std::int64_t>(m_position.oid))
        .BindBlob(":key", m_position.key)
        .Bind(":count", m_batch);
    Statement::StepResult step;
    while ((step = q->Step()) == Statement::StepResult::Row) {
        const auto key = q->ColumnBlob(1);
        const auto blob = q->ColumnBlob(2);
        m_ahead.push_back(Ahead{static_cast<CEOID>(q->ColumnInt64(0)), m_aheadBytes.size(),
                                key.size(), blob.size()});
        m_aheadBytes.insert(m_aheadBytes.end(), key.begin(), key.end());
        m_aheadBytes.insert(m_aheadBytes.end(), blob.begin(), blob.end());
    }
    if (step == Statement::StepResult::Error) {
        ClearAhead();
        return q->status();
    }
    constexpr std::int64_t kLargestBatch = 64;
    m_batch = std::min(m_batch * 2, kLargestBatch);
    return Status();
}

// One record on from the current one: from the read-ahead while the store
// stays unchanged.
Result<DatabaseCursor::Found> DatabaseCursor::StepForward(StoreSession& store, const Stamp& stamp) {
    if (m_where != Where::At)
        return MoveBy(store, stamp, 1);
    if (m_next == m_ahead.size())
        JW_RETURN_IF_FAILED(FetchAhead(store));
    if (m_next == m_ahead.size())
        return Found();
    const Ahead& next = m_ahead[m_next++];
    const std::span<const BYTE> bytes(m_aheadBytes);
    return Found(Row{next.oid, bytes.subspan(next.at, next.keySize),
                     bytes.subspan(next.at + next.keySize, next.blobSize)});
}

DatabaseCursor::Row DatabaseCursor::Current() const {
    Row row{m_position.oid, m_position.key, std::nullopt};
    if (m_haveBlob)
        row.blob = std::span<const BYTE>(m_currentBlob);
    return row;
}

Result<DatabaseCursor::Found> DatabaseCursor::MoveBy(StoreSession& store, const Stamp& stamp,
                                                     LONG offset) {
    const auto& q = Queries(m_slot);
    const std::int64_t distance = std::llabs(static_cast<long long>(offset));
    switch (m_where) {
    case Where::Start:
        // The cursor stands on the first record.
        if (offset < 0)
            return Found();
        return Query(store, q.first, {}, 0, distance);
    case Where::PastEnd:
        if (offset >= 0)
            return Found();
        return Query(store, q.last, {}, 0, distance - 1);
    case Where::At:
        if (offset == 0)
            return m_currentExists ? Found(Current()) : Found();
        if (offset == 1)
            return StepForward(store, stamp);
        return Query(store, offset > 0 ? q.after : q.before, m_position.key, m_position.oid,
                     distance - 1);
    }
    return Found();
}

Result<DatabaseCursor::Found> DatabaseCursor::ValueSeek(StoreSession& store, const Stamp& stamp,
                                                        DWORD seekType, const CEPROPVAL* value) {
    if (!value)
        return Status::Failure(ERROR_INVALID_PARAMETER, "value seek without a value");
    const bool onSortProperty =
        m_slot >= 0 && PropNumber(value->propid) == PropNumber(m_sortProperty);
    if (!onSortProperty) {
        // The platform seeks by value only on the handle's sort property; for
        // the first-equal seek a walk in the handle's order stands in (linear
        // time), so that a handle opened without a sort order can find a record.
        if (seekType == CEDB_SEEK_VALUEFIRSTEQUAL)
            return ScanForValue(store, *value);
        return Status::Failure(ERROR_INVALID_PARAMETER,
                               "value seeks need the handle's sort property");
    }
    JW_ASSIGN_OR_RETURN(auto property, PropertyFromValue(*value));
    JW_ASSIGN_OR_RETURN(auto key, SortKeyOfValue(property, m_spec));
    const auto& q = Queries(m_slot);
    switch (seekType) {
    case CEDB_SEEK_VALUEFIRSTEQUAL:
        return Query(store, q.equal, key, 0, 0);
    case CEDB_SEEK_VALUESMALLER:
        return Query(store, q.smaller, key, 0, 0);
    case CEDB_SEEK_VALUEGREATER:
        return Query(store, q.greater, key, 0, 0);
    default: { // CEDB_SEEK_VALUENEXTEQUAL: the next record, if it has the value
        const bool fromAhead = m_where == Where::At;
        JW_ASSIGN_OR_RETURN(auto next, MoveBy(store, stamp, 1));
        if (!next || std::ranges::equal(next->key, key))
            return next;
        if (fromAhead)
            --m_next; // not taken: still ahead
        return Found();
    }
    }
}

Result<DatabaseCursor::Found> DatabaseCursor::ScanForValue(StoreSession& store,
                                                           const CEPROPVAL& value) {
    JW_ASSIGN_OR_RETURN(auto wanted, PropertyFromValue(value));
    JW_ASSIGN_OR_RETURN(auto s, store.Prepare(Queries(m_slot).scan));
    Statement* scan = s;
    platform::sqlite::ResetWhenDone done(scan);
    scan->Bind(":db", static_cast<std::int64_t>(m_database));
    Statement::StepResult step;
    while ((step = scan->Step()) == Statement::StepResult::Row) {
        auto properties = DecodeProperties(scan->ColumnBlob(2));
        if (!properties.ok())
            continue; // a damaged record holds no value to match
        const Property* property = FindProperty(properties.value(), wanted.number());
        if (property && *property == wanted)
            return Found(
                Keep(static_cast<CEOID>(scan->ColumnInt64(0)), scan->ColumnBlob(1), std::nullopt));
    }
    if (step == Statement::StepResult::Error)
        return scan->status();
    return Found();
}

Result<DWORD> DatabaseCursor::IndexOf(StoreSession& store, const Row& row) {
    JW_ASSIGN_OR_RETURN(auto s, store.Prepare(Queries(m_slot).countBefore));
    Statement* count = s;
    platform::sqlite::ResetWhenDone done(count);
    count->Bind(":db", static_cast<std::int64_t>(m_database))
        .Bind(":oid", static_cast<std::int64_t>(row.oid))
        .BindBlob(":key", row.key);
    if (count->Step() != Statement::StepResult::Row)
        return count->status().ok() ? Status::Failure(ERROR_READ_FAULT, "no count")
                                    : count->status();
    return static_cast<DWORD>(count->ColumnInt64(0));
}

void DatabaseCursor::Arrive(const Row& row, const Stamp& stamp, std::optional<DWORD> index) {
    if (m_where != Where::At || row.oid != m_position.oid)
        m_haveBlob = false;
    // The row may be the current record itself: nothing to copy then.
    if (row.blob && row.blob->data() != m_currentBlob.data())
        m_currentBlob.assign(row.blob->begin(), row.blob->end());
    if (row.blob)
        m_haveBlob = true;
    if (row.key.data() != m_position.key.data())
        m_position.key.assign(row.key.begin(), row.key.end());
    m_where = Where::At;
    m_position.oid = row.oid;
    m_currentExists = true;
    m_index = index;
    m_checked = stamp;
}

Result<CEOID> DatabaseCursor::Seek(StoreSession& store, DWORD seekType, DWORD_PTR value,
                                   DWORD* index) {
    JW_ASSIGN_OR_RETURN(auto stamp, store.connection().ReadChangeStamp());
    JW_RETURN_IF_FAILED(Refresh(store, stamp));
    const auto& q = Queries(m_slot);
    const auto offset = static_cast<LONG>(value);
    // The index of the record reached, when it follows from what is known.
    std::optional<DWORD> knownIndex;
    Result<Found> found = Found();
    switch (seekType) {
    case CEDB_SEEK_CEOID:
        // The record the handle stands on, read while the store held still,
        // needs no query: a reader seeks to it again before each read.
        if (m_where == Where::At && m_currentExists && m_haveBlob &&
            m_position.oid == static_cast<CEOID>(value)) {
            found = Found(Current());
            knownIndex = m_index;
        } else {
            found = Query(store, q.byOid, {}, static_cast<CEOID>(value), 0);
        }
        break;
    case CEDB_SEEK_BEGINNING:
        found = Query(store, q.first, {}, 0, static_cast<std::int64_t>(value));
        knownIndex = static_cast<DWORD>(value);
        break;
    case CEDB_SEEK_END:
        // Counted back from the last record; either sign of the count is taken.
        found = Query(store, q.last, {}, 0, std::llabs(static_cast<long long>(offset)));
        break;
    case CEDB_SEEK_CURRENT:
        found = MoveBy(store, stamp, offset);
        if (m_where == Where::Start && offset >= 0)
            knownIndex = static_cast<DWORD>(offset);
        else if (m_where == Where::At && m_index && m_currentExists)
            knownIndex = static_cast<DWORD>(static_cast<LONG>(*m_index) + offset);
        break;
    case CEDB_SEEK_VALUEFIRSTEQUAL:
    case CEDB_SEEK_VALUESMALLER:
    case CEDB_SEEK_VALUEGREATER:
    case CEDB_SEEK_VALUENEXTEQUAL:
        found = ValueSeek(store, stamp, seekType, reinterpret_cast<const CEPROPVAL*>(value));
        break;
    default:
        return Status::Failure(ERROR_INVALID_PARAMETER,
                               "unknown seek type " + std::to_string(seekType));
    }
    if (!found.ok())
        return found.status();
    // A failed move leaves the position where it was, as the platform does.
    if (!found.value())
        return NoRecord("no record there");
    const Row& row = *found.value();
    if (index && !knownIndex) {
        JW_ASSIGN_OR_RETURN(auto counted, IndexOf(store, row));
        knownIndex = counted;
    }
    if (index)
        *index = *knownIndex;
    const bool stepped = seekType == CEDB_SEEK_CURRENT && offset == 1 && m_where == Where::At;
    Arrive(row, stamp, knownIndex);
    // The records read ahead are those after the old place, and a walk
    // starts again with a small batch.
    if (!stepped) {
        ClearAhead();
        m_batch = 1;
    }
    return m_position.oid;
}

Result<CEOID> DatabaseCursor::Read(StoreSession& store,
                                   std::span<const StoredProperty>* properties) {
    JW_ASSIGN_OR_RETURN(auto stamp, store.connection().ReadChangeStamp());
    JW_RETURN_IF_FAILED(Refresh(store, stamp));
    if (m_where == Where::PastEnd)
        return NoRecord("the handle is past its last record");
    if (m_where == Where::Start || (m_autoSeekNext && !m_currentExists)) {
        // The first record, or with auto-seek-next the one after a record
        // that has gone.
        JW_ASSIGN_OR_RETURN(auto&& found, MoveBy(store, stamp, m_where == Where::Start ? 0 : 1));
        if (!found) {
            if (m_where == Where::At)
                m_where = Where::PastEnd;
            return NoRecord("no record to read");
        }
        Arrive(*found, stamp, m_where == Where::Start ? std::optional<DWORD>(0) : std::nullopt);
    }
    const CEOID current = m_position.oid;
    if (!m_currentExists)
        return Status::Failure(ERROR_KEY_DELETED, "record " + std::to_string(current) + " is gone");
    if (!m_haveBlob) {
        JW_ASSIGN_OR_RETURN(auto&& found, Query(store, Queries(m_slot).byOid, {}, current, 0));
        if (!found || !found->blob)
            return Status::Failure(ERROR_KEY_DELETED,
                                   "record " + std::to_string(current) + " is gone");
        m_currentBlob.assign(found->blob->begin(), found->blob->end());
        m_haveBlob = true;
    }
    Status parsed = ParseProperties(m_currentBlob, &m_properties);
    if (!parsed.ok())
        return Status::Failure(parsed.code(),
                               "record " + std::to_string(current) + ": " + parsed.message());
    *properties = m_properties;
    return current;
}

Status DatabaseCursor::AfterRead(StoreSession& store) {
    if (!m_autoSeekNext)
        return Status();
    // The move belongs to the read's call: the store as the read saw it. A
    // commit since then shows at the next call, which finds the stamp changed.
    const Stamp stamp = m_checked;
    JW_ASSIGN_OR_RETURN(auto&& next, StepForward(store, stamp));
    if (next) {
        const std::optional<DWORD> nextIndex =
            m_index ? std::optional<DWORD>(*m_index + 1) : std::nullopt;
        Arrive(*next, stamp, nextIndex);
    } else {
        m_where = Where::PastEnd;
        ClearAhead();
    }
    return Status();
}

} // namespace ce
