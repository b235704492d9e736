// The desktop service manager's side of a store provider: the store interface
// it drives (IReplStore), the callback it offers (IReplNotify) and the
// structures it hands over. Desktop texts are 8-bit ANSI. Structures keep the
// platform's sizes, which the stores check; where a 64-bit pointer would
// change a size, members are packed to 4 bytes and a character array that
// never needs its full length is shortened by the difference.
#pragma once

#include "platform/activesync/replication.h"
#include "platform/base/windef.h"

struct HICON__;
using HICON = HICON__*;

using OBJTYPENAME = char[MAX_OBJTYPE_NAME];

// IReplStore's interface identifier.
inline constexpr IID IID_IReplStore = {
    0xA417BC0F, 0x7BE1, 0x11CE, {0xAD, 0x82, 0x00, 0xAA, 0x00, 0x6E, 0xC5, 0x59}};

// Flags of IReplStore::Initialize.
constexpr UINT ISF_SELECTED_DEVICE = 0x00000001; // loaded for the selected device
constexpr UINT ISF_REMOTE_CONNECTED = 0x00000002;

// IReplNotify::QueryDevice codes.
constexpr UINT QDC_SEL_DEVICE = 1;
constexpr UINT QDC_CON_DEVICE = 2;
constexpr UINT QDC_SEL_DEVICE_KEY = 3; // out: HKEY of the selected device's key
constexpr UINT QDC_CON_DEVICE_KEY = 4; // out: HKEY of the connected device's key

// STOREINFO uFlags.
constexpr UINT SCF_SINGLE_THREAD = 0x00000001;
constexpr UINT SCF_SIMULATE_RTS = 0x00000002; // the manager polls on a timer of uTimerRes ms

// IReplStore::ReportStatus codes.
constexpr UINT RSC_BEGIN_SYNC = 1;
constexpr UINT RSC_END_SYNC = 2;
constexpr UINT RSC_BEGIN_CHECK = 3;
constexpr UINT RSC_END_CHECK = 4;
constexpr UINT RSC_DATE_CHANGED = 5;
constexpr UINT RSC_RELEASE = 6; // the manager is about to release the store
constexpr UINT RSC_REMOTE_SYNC = 7;
constexpr UINT RSC_INTERRUPT = 8;
constexpr UINT RSC_BEGIN_BATCH_WRITE = 9;
constexpr UINT RSC_END_BATCH_WRITE = 10;

// IReplStore::ActivateDialog dialog identifier.
constexpr UINT OBJECT_TYPE_DIALOG = 1;

#pragma pack(push, 4)
struct STOREINFO {
    UINT cbStruct; // 480
    UINT uFlags;   // out: SCF_*
    // A ProgID has at most 39 characters; 4 bytes of the platform's 256 make
    // room for the 64-bit lpbStoreId.
    char szProgId[252];
    char szStoreDesc[200];
    UINT uTimerRes;    // out: milliseconds, with SCF_SIMULATE_RTS
    UINT cbMaxStoreId; // in: size of lpbStoreId
    UINT cbStoreId;    // out: size the store identifier needs
    LPBYTE lpbStoreId; // out: the store identifier
};

struct OBJUIDATA {
    UINT cbStruct; // 692
    HICON hIconLarge;
    HICON hIconSmall;
    char szName[260];     // the object type's name
    char szSyncText[260]; // what it synchronizes with
    char szTypeText[80];  // one object
    // Of the platform's 80, 8 bytes make room for the two 64-bit icons.
    char szPlTypeText[72]; // several objects
};

struct CONFINFO {
    UINT cbStruct; // 1240
    HREPLFLD hFolder;
    HREPLITEM hLocalItem;
    HREPLITEM hRemoteItem;
    // Of the platform's 100, 6 bytes each make room for the 64-bit handles.
    char szLocalName[94];
    char szLocalDesc[512];
    char szRemoteName[94];
    char szRemoteDesc[512];
};
#pragma pack(pop)
static_assert(sizeof(STOREINFO) == 480, "STOREINFO is 480 bytes");
static_assert(sizeof(OBJUIDATA) == 692, "OBJUIDATA is 692 bytes");
static_assert(sizeof(CONFINFO) == 1240, "CONFINFO is 1240 bytes");

