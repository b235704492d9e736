#include "peers/activesync/session.h"
#include "peers/activesync/result_text.h"

#include "peers/activesync/fault_switch.h"
#include "peers/activesync/registration.h"
#include "peers/activesync/store_stamp.h"
#include "peers/ceappmgr/app_manager.h"
#include "platform/base/kernel.h"
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"
#include "platform/ui/winuser.h"
#include "platform/win32/machine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace jsync {

using platform::Result;
using platform::Status;

namespace {

// Handheld status code: the synchronization has ended.
constexpr UINT kDeviceSyncEnded = 2;

// One jsync at a time works with a desktop's partnership state.
Result<int> LockDesktop(const std::string& desktopDir) {
    const std::string path = desktopDir + "/activesync/jsync.lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return Status::Failure(ERROR_ACCESS_DENIED, "cannot open " + path);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return Status::Failure(ERROR_ACCESS_DENIED,
                               "another jsync is synchronizing this desktop (" + desktopDir + ")");
    }
    return fd;
}

// A slot's desktop as the handheld's state names it: data of the handheld,
// shown with its control characters escaped.
std::string DesktopOf(const PartnerSlot& slot) {
    return unicode::Printable(slot.desktopName, 200);
}

std::string OtherSlotAdvice(UINT bit) {
    return "; synchronize with --partner " + std::to_string(bit == 1 ? 2 : 1);
}

// Refuses machines where a half of the system is not installed: the
// handheld half counts as installed while its package waits in the
// application manager's store, since it is installed as the handheld connects.
Status CheckInstalled(const std::string& handheld, const std::string& desktop) {
    if (!DesktopProviderRegistered())
        return NotInstalledOnDesktop(desktop);
    if (DeviceProviderRegistered())
        return Status();
    JW_ASSIGN_OR_RETURN(auto pending, ceappmgr::InstallPending(true));
    for (const auto& installation : pending)
        if (installation.outcome == ceappmgr::Outcome::WouldInstall)
            return Status();
    return NotInstalledOnHandheld(handheld, desktop);
}

} // namespace

Result<std::unique_ptr<Session>> Session::Open(const Options& options) {
    std::unique_ptr<Session> session(new Session);
    session->m_options = options;
    if (options.handheld)
        ce::SetHandheldDirectory(*options.handheld);
    if (options.desktop)
        win32::SetDesktopDirectory(*options.desktop);
    session->m_desktopName = win32::ChosenDesktopDirectory();
    const std::string handheldName = ce::ChosenHandheldDirectory();
    if (Status status = CheckMachines(ce::ChosenHandheldDirectory(), session->m_desktopName);
        !status.ok())
        return status;
    // The service managers' own set-up; the system's registrations are the
    // installer's, and without them nothing on either machine is touched.
    if (!options.dryRun)
        JW_RETURN_IF_FAILED(RegisterAppManager());
    if (options.dryRun) {
        JW_ASSIGN_OR_RETURN(auto scratch, ScratchMachines::Copy(ce::ChosenHandheldDirectory(),
                                                                session->m_desktopName));
        session->m_scratch = std::make_unique<ScratchMachines>(std::move(scratch));
        ce::SetHandheldDirectory(session->m_scratch->HandheldDir());
        win32::SetDesktopDirectory(session->m_scratch->DesktopDir());
    }
    JW_RETURN_IF_FAILED(CheckInstalled(handheldName, session->m_desktopName));
    session->m_handheldDir = ce::HandheldDirectory();
    session->m_desktopDir = win32::DesktopDirectory();

    JW_ASSIGN_OR_RETURN(auto desktopState, DesktopState::Open(session->m_desktopDir));
    session->m_desktopState = std::move(desktopState);
    JW_ASSIGN_OR_RETURN(auto lock, LockDesktop(session->m_desktopDir));
    session->m_lockFile = lock;
    JW_ASSIGN_OR_RETURN(auto handheldState, HandheldState::Open(session->m_handheldDir));
    session->m_handheldState = std::move(handheldState);

    // The handheld has connected: the application manager installs what is
    // pending for it before the providers are looked up, so that a package's
    // registration is the one used.
    // A dry run installs into the copies of the machines, so that it goes on
    // as the real run would, and says what it would install.
    JW_ASSIGN_OR_RETURN(auto installed, ceappmgr::InstallPending(false));
    for (auto& installation : installed) {
        if (options.dryRun && installation.outcome == ceappmgr::Outcome::Installed)
            installation.outcome = ceappmgr::Outcome::WouldInstall;
        if (installation.outcome != ceappmgr::Outcome::AlreadyInstalled)
            std::printf("%s\n", ceappmgr::DescribeInstallation(installation, handheldName).c_str());
    }

    JW_ASSIGN_OR_RETURN(auto providers, FindProviders());
    JW_RETURN_IF_FAILED(session->FindPartnership(options));

    JW_ASSIGN_OR_RETURN(auto device,
                        DeviceProvider::Load(providers.deviceLibrary, session->m_partnerBit));
    session->m_device = std::move(device);

    session->m_storeClass = providers.clsid;
    JW_ASSIGN_OR_RETURN(auto desktop, DesktopProvider::Create(providers.clsid));
    session->m_desktop = std::move(desktop);
    session->m_notify = std::make_unique<ReplNotify>(session->m_partnership.id);
    JW_RETURN_IF_FAILED(session->m_desktop->Initialize(session->m_notify.get()));
    JW_RETURN_IF_FAILED(session->CheckStore());
    JW_RETURN_IF_FAILED(session->CheckHandheldStore());
    if (options.combine && options.command == Command::Synchronize)
        JW_RETURN_IF_FAILED(session->Combine());
    if (Status status = session->m_desktop->OpenFolder(
            session->m_forgetPairings ? std::nullopt : session->m_partnership.folder);
        !status.ok())
        return status;
    if (!session->m_partnership.folder && !options.dryRun && options.command != Command::Options) {
        if (Status status = session->m_desktopState->SetFolder(session->m_partnership.id,
                                                               session->m_desktop->FolderBytes());
            !status.ok())
            return status;
        DurableWriteDone();
    }
    return session;
}

