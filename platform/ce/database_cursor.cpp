#include "platform/ce/database_cursor.h"

#include "platform/ce/sort_key.h"

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
    std::string state, byOid, first, last, after, before, countBefore, equal, smaller, greater,
        scan;
};

OrderQueries MakeQueries(int slot) {
    OrderQueries q;
    if (slot < 0) {
        q.state = "SELECT d.layout, NULL, r.oid IS NOT NULL FROM ce_databases d "
                  "LEFT JOIN ce_records r ON r.oid=:oid AND r.db=d.oid WHERE d.oid=:db";
        q.byOid = "SELECT oid, x'' FROM ce_records WHERE oid=:oid AND db=:db";
        q.first = "SELECT oid, x'' FROM ce_records WHERE db=:db ORDER BY oid LIMIT 1 OFFSET :skip";
        q.last = "SELECT oid, x'' FROM ce_records WHERE db=:db ORDER BY oid DESC LIMIT 1 "
                 "OFFSET :skip";
        q.after = "SELECT oid, x'' FROM ce_records WHERE db=:db AND oid>:oid ORDER BY oid "
                  "LIMIT 1 OFFSET :skip";
        q.before = "SELECT oid, x'' FROM ce_records WHERE db=:db AND oid<:oid ORDER BY oid DESC "
                   "LIMIT 1 OFFSET :skip";
        q.countBefore = "SELECT count(*) FROM ce_records WHERE db=:db AND oid<:oid";
        q.scan = "SELECT oid, x'', props FROM ce_records WHERE db=:db ORDER BY oid";
        return q;
    }
    const std::string k = KeyColumn(slot);
    q.state = "SELECT d.layout, r." + k +
              ", r.oid IS NOT NULL FROM ce_databases d "
              "LEFT JOIN ce_records r ON r.oid=:oid AND r.db=d.oid WHERE d.oid=:db";
    q.byOid = "SELECT oid, " + k + " FROM ce_records WHERE oid=:oid AND db=:db";
    q.first = "SELECT oid, " + k + " FROM ce_records WHERE db=:db ORDER BY " + k +
              ", oid LIMIT 1 OFFSET :skip";
    q.last = "SELECT oid, " + k + " FROM ce_records WHERE db=:db ORDER BY " + k +
             " DESC, oid DESC LIMIT 1 OFFSET :skip";
    q.after = "SELECT oid, " + k + " FROM ce_records WHERE db=:db AND " + k +
              "=:key AND oid>:oid UNION ALL SELECT oid, " + k +
              " FROM ce_records WHERE db=:db AND " + k + ">:key ORDER BY 2, 1 LIMIT 1 OFFSET :skip";
    q.before = "SELECT oid, " + k + " FROM ce_records WHERE db=:db AND " + k +
               "=:key AND oid<:oid UNION ALL SELECT oid, " + k +
               " FROM ce_records WHERE db=:db AND " + k +
               "<:key ORDER BY 2 DESC, 1 DESC LIMIT 1 OFFSET :skip";
    q.countBefore = "SELECT (SELECT count(*) FROM ce_records WHERE db=:db AND " + k +
                    "=:key AND oid<:oid) + (SELECT count(*) FROM ce_records WHERE db=:db AND " + k +
                    "<:key)";
    q.equal = "SELECT oid, " + k + " FROM ce_records WHERE db=:db AND " + k +
              "=:key ORDER BY oid LIMIT 1";
    // Records without the property take no part in value seeks.
    q.smaller = "SELECT oid, " + k + " FROM ce_records WHERE db=:db AND " + k + "<:key AND " + k +
                ">=x'01' ORDER BY " + k + " DESC, oid DESC LIMIT 1";
    q.greater = "SELECT oid, " + k + " FROM ce_records WHERE db=:db AND " + k + ">:key AND " + k +
                "<x'02' ORDER BY " + k + ", oid LIMIT 1";
    q.scan = "SELECT oid, " + k + ", props FROM ce_records WHERE db=:db ORDER BY " + k + ", oid";
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

Result<std::shared_ptr<DatabaseCursor>> DatabaseCursor::open(StoreSession& store, CEOID oid,
                                                             std::u16string_view name,
                                                             CEPROPID sortProperty, DWORD flags) {
    auto row = oid != 0 ? store.database(oid) : store.databaseByName(name);
    if (!row.ok())
        return row.status();
    std::shared_ptr<DatabaseCursor> cursor(new DatabaseCursor);
    cursor->m_database = row->oid;
    cursor->m_sortProperty = sortProperty;
    cursor->m_autoSeekNext = (flags & CEDB_AUTOINCREMENT) != 0;
    Status status = cursor->useSortOrder(row.value());
    if (!status.ok())
        return status;
    return cursor;
}

Status DatabaseCursor::useSortOrder(const DatabaseRow& row) {
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

// Brings the handle up to date with the store: the database still exists,
// its sort orders are those the handle knows, and the current record's key
// is its key now.
Status DatabaseCursor::refresh(StoreSession& store) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto s = store.prepare(Queries(m_slot).state);
        if (!s.ok())
            return s.status();
        Statement* state = s.value();
        state->bind(":db", static_cast<std::int64_t>(m_database))
            .bind(":oid", m_where == Where::Start ? 0 : static_cast<std::int64_t>(m_position.oid));
        auto step = state->step();
        if (step == Statement::Step::Error)
            return state->status();
        if (step == Statement::Step::Done)
            return Status::Failure(ERROR_INVALID_HANDLE, "the database was deleted");
        const std::int64_t layout = state->columnInt64(0);
        if (layout == m_layout) {
            m_currentExists = state->columnInt64(2) != 0;
            if (m_currentExists && m_slot >= 0) {
                auto key = state->columnBlob(1);
                m_position.key.assign(key.begin(), key.end());
            }
            state->reset();
            return Status();
        }
        state->reset();
        // The sort orders changed under the handle: find its order again.
        auto row = store.database(m_database);
        if (!row.ok())
            return row.status();
        Status status = useSortOrder(row.value());
        if (!status.ok())
            return status;
        m_where = m_where == Where::At ? Where::At : Where::Start;
    }
    return Status::Failure(ERROR_INVALID_HANDLE, "the database keeps changing its sort orders");
}

