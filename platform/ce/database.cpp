// The Windows CE database API over the handheld's object store. Each function
// maps its outcome to the platform's failure value and the last error here,
// and lets no exception out.
#include "platform/ce/database.h"

#include "platform/base/kernel.h"
#include "platform/ce/database_cursor.h"
#include "platform/ce/record_buffer.h"

#include <algorithm>
#include <exception>

using ce::DatabaseCursor;
using ce::StoreSession;
using platform::ReportFailure;
using platform::Result;
using platform::Status;

namespace {

// An enumeration of databases by CeFindFirstDatabase.
class DatabaseEnumeration : public platform::KernelObject {
public:
    DatabaseEnumeration(DWORD type, std::string storePath)
        : m_type(type), m_storePath(std::move(storePath)) {}
    DWORD m_type;
    std::string m_storePath;
    CEOID m_last = 0;
};

Result<std::shared_ptr<DatabaseCursor>> Cursor(HANDLE handle) {
    auto cursor = platform::LookupHandleAs<DatabaseCursor>(handle);
    if (!cursor)
        return Status::Failure(ERROR_INVALID_HANDLE, "not a database handle");
    return cursor;
}

std::u16string_view BoundedName(const WCHAR* name, std::size_t capacity) {
    std::size_t length = 0;
    while (length < capacity && name[length])
        ++length;
    return {name, length};
}

} // namespace

CEOID CeCreateDatabase(LPCWSTR lpszName, DWORD dwDbaseType, WORD wNumSortOrder,
                       SORTORDERSPEC* rgSortSpecs) {
    return platform::AtBoundary<CEOID>(0, [&]() -> Result<CEOID> {
        if (!lpszName || (wNumSortOrder && !rgSortSpecs))
            return Status::Failure(ERROR_INVALID_PARAMETER, "missing name or sort orders");
        JW_ASSIGN_OR_RETURN(auto store, StoreSession::Open());
        return store.CreateDatabase(lpszName, dwDbaseType,
                                    std::span<const SORTORDERSPEC>(rgSortSpecs, wNumSortOrder));
    });
}

HANDLE CeOpenDatabase(PCEOID poid, LPCWSTR lpszName, CEPROPID propid, DWORD dwFlags, HWND) {
    return platform::AtBoundary<HANDLE>(INVALID_HANDLE_VALUE, [&]() -> Result<HANDLE> {
        const CEOID oid = poid ? *poid : 0;
        if (oid == 0 && !lpszName)
            return Status::Failure(ERROR_INVALID_PARAMETER, "neither identifier nor name");
        JW_ASSIGN_OR_RETURN(auto store, StoreSession::Open());
        JW_ASSIGN_OR_RETURN(auto cursor,
                            DatabaseCursor::Open(store, oid, oid ? std::u16string_view() : lpszName,
                                                 propid, dwFlags));
        if (poid)
            *poid = cursor->database();
        return platform::InsertHandle(cursor);
    });
}

CEOID CeSeekDatabase(HANDLE hDatabase, DWORD dwSeekType, DWORD_PTR dwValue, LPDWORD lpdwIndex) {
    return platform::AtBoundary<CEOID>(0, [&]() -> Result<CEOID> {
        JW_ASSIGN_OR_RETURN(auto cursor, Cursor(hDatabase));
        JW_ASSIGN_OR_RETURN(auto store, cursor->Session());
        return cursor->Seek(store, dwSeekType, dwValue, lpdwIndex);
    });
}

