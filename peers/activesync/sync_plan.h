// Deciding what one synchronization does, from what each side says about its
// notes. Pure: no provider is called here, so every rule can be tested alone.
//
// A paired note is one handheld record and one desktop item synchronized
// with each other before. Each side's copy is Unchanged, Changed, Deleted,
// or LeftOut (a filter keeps it out of synchronization: the handheld's
// category filter or an unsaved note, the desktop's stop colour or category
// filter). What happens to a pair:
//
//   handheld \ desktop  Unchanged        Changed              Deleted                  LeftOut
//   Unchanged           -                desktop to handheld  delete on handheld       -
//   Changed             handheld to desk conflict             handheld to desk (new)   -
//   Deleted             delete on desk   desk to handheld(new) forget                  forget
//   LeftOut             -                -                    forget                   -
//
// A change against a deletion keeps the change; a filter never deletes.
// Notes new on both sides with equal content are paired, not copied.
#pragma once

#include "peers/activesync/desktop_state.h"
#include "peers/activesync/note_content.h"
#include "platform/ce/database.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace jsync {

enum class NoteState { Unchanged, Changed, Deleted, LeftOut };

enum class ConflictPolicy { KeepBoth, PreferDesktop, PreferDevice };

struct PairedNote {
    CEOID oid = 0;
    int desktop = -1; // the desktop item now, -1 when it is gone
    NoteState device = NoteState::Unchanged;
    NoteState desktopState = NoteState::Unchanged;
};

// A note that exists on one side only, with its content hash when it was read.
// A change kept against a deletion on the other side is new to that side too.
struct NewDeviceNote {
    CEOID oid = 0;
    std::optional<std::uint64_t> contentHash;
    bool keepsChange = false;
};
struct NewDesktopNote {
    int desktop = -1;
    std::optional<std::uint64_t> contentHash;
    CEOID replaces = 0; // the deleted handheld note it was paired with
};

struct PlanInput {
    std::vector<PairedNote> pairs;
    std::vector<NewDeviceNote> newDevice;
    std::vector<NewDesktopNote> newDesktop;
    std::vector<PendingCopy> pendingCopies;
};

enum class ActionKind {
    SendToDesktop,   // oid's packet to the desktop item `desktop`, or a new one (-1)
    SendToDevice,    // item `desktop`'s packet to record oid, or a new one (0)
    DeleteOnDesktop, // item `desktop`, paired with oid
    DeleteOnDevice,  // record oid, paired with item `desktop`
    PairEqual,       // new record oid and new item `desktop` hold the same note
    Forget,          // drop the pairing of oid; nothing else changes
    Conflict,        // oid and item `desktop` both changed; `copy` a conflict copy made before
    DiscardCopy,     // item `desktop` is a conflict copy for oid left by an interrupted run
    ClearPending,    // the conflict copy for oid was never made
};

struct Action {
    ActionKind kind;
    CEOID oid = 0;
    int desktop = -1;
    int copy = -1;            // Conflict: the desktop copy to take instead of making one
    CEOID replaces = 0;       // SendToDevice of a new record: the pairing it takes over
    bool keepsChange = false; // a change kept against a deletion on the other side
};

// Takes the pairs whose change is kept against a deletion on the other side
// out of `pairs`, as notes new to that side: so that a copy made by an
// interrupted run is found by its content like any new note's.
void SeparateKeptChanges(PlanInput& input);

// Plans the pass; the input's kept changes are separated first.
std::vector<Action> Plan(PlanInput input);

// Colour and categories for a note whose text is equal on both sides but
// whose other fields are not: with a preferred side, that side's; otherwise
// the categories of both (the handheld's first, each name once) and the
// handheld's colour. The text is the handheld's.
DeviceNote ReconciledAttributes(const DeviceNote& device, const DeviceNote& desktop,
                                ConflictPolicy policy);

struct DeletionCounts {
    std::size_t onDesktop = 0;
    std::size_t onDevice = 0;
};
DeletionCounts CountDeletions(const std::vector<Action>& plan);

// True when deleting `deletions` of `total` notes is more than half of them
// and at least 10.
bool IsMassDeletion(std::size_t deletions, std::size_t total);

} // namespace jsync
