// What jsync records about the handheld in a pass: where the pass began in
// the object store's change log, which writes of the log are the pass's own
// (the provider's write-backs, stamps and received notes), which notes are
// settled (in step with this partner at a known write) or not yet, and the
// partner's mark that the pass leaves. It is the only part of jsync that
// reads the handheld's change log; the handheld half of the partnership
// state (HandheldState) is written through it.
#pragma once

#include "peers/activesync/handheld_state.h"
#include "platform/base/status.h"
#include "platform/ce/change_log.h"

#include <cstdint>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace jsync {

class HandheldLedger {
public:
    // `mark`: the change sequence this partner was synchronized up to.
    HandheldLedger(HandheldState& state, UINT partnerBit, CEOID database, std::uint64_t mark)
        : m_state(state), m_bit(partnerBit), m_database(database), m_mark(mark) {}

    // A point in the change log, taken before a provider call whose writes
    // are to be told apart from others'.
    static std::uint64_t Now();
    // Whether any record of `database` changed since `seen`.
    static bool ChangedSince(std::uint64_t seen, CEOID database);

    // The start of a pass; then the latest change of every record of the
    // note database since the mark, and with them the notes settled with this
    // partner (none when the partnership starts over), which judge them.
    platform::Status Begin(bool startOver);
    platform::Result<std::map<CEOID, ce::RecordChange>> LatestChanges();
    // The record's last change is the write that left it in step at an
    // earlier pass: nothing to ask about it.
    bool SettledAt(CEOID oid, std::uint64_t sequence) const;
    bool WasSynced(CEOID oid) const { return m_synced.count(oid) != 0; }

    // Records the writes of `oid` since `before` as the pass's own; returns
    // the latest one's sequence, 0 when there was none.
    std::uint64_t RecordOwnWrite(CEOID oid, std::uint64_t before);
    // The pass's own latest write of `oid`, 0 for none.
    std::uint64_t OwnWrite(CEOID oid) const;
    // `oid` was written since `since` (by anyone; also when the log cannot
    // be read).
    bool WrittenSince(CEOID oid, std::uint64_t since) const;
    // `oid` was written by someone else than the pass since it began.
    bool WrittenByOthers(CEOID oid) const;

    // A note changed and not yet synchronized in this pass.
    void Unsettle(CEOID oid) { m_unsettled.insert(oid); }
    // A note left for the next pass: the mark stays where it was.
    void HoldMark() { m_holdMark = true; }
    // A paired note in step that the provider rewrote (its own write).
    void Restamp(CEOID oid);
    // A note listed as synchronized that is gone, never paired.
    void SyncedGone(CEOID oid) { m_syncedGone.push_back(oid); }
    // Writes the restamps and the gone notes (before the pass's work).
    platform::Status ApplySurvey();

    // Records the note as in step with this partner at the write `sequence`
    // (0: nothing to record). The list is written in batches, by
    // FlushSettled once the writes it names are durable: a missing entry
    // costs the next pass one ObjectNotify, never a note.
    void Settle(CEOID oid, std::uint64_t sequence);
    bool BatchFull() const { return m_settled.size() >= kBatch; }
    platform::Status FlushSettled();
    // The notes are no longer synchronized with this partner.
    platform::Status Forget(const std::vector<CEOID>& oids);

    // Moves the partner's mark past what the pass saw, short of any change
    // not its own or any note left unsettled; unmoved when `failures` or a
    // note was left for the next pass. Sets *changedMeanwhile when the
    // handheld changed under the pass.
    platform::Status NewMark(bool failures, bool* changedMeanwhile);

private:
    static constexpr std::size_t kBatch = 64;

    std::uint64_t LastChangeAfter(CEOID oid, std::uint64_t since, std::uint64_t unreadable) const;

    HandheldState& m_state;
    UINT m_bit;
    CEOID m_database;
    std::uint64_t m_mark;
    std::uint64_t m_start = 0;                         // the log when the pass began
    bool m_startOver = false;                          // the partnership starts over
    std::unordered_map<CEOID, std::uint64_t> m_synced; // settled at an earlier pass
    std::unordered_map<CEOID, std::uint64_t> m_own;    // the pass's writes
    std::unordered_set<CEOID> m_unsettled;
    std::vector<SyncedNote> m_settled; // settled, not yet written
    std::vector<SyncedNote> m_restamped;
    std::vector<CEOID> m_syncedGone;
    bool m_holdMark = false;
};

} // namespace jsync
