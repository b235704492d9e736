#include "peers/activesync/sync_plan.h"

#include "shared/notes/note_rules.h"

#include <algorithm>
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
    } else if (device == S::Deleted && desktop == S::Unchanged) {
        add(ActionKind::DeleteOnDesktop, pair.oid, pair.desktop);
    } else if ((device == S::Deleted && (desktop == S::Deleted || desktop == S::LeftOut)) ||
               (device == S::LeftOut && desktop == S::Deleted)) {
        add(ActionKind::Forget, pair.oid, -1);
    }
    // Everything else is in step, or kept out by a filter on one side.
}

} // namespace

void SeparateKeptChanges(PlanInput& input) {
    std::vector<PairedNote> pairs;
    for (const PairedNote& pair : input.pairs) {
        if (pair.device == NoteState::Changed && pair.desktopState == NoteState::Deleted)
            input.newDevice.push_back({pair.oid, std::nullopt, true});
        else if (pair.device == NoteState::Deleted && pair.desktopState == NoteState::Changed)
            input.newDesktop.push_back({pair.desktop, std::nullopt, pair.oid});
        else
            pairs.push_back(pair);
    }
    input.pairs = std::move(pairs);
}

std::vector<Action> Plan(PlanInput input) {
    SeparateKeptChanges(input);
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

    std::unordered_map<int, CEOID> replaces;
    for (const NewDesktopNote& note : input.newDesktop)
        if (note.replaces)
            replaces[note.desktop] = note.replaces;
    for (const NewDeviceNote& note : input.newDevice) {
        const int equal = note.contentHash ? takeByHash(*note.contentHash) : -1;
        Action action{equal >= 0 ? ActionKind::PairEqual : ActionKind::SendToDesktop, note.oid,
                      equal};
        action.keepsChange = note.keepsChange;
        if (auto replaced = replaces.find(equal); equal >= 0 && replaced != replaces.end())
            action.replaces = replaced->second;
        plan.push_back(action);
    }
    for (const NewDesktopNote& note : input.newDesktop) {
        if (taken.count(note.desktop))
            continue;
        Action action{ActionKind::SendToDevice, 0, note.desktop};
        action.replaces = note.replaces;
        action.keepsChange = note.replaces != 0;
        plan.push_back(action);
    }
    return plan;
}

DeviceNote ReconciledAttributes(const DeviceNote& device, const DeviceNote& desktop,
                                ConflictPolicy policy) {
    DeviceNote result = device;
    if (policy == ConflictPolicy::PreferDesktop) {
        result.color = desktop.color;
        result.categories = desktop.categories;
        return result;
    }
    if (policy == ConflictPolicy::PreferDevice)
        return result;
    // Keep both: the desktop's names that the handheld's list lacks join it.
    std::vector<std::u16string> names = SplitCategories(result.categories);
    for (std::u16string& name : SplitCategories(desktop.categories))
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    result.categories = JoinCategories(names);
    return result;
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
