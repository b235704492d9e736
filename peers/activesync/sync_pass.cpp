// The work of a pass: one object at a time, each followed by the commits of
// the partnership state, so that a pass ended at any point is taken up again
// by the next one without losing or doubling a note; the disk syncs of those
// commits are grouped (commit_group.h).
#include "peers/activesync/sync_pass.h"
#include "peers/activesync/result_text.h"

#include "peers/activesync/fault_switch.h"
#include "peers/activesync/progress.h"
#include "peers/activesync/store_stamp.h"
#include "platform/base/unicode.h"
#include "platform/ce/object_store.h"
#include "platform/win32/codepage.h"

#include <algorithm>
#include <limits>

namespace jsync {

using platform::Result;
using platform::Status;

namespace {

// A note's title in jsync's messages: control characters escaped, so that a
// note cannot act on the terminal, and a long one cut.
std::string Quoted(const std::string& title) {
    constexpr std::size_t kTitleLimit = 60;
    return "\"" + unicode::Printable(title, kTitleLimit) + "\"";
}

void Count(const Action& action, PassCounts& counts) {
    switch (action.kind) {
    case ActionKind::SendToDesktop:
        ++(action.desktop >= 0 ? counts.sentChanged : counts.sentNew);
        break;
    case ActionKind::SendToDevice:
        ++(action.oid != 0 ? counts.receivedChanged : counts.receivedNew);
        break;
    case ActionKind::DeleteOnDesktop:
        ++counts.deletedOnDesktop;
        break;
    case ActionKind::DeleteOnDevice:
        ++counts.deletedOnDevice;
        break;
    case ActionKind::Conflict:
        ++counts.conflicts;
        break;
    case ActionKind::PairEqual:
        ++counts.pairedEqual;
        break;
    default:
        break;
    }
}

const char* PolicyText(ConflictPolicy policy) {
    switch (policy) {
    case ConflictPolicy::PreferDesktop:
        return "the desktop's version wins";
    case ConflictPolicy::PreferDevice:
        return "the handheld's version wins";
    default:
        return "both versions are kept on both sides";
    }
}

} // namespace

namespace {

// A line of a dry run's report; a pass told to keep quiet (no file) only counts.
template <typename... Args> void Say(std::FILE* out, const char* format, Args... args) {
    if (out)
        std::fprintf(out, format, args...);
}

} // namespace

void PrintSummary(std::FILE* out, const PassResult& result, bool dryRun) {
    const PassCounts& c = result.counts;
    std::fprintf(out, "%s\n",
                 dryRun ? "Dry run: nothing has been changed. It would do:"
                        : "Synchronization summary:");
    std::fprintf(out, "  Sent to the desktop:       %zu (%zu new, %zu changed)\n",
                 c.sentNew + c.sentChanged, c.sentNew, c.sentChanged);
    std::fprintf(out, "  Received from the desktop: %zu (%zu new, %zu changed)\n",
                 c.receivedNew + c.receivedChanged, c.receivedNew, c.receivedChanged);
    std::fprintf(out, "  Deleted on the desktop:    %zu\n", c.deletedOnDesktop);
    std::fprintf(out, "  Deleted on the handheld:   %zu\n", c.deletedOnDevice);
    std::fprintf(out, "  Conflicts:                 %zu\n", c.conflicts);
    for (const std::string& conflict : result.conflicts)
        std::fprintf(out, "    %s\n", conflict.c_str());
    std::fprintf(out, "  Equal notes paired:        %zu\n", c.pairedEqual);
    std::fprintf(out,
                 "  Left out by the filters:   %zu (%zu on the handheld, %zu on the desktop)\n",
                 c.leftOutOnDevice + c.leftOutOnDesktop, c.leftOutOnDevice, c.leftOutOnDesktop);
    if (!result.notCarriedWhole.empty()) {
        std::fprintf(out,
                     "  Not carried whole by the desktop's code page (its '?' stand for them; "
                     "the handheld keeps them): %zu\n",
                     result.notCarriedWhole.size());
        for (const std::string& title : result.notCarriedWhole)
            std::fprintf(out, "    %s\n", title.c_str());
    }
    if (!result.failures.empty()) {
        std::fprintf(out, "  Not synchronized:          %zu\n", result.failures.size());
        for (const std::string& failure : result.failures)
            std::fprintf(out, "    %s\n", failure.c_str());
    }
}

Result<PassResult> SyncPass::Run() {
    m_desktopCodePage = GetACP();
    JW_ASSIGN_OR_RETURN(m_objectStore, ce::StoreConnection());
    m_group = std::make_unique<CommitGroup>(m_objectStore, m_ctx.desktopState.connection());
    JW_RETURN_IF_FAILED(m_group->status());
    auto result = RunGrouped();
    Status ended = m_group->End();
    m_group.reset();
    if (result.ok() && !ended.ok())
        return ended;
    return result;
}

Status SyncPass::EndGroup() {
    JW_RETURN_IF_FAILED(PairReceived());
    JW_RETURN_IF_FAILED(m_group->End());
    return m_ledger.FlushSettled();
}

Status SyncPass::PairReceived() {
    if (m_received.empty())
        return Status();
    // The notes must be on the handheld's disk before their pairings name them.
    JW_RETURN_IF_FAILED(m_group->FlushHandheld());
    PairingChange change;
    for (Received& note : m_received) {
        change.set.push_back({note.oid, std::move(note.handle)});
        change.remove.insert(change.remove.end(), note.gone.begin(), note.gone.end());
    }
    JW_RETURN_IF_FAILED(m_ctx.desktopState.Apply(m_ctx.partnership, change));
    DurableWriteDone();
    JW_RETURN_IF_FAILED(m_ledger.Forget(change.remove));
    for (const Received& note : m_received)
        m_ledger.Settle(note.oid, m_ledger.OwnWrite(note.oid));
    m_received.clear();
    return Status();
}

Result<PassResult> SyncPass::RunGrouped() {
    m_ctx.desktop.ReportStatus(RSC_BEGIN_SYNC);
    struct EndOfPass {
        DesktopProvider& desktop;
        ~EndOfPass() { desktop.ReportStatus(RSC_END_SYNC); }
    } endOfPass{m_ctx.desktop};

    JW_RETURN_IF_FAILED(Survey());
    if (!m_result.lostSide.empty())
        return m_result;
    HoldAfterSurvey();
    const std::vector<Action> plan = Plan(m_input);

    if (!m_ctx.allowMassDelete) {
        const DeletionCounts deletions = CountDeletions(plan);
        const std::size_t onDesktop = m_items.size();
        const std::size_t onDevice = m_ctx.device.NoteCount();
        if (IsMassDeletion(deletions.onDesktop, onDesktop) ||
            IsMassDeletion(deletions.onDevice, onDevice)) {
            m_result.refusal =
                "this synchronization would delete " + std::to_string(deletions.onDesktop) +
                " of the " + std::to_string(onDesktop) + " notes on the desktop and " +
                std::to_string(deletions.onDevice) + " of the " + std::to_string(onDevice) +
                " notes on the handheld; nothing has been changed. If these notes were lost "
                "rather than deleted (a store deleted, replaced or put back from a backup), run "
                "jsync again with --combine: the two sides are then combined as in a first "
                "synchronization and nothing is deleted. Only if you deleted them on purpose, "
                "--allow-mass-delete deletes them on the other side too.";
            return m_result;
        }
    }
    if (m_ctx.dryRun) {
        Report(plan);
        return m_result;
    }

    // A store put back from an older copy would no longer carry this stamp.
    if (!plan.empty())
        JW_RETURN_IF_FAILED(RenewStoreStamp());
    // The list names the survey's write-backs: they go to the disk first.
    JW_RETURN_IF_FAILED(m_group->FlushHandheld());
    JW_RETURN_IF_FAILED(m_ledger.ApplySurvey());
    Progress progress(plan.size(), StandardErrorIsTerminal());
    for (const Action& action : plan) {
        if (m_ctx.stop && *m_ctx.stop) {
            // The mark stays: the next pass finds what is left.
            JW_RETURN_IF_FAILED(EndGroup());
            m_result.interrupted = true;
            return m_result;
        }
        JW_RETURN_IF_FAILED(Execute(action));
        if (m_group->Full() || m_ledger.BatchFull() || m_received.size() >= CommitGroup::kSize)
            JW_RETURN_IF_FAILED(EndGroup());
        progress.Step();
    }
    JW_RETURN_IF_FAILED(EndGroup());
    if (Status status = m_ledger.NewMark(!m_result.failures.empty(), &m_result.changedMeanwhile);
        !status.ok())
        return status;
    return m_result;
}

const SyncPass::Fetched& SyncPass::FetchDevice(CEOID oid) {
    auto [at, added] = m_devicePackets.try_emplace(oid);
    if (added) {
        at->second.readAt = HandheldLedger::Now();
        at->second.hr = m_ctx.device.GetPacket(oid, &at->second.packet);
    }
    return at->second;
}

const SyncPass::Fetched& SyncPass::FetchDesktop(int index) {
    auto [at, added] = m_desktopPackets.try_emplace(index);
    if (added) {
        at->second.readAt = HandheldLedger::Now();
        at->second.hr = m_ctx.desktop.GetPacket(Item(index), &at->second.packet);
    }
    return at->second;
}

std::string SyncPass::DeviceTitle(CEOID oid) {
    const Fetched& read = FetchDevice(oid);
    if (SUCCEEDED(read.hr))
        if (auto content = ContentOfDevicePacket(read.packet); content.ok())
            return Quoted(TitleOf(content.value()));
    return "handheld note " + std::to_string(oid);
}

std::string SyncPass::DesktopTitle(int index) {
    const Fetched& read = FetchDesktop(index);
    if (SUCCEEDED(read.hr))
        if (auto content = ContentOfDesktopPacket(read.packet); content.ok())
            return Quoted(TitleOf(content.value()));
    return "a desktop note";
}

void SyncPass::CheckCarriedWhole(const Bytes& devicePacket) {
    if (m_desktopCodePage == CP_UTF8)
        return;
    auto handheld = HandheldContentOfDevicePacket(devicePacket);
    if (handheld.ok() && !DesktopCarriesWhole(handheld.value()))
        m_result.notCarriedWhole.push_back(Quoted(TitleOf(handheld.value())));
}

Bytes SyncPass::KeepHandheldTexts(CEOID oid, Bytes desktopPacket) {
    if (m_desktopCodePage == CP_UTF8)
        return desktopPacket;
    const Fetched& read = FetchDevice(oid);
    if (FAILED(read.hr))
        return desktopPacket;
    auto handheld = HandheldContentOfDevicePacket(read.packet);
    return handheld.ok() ? WithHandheldTextsKept(desktopPacket, handheld.value()) : desktopPacket;
}

void SyncPass::Report(const std::vector<Action>& plan) {
    std::FILE* out = m_ctx.out;
    for (const Action& a : plan) {
        switch (a.kind) {
        case ActionKind::SendToDesktop:
            if (const Fetched& read = FetchDevice(a.oid); SUCCEEDED(read.hr))
                CheckCarriedWhole(read.packet);
            Say(out, "send to the desktop (%s): %s\n",
                a.keepsChange    ? "changed here, deleted there: kept"
                : a.desktop >= 0 ? "changed"
                                 : "new",
                DeviceTitle(a.oid).c_str());
            break;
        case ActionKind::SendToDevice:
            Say(out, "receive from the desktop (%s): %s\n",
                a.keepsChange ? "changed there, deleted here: kept"
                : a.oid != 0  ? "changed"
                              : "new",
                DesktopTitle(a.desktop).c_str());
            break;
        case ActionKind::DeleteOnDesktop:
            Say(out, "delete on the desktop: %s\n", DesktopTitle(a.desktop).c_str());
            break;
        case ActionKind::DeleteOnDevice:
            Say(out, "delete on the handheld: %s\n", DeviceTitle(a.oid).c_str());
            break;
        case ActionKind::PairEqual:
            Say(out, "pair equal notes: %s\n", DeviceTitle(a.oid).c_str());
            break;
        case ActionKind::Conflict:
            Say(out, "conflict, changed on both sides (%s unless the texts are equal): %s\n",
                PolicyText(m_ctx.policy), DeviceTitle(a.oid).c_str());
            break;
        case ActionKind::Forget:
            Say(out, "forget the pairing of handheld note %u\n", a.oid);
            break;
        case ActionKind::DiscardCopy:
            Say(out, "discard a conflict copy left by an interrupted run: %s\n",
                DesktopTitle(a.desktop).c_str());
            break;
        case ActionKind::ClearPending:
            break;
        }
        Count(a, m_result.counts);
    }
}

void SyncPass::Fail(const std::string& what, const std::string& title, HRESULT hr) {
    m_result.failures.push_back(title + ": " + what + " (" + ResultText(hr) + ")");
}

bool SyncPass::DesktopChangedMeanwhile(CEOID oid, int index) {
    if (!m_ctx.desktop.IsChanged(Item(index), nullptr)) {
        HoldBeforeDesktopWrite();
        return false;
    }
    Postpone(oid);
    return true;
}

void SyncPass::FailDesktopWrite(CEOID oid, int index, const std::string& what,
                                const std::string& title, HRESULT hr) {
    // The store refuses to write over or delete a save made after the check:
    // the note waits for the next pass, as one the check found changed does.
    if (index >= 0 && DesktopChangedMeanwhile(oid, index))
        return;
    Fail(what, title, hr);
}

void SyncPass::Postpone(CEOID oid) {
    m_ledger.Unsettle(oid);
    m_ledger.HoldMark();
    m_result.changedMeanwhile = true;
}

bool SyncPass::DeviceChangedMeanwhile(CEOID oid) {
    const bool changed = m_ledger.WrittenByOthers(oid);
    if (changed)
        Postpone(oid);
    return changed;
}

Bytes SyncPass::PairingBytes(int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < m_pairingOfItem.size() &&
        m_pairingOfItem[index] != kUnpaired) {
        const HREPLITEM stored = m_stored[m_pairingOfItem[index]].get();
        m_ctx.desktop.Update(stored, Item(index));
        return m_ctx.desktop.ToBytes(stored);
    }
    return m_ctx.desktop.ToBytes(Item(index));
}