CEOID CeReadRecordProps(HANDLE hDbase, DWORD dwFlags, LPWORD lpcPropID, CEPROPID* rgPropID,
                        LPBYTE* lplpBuffer, LPDWORD lpcbBuffer) {
    return platform::AtBoundary<CEOID>(0, [&]() -> Result<CEOID> {
        if (!lpcPropID || !lplpBuffer || !lpcbBuffer)
            return Status::Failure(ERROR_INVALID_PARAMETER, "missing count or buffer");
        JW_ASSIGN_OR_RETURN(auto cursor, Cursor(hDbase));
        JW_ASSIGN_OR_RETURN(auto store, cursor->Session());
        std::span<const ce::StoredProperty> properties;
        JW_ASSIGN_OR_RETURN(const CEOID oid, cursor->Read(store, &properties));
        const ce::RecordLayout layout(
            properties, std::span<const CEPROPID>(rgPropID, rgPropID ? *lpcPropID : 0));
        const std::size_t size = layout.size();
        if (size > 0xFFFFFFFF)
            return Status::Failure(ERROR_NOT_ENOUGH_MEMORY, "record too large to read");
        if (!*lplpBuffer || *lpcbBuffer < size) {
            if (!(dwFlags & CEDB_ALLOWREALLOC)) {
                *lpcbBuffer = static_cast<DWORD>(size);
                return Status::Failure(ERROR_INSUFFICIENT_BUFFER,
                                       "the buffer needs " + std::to_string(size) + " bytes");
            }
            HLOCAL block = *lplpBuffer ? LocalReAlloc(*lplpBuffer, size, LMEM_MOVEABLE)
                                       : LocalAlloc(LMEM_FIXED, size);
            if (!block)
                return Status::Failure(ERROR_NOT_ENOUGH_MEMORY, "cannot grow the read buffer");
            *lplpBuffer = static_cast<LPBYTE>(block);
            *lpcbBuffer = static_cast<DWORD>(size);
        }
        layout.Fill(*lplpBuffer);
        *lpcPropID = static_cast<WORD>(layout.count());
        JW_RETURN_IF_FAILED(cursor->AfterRead(store));
        return oid;
    });
}

CEOID CeWriteRecordProps(HANDLE hDbase, CEOID oidRecord, WORD cPropID, CEPROPVAL* rgPropVal) {
    return platform::AtBoundary<CEOID>(0, [&]() -> Result<CEOID> {
        if (cPropID && !rgPropVal)
            return Status::Failure(ERROR_INVALID_PARAMETER, "missing property values");
        JW_ASSIGN_OR_RETURN(auto cursor, Cursor(hDbase));
        JW_ASSIGN_OR_RETURN(auto store, cursor->Session());
        return store.WriteRecord(cursor->database(), oidRecord,
                                 std::span<const CEPROPVAL>(rgPropVal, cPropID));
    });
}

BOOL CeDeleteRecord(HANDLE hDatabase, CEOID oidRecord) {
    return platform::AtBoundary<BOOL>(FALSE, [&]() -> Result<BOOL> {
        JW_ASSIGN_OR_RETURN(auto cursor, Cursor(hDatabase));
        JW_ASSIGN_OR_RETURN(auto store, cursor->Session());
        JW_RETURN_IF_FAILED(store.DeleteRecord(cursor->database(), oidRecord));
        return TRUE;
    });
}

BOOL CeDeleteDatabase(CEOID oid) {
    return platform::AtBoundary<BOOL>(FALSE, [&]() -> Result<BOOL> {
        JW_ASSIGN_OR_RETURN(auto store, StoreSession::Open());
        JW_RETURN_IF_FAILED(store.DeleteDatabase(oid));
        return TRUE;
    });
}

BOOL CeOidGetInfo(CEOID oid, CEOIDINFO* poidInfo) {
    return platform::AtBoundary<BOOL>(FALSE, [&]() -> Result<BOOL> {
        if (!poidInfo)
            return Status::Failure(ERROR_INVALID_PARAMETER, "no information structure");
        JW_ASSIGN_OR_RETURN(auto store, StoreSession::Open());
        CEOIDINFO info{};
        if (auto row = store.database(oid); row.ok()) {
            info.wObjType = OBJTYPE_DATABASE;
            CEDBASEINFO& db = info.infDatabase;
            const std::size_t length =
                std::min<std::size_t>(row->name.size(), CEDB_MAXDBASENAMELEN - 1);
            std::copy_n(row->name.begin(), length, db.szDbaseName);
            db.dwDbaseType = row->type;
            // The platform counts records in 16 bits.
            db.wNumRecords = static_cast<WORD>(std::min<std::uint32_t>(row->records, 0xFFFF));
            db.wNumSortOrder = static_cast<WORD>(row->sorts.size());
            db.dwSize = static_cast<DWORD>(std::min<std::uint64_t>(row->size, 0xFFFFFFFF));
            db.ftLastModified = row->modified;
            std::copy(row->sorts.begin(), row->sorts.end(), db.rgSortSpecs);
        } else if (row.status().code() != ERROR_FILE_NOT_FOUND) {
            return row.status();
        } else {
            JW_ASSIGN_OR_RETURN(auto parent, store.RecordParent(oid));
            if (parent == 0)
                return Status::Failure(ERROR_INVALID_PARAMETER,
                                       "no object with identifier " + std::to_string(oid));
            info.wObjType = OBJTYPE_RECORD;
            info.infRecord.oidParent = parent;
        }
        *poidInfo = info;
        return TRUE;
    });
}

