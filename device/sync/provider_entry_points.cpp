// The provider's exported functions.
#include "device/sync/note_obj_handler.h"
#include "device/sync/provider_module.h"
#include "device/sync/jottadev.h"

#include "platform/ce/registry.h"
#include "platform/ui/winuser.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr WCHAR kSettingsKey[] = u"Software\\Jotterwick\\Quillmarks\\Common";

const WCHAR* Printable(const WCHAR* text) {
    return text ? text : u"(null)";
}

// Opens the note database as the provider finds it: created bare (type 0,
// no sort order) when it does not exist. False only when it existed but
// cannot be opened; a database the provider had to create may still be
// closed afterwards, and every seek then fails.
bool OpenNoteDatabase(ProviderModule& module) {
    CEOID oid = 0;
    HANDLE probe = CeOpenDatabase(&oid, kNoteDatabaseName, 0, 0, nullptr);
    const bool existed = probe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_NOT_FOUND;
    if (probe != INVALID_HANDLE_VALUE)
        CloseHandle(probe);
    if (!existed)
        CeCreateDatabase(kNoteDatabaseName, 0, 0, nullptr);
    oid = 0;
    module.database = CeOpenDatabase(&oid, kNoteDatabaseName, 0, 0, nullptr);
    module.oidDatabase = module.database != INVALID_HANDLE_VALUE ? oid : 0;
    return module.database != INVALID_HANDLE_VALUE || !existed;
}

void CloseNoteDatabase(ProviderModule& module) {
    if (module.database != INVALID_HANDLE_VALUE)
        CloseHandle(module.database);
    module.database = INVALID_HANDLE_VALUE;
    module.oidDatabase = 0;
}