Status SyncPass::Pair(CEOID oid, const Bytes& handle, std::vector<CEOID> remove,
                      std::vector<CEOID> clearPending) {
    PairingChange change;
    change.set.push_back({oid, handle});
    change.remove = std::move(remove);
    change.clearPending = std::move(clearPending);
    Status status = m_ctx.desktopState.Apply(m_ctx.partnership, change);
    if (status.ok()) {
        DurableWriteDone();
        m_group->Paired();
    }
    return status;
}

bool SyncPass::ClearChange(CEOID oid) {
    const std::uint64_t before = HandheldLedger::Now();
    const DWORD error = m_ctx.device.ClearChange(oid);
    DurableWriteDone();
    if (error != ERROR_SUCCESS) {
        m_ledger.Unsettle(oid);
        Fail("the handheld provider could not mark the note synchronized", DeviceTitle(oid),
             HRESULT_FROM_WIN32(error));
        return false;
    }
    m_ledger.RecordOwnWrite(oid, before);
    return true;
}

Status SyncPass::SettleSent(CEOID oid, std::uint64_t readAt) {
    JW_ASSIGN_OR_RETURN(auto hold, HoldHandheld());
    if (m_ledger.WrittenSince(oid, readAt)) {
        // Stays changed: its new text goes at the next pass.
        m_ledger.Unsettle(oid);
        return Status();
    }
    HoldBeforeHandheldWrite();
    if (ClearChange(oid))
        m_ledger.Settle(oid, m_ledger.OwnWrite(oid));
    return hold->Commit();
}