Result<DatabaseCursor::Found> DatabaseCursor::query(StoreSession& store, const std::string& sql,
                                                    const std::vector<BYTE>& key, CEOID oid,
                                                    std::int64_t skip) {
    auto s = store.prepare(sql);
    if (!s.ok())
        return s.status();
    Statement* q = s.value();
    q->bind(":db", static_cast<std::int64_t>(m_database))
        .bind(":oid", static_cast<std::int64_t>(oid))
        .bind(":skip", skip)
        .bindBlob(":key", key);
    auto step = q->step();
    if (step == Statement::Step::Error)
        return q->status();
    Found found;
    if (step == Statement::Step::Row) {
        auto foundKey = q->columnBlob(1);
        found = Position{static_cast<CEOID>(q->columnInt64(0)), {foundKey.begin(), foundKey.end()}};
    }
    q->reset();
    return found;
}

Result<DatabaseCursor::Found> DatabaseCursor::moveBy(StoreSession& store, LONG offset) {
    const auto& q = Queries(m_slot);
    const std::int64_t distance = std::llabs(static_cast<long long>(offset));
    switch (m_where) {
    case Where::Start:
        // The cursor stands on the first record.
        if (offset < 0)
            return Found();
        return query(store, q.first, {}, 0, distance);
    case Where::PastEnd:
        if (offset >= 0)
            return Found();
        return query(store, q.last, {}, 0, distance - 1);
    case Where::At:
        if (offset == 0) {
            if (!m_currentExists)
                return Found();
            return Found(m_position);
        }
        return query(store, offset > 0 ? q.after : q.before, m_position.key, m_position.oid,
                     distance - 1);
    }
    return Found();
}

Result<DatabaseCursor::Found> DatabaseCursor::valueSeek(StoreSession& store, DWORD seekType,
                                                        const CEPROPVAL* value) {
    if (!value)
        return Status::Failure(ERROR_INVALID_PARAMETER, "value seek without a value");
    const bool onSortProperty =
        m_slot >= 0 && PropNumber(value->propid) == PropNumber(m_sortProperty);
    if (!onSortProperty) {
        // The platform seeks by value only on the handle's sort property; for
        // the first-equal seek a walk in the handle's order stands in (linear
        // time), so that a handle opened without a sort order can find a record.
        if (seekType == CEDB_SEEK_VALUEFIRSTEQUAL)
            return scanForValue(store, *value);
        return Status::Failure(ERROR_INVALID_PARAMETER,
                               "value seeks need the handle's sort property");
    }
    auto property = PropertyFromValue(*value);
    if (!property.ok())
        return property.status();
    auto key = SortKeyOfValue(property.value(), m_spec);
    if (!key.ok())
        return key.status();
    const auto& q = Queries(m_slot);
    switch (seekType) {
    case CEDB_SEEK_VALUEFIRSTEQUAL:
        return query(store, q.equal, key.value(), 0, 0);
    case CEDB_SEEK_VALUESMALLER:
        return query(store, q.smaller, key.value(), 0, 0);
    case CEDB_SEEK_VALUEGREATER:
        return query(store, q.greater, key.value(), 0, 0);
    default: { // CEDB_SEEK_VALUENEXTEQUAL: the next record, if it has the value
        auto next = moveBy(store, 1);
        if (!next.ok() || !next.value() || next.value()->key == key.value())
            return next;
        return Found();
    }
    }
}

