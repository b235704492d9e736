// The store's object handler: turns an Outlook note into a DesktopNotePacket
// (GetPacket), a DeviceNotePacket into a new or changed Outlook note
// (SetPacket), and deletes notes (DeleteObj). Made and destroyed by its
// store, which hands it out from GetFolderInfo without a reference count.
//
// Every Outlook failure ends the operation with a failure result; an
// automation error is shown with the dispatch error report first (not for
// code 4096), as the store's own operations do. No exception leaves it.
#pragma once

#include "platform/activesync/replication.h"

#include <optional>
#include <string>

class CNoteStore;
class OutlookNoteItem;
class CReplItem;

class CNoteHandler final : public IReplObjHandler {
public:
    // Outlook's item type of a note, for CreateItem.
    static constexpr LONG kNoteItemType = 5;

    // A note as SetPacket gives it to Outlook.
    struct OutlookFields {
        DWORD color = 0;
        std::string categories; // joined with the user's list separator
        std::string body;
    };
    // The fields of a DeviceNotePacket in Outlook's form (ANSI texts, each
    // with all the room it needs); nullopt when the packet is shorter than
    // its header or its declared lengths run past `size`.
    static std::optional<OutlookFields> FieldsFromDevicePacket(const BYTE* data, DWORD size);

    explicit CNoteHandler(CNoteStore* store) : m_pStore(store) {}
    ~CNoteHandler();
    CNoteHandler(const CNoteHandler&) = delete;
    CNoteHandler& operator=(const CNoteHandler&) = delete;

    // IID_IUnknown only; the handler is reached through GetFolderInfo.
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    // The handler lives as long as its store: no counting.
    ULONG AddRef() override { return 0; }
    ULONG Release() override { return 0; }

    HRESULT Setup(REPLSETUP* pSetup) override;
    HRESULT Reset(REPLSETUP* pSetup) override;
    // The read setup's note as one DesktopNotePacket, which the handler keeps
    // until its next packet or its end. RWRN_LAST_PACKET; E_UNEXPECTED
    // without a handle or a note; the previous packet stays on failure.
    HRESULT GetPacket(LPBYTE* lppbData, DWORD* pcbData, DWORD cbRecommend) override;
    // Writes a DeviceNotePacket into the write setup's note, or into a new
    // note whose handle goes back in the write setup. E_UNEXPECTED for a
    // packet whose lengths do not fit its size, a missing note or a failed
    // creation, Outlook unchanged.
    HRESULT SetPacket(LPBYTE lpbData, DWORD cbData) override;
    HRESULT DeleteObj(REPLSETUP* pSetup) override;

private:
    HRESULT BuildPacket(const OutlookNoteItem& note);
    HRESULT WriteNote(const OutlookFields& fields);
    HRESULT CreateNote(const OutlookFields& fields, OutlookNoteItem* note, CReplItem** handle);
    template <typename Body> HRESULT Guard(Body&& body) noexcept;

    CNoteStore* m_pStore;
    REPLSETUP* m_pWriteSetup = nullptr;
    REPLSETUP* m_pReadSetup = nullptr;
    LPBYTE m_pPacket = nullptr;
    DWORD m_cbPacket = 0;
};