Result<std::unique_ptr<platform::sqlite::Transaction>> SyncPass::HoldHandheld() {
    return platform::sqlite::Transaction::BeginWrite(*m_objectStore);
}

Status SyncPass::UnpairEverywhere(CEOID oid) {
    // The handheld's list first: a pairing left behind is still seen next time.
    JW_RETURN_IF_FAILED(m_ledger.Forget({oid}));
    PairingChange change;
    change.remove.push_back(oid);
    JW_RETURN_IF_FAILED(m_ctx.desktopState.Apply(m_ctx.partnership, change));
    DurableWriteDone();
    m_group->Paired();
    return Status();
}

Status SyncPass::Execute(const Action& action) {
    Status status;
    switch (action.kind) {
    case ActionKind::SendToDesktop:
        return SendToDesktop(action);
    case ActionKind::SendToDevice:
        return SendToDevice(action);
    case ActionKind::DeleteOnDesktop:
        return DeleteOnDesktop(action);
    case ActionKind::DeleteOnDevice:
        return DeleteOnDevice(action);
    case ActionKind::PairEqual:
        return PairEqual(action);
    case ActionKind::Conflict:
        return Conflict(action);
    case ActionKind::Forget:
        return Forget(action.oid);
    case ActionKind::DiscardCopy:
        return DiscardCopy(action);
    case ActionKind::ClearPending:
        return ClearPending(action.oid);
    }
    return status;
}

