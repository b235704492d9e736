// The desktop note store: the notes of the Notes folder of Outlook's default
// store, as the one object type "Jotterwick", driven by the service manager
// through IReplStore. Single-threaded (the store tells the manager so); only
// its reference count changes with interlocked operations.
//
// Every IReplStore entry point catches every failure of the calls it makes:
// an Outlook automation error is shown with the dispatch error report (not
// for code 4096, outside Initialize) and the operation goes on or fails as
// its comment says; no exception leaves the store.
#pragma once

#include "desktop/sync/outlook_application.h"
#include "desktop/sync/outlook_folder.h"
#include "desktop/sync/outlook_name_space.h"
#include "desktop/sync/outlook_note_item.h"
#include "platform/activesync/replstore.h"

#include <memory>
#include <string>
#include <vector>

class AutomationException;
class CNoteHandler;

class CNoteStore final : public IReplStore {
public:
    // Settings of the per-device key, with their defaults.
    static constexpr LONG kNoStopColor = -1;
    static constexpr DWORD kDefaultRefreshDelay = 60;
    // Initialize's flags bit: set once Initialize has completed.
    static constexpr UINT kInitialized = 0x80000000u;

    // A new store with no references (null when out of memory). With an
    // outer object the store is aggregated: its IReplStore's IUnknown
    // delegates to the outer object, and Identity() controls its lifetime.
    static CNoteStore* Create(IUnknown* pUnkOuter) noexcept;
    ~CNoteStore();

    // The store's own IUnknown: the IReplStore itself, or when aggregated the
    // inner unknown that the outer object holds.
    IUnknown* Identity();

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IReplStore: store and session.
    // Reads the settings from the device key (QueryDevice 3 with
    // ISF_SELECTED_DEVICE, else 4) and logs on to Outlook. The QueryDevice
    // result on its failure; E_FAIL when Outlook can't be started at all.
    HRESULT Initialize(IReplNotify* pNotify, UINT uFlags) override;
    HRESULT GetStoreInfo(STOREINFO* pStoreInfo) override;
    HRESULT ReportStatus(HREPLFLD hFolder, HREPLITEM hItem, UINT uStatus, UINT uParam) override;
    int CompareStoreIDs(LPBYTE lpbID1, UINT cbID1, LPBYTE lpbID2, UINT cbID2) override;

    // IReplStore: items.
    int CompareItem(HREPLITEM hItem1, HREPLITEM hItem2) override;
    BOOL IsItemChanged(HREPLFLD hFolder, HREPLITEM hItem, HREPLITEM hItemComp) override;
    BOOL IsItemReplicated(HREPLFLD hFolder, HREPLITEM hItem) override;
    void UpdateItem(HREPLFLD hFolder, HREPLITEM hItemDst, HREPLITEM hItemSrc) override;
    HRESULT GetFolderInfo(LPSTR lpszObjType, HREPLFLD* phFolder, IUnknown** ppObjHandler) override;
    HRESULT IsFolderChanged(HREPLFLD hFolder, BOOL* pfChanged) override;
    // Enumeration in EntryID order. An automation error ends it with E_FAIL
    // after the report, so that the manager never takes the notes not yet
    // handed out for deleted ones.
    HRESULT FindFirstItem(HREPLFLD hFolder, HREPLITEM* phItem, BOOL* pfExist) override;
    HRESULT FindNextItem(HREPLFLD hFolder, HREPLITEM* phItem, BOOL* pfExist) override;
    HRESULT FindItemClose(HREPLFLD hFolder) override;
    UINT ObjectToBytes(HREPLOBJ hObject, LPBYTE lpb) override;
    HREPLOBJ BytesToObject(LPBYTE lpb, UINT cb) override;
    void FreeObject(HREPLOBJ hObject) override;
    BOOL CopyObject(HREPLOBJ hObjSrc, HREPLOBJ hObjDst) override;
    HRESULT IsValidObject(HREPLFLD hFolder, HREPLITEM hItem, UINT uFlags) override;
    HRESULT ActivateDialog(UINT uDlg, HWND hwndParent, HREPLFLD hFolder,
                           IEnumReplItem* penum) override;
    HRESULT GetObjTypeUIData(HREPLFLD hFolder, OBJUIDATA* pData) override;
    HRESULT GetConflictInfo(CONFINFO* pConfInfo) override;
    HRESULT RemoveDuplicates(LPSTR lpszObjType, UINT uFlags) override;

    // For the object handler.
    // Opens the note of `entryId` in the session's store. False when it can't
    // be found (an automation error other than code 4096 is reported).
    bool FindNoteItem(std::string_view entryId, OutlookNoteItem* item);
    const OutlookApplication& Application() const { return m_application; }
    // The dispatch error report, not for code 4096.
    void ReportDispatchError(const AutomationException& error) const;
    // The same for the object handler, shown once a pass for each error: a
    // store that can't be written (a full disk) fails every note alike, and
    // one box says it all.
    void ReportHandlerError(const AutomationException& error);

private:
    // The options dialog reads and sets the settings while it runs.
    friend void InitDialog(HWND, const CNoteStore&);
    friend void TakeValues(HWND, CNoteStore&);
    HRESULT SaveSettings() const;

    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(CNoteStore* store) : m_pStore(store) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override;
        ULONG AddRef() override;
        ULONG Release() override;

    private:
        CNoteStore* m_pStore;
    };

    // One note of the enumeration, its EntryID read once.
    struct EnumeratedNote {
        std::string entryId;
        OutlookNoteItem item;
    };

    explicit CNoteStore(IUnknown* pUnkOuter);
    ULONG AddRefOwn();
    ULONG ReleaseOwn();
    bool IsInitialized() const { return (m_uFlags & kInitialized) != 0; }
    HRESULT QueryDeviceKey(HKEY* key) const;
    void ReadSettings(HKEY key);
    void StartSession();
    bool PassesCategoryFilter(const OutlookNoteItem& note) const;
    // A new handle for the enumerated note; null (nothing handed out) when
    // out of memory.
    HRESULT HandOut(const EnumeratedNote& note, HREPLITEM* phItem, BOOL* pfExist);

    template <typename T, typename Body>
    T Guard(T onAutomationError, T onFailure, Body&& body) noexcept;
    template <typename Body> HRESULT GuardResult(HRESULT onAutomationError, Body&& body) noexcept;

    LONG volatile m_cRef = 0;
    IUnknown* m_pUnkOuter;
    InnerUnknown m_inner{this};
    DWORD m_dwRefreshDelay = kDefaultRefreshDelay;
    std::vector<std::string> m_arrFilterCats;
    BOOL m_bRealTime = FALSE;
    BOOL m_bIndividualSession = FALSE;
    LONG m_lStopColor = kNoStopColor;
    OutlookApplication m_application;
    OutlookNameSpace m_session;
    OutlookFolder m_notesFolder;
    IReplNotify* m_pNotify = nullptr;
    std::unique_ptr<CNoteHandler> m_pHandler;
    UINT m_uFlags = 0;
    std::size_t m_nCursor = 0; // the next position in m_order
    std::string m_strCurrentUser;
    std::string m_strFolderStoreId;
    BOOL m_bSyncInProgress = FALSE;
    std::vector<std::string> m_arrReportedInPass;
    std::vector<EnumeratedNote> m_items; // in the folder's order
    std::vector<std::uint32_t> m_order;  // positions in m_items, by EntryID
};
