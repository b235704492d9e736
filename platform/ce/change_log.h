// Change tracking for the synchronization managers.
//
// Every record write stamps the record with a new value of a store-wide change
// sequence; a deleted record leaves a tombstone with the sequence of its
// deletion. "What changed or went since s" is one indexed query.
#pragma once

#include "platform/ce/database.h"

#include <cstdint>
#include <vector>

namespace ce {

struct RecordChange {
    CEOID oid;         // the record
    CEOID oidDatabase; // the database it belongs (or belonged) to
    std::uint64_t sequence;
    bool deleted;
};

// The highest sequence handed out so far in the store (0 for a new store).
std::uint64_t CurrentChangeSequence();

// Records of every database (or of oidDatabase only, when non-zero) written or
// deleted after `since`, in sequence order. Returns false (last error set) when
// the store cannot be read.
bool ChangesSince(std::uint64_t since, CEOID oidDatabase, std::vector<RecordChange>* changes);

// The last change of one record: its latest write, or its deletion; sequence
// 0 when the store never had it. One lookup, however long the log. Returns
// false (last error set) when the store cannot be read.
bool LatestChange(CEOID oid, RecordChange* change);

} // namespace ce