Status SyncPass::SendToDesktop(const Action& action) {
    const auto& [fetched, packet, readAt] = FetchDevice(action.oid);
    if (HRESULT hr = fetched; FAILED(hr)) {
        if (hr == RERR_DISCARD)
            ++m_result.counts.leftOutOnDevice;
        else if (hr != RERR_OBJECT_DELETED) // gone since: the next pass sees its deletion
            Fail("the handheld provider gave no packet", DeviceTitle(action.oid), hr);
        return Status();
    }
    CheckCarriedWhole(packet);
    if (action.desktop >= 0 && DesktopChangedMeanwhile(action.oid, action.desktop))
        return Status();
    StoreHandle created;
    const HREPLITEM target = action.desktop >= 0 ? Item(action.desktop) : nullptr;
    const HRESULT hr = m_ctx.desktop.SetPacket(target, packet, &created);
    DurableWriteDone();
    if (action.desktop >= 0)
        m_desktopPackets.erase(action.desktop);
    if (FAILED(hr)) {
        FailDesktopWrite(action.oid, action.desktop, "the desktop store did not take the note",
                         DeviceTitle(action.oid), hr);
        return Status();
    }
    const Bytes handle =
        action.desktop >= 0 ? PairingBytes(action.desktop) : m_ctx.desktop.ToBytes(created.get());
    JW_RETURN_IF_FAILED(Pair(action.oid, handle));
    JW_RETURN_IF_FAILED(SettleSent(action.oid, readAt));
    Count(action, m_result.counts);
    return Status();
}

