// The rules of a synchronization, side by side: what each pair of states
// does, how new notes pair by content, and what becomes of a conflict copy
// left by an interrupted run.
#include "peers/activesync/sync_plan.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace jsync;

namespace {

const char* KindName(ActionKind kind) {
    switch (kind) {
    case ActionKind::SendToDesktop:
        return "to-desktop";
    case ActionKind::SendToDevice:
        return "to-device";
    case ActionKind::DeleteOnDesktop:
        return "delete-desktop";
    case ActionKind::DeleteOnDevice:
        return "delete-device";
    case ActionKind::PairEqual:
        return "pair";
    case ActionKind::Forget:
        return "forget";
    case ActionKind::Conflict:
        return "conflict";
    case ActionKind::DiscardCopy:
        return "discard-copy";
    case ActionKind::ClearPending:
        return "clear-pending";
    }
    return "?";
}

// One line per action: kind oid item [copy=N] [replaces=N] [kept].
std::string Dump(const std::vector<Action>& plan) {
    std::ostringstream out;
    for (const Action& a : plan) {
        out << KindName(a.kind) << " " << a.oid << " " << a.desktop;
        if (a.copy >= 0)
            out << " copy=" << a.copy;
        if (a.replaces)
            out << " replaces=" << a.replaces;
        if (a.keepsChange)
            out << " kept";
        out << "\n";
    }
    return out.str();
}

using S = NoteState;

struct PairCase {
    S device;
    S desktop;
    const char* expected;
};

} // namespace

TEST(SyncPlan, EveryPairOfStates) {
    // Handheld note 7 paired with desktop item 3 (-1 when the item is gone).
    const PairCase cases[] = {
        {S::Unchanged, S::Unchanged, ""},
        {S::Unchanged, S::Changed, "to-device 7 3\n"},
        {S::Unchanged, S::Deleted, "delete-device 7 -1\n"},
        {S::Unchanged, S::LeftOut, ""},
        {S::Changed, S::Unchanged, "to-desktop 7 3\n"},
        {S::Changed, S::Changed, "conflict 7 3\n"},
        {S::Changed, S::Deleted, "to-desktop 7 -1 kept\n"},
        {S::Changed, S::LeftOut, ""},
        {S::Deleted, S::Unchanged, "delete-desktop 7 3\n"},
        {S::Deleted, S::Changed, "to-device 0 3 replaces=7 kept\n"},
        {S::Deleted, S::Deleted, "forget 7 -1\n"},
        {S::Deleted, S::LeftOut, "forget 7 -1\n"},
        {S::LeftOut, S::Unchanged, ""},
        {S::LeftOut, S::Changed, ""},
        {S::LeftOut, S::Deleted, "forget 7 -1\n"},
        {S::LeftOut, S::LeftOut, ""},
    };
    for (const PairCase& c : cases) {
        PlanInput input;
        input.pairs.push_back({7, c.desktop == S::Deleted ? -1 : 3, c.device, c.desktop});
        EXPECT_EQ(c.expected, Dump(Plan(input))) << "handheld " << static_cast<int>(c.device)
                                                 << ", desktop " << static_cast<int>(c.desktop);
    }
}

TEST(SyncPlan, NewNotesWithEqualContentArePairedOnceEach) {
    PlanInput input;
    // Two equal handheld notes (hash 5) against one desktop note of hash 5:
    // one pair, the other copied; unequal and unread notes are copied.
    input.newDevice = {{10, 5}, {11, 5}, {12, 6}, {13, std::nullopt}};
    input.newDesktop = {{0, 5}, {1, 7}, {2, std::nullopt}};
    EXPECT_EQ("pair 10 0\n"
              "to-desktop 11 -1\n"
              "to-desktop 12 -1\n"
              "to-desktop 13 -1\n"
              "to-device 0 1\n"
              "to-device 0 2\n",
              Dump(Plan(input)));
}

TEST(SyncPlan, ConflictCopyOfAnInterruptedRun) {
    // Note 7 is still in conflict: its copy (item 4, hash 9) is taken up
    // instead of being made again, and is not sent back as a new note.
    PlanInput input;
    input.pairs.push_back({7, 3, S::Changed, S::Changed});
    input.newDesktop = {{4, 9}};
    input.pendingCopies = {{7, 9}};
    EXPECT_EQ("conflict 7 3 copy=4\n", Dump(Plan(input)));

    // Settled meanwhile: the copy is discarded; a copy never made is just forgotten.
    PlanInput settled;
    settled.pairs.push_back({7, 3, S::Unchanged, S::Unchanged});
    settled.newDesktop = {{4, 9}, {5, 2}};
    settled.pendingCopies = {{7, 9}, {8, 1}};
    EXPECT_EQ("discard-copy 7 4\n"
              "clear-pending 8 -1\n"
              "to-device 0 5\n",
              Dump(Plan(settled)));

    // A conflict whose copy was never made: it is made now.
    PlanInput unmade;
    unmade.pairs.push_back({7, 3, S::Changed, S::Changed});
    unmade.pendingCopies = {{7, 9}};
    EXPECT_EQ("conflict 7 3\n", Dump(Plan(unmade)));
}

TEST(SyncPlan, DeletionsAreCountedPerSide) {
    PlanInput input;
    input.pairs = {{1, -1, S::Unchanged, S::Deleted},
                   {2, 0, S::Deleted, S::Unchanged},
                   {3, 1, S::Deleted, S::Unchanged},
                   {4, -1, S::Deleted, S::Deleted}};
    const DeletionCounts counts = CountDeletions(Plan(input));
    EXPECT_EQ(2u, counts.onDesktop);
    EXPECT_EQ(1u, counts.onDevice);
}

TEST(SyncPlan, MassDeletionIsMoreThanHalfAndAtLeastTen) {
    struct {
        std::size_t deletions, total;
        bool mass;
    } cases[] = {{0, 0, false},  {9, 10, false}, {10, 20, false},  {10, 19, true},
                 {11, 20, true}, {10, 10, true}, {100, 150, true}, {100, 200, false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.mass, IsMassDeletion(c.deletions, c.total)) << c.deletions << " of " << c.total;
}

TEST(SyncPlan, AKeptChangeFindsTheCopyOfAnInterruptedRun) {
    // Note 7 changed on the handheld, deleted on the desktop; item 4 changed
    // on the desktop, its note 8 deleted on the handheld. An interrupted run
    // had made item 9 from note 7 and record 20 from item 4.
    PlanInput input;
    input.pairs = {{7, -1, S::Changed, S::Deleted}, {8, 4, S::Deleted, S::Changed}};
    SeparateKeptChanges(input);
    ASSERT_TRUE(input.pairs.empty());
    ASSERT_EQ(1u, input.newDevice.size());
    ASSERT_EQ(1u, input.newDesktop.size());
    EXPECT_TRUE(input.newDevice[0].keepsChange);
    EXPECT_EQ(8u, input.newDesktop[0].replaces);
    input.newDevice[0].contentHash = 5;
    input.newDesktop[0].contentHash = 6;
    input.newDesktop.push_back({9, 5});
    input.newDevice.push_back({20, 6});
    EXPECT_EQ("pair 7 9 kept\n"
              "pair 20 4 replaces=8\n",
              Dump(Plan(input)));
}
