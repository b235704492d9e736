// One synchronization pass between the handheld and the desktop of one
// partnership: the survey of both sides (desktop enumeration against the
// persisted handles, handheld changes since this partner's mark), the plan
// (sync_plan.h), the mass-deletion guard, then either the dry-run's report or
// the work itself, one object at a time with the partnership state committed
// after each, its disk syncs grouped (commit_group.h).
#pragma once

#include "peers/activesync/command_line.h"
#include "peers/activesync/commit_group.h"
#include "peers/activesync/desktop_provider.h"
#include "peers/activesync/desktop_state.h"
#include "peers/activesync/device_provider.h"
#include "peers/activesync/handheld_ledger.h"
#include "peers/activesync/handheld_state.h"
#include "peers/activesync/note_content.h"
#include "peers/activesync/sync_plan.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace jsync {

struct PassContext {
    DesktopProvider& desktop;
    DeviceProvider& device;
    DesktopState& desktopState;
    HandheldState& handheldState;
    std::uint32_t partnership = 0;
    UINT partnerBit = 1;
    std::uint64_t mark = 0;      // handheld change sequence synchronized up to
    bool forgetPairings = false; // the desktop store changed: start as a new partnership
    ConflictPolicy policy = ConflictPolicy::KeepBoth;
    bool dryRun = false;
    bool allowMassDelete = false;
    std::FILE* out = stdout; // a dry run's report; null: counted, not told
    // Set (by a signal) to end the pass after the object in hand; the next
    // pass takes up the rest.
    const std::atomic<bool>* stop = nullptr;
};

struct PassCounts {
    std::size_t sentNew = 0, sentChanged = 0;
    std::size_t receivedNew = 0, receivedChanged = 0;
    std::size_t deletedOnDesktop = 0, deletedOnDevice = 0;
    std::size_t conflicts = 0;
    std::size_t pairedEqual = 0;
    std::size_t leftOutOnDevice = 0, leftOutOnDesktop = 0;
};

struct PassResult {
    PassCounts counts;
    // Notes that could not be synchronized, each with the reason.
    std::vector<std::string> failures;
    // Each conflict settled, by the handheld's title, with how: which side's
    // version won, or that both were kept.
    std::vector<std::string> conflicts;
    // Notes sent to a desktop whose code page cannot carry all their
    // characters, by title (the handheld keeps them whole).
    std::vector<std::string> notCarriedWhole;
    // Set when the mass-deletion guard refused the pass (nothing changed).
    std::string refusal;
    // Set when one side lost every note synchronized with the other: the
    // pass changed nothing, the two sides are to be combined instead.
    std::string lostSide;
    // The handheld changed under the pass: another pass is due.
    bool changedMeanwhile = false;
    // Ended by the stop flag before its last object.
    bool interrupted = false;
};

// Prints the summary of a pass.
void PrintSummary(std::FILE* out, const PassResult& result, bool dryRun);

class SyncPass {
public:
    explicit SyncPass(PassContext context)
        : m_ctx(context), m_ledger(context.handheldState, context.partnerBit,
                                   context.device.Database(), context.mark) {}
    // A failed state write or survey ends the pass with its failure; a note
    // that fails alone is listed in the result and the pass goes on.
    platform::Result<PassResult> Run();

private:
    platform::Result<PassResult> RunGrouped();
    // Ends a group of commits: the object store and the partnership state
    // made durable, then the handheld's list of the group's notes written.
    platform::Status EndGroup();
    // Records the pairings of the notes received on the handheld in this
    // group, once the object store has made them durable.
    platform::Status PairReceived();

    // Survey (sync_survey.cpp).
    platform::Status Survey();
    platform::Status SurveyDesktop();
    platform::Status SurveyDevice();
    platform::Status SettlePairStates();
    // Names the side that lost every note it had synchronized, if one did.
    void CheckForALostSide();
    void ReadContents();
    platform::Result<NoteState> DeviceStateOf(CEOID oid, bool paired);