Status SyncPass::SendToDevice(const Action& action, Counted counted) {
    const Fetched& read = FetchDesktop(action.desktop);
    if (FAILED(read.hr)) {
        Fail("the desktop store gave no packet", DesktopTitle(action.desktop), read.hr);
        return Status();
    }
    Bytes packet = read.packet;
    JW_ASSIGN_OR_RETURN(auto hold, HoldHandheld());
    if (action.oid != 0 && DeviceChangedMeanwhile(action.oid))
        return Status();
    if (action.oid != 0)
        packet = KeepHandheldTexts(action.oid, std::move(packet));
    HoldBeforeHandheldWrite();
    const std::uint64_t before = HandheldLedger::Now();
    CEOID written = 0;
    const HRESULT hr = m_ctx.device.SetPacket(action.oid, packet, &written);
    DurableWriteDone();
    m_devicePackets.erase(action.oid);
    m_devicePackets.erase(written);
    if (FAILED(hr)) {
        Fail("the handheld provider did not take the note", DesktopTitle(action.desktop), hr);
        return Status();
    }
    m_ledger.RecordOwnWrite(written, before);
    JW_RETURN_IF_FAILED(hold->Commit());
    // A record that went meanwhile was made anew: its pairing moves to the new one.
    std::vector<CEOID> gone;
    if (action.replaces != 0 && action.replaces != written)
        gone.push_back(action.replaces);
    if (action.oid != 0 && action.oid != written)
        gone.push_back(action.oid);
    if (counted == Counted::InConflict) {
        // The conflict's next steps build on the pairing: it is made now, once
        // the note is on the handheld's disk.
        JW_RETURN_IF_FAILED(m_group->FlushHandheld());
        JW_RETURN_IF_FAILED(Pair(written, PairingBytes(action.desktop), gone));
        JW_RETURN_IF_FAILED(m_ledger.Forget(gone));
        m_ledger.Settle(written, m_ledger.OwnWrite(written));
        return Status();
    }
    // Paired at the group's end, after one sync for the whole group.
    m_received.push_back({written, PairingBytes(action.desktop), std::move(gone)});
    Action done = action;
    done.oid = action.oid != 0 && action.oid == written ? written : 0;
    Count(done, m_result.counts);
    return Status();
}

