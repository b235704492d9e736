#include "peers/activesync/SyncPlan.h"

#include <unordered_map>
#include <unordered_set>

namespace jsync {

namespace {

void PlanPair(const PairedNote& pair, std::vector<Action>& plan) {
    using S = NoteState;
    const S device = pair.device;
    const S desktop = pair.desktopState;
    auto add = [&](ActionKind kind, CEOID oid, int item) {
        plan.push_back(Action{kind, oid, item});
        return &plan.back();
    };
    if (device == S::Unchanged && desktop == S::Changed) {
        add(ActionKind::SendToDevice, pair.oid, pair.desktop);
    } else if (device == S::Unchanged && desktop == S::Deleted) {
        add(ActionKind::DeleteOnDevice, pair.oid, -1);
    } else if (device == S::Changed && desktop == S::Unchanged) {
        add(ActionKind::SendToDesktop, pair.oid, pair.desktop);
    } else if (device == S::Changed && desktop == S::Changed) {
        add(ActionKind::Conflict, pair.oid, pair.desktop);
    } else if (device == S::Changed && desktop == S::Deleted) {
        add(ActionKind::SendToDesktop, pair.oid, -1)->keepsChange = true;
    } else if (device == S::Deleted && desktop == S::Unchanged) {
        add(ActionKind::DeleteOnDesktop, pair.oid, pair.desktop);
    } else if (device == S::Deleted && desktop == S::Changed) {
        Action* send = add(ActionKind::SendToDevice, 0, pair.desktop);
        send->replaces = pair.oid;
        send->keepsChange = true;
    } else if ((device == S::Deleted && (desktop == S::Deleted || desktop == S::LeftOut)) ||
               (device == S::LeftOut && desktop == S::Deleted)) {
        add(ActionKind::Forget, pair.oid, -1);
    }
    // Everything else is in step, or kept out by a filter on one side.
}

} // namespace

std::vector<Action> Plan(const PlanInput& input) {
    std::vector<Action> plan;
    std::unordered_set<CEOID> conflicts;
    for (const PairedNote& pair : input.pairs) {
        PlanPair(pair, plan);
        if (plan.size() && plan.back().kind == ActionKind::Conflict && plan.back().oid == pair.oid)
            conflicts.insert(pair.oid);
    }

    // New desktop items by content, so that a copy or an equal note is found once.
    std::unordered_multimap<std::uint64_t, int> newDesktopByHash;
    std::unordered_set<int> taken;
    for (const NewDesktopNote& note : input.newDesktop)
        if (note.contentHash)
            newDesktopByHash.emplace(*note.contentHash, note.desktop);
    auto takeByHash = [&](std::uint64_t hash) -> int {
        auto [first, last] = newDesktopByHash.equal_range(hash);
        for (auto it = first; it != last; ++it)
            if (!taken.count(it->second)) {
                taken.insert(it->second);
                return it->second;
            }
        return -1;
    };

    // A conflict copy of an interrupted run is taken up by its conflict, or
    // discarded when the conflict has been settled since.
    for (const PendingCopy& pending : input.pendingCopies) {
        const int copy = takeByHash(pending.contentHash);
        if (conflicts.count(pending.oid)) {
            for (Action& action : plan)
                if (action.kind == ActionKind::Conflict && action.oid == pending.oid)
                    action.copy = copy;
        } else if (copy >= 0) {
            plan.push_back(Action{ActionKind::DiscardCopy, pending.oid, copy});
        } else {
            plan.push_back(Action{ActionKind::ClearPending, pending.oid, -1});
        }
    }

    for (const NewDeviceNote& note : input.newDevice) {
        const int equal = note.contentHash ? takeByHash(*note.contentHash) : -1;
        if (equal >= 0)
            plan.push_back(Action{ActionKind::PairEqual, note.oid, equal});
        else
            plan.push_back(Action{ActionKind::SendToDesktop, note.oid, -1});
    }
    for (const NewDesktopNote& note : input.newDesktop)
        if (!taken.count(note.desktop))
            plan.push_back(Action{ActionKind::SendToDevice, 0, note.desktop});
    return plan;
}

DeletionCounts CountDeletions(const std::vector<Action>& plan) {
    DeletionCounts counts;
    for (const Action& action : plan) {
        if (action.kind == ActionKind::DeleteOnDesktop)
            ++counts.onDesktop;
        else if (action.kind == ActionKind::DeleteOnDevice)
            ++counts.onDevice;
    }
    return counts;
}

bool IsMassDeletion(std::size_t deletions, std::size_t total) {
    return deletions >= 10 && deletions * 2 > total;
}

} // namespace jsync