Session::~Session() {
    m_desktop.reset();
    m_device.reset();
    if (m_lockFile >= 0)
        close(m_lockFile);
}

Status Session::FindPartnership(const Options& options) {
    const bool write = !options.dryRun;
    JW_ASSIGN_OR_RETURN(auto deviceId, m_handheldState->DeviceId(write));
    std::optional<Partnership> known;
    if (deviceId != 0) {
        JW_ASSIGN_OR_RETURN(known, m_desktopState->FindPartnership(deviceId));
    }
    if (known) {
        m_partnership = *known;
        m_partnerBit = known->partnerBit;
        if (options.partner && *options.partner != m_partnerBit)
            return Status::Failure(ERROR_INVALID_PARAMETER,
                                   "this desktop is partner " + std::to_string(m_partnerBit) +
                                       " of the handheld; synchronize with --partner " +
                                       std::to_string(m_partnerBit));
        const auto slot = m_handheldState->Slot(m_partnerBit);
        if (slot && slot->partnership != m_partnership.id)
            return Status::Failure(ERROR_ACCESS_DENIED,
                                   "partner slot " + std::to_string(m_partnerBit) +
                                       " of the handheld now belongs to the desktop " +
                                       DesktopOf(*slot));
        if (!slot && write) {
            if (Status status =
                    m_handheldState->Claim(m_partnerBit, m_partnership.id, m_desktopName);
                !status.ok())
                return status;
            DurableWriteDone();
        }
        return Status();
    }

    // A new partnership, in the slot asked for or the first free one.
    std::optional<UINT> bit = options.partner;
    if (bit) {
        if (const auto slot = m_handheldState->Slot(*bit))
            return Status::Failure(ERROR_ACCESS_DENIED,
                                   "partner slot " + std::to_string(*bit) +
                                       " of the handheld belongs to the desktop " +
                                       DesktopOf(*slot) + OtherSlotAdvice(*bit));
    } else {
        for (UINT candidate : {1u, 2u})
            if (!bit && !m_handheldState->Slot(candidate))
                bit = candidate;
        if (!bit)
            return Status::Failure(ERROR_ACCESS_DENIED,
                                   "the handheld has two partners already (" +
                                       DesktopOf(*m_handheldState->Slot(1)) + " and " +
                                       DesktopOf(*m_handheldState->Slot(2)) + ")");
    }
    m_partnerBit = *bit;
    if (!write) {
        m_partnership = Partnership();
        m_partnership.deviceId = deviceId;
        m_partnership.partnerBit = m_partnerBit;
        m_forgetPairings = true;
        return Status();
    }
    // The desktop's record first: an interrupted start finds it and claims the slot then.
    JW_ASSIGN_OR_RETURN(auto created, m_desktopState->CreatePartnership(deviceId, m_partnerBit));
    DurableWriteDone();
    m_partnership = created;
    if (Status status = m_handheldState->Claim(m_partnerBit, m_partnership.id, m_desktopName);
        !status.ok())
        return status;
    DurableWriteDone();
    return Status();
}