Status SyncPass::DeleteOnDesktop(const Action& action) {
    if (DesktopChangedMeanwhile(action.oid, action.desktop))
        return Status();
    const HRESULT hr = m_ctx.desktop.DeleteObj(Item(action.desktop));
    DurableWriteDone();
    if (FAILED(hr)) {
        FailDesktopWrite(action.oid, action.desktop, "the desktop store did not delete the note",
                         DesktopTitle(action.desktop), hr);
        return Status();
    }
    JW_RETURN_IF_FAILED(UnpairEverywhere(action.oid));
    Count(action, m_result.counts);
    return Status();
}

Status SyncPass::DeleteOnDevice(const Action& action) {
    JW_ASSIGN_OR_RETURN(auto hold, HoldHandheld());
    if (DeviceChangedMeanwhile(action.oid))
        return Status();
    const std::uint64_t before = HandheldLedger::Now();
    const HRESULT hr = m_ctx.device.DeleteObj(action.oid);
    DurableWriteDone();
    if (FAILED(hr) && hr != RERR_OBJECT_DELETED) {
        Fail("the handheld provider did not delete the note", DeviceTitle(action.oid), hr);
        return Status();
    }
    m_ledger.RecordOwnWrite(action.oid, before);
    JW_RETURN_IF_FAILED(hold->Commit());
    // The deletion must be on the handheld's disk before the pairing goes.
    JW_RETURN_IF_FAILED(m_group->FlushHandheld());
    JW_RETURN_IF_FAILED(UnpairEverywhere(action.oid));
    Count(action, m_result.counts);
    return Status();
}

Status SyncPass::PairEqual(const Action& action) {
    // A desktop note kept against a deletion on the handheld leaves the
    // deleted note's pairing behind.
    std::vector<CEOID> gone;
    if (action.replaces != 0 && action.replaces != action.oid)
        gone.push_back(action.replaces);
    JW_RETURN_IF_FAILED(m_ledger.Forget(gone));
    JW_RETURN_IF_FAILED(Pair(action.oid, PairingBytes(action.desktop), gone));
    if (m_interest[action.oid] != DeviceInterest::Changed) {
        m_ledger.Settle(action.oid, m_ledger.OwnWrite(action.oid));
        Count(action, m_result.counts);
        return Status();
    }
    JW_ASSIGN_OR_RETURN(auto hold, HoldHandheld());
    if (m_ledger.WrittenByOthers(action.oid)) {
        // Saved again since the pass read it: its new text goes next time.
        m_ledger.Unsettle(action.oid);
    } else if (ClearChange(action.oid)) {
        m_ledger.Settle(action.oid, m_ledger.OwnWrite(action.oid));
    } else {
        return Status();
    }
    Count(action, m_result.counts);
    return hold->Commit();
}

Status SyncPass::Forget(CEOID oid) {
    return UnpairEverywhere(oid);
}

Status SyncPass::DiscardCopy(const Action& action) {
    const HRESULT hr = m_ctx.desktop.DeleteObj(Item(action.desktop));
    DurableWriteDone();
    if (FAILED(hr)) {
        Fail("the desktop store did not delete a conflict copy", DesktopTitle(action.desktop), hr);
        return Status();
    }
    return ClearPending(action.oid);
}

