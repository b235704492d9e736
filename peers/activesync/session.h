// A session of the service managers with one existing handheld and one
// existing desktop: the registrations read (and written when absent), the
// partnership found or made on both sides, both providers loaded and
// initialised. Passes run in it, once or, with --watch, whenever a side
// changes, until interrupted.
#pragma once

#include "peers/activesync/command_line.h"
#include "peers/activesync/desktop_provider.h"
#include "peers/activesync/desktop_state.h"
#include "peers/activesync/device_provider.h"
#include "peers/activesync/handheld_state.h"
#include "peers/activesync/machine_folders.h"
#include "peers/activesync/repl_notify.h"
#include "peers/activesync/sync_pass.h"

#include <atomic>
#include <memory>

namespace jsync {

class Session {
public:
    // Failures say what kept the session from starting.
    static platform::Result<std::unique_ptr<Session>> Open(const Options& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // One pass; `stop`, when given and set, ends it after the object in hand.
    platform::Result<PassResult> RunPass(const std::atomic<bool>* stop = nullptr);
    // Runs passes as the store's timer, its folder and the handheld's changes
    // ask, until `stop` is set. Returns the exit status.
    int Watch(const std::atomic<bool>& stop);
    // The store's options dialog, on the desktop's machine. When the new
    // options need it, the store is loaded anew; what to tell the user.
    platform::Result<std::string> ShowOptions();

    UINT PartnerBit() const { return m_partnerBit; }
    // Whether the handheld and this desktop were partners before the session.
    bool Partnered() const { return m_partnership.id != 0; }

    // What a dry run's session tells of its partnership without synchronizing.
    struct Standing {
        std::string typeName; // the store's object type and what it syncs with
        std::string syncText;
        UINT partnerBit = 0;
        std::optional<FILETIME> lastPass; // none: never synchronized
        PassCounts waiting;               // what a pass would do now
    };
    platform::Result<Standing> Describe();

private:
    Session() = default;
    platform::Status FindPartnership(const Options& options);
    platform::Status CheckStore();
    // A handheld store replaced or put back from an older copy since the
    // last pass is combined with the desktop's notes.
    platform::Status CheckHandheldStore();
    // Forgets what the partnership knew of both sides, so that the next pass
    // combines them as a first synchronization does (a dry run only acts so).
    platform::Status Combine();

    Options m_options;
    // A dry run's copies of both machines; the folders below are then theirs.
    std::unique_ptr<ScratchMachines> m_scratch;
    std::string m_handheldDir;
    std::string m_desktopDir;
    std::string m_desktopName; // the desktop's own folder, as the handheld names it
    int m_lockFile = -1;
    std::unique_ptr<HandheldState> m_handheldState;
    std::unique_ptr<DesktopState> m_desktopState;
    Partnership m_partnership;
    UINT m_partnerBit = 1;
    std::uint64_t m_mark = 0;
    bool m_forgetPairings = false;
    std::unique_ptr<ReplNotify> m_notify;
    std::unique_ptr<DeviceProvider> m_device;
    std::unique_ptr<DesktopProvider> m_desktop;
    CLSID m_storeClass{};
    bool m_passRan = false;
};

} // namespace jsync