// The manager's enumerator of its own items (ActivateDialog); opaque here.
struct IEnumReplItem;

// The callback the desktop manager gives a store at Initialize.
struct IReplNotify : IUnknown {
    virtual HRESULT SetStatusText(LPSTR lpszText) = 0;
    // The window to own the store's message boxes (argument 0).
    virtual HWND GetWindow(UINT uFlags) = 0;
    virtual HRESULT OnItemNotify(UINT uCode, LPSTR lpszProgId, LPSTR lpszName, HREPLITEM hItem,
                                 ULONG ulFlags) = 0;
    // QDC_*_KEY: *ppvData receives an HKEY the store closes with RegCloseKey.
    virtual HRESULT QueryDevice(UINT uCode, void** ppvData) = 0;

protected:
    ~IReplNotify() = default;
};

// The store, in the platform's slot order.
struct IReplStore : IUnknown {
    virtual HRESULT Initialize(IReplNotify* pNotify, UINT uFlags) = 0;
    virtual HRESULT GetStoreInfo(STOREINFO* pStoreInfo) = 0;
    virtual HRESULT ReportStatus(HREPLFLD hFolder, HREPLITEM hItem, UINT uStatus, UINT uParam) = 0;
    virtual int CompareStoreIDs(LPBYTE lpbID1, UINT cbID1, LPBYTE lpbID2, UINT cbID2) = 0;
    virtual int CompareItem(HREPLITEM hItem1, HREPLITEM hItem2) = 0;
    virtual BOOL IsItemChanged(HREPLFLD hFolder, HREPLITEM hItem, HREPLITEM hItemComp) = 0;
    virtual BOOL IsItemReplicated(HREPLFLD hFolder, HREPLITEM hItem) = 0;
    virtual void UpdateItem(HREPLFLD hFolder, HREPLITEM hItemDst, HREPLITEM hItemSrc) = 0;
    // *ppObjHandler receives the store's IReplObjHandler (as its IUnknown), not AddRef'ed.
    virtual HRESULT GetFolderInfo(LPSTR lpszObjType, HREPLFLD* phFolder,
                                  IUnknown** ppObjHandler) = 0;
    virtual HRESULT IsFolderChanged(HREPLFLD hFolder, BOOL* pfChanged) = 0;
    virtual HRESULT FindFirstItem(HREPLFLD hFolder, HREPLITEM* phItem, BOOL* pfExist) = 0;
    virtual HRESULT FindNextItem(HREPLFLD hFolder, HREPLITEM* phItem, BOOL* pfExist) = 0;
    virtual HRESULT FindItemClose(HREPLFLD hFolder) = 0;
    // Null lpb: only the length is returned.
    virtual UINT ObjectToBytes(HREPLOBJ hObject, LPBYTE lpb) = 0;
    virtual HREPLOBJ BytesToObject(LPBYTE lpb, UINT cb) = 0;
    virtual void FreeObject(HREPLOBJ hObject) = 0;
    virtual BOOL CopyObject(HREPLOBJ hObjSrc, HREPLOBJ hObjDst) = 0;
    virtual HRESULT IsValidObject(HREPLFLD hFolder, HREPLITEM hItem, UINT uFlags) = 0;
    virtual HRESULT ActivateDialog(UINT uDlg, HWND hwndParent, HREPLFLD hFolder,
                                   IEnumReplItem* penum) = 0;
    virtual HRESULT GetObjTypeUIData(HREPLFLD hFolder, OBJUIDATA* pData) = 0;
    virtual HRESULT GetConflictInfo(CONFINFO* pConfInfo) = 0;
    virtual HRESULT RemoveDuplicates(LPSTR lpszObjType, UINT uFlags) = 0;

protected:
    ~IReplStore() = default;
};
