// The handheld object store's property databases (Windows CE database API).
//
// One SQLite file per handheld directory (see machine.h) holds every database.
// Handles are per process and independent: each has its own current record.
// Every record operation is one durable transaction. Failures return the
// platform's failure value (0, FALSE, INVALID_HANDLE_VALUE) and set the last error.
#pragma once

#include "platform/base/windef.h"

using CEOID = DWORD;
using PCEOID = CEOID*;
using CEPROPID = DWORD;
using PCEPROPID = CEPROPID*;

// Value types, the low word of a property identifier.
constexpr WORD CEVT_I2 = 2;
constexpr WORD CEVT_I4 = 3;
constexpr WORD CEVT_BOOL = 11;
constexpr WORD CEVT_UI2 = 18;
constexpr WORD CEVT_UI4 = 19;
constexpr WORD CEVT_LPWSTR = 31;
constexpr WORD CEVT_FILETIME = 64;
constexpr WORD CEVT_BLOB = 65;

constexpr CEPROPID MakePropId(WORD number, WORD type) {
    return (static_cast<CEPROPID>(number) << 16) | type;
}
constexpr WORD PropNumber(CEPROPID id) { return static_cast<WORD>(id >> 16); }
constexpr WORD PropType(CEPROPID id) { return static_cast<WORD>(id & 0xFFFF); }

struct CEBLOB {
    DWORD dwCount;
    LPBYTE lpb;
};

union CEVALUNION {
    SHORT iVal;
    USHORT uiVal;
    LONG lVal;
    ULONG ulVal;
    FILETIME filetime;
    LPWSTR lpwstr;
    CEBLOB blob;
    BOOL boolVal;
};

// wFlags of a property value.
constexpr WORD CEDB_PROPNOTFOUND = 0x0100;
constexpr WORD CEDB_PROPDELETE = 0x0200;

struct CEPROPVAL {
    CEPROPID propid;
    WORD wLenData;
    WORD wFlags;
    CEVALUNION val;
};
using PCEPROPVAL = CEPROPVAL*;

// Sort order flags.
constexpr DWORD CEDB_SORT_DESCENDING = 0x00000001;
constexpr DWORD CEDB_SORT_CASEINSENSITIVE = 0x00000002;
constexpr DWORD CEDB_SORT_UNKNOWNFIRST = 0x00000004;
constexpr DWORD CEDB_SORT_GENERICORDER = 0x00000008;

struct SORTORDERSPEC {
    CEPROPID propid;
    DWORD dwFlags;
};

constexpr int CEDB_MAXSORTORDER = 4;
constexpr int CEDB_MAXDBASENAMELEN = 32;
constexpr int MAX_PATH = 260;

// dwFlags of CEDBASEINFO: which members CeSetDatabaseInfo applies.
constexpr DWORD CEDB_VALIDNAME = 0x0001;
constexpr DWORD CEDB_VALIDTYPE = 0x0002;
constexpr DWORD CEDB_VALIDSORTSPEC = 0x0004;
constexpr DWORD CEDB_VALIDMODTIME = 0x0008;

struct CEDBASEINFO {
    DWORD dwFlags;
    WCHAR szDbaseName[CEDB_MAXDBASENAMELEN];
    DWORD dwDbaseType;
    WORD wNumRecords;
    WORD wNumSortOrder;
    DWORD dwSize;
    FILETIME ftLastModified;
    SORTORDERSPEC rgSortSpecs[CEDB_MAXSORTORDER];
};

struct CEFILEINFO {
    DWORD dwAttributes;
    CEOID oidParent;
    WCHAR szFileName[MAX_PATH];
    FILETIME ftLastChanged;
    DWORD dwLength;
};

struct CERECORDINFO {
    CEOID oidParent;
};

// Object types of CEOIDINFO.
constexpr WORD OBJTYPE_INVALID = 0;
constexpr WORD OBJTYPE_FILE = 1;
constexpr WORD OBJTYPE_DIRECTORY = 2;
constexpr WORD OBJTYPE_DATABASE = 3;
constexpr WORD OBJTYPE_RECORD = 4;

struct CEOIDINFO {
    WORD wObjType;
    WORD wPad;
    union {
        CEFILEINFO infFile;
        CEDBASEINFO infDatabase;
        CERECORDINFO infRecord;
    };
};
static_assert(sizeof(CEOIDINFO) == 544, "CEOIDINFO keeps the platform's layout");

