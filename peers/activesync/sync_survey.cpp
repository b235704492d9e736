// The survey of a pass: what changed on each side since the last
// synchronization with this partner.
#include "peers/activesync/sync_pass.h"

#include "peers/activesync/fault_switch.h"

#include <algorithm>
#include <numeric>

namespace jsync {

using platform::Result;
using platform::Status;

Status SyncPass::Survey() {
    JW_RETURN_IF_FAILED(m_ledger.Begin(m_ctx.forgetPairings));
    JW_RETURN_IF_FAILED(SurveyDesktop());
    JW_RETURN_IF_FAILED(SurveyDevice());
    JW_RETURN_IF_FAILED(SettlePairStates());
    // A pair whose handheld note could not be judged is left as it is.
    std::erase_if(m_input.pairs, [this](const PairedNote& pair) {
        const auto interest = m_interest.find(pair.oid);
        return interest != m_interest.end() && interest->second == DeviceInterest::Failed;
    });
    CheckForALostSide();
    SeparateKeptChanges(m_input);
    ReadContents();
    return Status();
}

Status SyncPass::SurveyDesktop() {
    JW_ASSIGN_OR_RETURN(auto items, m_ctx.desktop.Enumerate());
    m_items = std::move(items);

    if (!m_ctx.forgetPairings) {
        JW_ASSIGN_OR_RETURN(auto pairings, m_ctx.desktopState.Pairings(m_ctx.partnership));
        m_pairings = std::move(pairings);
        JW_ASSIGN_OR_RETURN(auto pending, m_ctx.desktopState.PendingCopies(m_ctx.partnership));
        m_pending = std::move(pending);
    }
    m_input.pendingCopies = m_pending;
    m_stored.reserve(m_pairings.size());
    for (const Pairing& pairing : m_pairings) {
        auto handle = m_ctx.desktop.FromBytes(pairing.handle);
        if (!handle.ok())
            return Status::Failure(ERROR_INVALID_DATA,
                                   "the partnership state is damaged (handheld note " +
                                       std::to_string(pairing.oid) +
                                       "): " + handle.status().message());
        m_stored.push_back(std::move(handle.value()));
    }

    // The items in the store's own order of identity, to find each pairing's item.
    // A store that enumerates in that order already is checked in one walk
    // instead of sorted: the sort asked the store for most of a pass's
    // comparisons.
    std::vector<int> order(m_items.size());
    std::iota(order.begin(), order.end(), 0);
    const auto before = [&](int a, int b) { return m_ctx.desktop.Compare(Item(a), Item(b)) < 0; };
    if (!std::is_sorted(order.begin(), order.end(), before))
        std::sort(order.begin(), order.end(), before);

    m_pairingOfItem.assign(m_items.size(), kUnpaired);
    for (std::size_t i = 0; i < m_pairings.size(); ++i) {
        const HREPLITEM stored = m_stored[i].get();
        auto at = std::lower_bound(order.begin(), order.end(), stored, [&](int item, HREPLITEM h) {
            return m_ctx.desktop.Compare(Item(item), h) < 0;
        });
        int index = at != order.end() && m_ctx.desktop.Compare(Item(*at), stored) == 0 ? *at : -1;
        PairedNote pair{m_pairings[i].oid, index};
        if (index < 0) {
            pair.desktopState = NoteState::Deleted;
        } else if (m_pairingOfItem[index] != kUnpaired) {
            // Two pairings for one item: the second is left alone, never deleted.
            pair.desktop = -1;
            pair.desktopState = NoteState::LeftOut;
        } else {
            m_pairingOfItem[index] = i;
            if (m_ctx.desktop.IsChanged(stored, Item(index))) {
                pair.desktopState = m_ctx.desktop.IsReplicated(Item(index)) ? NoteState::Changed
                                                                            : NoteState::LeftOut;
                if (pair.desktopState == NoteState::LeftOut)
                    ++m_result.counts.leftOutOnDesktop;
            }
        }
        m_input.pairs.push_back(pair);
    }
    for (int index = 0; index < static_cast<int>(m_items.size()); ++index) {
        if (m_pairingOfItem[index] != kUnpaired)
            continue;
        if (m_ctx.desktop.IsReplicated(Item(index)))
            m_input.newDesktop.push_back({index, std::nullopt});
        else
            ++m_result.counts.leftOutOnDesktop;
    }
    return Status();
}

Result<NoteState> SyncPass::DeviceStateOf(CEOID oid, bool paired) {
    // The provider writes a note of interest back as it was: that write is
    // ours. The store is held from before the provider looks to the reading
    // of that write, or a save by the notes program in between would be
    // taken for it and never sent; such a save waits those milliseconds.
    JW_ASSIGN_OR_RETURN(auto hold, HoldHandheld());
    const std::uint64_t before = HandheldLedger::Now();
    DWORD error = ERROR_SUCCESS;
    const DeviceInterest interest = m_ctx.device.Notify(oid, false, &error);
    HoldInSurvey();
    m_interest[oid] = interest;
    m_ledger.RecordOwnWrite(oid, before);
    JW_RETURN_IF_FAILED(hold->Commit());
    switch (interest) {
    case DeviceInterest::Changed:
        m_ledger.Unsettle(oid);
        return NoteState::Changed;
    case DeviceInterest::InStep:
        // A paired note in step stays settled at the provider's write.
        if (paired)
            m_ledger.Restamp(oid);
        return NoteState::Unchanged;
    case DeviceInterest::Failed:
        // Stays pending: the failure keeps the mark where it was.
        Fail("the handheld provider could not tell whether it is to be synchronized",
             DeviceTitle(oid), HRESULT_FROM_WIN32(error));
        return NoteState::LeftOut;
    default:
        ++m_result.counts.leftOutOnDevice;
        return NoteState::LeftOut;
    }
}

Status SyncPass::SurveyDevice() {
    JW_ASSIGN_OR_RETURN(auto latest, m_ledger.LatestChanges());
    // The provider's looks at the notes are held and committed in groups:
    // one commit of the store for a group's write-backs instead of one each.
    // A save of the notes program waits for the group, a few milliseconds.
    std::unique_ptr<platform::sqlite::Transaction> group;
    std::size_t grouped = 0;
    for (const auto& [oid, change] : latest) {
        // The pairings are in the order of their handheld objects, and so,
        // one for one, are the pairs of the survey.
        const auto pairing =
            std::lower_bound(m_pairings.begin(), m_pairings.end(), oid,
                             [](const Pairing& p, CEOID wanted) { return p.oid < wanted; });
        PairedNote* pair = pairing != m_pairings.end() && pairing->oid == oid
                               ? &m_input.pairs[pairing - m_pairings.begin()]
                               : nullptr;
        if (change.deleted) {
            if (pair) {
                m_ctx.device.Notify(oid, true);
                pair->device = NoteState::Deleted;
            } else if (m_ledger.WasSynced(oid)) {
                m_ledger.SyncedGone(oid);
            }
            continue;
        }
        // Our own write of an earlier pass, the last change of the record.
        if (m_ledger.SettledAt(oid, change.sequence))
            continue;
        if (group && grouped == CommitGroup::kSize) {
            JW_RETURN_IF_FAILED(group->Commit());
            group.reset();
        }
        if (!group) {
            auto hold = HoldHandheld();
            if (!hold.ok())
                return hold.status();
            group = std::move(hold.value());
            grouped = 0;
        }
        ++grouped;
        JW_ASSIGN_OR_RETURN(const NoteState state, DeviceStateOf(oid, pair != nullptr));
        if (pair)
            pair->device = state;
        else if (state != NoteState::LeftOut)
            m_input.newDevice.push_back({oid, std::nullopt});
    }
    return group ? group->Commit() : Status();
}

Status SyncPass::SettlePairStates() {
    for (PairedNote& pair : m_input.pairs) {
        const bool deviceMoves =
            pair.device == NoteState::Changed || pair.device == NoteState::Deleted;
        const bool desktopMoves =
            pair.desktopState == NoteState::Changed || pair.desktopState == NoteState::Deleted;
        // Before a change or deletion reaches the other side, that side must
        // take part: a filter there keeps its note as it is.
        if (deviceMoves && pair.desktopState == NoteState::Unchanged &&
            !m_ctx.desktop.IsReplicated(Item(pair.desktop))) {
            pair.desktopState = NoteState::LeftOut;
            ++m_result.counts.leftOutOnDesktop;
        }
        if (desktopMoves && pair.device == NoteState::Unchanged && !m_interest.count(pair.oid)) {
            JW_ASSIGN_OR_RETURN(pair.device, DeviceStateOf(pair.oid, true));
        }
    }
    return Status();
}

void SyncPass::CheckForALostSide() {
    const auto& pairs = m_input.pairs;
    if (pairs.empty() || m_ctx.allowMassDelete)
        return;
    auto goneFrom = [&](auto state) {
        return std::all_of(pairs.begin(), pairs.end(), [&](const PairedNote& pair) {
            return state(pair) == NoteState::Deleted;
        });
    };
    const std::string count = std::to_string(pairs.size());
    if (goneFrom([](const PairedNote& pair) { return pair.desktopState; }))
        m_result.lostSide =
            "Every note synchronized with the handheld (" + count + ") is gone from the desktop";
    else if (goneFrom([](const PairedNote& pair) { return pair.device; }))
        m_result.lostSide =
            "Every note synchronized with the desktop (" + count + ") is gone from the handheld";
}

void SyncPass::ReadContents() {
    auto& newDesktop = m_input.newDesktop;
    auto& newDevice = m_input.newDevice;
    if (newDesktop.empty() || (newDevice.empty() && m_pending.empty()))
        return;
    for (NewDesktopNote& note : newDesktop) {
        const Fetched& read = FetchDesktop(note.desktop);
        if (FAILED(read.hr))
            continue;
        if (auto content = ContentOfDesktopPacket(read.packet); content.ok())
            note.contentHash = ContentHash(content.value());
    }
    for (NewDeviceNote& note : newDevice) {
        const Fetched& read = FetchDevice(note.oid);
        if (FAILED(read.hr))
            continue;
        if (auto content = ContentOfDevicePacket(read.packet); content.ok())
            note.contentHash = ContentHash(content.value());
    }
}

} // namespace jsync