Status Session::CheckStore() {
    const Bytes& storeId = m_desktop->StoreId();
    if (m_partnership.storeId && m_desktop->SameStore(*m_partnership.storeId))
        return Status();
    if (m_partnership.storeId) {
        std::printf("The desktop store is not the one this partnership was made with: its notes "
                    "are combined with the handheld's as in a first synchronization.\n");
        return Combine();
    }
    if (m_options.dryRun || m_options.command == Command::Options)
        return Status();
    JW_RETURN_IF_FAILED(m_desktopState->ResetForStore(m_partnership.id, storeId));
    DurableWriteDone();
    m_partnership.storeId = storeId;
    m_partnership.folder.reset();
    return Status();
}

Status Session::Combine() {
    if (m_options.dryRun || m_options.command == Command::Options) {
        m_forgetPairings = true;
        return Status();
    }
    // The handheld's side first: a pass after an interruption here still
    // finds the desktop's pairings and starts over again.
    JW_RETURN_IF_FAILED(m_handheldState->StartOver(m_partnerBit));
    DurableWriteDone();
    if (Status status = m_desktopState->ResetForStore(m_partnership.id, m_desktop->StoreId());
        !status.ok())
        return status;
    DurableWriteDone();
    // The store as it is now is the one this desktop knows from here on.
    if (const auto stamps = m_handheldState->Stamps(m_partnerBit)) {
        JW_RETURN_IF_FAILED(m_desktopState->SetHandheldStamps(m_partnership.id, *stamps));
        DurableWriteDone();
    }
    m_partnership.storeId = m_desktop->StoreId();
    m_partnership.folder.reset();
    return Status();
}

Status Session::CheckHandheldStore() {
    const auto recorded = m_handheldState->Stamps(m_partnerBit);
    const auto slot = m_handheldState->Slot(m_partnerBit);
    if (!recorded || !slot)
        return Status();
    const bool wentBack = HandheldLedger::Now() < slot->mark;
    const auto stamp = ReadStoreStamp(m_partnerBit);
    auto carries = [&](const StoreStamps& stamps) {
        return stamp && (*stamp == stamps.current || *stamp == stamps.pending);
    };
    // The desktop's own record too: the handheld's comes back with the store
    // when the whole handheld is put back from a copy.
    JW_ASSIGN_OR_RETURN(const auto desktopRecord, m_desktopState->HandheldStamps(m_partnership.id));
    const bool known = carries(*recorded) && (!desktopRecord || carries(*desktopRecord));
    if (known && !wentBack)
        return Status();
    std::printf("The handheld's object store is not the one this desktop last synchronized "
                "with (it was replaced, or put back from an older copy): its notes are combined "
                "with the desktop's as in a first synchronization, and nothing is deleted.\n");
    return Combine();
}

Result<PassResult> Session::RunPass(const std::atomic<bool>* stop) {
    const auto slot = m_handheldState->Slot(m_partnerBit);
    PassContext context{*m_desktop, *m_device, *m_desktopState, *m_handheldState};
    context.partnership = m_partnership.id;
    context.partnerBit = m_partnerBit;
    context.mark = slot && !m_forgetPairings ? slot->mark : 0;
    context.forgetPairings = m_forgetPairings;
    context.policy = m_options.policy;
    context.dryRun = m_options.dryRun;
    context.allowMassDelete = m_options.allowMassDelete;
    context.stop = stop;
    auto result = SyncPass(context).Run();
    if (result.ok() && !result->lostSide.empty()) {
        std::printf("%s: the two sides are combined as in a first synchronization, and "
                    "nothing is deleted. To delete every note on purpose, run jsync with "
                    "--allow-mass-delete.\n",
                    result->lostSide.c_str());
        JW_RETURN_IF_FAILED(Combine());
        context.mark = 0;
        context.forgetPairings = m_forgetPairings;
        result = SyncPass(context).Run();
    }
    if (!m_options.dryRun && result.ok() && result->refusal.empty()) {
        m_device->ReportStatus(kDeviceSyncEnded);
        if (!result->interrupted) {
            SYSTEMTIME now;
            GetSystemTime(&now);
            FILETIME finished{};
            SystemTimeToFileTime(&now, &finished);
            JW_RETURN_IF_FAILED(m_desktopState->SetLastPass(m_partnership.id, finished));
        }
    }
    return result;
}

