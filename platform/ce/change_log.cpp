#include "platform/ce/change_log.h"

#include "platform/ce/object_store.h"

using platform::ReportFailure;
using platform::sqlite::Statement;

namespace ce {

std::uint64_t CurrentChangeSequence() {
    auto store = StoreSession::open();
    if (!store.ok()) {
        ReportFailure(store.status());
        return 0;
    }
    auto s = store->prepare("SELECT value FROM ce_meta WHERE name='change_sequence'");
    if (!s.ok()) {
        ReportFailure(s.status());
        return 0;
    }
    std::uint64_t sequence = 0;
    if (s.value()->step() == Statement::Step::Row)
        sequence = static_cast<std::uint64_t>(s.value()->columnInt64(0));
    s.value()->reset();
    return sequence;
}

bool ChangesSince(std::uint64_t since, CEOID oidDatabase, std::vector<RecordChange>* changes) {
    try {
        auto store = StoreSession::open();
        if (!store.ok())
            return ReportFailure(store.status());
        // Both halves are range searches on their sequence indexes.
        auto s =
            store->prepare("SELECT oid, db, sequence, 0 FROM ce_records WHERE sequence > :since "
                           "AND (:db = 0 OR db = :db) UNION ALL "
                           "SELECT oid, db, sequence, 1 FROM ce_tombstones WHERE sequence > :since "
                           "AND (:db = 0 OR db = :db) ORDER BY 3, 1");
        if (!s.ok())
            return ReportFailure(s.status());
        Statement* q = s.value();
        q->bind(":since", static_cast<std::int64_t>(since))
            .bind(":db", static_cast<std::int64_t>(oidDatabase));
        std::vector<RecordChange> found;
        Statement::Step step;
        while ((step = q->step()) == Statement::Step::Row)
            found.push_back(
                {static_cast<CEOID>(q->columnInt64(0)), static_cast<CEOID>(q->columnInt64(1)),
                 static_cast<std::uint64_t>(q->columnInt64(2)), q->columnInt64(3) != 0});
        if (step == Statement::Step::Error)
            return ReportFailure(q->status());
        q->reset();
        if (changes)
            *changes = std::move(found);
        return true;
    } catch (const std::exception& e) {
        return ReportFailure(platform::Status::Failure(ERROR_NOT_ENOUGH_MEMORY, e.what()));
    }
}

} // namespace ce
