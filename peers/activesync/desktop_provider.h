// The desktop store as the desktop service manager drives it: created through
// COM from its registered class, initialised for one partnership, and used
// only through IReplStore and the object handler GetFolderInfo hands out.
// Destroyed with ReportStatus(6) and the store's release.
#pragma once

#include "peers/activesync/desktop_state.h"
#include "platform/activesync/replstore.h"
#include "platform/base/status.h"

#include <memory>
#include <optional>
#include <vector>

namespace jsync {

// An item or folder handle made by the store, freed through it.
class StoreHandle {
public:
    StoreHandle() = default;
    StoreHandle(IReplStore* store, HREPLOBJ handle) : m_store(store), m_handle(handle) {}
    ~StoreHandle() { Reset(); }
    StoreHandle(StoreHandle&& other) noexcept
        : m_store(other.m_store), m_handle(std::exchange(other.m_handle, nullptr)) {}
    StoreHandle& operator=(StoreHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_store = other.m_store;
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    StoreHandle(const StoreHandle&) = delete;
    StoreHandle& operator=(const StoreHandle&) = delete;

    HREPLOBJ get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    void Reset() {
        if (m_handle)
            m_store->FreeObject(m_handle);
        m_handle = nullptr;
    }

private:
    IReplStore* m_store = nullptr;
    HREPLOBJ m_handle = nullptr;
};

class DesktopProvider {
public:
    // Creates the store of class `clsid` and asks for its information before
    // initialising it.
    static platform::Result<std::unique_ptr<DesktopProvider>> Create(const CLSID& clsid);
    ~DesktopProvider();
    DesktopProvider(const DesktopProvider&) = delete;
    DesktopProvider& operator=(const DesktopProvider&) = delete;

    // Initialize for the selected device, then the store information again
    // for the store identifier and the refresh timer.
    platform::Status Initialize(IReplNotify* notify);
    const Bytes& StoreId() const { return m_storeId; }
    bool SameStore(const Bytes& stored);
    // SCF_SIMULATE_RTS with uTimerRes milliseconds, or nullopt.
    std::optional<UINT> RefreshTimer() const { return m_timer; }

    // The folder handle from its persisted bytes (a new one when none), and
    // the object handler.
    platform::Status OpenFolder(const std::optional<Bytes>& persisted);
    Bytes FolderBytes();
    void ReportStatus(UINT code);
    bool IsFolderChanged();

    // Every item of the folder, in the store's order.
    platform::Result<std::vector<StoreHandle>> Enumerate();
    // A handle from persisted bytes; refused when the store does not read
    // them back to the same length.
    platform::Result<StoreHandle> FromBytes(const Bytes& bytes);
    Bytes ToBytes(HREPLOBJ handle);

    int Compare(HREPLITEM a, HREPLITEM b) { return m_store->CompareItem(a, b); }
    bool IsChanged(HREPLITEM stored, HREPLITEM current) {
        return m_store->IsItemChanged(m_folder.get(), stored, current) != FALSE;
    }
    bool IsReplicated(HREPLITEM item) {
        return m_store->IsItemReplicated(m_folder.get(), item) != FALSE;
    }
    void Update(HREPLITEM destination, HREPLITEM source) {
        m_store->UpdateItem(m_folder.get(), destination, source);
    }

    HRESULT GetPacket(HREPLITEM item, Bytes* packet);
    // Writes a DeviceNotePacket into `item`, or into a new note when item is
    // null: *created then receives the new handle.
    HRESULT SetPacket(HREPLITEM item, const Bytes& packet, StoreHandle* created);
    HRESULT DeleteObj(HREPLITEM item);
    // RERR_IGNORE when the two versions need no resolving, S_OK for a real conflict.
    HRESULT ConflictInfo(HREPLITEM local, HREPLITEM remote);
    HRESULT ActivateDialog();
    // How the store names its object type and what it synchronizes with
    // (GetObjTypeUIData); its icons are let go at once.
    platform::Result<std::pair<std::string, std::string>> TypeNames();

private:
    explicit DesktopProvider(IReplStore* store) : m_store(store) {}
    REPLSETUP Setup(bool read, HREPLITEM item);

    IReplStore* m_store;
    StoreHandle m_folder;
    IReplObjHandler* m_handler = nullptr; // the store's, not counted
    Bytes m_storeId;
    std::optional<UINT> m_timer;
    // The handler keeps pointers to the records given to Setup.
    REPLSETUP m_readSetup{};
    REPLSETUP m_writeSetup{};
};

} // namespace jsync