Result<std::string> Session::ShowOptions() {
    // The store's dialogs are the desktop's windows, whatever else is loaded.
    platform::InstallMachine(&win32::DesktopMachine());
    ui::JoinWindowStation();
    const HRESULT hr = m_desktop->ActivateDialog();
    if (FAILED(hr) && hr != RERR_STORE_REPLACED)
        return Status::Failure(ERROR_INVALID_FUNCTION,
                               "the desktop store's options dialog failed (" + ResultText(hr) +
                                   ")");
    if (hr != RERR_STORE_REPLACED)
        return std::string();
    // The store asked to be loaded anew: released, created again and
    // initialised, so that it takes its new timer and session.
    m_desktop.reset();
    JW_ASSIGN_OR_RETURN(auto desktop, DesktopProvider::Create(m_storeClass));
    m_desktop = std::move(desktop);
    JW_RETURN_IF_FAILED(m_desktop->Initialize(m_notify.get()));
    const auto timer = m_desktop->RefreshTimer();
    return std::string("The desktop store was loaded anew with the new options: ") +
           (timer ? "it asks for a refresh every " + std::to_string(*timer / 1000) + " s"
                  : "it asks for no timed refresh") +
           ".\n";
}

Result<Session::Standing> Session::Describe() {
    Standing standing;
    JW_ASSIGN_OR_RETURN(auto names, m_desktop->TypeNames());
    standing.typeName = names.first;
    standing.syncText = names.second;
    standing.partnerBit = m_partnerBit;
    if (m_partnership.id != 0) {
        JW_ASSIGN_OR_RETURN(standing.lastPass, m_desktopState->LastPass(m_partnership.id));
    }
    const auto slot = m_handheldState->Slot(m_partnerBit);
    PassContext context{*m_desktop, *m_device, *m_desktopState, *m_handheldState};
    context.partnership = m_partnership.id;
    context.partnerBit = m_partnerBit;
    context.mark = slot && !m_forgetPairings ? slot->mark : 0;
    context.forgetPairings = m_forgetPairings;
    context.policy = m_options.policy;
    context.dryRun = true;
    context.allowMassDelete = true;
    context.out = nullptr;
    JW_ASSIGN_OR_RETURN(auto result, SyncPass(context).Run());
    standing.waiting = result.counts;
    return standing;
}

int Session::Watch(const std::atomic<bool>& stop) {
    using Clock = std::chrono::steady_clock;
    int exitStatus = 0;
    auto pass = [&]() -> bool {
        auto result = RunPass(&stop);
        const std::time_t now = std::time(nullptr);
        char when[32];
        std::strftime(when, sizeof when, "%H:%M:%S", std::localtime(&now));
        if (!result.ok()) {
            std::fprintf(stderr, "jsync: %s: synchronization failed: %s\n", when,
                         result.status().message().c_str());
            exitStatus = 1;
            return false;
        }
        if (!result->refusal.empty()) {
            std::fprintf(stderr, "jsync: %s: %s\n", when, result->refusal.c_str());
            exitStatus = 1;
            return false;
        }
        const PassCounts& c = result->counts;
        if (c.sentNew + c.sentChanged + c.receivedNew + c.receivedChanged + c.deletedOnDesktop +
                c.deletedOnDevice + c.conflicts + c.pairedEqual + result->failures.size() >
            0) {
            std::printf("%s\n", when);
            PrintSummary(stdout, result.value(), false);
            std::fflush(stdout);
        }
        exitStatus = result->failures.empty() ? 0 : 1;
        return result->changedMeanwhile;
    };

    std::printf("Watching for changes; interrupt to stop.\n");
    std::fflush(stdout);
    bool again = pass();
    std::uint64_t seen = HandheldLedger::Now();
    const auto timer = m_desktop->RefreshTimer();
    auto nextTick = Clock::now() + std::chrono::milliseconds(timer.value_or(0));
    while (!stop) {
        bool due = again;
        if (!due) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const std::uint64_t now = HandheldLedger::Now();
            due = HandheldLedger::ChangedSince(seen, m_device->Database());
            seen = now;
            if (timer && Clock::now() >= nextTick) {
                nextTick = Clock::now() + std::chrono::milliseconds(*timer);
                due = due || m_desktop->IsFolderChanged();
            }
        }
        if (due && !stop) {
            again = pass();
            seen = HandheldLedger::Now();
        } else {
            again = false;
        }
    }
    return exitStatus;
}

} // namespace jsync