Status SyncPass::ClearPending(CEOID oid) {
    PairingChange change;
    change.clearPending.push_back(oid);
    Status status = m_ctx.desktopState.Apply(m_ctx.partnership, change);
    if (status.ok())
        DurableWriteDone();
    return status;
}

Status SyncPass::Conflict(const Action& action) {
    const auto& [fetched, devicePacket, readAt] = FetchDevice(action.oid);
    if (HRESULT hr = fetched; FAILED(hr)) {
        if (hr == RERR_DISCARD)
            ++m_result.counts.leftOutOnDevice;
        else if (hr != RERR_OBJECT_DELETED)
            Fail("the handheld provider gave no packet", DeviceTitle(action.oid), hr);
        return Status();
    }
    auto content = ContentOfDevicePacket(devicePacket);
    if (!content.ok()) {
        Fail(content.status().message(), DeviceTitle(action.oid), E_UNEXPECTED);
        return Status();
    }
    const std::string title = Quoted(TitleOf(content.value()));
    const HREPLITEM local = Item(action.desktop);

    // The handheld's version goes to the desktop as a copy first, so that the
    // store can compare the two; the copy is announced in the state before
    // it is made, so that an interrupted run finds it again.
    StoreHandle madeCopy;
    HREPLITEM copy = action.copy >= 0 ? Item(action.copy) : nullptr;
    if (copy == nullptr) {
        PairingChange journal;
        journal.addPending.push_back({action.oid, ContentHash(content.value())});
        JW_RETURN_IF_FAILED(m_ctx.desktopState.Apply(m_ctx.partnership, journal));
        DurableWriteDone();
        // The announcement must be on the disk before the copy it announces.
        JW_RETURN_IF_FAILED(m_group->FlushPairings());
        const HRESULT hr = m_ctx.desktop.SetPacket(nullptr, devicePacket, &madeCopy);
        DurableWriteDone();
        if (FAILED(hr)) {
            Fail("the desktop store did not take the handheld's version", title, hr);
            return Status();
        }
        copy = madeCopy.get();
    }
    Count(action, m_result.counts);

    auto discardCopy = [&]() -> bool {
        const HRESULT hr = m_ctx.desktop.DeleteObj(copy);
        DurableWriteDone();
        if (FAILED(hr))
            Fail("the desktop store did not delete a conflict copy", title, hr);
        return SUCCEEDED(hr);
    };
    auto settleDevice = [&]() -> Status { return SettleSent(action.oid, readAt); };

    // The summary tells how each conflict ended, once it has ended well.
    const std::size_t failuresBefore = m_result.failures.size();
    auto settled = [&](const char* how, Status status) {
        if (status.ok() && m_result.failures.size() == failuresBefore)
            m_result.conflicts.push_back(title + ": " + how);
        return status;
    };

    const HRESULT info = m_ctx.desktop.ConflictInfo(local, copy);
    if (info == RERR_IGNORE) {
        // Equal texts: no choice for the person, but colour and categories
        // may still differ; they are made the same on both sides.
        if (!discardCopy())
            return Status();
        return settled("the texts were equal; colour and categories made the same",
                       ReconcileEqualTexts(action, devicePacket, readAt));
    }
    if (m_ctx.policy == ConflictPolicy::PreferDesktop) {
        if (!discardCopy())
            return Status();
        JW_RETURN_IF_FAILED(ClearPending(action.oid));
        return settled("the desktop's version won",
                       SendToDevice(Action{ActionKind::SendToDevice, action.oid, action.desktop},
                                    Counted::InConflict));
    }
    if (m_ctx.policy == ConflictPolicy::PreferDevice) {
        if (DesktopChangedMeanwhile(action.oid, action.desktop))
            return Status();
        const HRESULT hr = m_ctx.desktop.SetPacket(local, devicePacket, nullptr);
        DurableWriteDone();
        m_desktopPackets.erase(action.desktop);
        if (FAILED(hr)) {
            FailDesktopWrite(action.oid, action.desktop,
                             "the desktop store did not take the handheld's version", title, hr);
            return Status();
        }
        if (!discardCopy())
            return Status();
        if (Status status = Pair(action.oid, PairingBytes(action.desktop), {}, {action.oid});
            !status.ok())
            return status;
        return settled("the handheld's version won", settleDevice());
    }
    // Both versions on both sides: the handheld note pairs with its copy, the
    // desktop note goes to the handheld as a new note.
    if (Status status = Pair(action.oid, m_ctx.desktop.ToBytes(copy), {}, {action.oid});
        !status.ok())
        return status;
    JW_RETURN_IF_FAILED(settleDevice());
    m_pairingOfItem[action.desktop] = kUnpaired;
    return settled(
        "both versions kept on both sides",
        SendToDevice(Action{ActionKind::SendToDevice, 0, action.desktop}, Counted::InConflict));
}

