// The handheld provider as the handheld's service manager drives it: the
// library is loaded with dlopen, set up for one partner with InitObjType, and
// used only through its four exports and its object handler. Unloaded (the
// handler released, InitObjType with no name, dlclose) when destroyed.
#pragma once

#include "peers/activesync/desktop_state.h"
#include "platform/activesync/replication.h"
#include "platform/base/status.h"

#include <memory>
#include <string>

namespace jsync {

// What ObjectNotify says about a record.
enum class DeviceInterest {
    NotOfInterest, // not a synchronized note: filtered, never saved, or gone
    Changed,       // changed since its last synchronization with this partner
    InStep,        // a synchronized note, unchanged for this partner
    Deleted,       // a synchronized note that has been deleted
    Failed,        // the provider could not tell (a record it could not read or write)
};

class DeviceProvider {
public:
    static platform::Result<std::unique_ptr<DeviceProvider>> Load(const std::string& library,
                                                                  UINT partnerBit);
    ~DeviceProvider();
    DeviceProvider(const DeviceProvider&) = delete;
    DeviceProvider& operator=(const DeviceProvider&) = delete;

    // The note database the provider serves, and its record count.
    CEOID Database() const { return m_database; }
    std::size_t NoteCount();

    // *error receives the provider's error when the answer is Failed.
    DeviceInterest Notify(CEOID oid, bool deleted, DWORD* error = nullptr);
    // ONF_CLEAR_CHANGE: the record has been synchronized with this partner.
    // The provider's error when its stamp did not take, else ERROR_SUCCESS.
    DWORD ClearChange(CEOID oid);

    // The note's DeviceNotePacket. RERR_DISCARD when the filter keeps it out,
    // 0x80070002 when it is gone.
    HRESULT GetPacket(CEOID oid, Bytes* packet);
    // Writes a DesktopNotePacket into record oid, or a new record (oid 0 or
    // gone); *written receives the record's identifier.
    HRESULT SetPacket(CEOID oid, const Bytes& packet, CEOID* written);
    HRESULT DeleteObj(CEOID oid);
    void ReportStatus(UINT code);

private:
    DeviceProvider() = default;

    void* m_library = nullptr;
    PFN_InitObjType m_initObjType = nullptr;
    PFN_ObjectNotify m_objectNotify = nullptr;
    PFN_GetObjTypeInfo m_getObjTypeInfo = nullptr;
    PFN_ReportStatus m_reportStatus = nullptr;
    IReplObjHandler* m_handler = nullptr;
    bool m_initialized = false;
    CEOID m_database = 0;
    // The handler keeps pointers to the records given to Setup.
    REPLSETUP m_readSetup{};
    REPLSETUP m_writeSetup{};
};

} // namespace jsync