Result<DatabaseCursor::Found> DatabaseCursor::scanForValue(StoreSession& store,
                                                           const CEPROPVAL& value) {
    auto wanted = PropertyFromValue(value);
    if (!wanted.ok())
        return wanted.status();
    auto s = store.prepare(Queries(m_slot).scan);
    if (!s.ok())
        return s.status();
    Statement* scan = s.value();
    scan->bind(":db", static_cast<std::int64_t>(m_database));
    Found found;
    Statement::Step step;
    while (!found && (step = scan->step()) == Statement::Step::Row) {
        auto properties = DecodeProperties(scan->columnBlob(2));
        if (!properties.ok())
            continue; // a damaged record holds no value to match
        const Property* property = FindProperty(properties.value(), wanted->number());
        if (property && *property == wanted.value()) {
            auto key = scan->columnBlob(1);
            found = Position{static_cast<CEOID>(scan->columnInt64(0)), {key.begin(), key.end()}};
        }
    }
    if (!found && step == Statement::Step::Error)
        return scan->status();
    scan->reset();
    return found;
}

Result<DWORD> DatabaseCursor::indexOf(StoreSession& store, const Position& position) {
    auto s = store.prepare(Queries(m_slot).countBefore);
    if (!s.ok())
        return s.status();
    Statement* count = s.value();
    count->bind(":db", static_cast<std::int64_t>(m_database))
        .bind(":oid", static_cast<std::int64_t>(position.oid))
        .bindBlob(":key", position.key);
    if (count->step() != Statement::Step::Row)
        return count->status();
    const auto index = static_cast<DWORD>(count->columnInt64(0));
    count->reset();
    return index;
}

Result<CEOID> DatabaseCursor::seek(StoreSession& store, DWORD seekType, DWORD_PTR value,
                                   DWORD* index) {
    Status status = refresh(store);
    if (!status.ok())
        return status;
    const auto& q = Queries(m_slot);
    Result<Found> found = Found();
    switch (seekType) {
    case CEDB_SEEK_CEOID:
        found = query(store, q.byOid, {}, static_cast<CEOID>(value), 0);
        break;
    case CEDB_SEEK_BEGINNING:
        found = query(store, q.first, {}, 0, static_cast<std::int64_t>(value));
        break;
    case CEDB_SEEK_END:
        // Counted back from the last record; either sign of the count is taken.
        found = query(store, q.last, {}, 0,
                      std::llabs(static_cast<long long>(static_cast<LONG>(value))));
        break;
    case CEDB_SEEK_CURRENT:
        found = moveBy(store, static_cast<LONG>(value));
        break;
    case CEDB_SEEK_VALUEFIRSTEQUAL:
    case CEDB_SEEK_VALUESMALLER:
    case CEDB_SEEK_VALUEGREATER:
    case CEDB_SEEK_VALUENEXTEQUAL:
        found = valueSeek(store, seekType, reinterpret_cast<const CEPROPVAL*>(value));
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
    if (index) {
        auto counted = indexOf(store, *found.value());
        if (!counted.ok())
            return counted.status();
        *index = counted.value();
    }
    m_where = Where::At;
    m_position = std::move(*found.value());
    m_currentExists = true;
    return m_position.oid;
}

Result<CEOID> DatabaseCursor::recordToRead(StoreSession& store) {
    if (m_where == Where::At && !m_autoSeekNext)
        return m_position.oid; // the read itself finds out whether it is still there
    Status status = refresh(store);
    if (!status.ok())
        return status;
    if (m_where == Where::PastEnd)
        return NoRecord("the handle is past its last record");
    if (m_where == Where::At && m_currentExists)
        return m_position.oid;
    auto found = moveBy(store, m_where == Where::Start ? 0 : 1);
    if (!found.ok())
        return found.status();
    if (!found.value()) {
        if (m_where == Where::At)
            m_where = Where::PastEnd;
        return NoRecord("no record to read");
    }
    m_where = Where::At;
    m_position = std::move(*found.value());
    m_currentExists = true;
    return m_position.oid;
}

Status DatabaseCursor::afterRead(StoreSession& store) {
    if (!m_autoSeekNext)
        return Status();
    Status status = refresh(store);
    if (!status.ok())
        return status;
    auto next = moveBy(store, 1);
    if (!next.ok())
        return next.status();
    if (next.value()) {
        m_position = std::move(*next.value());
        m_currentExists = true;
    } else {
        m_where = Where::PastEnd;
    }
    return Status();
}

} // namespace ce
