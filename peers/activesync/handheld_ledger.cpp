#include "peers/activesync/handheld_ledger.h"

#include "peers/activesync/fault_switch.h"

#include <algorithm>
#include <limits>

namespace jsync {

using platform::Result;
using platform::Status;

namespace {

Status LogUnreadable() {
    return Status::Failure(GetLastError(), "the handheld's changes cannot be read");
}

} // namespace

std::uint64_t HandheldLedger::Now() {
    return ce::CurrentChangeSequence();
}

bool HandheldLedger::ChangedSince(std::uint64_t seen, CEOID database) {
    if (ce::CurrentChangeSequence() == seen)
        return false;
    std::vector<ce::RecordChange> changes;
    return ce::ChangesSince(seen, database, &changes) && !changes.empty();
}

Status HandheldLedger::Begin(bool startOver) {
    m_start = Now();
    m_startOver = startOver;
    return Status();
}

Result<std::map<CEOID, ce::RecordChange>> HandheldLedger::LatestChanges() {
    std::vector<ce::RecordChange> changes;
    if (!ce::ChangesSince(m_mark, m_database, &changes))
        return LogUnreadable();
    // The settled notes judge changes: a pass without any need not read them.
    // Nothing writes them between the start of the pass and this.
    if (!changes.empty() && !m_startOver) {
        JW_ASSIGN_OR_RETURN(auto synced, m_state.SyncedNotes(m_bit));
        m_synced = std::move(synced);
    }
    std::map<CEOID, ce::RecordChange> latest;
    for (const ce::RecordChange& change : changes) {
        auto [it, inserted] = latest.emplace(change.oid, change);
        if (!inserted && change.sequence > it->second.sequence)
            it->second = change;
    }
    return latest;
}

bool HandheldLedger::SettledAt(CEOID oid, std::uint64_t sequence) const {
    const auto known = m_synced.find(oid);
    return known != m_synced.end() && known->second == sequence;
}

// The sequence of the record's last change when it is after `since`, else 0;
// also 0 when the log cannot be read and `unreadable` is 0. One lookup: a
// pass asks this for every note, so it must not read the log since `since`.
std::uint64_t HandheldLedger::LastChangeAfter(CEOID oid, std::uint64_t since,
                                              std::uint64_t unreadable) const {
    ce::RecordChange change{};
    if (!ce::LatestChange(oid, &change))
        return unreadable;
    const bool ours = change.oidDatabase == m_database;
    return ours && change.sequence > since ? change.sequence : 0;
}

std::uint64_t HandheldLedger::RecordOwnWrite(CEOID oid, std::uint64_t before) {
    const std::uint64_t sequence = LastChangeAfter(oid, before, 0);
    if (sequence != 0)
        m_own[oid] = sequence;
    return sequence;
}

std::uint64_t HandheldLedger::OwnWrite(CEOID oid) const {
    const auto own = m_own.find(oid);
    return own != m_own.end() ? own->second : 0;
}

bool HandheldLedger::WrittenSince(CEOID oid, std::uint64_t since) const {
    return LastChangeAfter(oid, since, 1) != 0;
}

bool HandheldLedger::WrittenByOthers(CEOID oid) const {
    // Changes only grow: a write by someone else after our own is the last.
    return LastChangeAfter(oid, std::max(m_start, OwnWrite(oid)), 1) != 0;
}

void HandheldLedger::Restamp(CEOID oid) {
    if (const std::uint64_t own = OwnWrite(oid); own != 0)
        m_restamped.push_back({oid, own});
}

Status HandheldLedger::ApplySurvey() {
    if (m_restamped.empty() && m_syncedGone.empty())
        return Status();
    JW_RETURN_IF_FAILED(m_state.ApplySynced(m_bit, m_restamped, m_syncedGone));
    DurableWriteDone();
    return Status();
}

void HandheldLedger::Settle(CEOID oid, std::uint64_t sequence) {
    m_unsettled.erase(oid);
    if (sequence != 0)
        m_settled.push_back({oid, sequence});
}

Status HandheldLedger::FlushSettled() {
    if (m_settled.empty())
        return Status();
    JW_RETURN_IF_FAILED(m_state.ApplySynced(m_bit, m_settled, {}));
    DurableWriteDone();
    m_settled.clear();
    return Status();
}

Status HandheldLedger::Forget(const std::vector<CEOID>& oids) {
    if (oids.empty())
        return Status();
    for (CEOID oid : oids)
        m_unsettled.erase(oid);
    std::erase_if(m_settled, [&](const SyncedNote& note) {
        return std::find(oids.begin(), oids.end(), note.oid) != oids.end();
    });
    JW_RETURN_IF_FAILED(m_state.ApplySynced(m_bit, {}, oids));
    DurableWriteDone();
    return Status();
}

Status HandheldLedger::NewMark(bool failures, bool* changedMeanwhile) {
    // A note that failed, or was left for the next pass, is looked at again
    // next time from the same mark.
    if (failures || m_holdMark)
        return Status();
    std::vector<ce::RecordChange> changes;
    if (!ce::ChangesSince(m_start, m_database, &changes))
        return LogUnreadable();
    std::uint64_t mark = m_start;
    std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
    for (const ce::RecordChange& change : changes) {
        mark = std::max(mark, change.sequence);
        const bool ours = OwnWrite(change.oid) >= change.sequence;
        if (!ours)
            *changedMeanwhile = true;
        // Changes by others, and ours that left a note unsettled, are seen again.
        if (!ours || m_unsettled.count(change.oid))
            limit = std::min(limit, change.sequence - 1);
    }
    mark = std::max(m_start, std::min(mark, limit));
    if (mark == m_mark)
        return Status();
    JW_RETURN_IF_FAILED(m_state.SetMark(m_bit, mark));
    DurableWriteDone();
    return Status();
}

} // namespace jsync