BOOL CeSetDatabaseInfo(CEOID oidDbase, CEDBASEINFO* pNewInfo) {
    return platform::AtBoundary<BOOL>(FALSE, [&]() -> Result<BOOL> {
        if (!pNewInfo)
            return Status::Failure(ERROR_INVALID_PARAMETER, "no database information");
        JW_ASSIGN_OR_RETURN(auto store, StoreSession::Open());
        JW_ASSIGN_OR_RETURN(auto row, store.database(oidDbase));
        ce::DatabaseRow changed = row;
        if (pNewInfo->dwFlags & CEDB_VALIDNAME)
            changed.name = BoundedName(pNewInfo->szDbaseName, CEDB_MAXDBASENAMELEN);
        if (pNewInfo->dwFlags & CEDB_VALIDTYPE)
            changed.type = pNewInfo->dwDbaseType;
        if (pNewInfo->dwFlags & CEDB_VALIDSORTSPEC) {
            if (pNewInfo->wNumSortOrder > CEDB_MAXSORTORDER)
                return Status::Failure(ERROR_INVALID_PARAMETER,
                                       "a database has at most 4 sort orders");
            changed.sorts.assign(pNewInfo->rgSortSpecs,
                                 pNewInfo->rgSortSpecs + pNewInfo->wNumSortOrder);
        }
        if (pNewInfo->dwFlags & CEDB_VALIDMODTIME)
            changed.modified = pNewInfo->ftLastModified;
        JW_RETURN_IF_FAILED(store.UpdateDatabase(changed));
        return TRUE;
    });
}

HANDLE CeFindFirstDatabase(DWORD dwDbaseType) {
    return platform::AtBoundary<HANDLE>(INVALID_HANDLE_VALUE, [&]() -> Result<HANDLE> {
        JW_ASSIGN_OR_RETURN(auto store, StoreSession::Open());
        return platform::InsertHandle(
            std::make_shared<DatabaseEnumeration>(dwDbaseType, store.path()));
    });
}

CEOID CeFindNextDatabase(HANDLE hEnum) {
    return platform::AtBoundary<CEOID>(0, [&]() -> Result<CEOID> {
        auto enumeration = platform::LookupHandleAs<DatabaseEnumeration>(hEnum);
        if (!enumeration)
            return Status::Failure(ERROR_INVALID_HANDLE, "not a database enumeration");
        JW_ASSIGN_OR_RETURN(auto store, StoreSession::Open(enumeration->m_storePath));
        JW_ASSIGN_OR_RETURN(auto next,
                            store.NextDatabase(enumeration->m_last, enumeration->m_type));
        if (next == 0)
            return Status::Failure(ERROR_NO_MORE_ITEMS, "no more databases");
        enumeration->m_last = next;
        return next;
    });
}

BOOL ce::SetAutoSeekNext(HANDLE hDatabase, BOOL on) {
    return platform::AtBoundary<BOOL>(FALSE, [&]() -> Result<BOOL> {
        JW_ASSIGN_OR_RETURN(auto cursor, Cursor(hDatabase));
        cursor->SetAutoSeekNext(on != FALSE);
        return TRUE;
    });
}
