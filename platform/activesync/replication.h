// Structures and interfaces between the synchronization service managers and
// the providers. Structures keep the platform's sizes (their size fields are
// checked); where a 64-bit pointer would change a size, members are packed to
// 4 bytes and the unused tail shortened, so that sizeof matches.
#pragma once

#include "platform/base/windef.h"
#include "platform/ce/database.h"

constexpr int MAX_OBJTYPE_NAME = 100;
using OBJTYPENAMEW = WCHAR[MAX_OBJTYPE_NAME];

// Object notification flags.
constexpr UINT ONF_FILE = 0x00000001;
constexpr UINT ONF_DIRECTORY = 0x00000002;
constexpr UINT ONF_DATABASE = 0x00000004;
constexpr UINT ONF_RECORD = 0x00000008;
constexpr UINT ONF_CHANGED = 0x00000010;
constexpr UINT ONF_DELETED = 0x00000020;
constexpr UINT ONF_CLEAR_CHANGE = 0x00000040;
constexpr UINT ONF_CALL_BACK = 0x00000080;
constexpr UINT ONF_CALLING_BACK = 0x00000100;

#pragma pack(push, 4)
struct OBJNOTIFY {
    UINT cbStruct; // 780
    OBJTYPENAMEW szObjType;
    UINT uFlags;       // ONF_*
    UINT uPartnerBit;  // 1 or 2
    CEOID oidObject;   // the object changed or deleted
    CEOIDINFO oidInfo; // its information (infRecord.oidParent: its database)
    UINT cOidChg;      // out: identifiers changed
    UINT cOidDel;      // out: identifiers deleted
    UINT* poid;        // out: the identifier list
    // out: with FALSE, the Win32 error that kept the provider from answering
    // (a record it could not read or write); 0 when the object is simply not
    // of interest. The manager sets it to 0 before the call.
    UINT uError;
};
#pragma pack(pop)
static_assert(sizeof(OBJNOTIFY) == 780, "OBJNOTIFY is 780 bytes");

struct OBJTYPEINFO {
    UINT cbStruct; // 384
    OBJTYPENAMEW szObjType;
    UINT uFlags;
    WCHAR szName[80]; // out: the database's name
    UINT cObjects;    // out: record count
    UINT cbAllObj;    // out: database size in bytes
    FILETIME ftLastModified;
};
static_assert(sizeof(OBJTYPEINFO) == 384, "OBJTYPEINFO is 384 bytes");

// Item and folder handles of the desktop store: opaque to the managers.
struct REPLOBJ;
using HREPLOBJ = REPLOBJ*;
using HREPLITEM = HREPLOBJ;
using HREPLFLD = HREPLOBJ;

struct IReplNotify;

// The record a manager hands to an object handler's Setup. The handheld uses
// fRead, oid and oidNew; the desktop fRead, hItem and hFolder.
struct REPLSETUP {
    UINT cbStruct;
    BOOL fRead;
    DWORD dwFlags;
    HRESULT hr;
    char szObjType[MAX_OBJTYPE_NAME];
    IReplNotify* pNotify;
    CEOID oid;
    CEOID oidNew;
    HREPLITEM hItem;
    HREPLFLD hFolder;
};

// Result codes the managers act on.
constexpr HRESULT RWRN_LAST_PACKET = HResult(0x00140001);
constexpr HRESULT RERR_DISCARD = HResult(0x80140101);
constexpr HRESULT RERR_STORE_REPLACED = HResult(0x80140001);
constexpr HRESULT RERR_IGNORE = HResult(0x80140005);
constexpr HRESULT RERR_OBJECT_DELETED = HResult(0x80070002); // the note no longer exists

// The object handler, on both machines, in the platform's slot order.
struct IReplObjHandler : IUnknown {
    virtual HRESULT Setup(REPLSETUP* pSetup) = 0;
    virtual HRESULT Reset(REPLSETUP* pSetup) = 0;
    virtual HRESULT GetPacket(LPBYTE* lppbData, DWORD* pcbData, DWORD cbRecommend) = 0;
    virtual HRESULT SetPacket(LPBYTE lpbData, DWORD cbData) = 0;
    virtual HRESULT DeleteObj(REPLSETUP* pSetup) = 0;

protected:
    ~IReplObjHandler() = default;
};

// The handheld provider's exports, as the manager finds them with dlsym.
extern "C" {
using PFN_InitObjType = BOOL (*)(LPWSTR lpszObjType, IReplObjHandler** ppObjHandler,
                                 UINT uPartnerBit);
using PFN_ObjectNotify = BOOL (*)(OBJNOTIFY* pNotify);
using PFN_GetObjTypeInfo = BOOL (*)(OBJTYPEINFO* pInfo);
using PFN_ReportStatus = BOOL (*)(LPWSTR lpszObjType, UINT uCode, UINT uParam);
}