    // Work (sync_pass.cpp).
    void Report(const std::vector<Action>& plan);
    platform::Status Execute(const Action& action);
    platform::Status SendToDesktop(const Action& action);
    // A note received as part of a conflict is counted with the conflict.
    enum class Counted { AsReceived, InConflict };
    platform::Status SendToDevice(const Action& action, Counted counted = Counted::AsReceived);
    platform::Status DeleteOnDesktop(const Action& action);
    platform::Status DeleteOnDevice(const Action& action);
    platform::Status PairEqual(const Action& action);
    platform::Status Conflict(const Action& action);
    // A conflict whose texts are equal: colour and categories made the same
    // on both sides (ReconciledAttributes), the pair settled.
    platform::Status ReconcileEqualTexts(const Action& action, const Bytes& devicePacket,
                                         std::uint64_t readAt);
    platform::Status Forget(CEOID oid);
    platform::Status DiscardCopy(const Action& action);
    platform::Status ClearPending(CEOID oid);
    platform::Status Pair(CEOID oid, const Bytes& handle, std::vector<CEOID> remove = {},
                          std::vector<CEOID> clearPending = {});
    platform::Status UnpairEverywhere(CEOID oid);
    // False when the provider's stamp did not take: the note is then named
    // among the failures and stays changed for the next pass.
    bool ClearChange(CEOID oid);
    // After a note read at change sequence `readAt` has been sent: clears its
    // change and settles it, unless it was written again since (a user saving
    // it meanwhile), when it stays changed for the next pass.
    platform::Status SettleSent(CEOID oid, std::uint64_t readAt);
    // Holds the handheld's object store for writing, from the check of a
    // note to the provider's write of it and the reading of that write's
    // change, until committed: a save by the notes program in between would
    // be overwritten unseen, or taken for the pass's own write and never
    // sent. Such a save waits the few milliseconds instead.
    platform::Result<std::unique_ptr<platform::sqlite::Transaction>> HoldHandheld();
    // True, with the note left for the next pass, when its desktop item or
    // handheld record was changed by someone else after the survey read it:
    // writing over it or deleting it now would lose that edit.
    bool DesktopChangedMeanwhile(CEOID oid, int index);
    bool DeviceChangedMeanwhile(CEOID oid);
    // A failed write or deletion of desktop item `index` (-1 for a new note):
    // a failure, unless the item was saved since the check, which the desktop
    // store refuses to write over; then it is left for the next pass.
    void FailDesktopWrite(CEOID oid, int index, const std::string& what, const std::string& title,
                          HRESULT hr);
    void Postpone(CEOID oid);
    platform::Status RenewStoreStamp();

    // The handle to keep for a pairing with item `index`: the stored one
    // brought up to date, or the item's own.
    Bytes PairingBytes(int index);
    HREPLITEM Item(int index) { return m_items[static_cast<std::size_t>(index)].get(); }
    // A note's packet as a provider gave it, with the provider's answer and
    // when it was read on the handheld's change clock. Each note is read once
    // per pass: the survey, the reports and the writes share the reading, and
    // only a write of the pass itself makes the next use read the note again.
    // Sending what was read earlier in the pass loses nothing: a note edited
    // since its reading has a change after `readAt` and stays unsettled.
    struct Fetched {
        HRESULT hr = S_OK;
        Bytes packet;
        std::uint64_t readAt = 0;
    };
    const Fetched& FetchDevice(CEOID oid);
    const Fetched& FetchDesktop(int index);
    std::string DeviceTitle(CEOID oid);
    // Lists the note when the desktop's code page cannot carry it whole.
    void CheckCarriedWhole(const Bytes& devicePacket);
    // The desktop's packet for handheld note `oid`, with the texts the
    // desktop's code page could not carry put back from the handheld's.
    Bytes KeepHandheldTexts(CEOID oid, Bytes desktopPacket);
    std::string DesktopTitle(int index);
    void Fail(const std::string& what, const std::string& title, HRESULT hr);

    PassContext m_ctx;
    PassResult m_result;
    // The desktop's code page, read once a pass (each read is a registry
    // query, and two were made for every note sent).
    UINT m_desktopCodePage = 0;
    std::shared_ptr<platform::sqlite::Connection> m_objectStore;
    std::unique_ptr<CommitGroup> m_group; // while the pass runs
    struct Received {
        CEOID oid;
        Bytes handle;
        std::vector<CEOID> gone; // records the note replaced
    };
    std::vector<Received> m_received; // written on the handheld, not yet paired

    std::vector<StoreHandle> m_items; // the desktop items now
    std::vector<Pairing> m_pairings;
    std::vector<StoreHandle> m_stored; // the persisted handle of each pairing
    // The pairing of each desktop item, by its index; kUnpaired for none.
    static constexpr std::size_t kUnpaired = SIZE_MAX;
    std::vector<std::size_t> m_pairingOfItem;
    std::vector<PendingCopy> m_pending;
    HandheldLedger m_ledger;
    std::unordered_map<CEOID, DeviceInterest> m_interest; // ObjectNotify's answers this pass
    PlanInput m_input;
    std::unordered_map<int, Fetched> m_desktopPackets;
    std::unordered_map<CEOID, Fetched> m_devicePackets;
};

} // namespace jsync
