#include "platform/ce/change_log.h"

#include "platform/ce/object_store.h"

using platform::Result;
using platform::sqlite::ResetWhenDone;
using platform::sqlite::Statement;

namespace ce {

std::uint64_t CurrentChangeSequence() {
    return platform::AtBoundary<std::uint64_t>(0, []() -> Result<std::uint64_t> {
        JW_ASSIGN_OR_RETURN(auto store, StoreSession::Open());
        JW_ASSIGN_OR_RETURN(
            Statement * s, store.Prepare("SELECT value FROM ce_meta WHERE name='change_sequence'"));
        ResetWhenDone done(s);
        return s->Step() == Statement::StepResult::Row
                   ? static_cast<std::uint64_t>(s->ColumnInt64(0))
                   : 0;
    });
}

bool ChangesSince(std::uint64_t since, CEOID oidDatabase, std::vector<RecordChange>* changes) {
    return platform::AtBoundary<bool>(false, [&]() -> Result<bool> {
        JW_ASSIGN_OR_RETURN(auto store, StoreSession::Open());
        // Both halves are range searches on their sequence indexes.
        JW_ASSIGN_OR_RETURN(
            Statement * q,
            store.Prepare("SELECT oid, db, sequence, 0 FROM ce_records WHERE sequence > :since "
                          "AND (:db = 0 OR db = :db) UNION ALL "
                          "SELECT oid, db, sequence, 1 FROM ce_tombstones WHERE sequence > :since "
                          "AND (:db = 0 OR db = :db) ORDER BY 3, 1"));
        ResetWhenDone done(q);
        q->Bind(":since", static_cast<std::int64_t>(since))
            .Bind(":db", static_cast<std::int64_t>(oidDatabase));
        std::vector<RecordChange> found;
        Statement::StepResult step;
        while ((step = q->Step()) == Statement::StepResult::Row)
            found.push_back(
                {static_cast<CEOID>(q->ColumnInt64(0)), static_cast<CEOID>(q->ColumnInt64(1)),
                 static_cast<std::uint64_t>(q->ColumnInt64(2)), q->ColumnInt64(3) != 0});
        if (step == Statement::StepResult::Error)
            return q->status();
        if (changes)
            *changes = std::move(found);
        return true;
    });
}

bool LatestChange(CEOID oid, RecordChange* change) {
    return platform::AtBoundary<bool>(false, [&]() -> Result<bool> {
        JW_ASSIGN_OR_RETURN(auto store, StoreSession::Open());
        // Identifiers are never reused: a record and its tombstone are never both there.
        JW_ASSIGN_OR_RETURN(
            Statement * q,
            store.Prepare("SELECT db, sequence, 0 FROM ce_records WHERE oid = :oid UNION ALL "
                          "SELECT db, sequence, 1 FROM ce_tombstones WHERE oid = :oid "
                          "ORDER BY 2 DESC LIMIT 1"));
        ResetWhenDone done(q);
        q->Bind(":oid", static_cast<std::int64_t>(oid));
        RecordChange found{oid, 0, 0, false};
        const auto step = q->Step();
        if (step == Statement::StepResult::Error)
            return q->status();
        if (step == Statement::StepResult::Row)
            found = {oid, static_cast<CEOID>(q->ColumnInt64(0)),
                     static_cast<std::uint64_t>(q->ColumnInt64(1)), q->ColumnInt64(2) != 0};
        *change = found;
        return true;
    });
}

} // namespace ce