Status SyncPass::ReconcileEqualTexts(const Action& action, const Bytes& devicePacket,
                                     std::uint64_t readAt) {
    const HREPLITEM local = Item(action.desktop);
    const Fetched& read = FetchDesktop(action.desktop);
    if (FAILED(read.hr)) {
        Fail("the desktop store gave no packet", DesktopTitle(action.desktop), read.hr);
        return Status();
    }
    auto onDesktop = ContentOfDesktopPacket(read.packet);
    auto onDevice = ContentOfDevicePacket(devicePacket);
    if (!onDesktop.ok() || !onDevice.ok()) {
        Fail((onDesktop.ok() ? onDevice : onDesktop).status().message(),
             DesktopTitle(action.desktop), E_UNEXPECTED);
        return Status();
    }
    const DeviceNote reconciled =
        ReconciledAttributes(onDevice.value(), onDesktop.value(), m_ctx.policy);
    auto sameAttributes = [](const DeviceNote& a, const DeviceNote& b) {
        return a.color == b.color && a.categories == b.categories;
    };
    if (!sameAttributes(reconciled, onDesktop.value())) {
        if (DesktopChangedMeanwhile(action.oid, action.desktop))
            return Status();
        const HRESULT hr = m_ctx.desktop.SetPacket(
            local, DevicePacketWithAttributes(devicePacket, reconciled), nullptr);
        DurableWriteDone();
        m_desktopPackets.erase(action.desktop);
        if (FAILED(hr)) {
            FailDesktopWrite(action.oid, action.desktop, "the desktop store did not take the note",
                             DesktopTitle(action.desktop), hr);
            return Status();
        }
    }
    if (!sameAttributes(reconciled, onDevice.value())) {
        JW_RETURN_IF_FAILED(ClearPending(action.oid));
        return SendToDevice(Action{ActionKind::SendToDevice, action.oid, action.desktop},
                            Counted::InConflict);
    }
    if (Status status = Pair(action.oid, PairingBytes(action.desktop), {}, {action.oid});
        !status.ok())
        return status;
    return SettleSent(action.oid, readAt);
}

Status SyncPass::RenewStoreStamp() {
    // Announced first, then written into the store, then made current: the
    // store carries one of the two recorded stamps whenever a run ends.
    StoreStamps stamps = m_ctx.handheldState.Stamps(m_ctx.partnerBit).value_or(StoreStamps{});
    stamps.pending = NewStoreStamp();
    auto record = [&]() -> Status {
        JW_RETURN_IF_FAILED(m_ctx.handheldState.SetStamps(m_ctx.partnerBit, stamps));
        DurableWriteDone();
        JW_RETURN_IF_FAILED(m_ctx.desktopState.SetHandheldStamps(m_ctx.partnership, stamps));
        DurableWriteDone();
        return Status();
    };
    JW_RETURN_IF_FAILED(record());
    JW_RETURN_IF_FAILED(WriteStoreStamp(m_ctx.partnerBit, stamps.pending));
    DurableWriteDone();
    stamps = StoreStamps{stamps.pending, 0};
    return record();
}

} // namespace jsync