// Seek types.
constexpr DWORD CEDB_SEEK_CEOID = 0x00000001;
constexpr DWORD CEDB_SEEK_BEGINNING = 0x00000002;
constexpr DWORD CEDB_SEEK_END = 0x00000004;
constexpr DWORD CEDB_SEEK_CURRENT = 0x00000008;
constexpr DWORD CEDB_SEEK_VALUESMALLER = 0x00000010;
constexpr DWORD CEDB_SEEK_VALUEFIRSTEQUAL = 0x00000020;
constexpr DWORD CEDB_SEEK_VALUEGREATER = 0x00000040;
constexpr DWORD CEDB_SEEK_VALUENEXTEQUAL = 0x00000080;

// CeOpenDatabase flags.
constexpr DWORD CEDB_AUTOINCREMENT = 0x00000001;
// CeReadRecordProps flags.
constexpr DWORD CEDB_ALLOWREALLOC = 0x00000001;

// Creates a database; returns its object identifier, 0 on failure (last error
// ERROR_ALREADY_EXISTS when the name is taken, ERROR_INVALID_PARAMETER for a
// bad name or more than four sort orders).
CEOID CeCreateDatabase(LPCWSTR lpszName, DWORD dwDbaseType, WORD wNumSortOrder,
                       SORTORDERSPEC* rgSortSpecs);

// Opens a database by name (when *poid is 0) or by identifier, sorted by
// propid (0: ascending object identifier). Fills *poid. INVALID_HANDLE_VALUE
// on failure; a missing database sets ERROR_FILE_NOT_FOUND. The cursor starts
// on the first record. CEDB_AUTOINCREMENT makes every read move one record on.
HANDLE CeOpenDatabase(PCEOID poid, LPCWSTR lpszName, CEPROPID propid, DWORD dwFlags,
                      HWND hwndNotify);

// Moves the cursor. Returns the identifier of the record reached and its index
// in *lpdwIndex (may be null), or 0 when no record is there; a failed move
// leaves the position where it was, as the platform does. For
// CEDB_SEEK_VALUE*, dwValue is the address of a CEPROPVAL.
CEOID CeSeekDatabase(HANDLE hDatabase, DWORD dwSeekType, DWORD_PTR dwValue, LPDWORD lpdwIndex);

// Reads properties of the current record: all of them when rgPropID is null.
// With CEDB_ALLOWREALLOC the buffer *lplpBuffer (LocalAlloc'ed, or null) is
// grown with LocalReAlloc as needed; the caller frees it with LocalFree.
// Returns the record's identifier, 0 on failure.
CEOID CeReadRecordProps(HANDLE hDbase, DWORD dwFlags, LPWORD lpcPropID, CEPROPID* rgPropID,
                        LPBYTE* lplpBuffer, LPDWORD lpcbBuffer);

// Writes the given properties: oidRecord 0 creates a record, otherwise the
// properties replace or join those of the existing record (CEDB_PROPDELETE
// removes one). Returns the record's identifier, 0 on failure.
CEOID CeWriteRecordProps(HANDLE hDbase, CEOID oidRecord, WORD cPropID, CEPROPVAL* rgPropVal);

BOOL CeDeleteRecord(HANDLE hDatabase, CEOID oidRecord);
BOOL CeDeleteDatabase(CEOID oid);
BOOL CeOidGetInfo(CEOID oid, CEOIDINFO* poidInfo);
BOOL CeSetDatabaseInfo(CEOID oidDbase, CEDBASEINFO* pNewInfo);

// Finds databases one by one (dwDbaseType 0: all). CeFindNextDatabase returns
// 0 with ERROR_NO_MORE_ITEMS at the end.
HANDLE CeFindFirstDatabase(DWORD dwDbaseType);
CEOID CeFindNextDatabase(HANDLE hEnum);

// Closes a database or enumeration handle.
BOOL CloseHandle(HANDLE hObject);

namespace ce {

// Switches a handle's auto-seek-next (CEDB_AUTOINCREMENT) on or off while it
// is open: with it on, every CeReadRecordProps moves one record on after
// reading, and past the last record; a read there fails with
// ERROR_NO_MORE_ITEMS and CEDB_SEEK_CURRENT 0 finds nothing.
BOOL SetAutoSeekNext(HANDLE hDatabase, BOOL on);

} // namespace ce