// Reads "FilterSync" whole, whatever its length, into *text. An absent key
// or value is no filter; otherwise the error that kept it from being read.
DWORD ReadFilterText(HKEY key, LONG opened, std::u16string* text) {
    text->clear();
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<DWORD>(opened);
    // Another process may lengthen the value between the two queries.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        LONG error = RegQueryValueExW(key, u"FilterSync", nullptr, &type, nullptr, &size);
        if (error == ERROR_SUCCESS && type != REG_SZ)
            return ERROR_INVALID_DATA;
        std::u16string buffer(size / sizeof(WCHAR) + 1, u'\0');
        DWORD got = static_cast<DWORD>(buffer.size() * sizeof(WCHAR));
        if (error == ERROR_SUCCESS)
            error = RegQueryValueExW(key, u"FilterSync", nullptr, &type,
                                     reinterpret_cast<LPBYTE>(buffer.data()), &got);
        if (error == ERROR_MORE_DATA)
            continue;
        if (error == ERROR_FILE_NOT_FOUND)
            return ERROR_SUCCESS;
        if (error != ERROR_SUCCESS)
            return static_cast<DWORD>(error);
        if (type != REG_SZ)
            return ERROR_INVALID_DATA;
        buffer.resize(std::min<std::size_t>(got / sizeof(WCHAR), buffer.size()));
        *text = buffer.substr(0, buffer.find(u'\0'));
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

// Reads "FilterSync" and "Debug". The filter list is replaced, so that a
// category taken out of the filter takes part again at the next set-up.
void ReadSettings(ProviderModule& module) {
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key);

    std::u16string filter;
    module.filterError = ReadFilterText(key, opened, &filter);
    module.SyncFilterList.clear();
    std::u16string_view rest(filter);
    for (auto lf = rest.find(u'\n'); lf != std::u16string_view::npos; lf = rest.find(u'\n')) {
        module.SyncFilterList.emplace_back(rest.substr(0, lf));
        const std::u16string shown(rest);
        TraceLine(module.traceSwitch, u"Filter-Category: %s", shown.c_str());
        rest.remove_prefix(lf + 1);
    }

    DWORD debug = 0;
    DWORD type = 0;
    DWORD size = sizeof(debug);
    if (RegQueryValueExW(key, u"Debug", nullptr, &type, reinterpret_cast<LPBYTE>(&debug), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        debug = 0;
    module.traceSwitch = debug;
    if (module.filterError != ERROR_SUCCESS)
        TraceLine(module.traceSwitch,
                  u"FilterSync cannot be read (error %u): no note with a category is synchronized",
                  module.filterError);
    if (key)
        RegCloseKey(key);
}

BOOL InitForPartner(LPWSTR name, IReplObjHandler** handlerOut, UINT partnerBit) {
    ProviderModule& module = Module();
    if (!module.lockCreated) {
        InitializeCriticalSection(&module.lock);
        module.lockCreated = true;
    }
    // Every set-up gets a handler of its own: one handed out before still
    // holds the setup records of its own pass.
    CNoteObjHandler* handler = new (std::nothrow) CNoteObjHandler;
    if (handlerOut)
        *handlerOut = handler;
    else if (handler)
        handler->Release();
    module.partnerBit = partnerBit;
    {
        ProviderLock lock;
        CloseNoteDatabase(module);
        if (!OpenNoteDatabase(module))
            return FALSE;
    }
    ReadSettings(module);
    TraceLine(module.traceSwitch, u"InitObjType (after registry): %s", Printable(name));
    return TRUE;
}

void CleanUp() {
    ProviderModule& module = Module();
    CloseNoteDatabase(module);
    if (module.lockCreated) {
        DeleteCriticalSection(&module.lock);
        module.lockCreated = false;
    }
}

} // namespace

JOTTADEV_API BOOL InitObjType(LPWSTR lpszObjType, IReplObjHandler** ppObjHandler,
                              UINT uPartnerBit) {
    try {
        TraceLine(Module().traceSwitch, u"InitObjType: %s", Printable(lpszObjType));
        if (lpszObjType == nullptr) {
            CleanUp();
            return TRUE;
        }
        return InitForPartner(lpszObjType, ppObjHandler, uPartnerBit);
    } catch (...) {
        return FALSE;
    }
}

namespace {

// The error of a record operation that failed, never ERROR_SUCCESS.
DWORD FailureCode() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

// Reads the note under the provider lock. ERROR_SUCCESS when read;
// ERROR_FILE_NOT_FOUND when it is not there (it may have gone since the
// existence seek), nothing read then; otherwise the failure of the read.
DWORD ReadNoteLocked(CEOID oid, NoteRecordProps* record) {
    ProviderLock lock;
    if (!SeekToNote(oid))
        return ERROR_FILE_NOT_FOUND;
    return record->ReadCurrent(Module().database) == oid ? ERROR_SUCCESS : FailureCode();
}

// Writes the properties back to the note under the provider lock, only when
// the note is still there; the same answers as ReadNoteLocked.
DWORD WriteNoteLocked(CEOID oid, std::vector<CEPROPVAL>& props) {
    ProviderLock lock;
    if (!SeekToNote(oid))
        return ERROR_FILE_NOT_FOUND;
    return CeWriteRecordProps(Module().database, oid, static_cast<WORD>(props.size()),
                              props.data()) == oid
               ? ERROR_SUCCESS
               : FailureCode();
}

// FALSE for a notification the provider could not answer: the manager must
// not take the note for one that is not of interest.
BOOL Failed(OBJNOTIFY* pNotify, DWORD error) {
    pNotify->uError = error;
    return FALSE;
}

BOOL Notify(OBJNOTIFY* pNotify) {
    ProviderModule& module = Module();
    const DWORD trace = module.traceSwitch;
    if (pNotify == nullptr || pNotify->cbStruct != sizeof(OBJNOTIFY))
        return FALSE;
    pNotify->uError = ERROR_SUCCESS;
    const UINT flags = pNotify->uFlags;
    if (!(flags & (ONF_RECORD | ONF_CLEAR_CHANGE)))
        return FALSE;
    if ((flags & ONF_RECORD) && pNotify->oidInfo.infRecord.oidParent != module.oidDatabase)
        return FALSE;

    TraceLine(trace, u"ObjectNotify: Record of Jotterwick");
    TraceLine(trace, u"   ONF_DELETED      : %u", flags & ONF_DELETED);
    TraceLine(trace, u"   ONF_CHANGED      : %u", flags & ONF_CHANGED);
    TraceLine(trace, u"   ONF_CLEAR_CHANGE : %u", flags & ONF_CLEAR_CHANGE);

    const CEOID oid = pNotify->oidObject;
    const bool deleted = flags & ONF_DELETED;
    if (!deleted && !SeekToNote(oid)) {
        TraceLine(trace, u"ObjectNotify: Record found in DB");
        return FALSE;
    }

    NoteRecordProps record;
    if ((flags & ONF_RECORD) && !deleted) {
        if (const DWORD error = ReadNoteLocked(oid, &record); error != ERROR_SUCCESS)
            return error == ERROR_FILE_NOT_FOUND ? FALSE : Failed(pNotify, error);
        TraceLine(trace, u"ObjectNotify: OID #%u", oid);
        if (IsZeroFileTime(record.Time(PROPID_NOTE_MODIFIED)))
            return FALSE;
        if (record.Find(PROPID_NOTE_CATEGORIES)) {
            const std::u16string categories = record.Text(PROPID_NOTE_CATEGORIES);
            if (const DWORD error = SyncFilterError(categories); error != ERROR_SUCCESS)
                return Failed(pNotify, error);
            if (MatchesSyncFilter(categories))
                return FALSE;
        }
    }
    TraceLine(trace, u"ObjectNotify: Category and time filter passed");

    if (flags & ONF_CLEAR_CHANGE) {
        TraceLine(trace, u"ObjectNotify: ONF_CLEAR_CHANGE");
        if (deleted)
            return FALSE;
        // Only the stamp is written: the rest of a note that the notes
        // program saved since it was read here must not go back to before.
        std::vector<CEPROPVAL> props{TimeProp(PartnerSyncTimeProp(), NowFileTime())};
        const DWORD error = WriteNoteLocked(oid, props);
        // A note gone meanwhile has nothing to stamp; a stamp that did not
        // take leaves the note changed, and the manager must know.
        return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? FALSE
                                                                       : Failed(pNotify, error);
    }

    pNotify->poid = reinterpret_cast<UINT*>(&pNotify->oidObject);
    bool changed = false;
    if (!deleted) {
        TraceLine(trace, u"ObjectNotify: Get access times");
        const FILETIME modified = record.Time(PROPID_NOTE_MODIFIED);
        const FILETIME synced = record.Time(PartnerSyncTimeProp());
        // Written back as read, but only the property the provider alone
        // writes: an edit the notes program saved since the read stays.
        std::vector<CEPROPVAL> props{TimeProp(PartnerSyncTimeProp(), synced)};
        if (const DWORD error = WriteNoteLocked(oid, props); error != ERROR_SUCCESS)
            return error == ERROR_FILE_NOT_FOUND ? FALSE : Failed(pNotify, error);
        changed = CompareFileTime(&synced, &modified) == -1;
    }
    if (changed) {
        TraceLine(trace, u"ObjectNotify: Changed");
        pNotify->cOidChg = 1;
        pNotify->cOidDel = 0;
    } else if (deleted || !(flags & ONF_CHANGED)) {
        TraceLine(trace, u"ObjectNotify: Deleted, or neither changed nor deleted");
        pNotify->cOidChg = 0;
        pNotify->cOidDel = 1;
    }
    TraceLine(trace, u"ObjectNotify: End");
    return TRUE;
}

} // namespace

JOTTADEV_API BOOL ObjectNotify(OBJNOTIFY* pNotify) {
    try {
        return Notify(pNotify);
    } catch (...) {
        return FALSE;
    }
}

JOTTADEV_API BOOL GetObjTypeInfo(OBJTYPEINFO* pInfo) {
    if (pInfo == nullptr)
        return FALSE;
    WCHAR type[MAX_OBJTYPE_NAME + 1] = {};
    std::memcpy(type, pInfo->szObjType, sizeof(pInfo->szObjType));
    TraceLine(Module().traceSwitch, u"GetObjTypeInfo: %s", type);
    if (pInfo->cbStruct != sizeof(OBJTYPEINFO))
        return FALSE;
    std::memset(pInfo->szName, 0, sizeof(pInfo->szName));
    std::memcpy(pInfo->szName, kNoteDatabaseName, sizeof(kNoteDatabaseName));
    CEOIDINFO info{};
    if (Module().oidDatabase != 0 && CeOidGetInfo(Module().oidDatabase, &info) &&
        info.wObjType == OBJTYPE_DATABASE) {
        pInfo->cObjects = info.infDatabase.wNumRecords;
        pInfo->cbAllObj = info.infDatabase.dwSize;
        pInfo->ftLastModified = info.infDatabase.ftLastModified;
    } else {
        pInfo->cObjects = 0;
        pInfo->cbAllObj = 0;
        pInfo->ftLastModified = FILETIME{};
    }
    return TRUE;
}

JOTTADEV_API BOOL ReportStatus(LPWSTR, UINT uCode, UINT) {
    TraceLine(Module().traceSwitch, u"ReportStatus: Status = %u", uCode);
    if (uCode == 2) {
        if (HWND program = FindWindowW(nullptr, u"Jotterwick"))
            PostMessageW(program, WM_SYNC_FINISHED, 0, 0);
    }
    return TRUE;
}
