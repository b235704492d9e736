#include "desktop/sync/note_store.h"

#include "desktop/sync/automation_exception.h"
#include "desktop/sync/category_text.h"
#include "desktop/sync/com_boundary.h"
#include "desktop/sync/dispatch_error_report.h"
#include "desktop/sync/duplicate_notes.h"
#include "desktop/sync/icons.h"
#include "desktop/sync/jottapc.h"
#include "desktop/sync/module.h"
#include "desktop/sync/note_handler.h"
#include "desktop/sync/options_dialog.h"
#include "desktop/sync/outlook_items.h"
#include "desktop/sync/outlook_time.h"
#include "desktop/sync/repl_folder.h"
#include "desktop/sync/repl_item.h"
#include "desktop/sync/string_table.h"
#include "desktop/sync/text_variant.h"
#include "platform/base/kernel.h"
#include "platform/ui/icon.h"
#include "platform/win32/registry.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>

namespace {

constexpr LONG kNotesFolder = 12;
// The longest "RefreshDelay" whose period in milliseconds the timer holds.
constexpr DWORD kMaxRefreshDelay = 0xFFFFFFFFu / 1000;
constexpr DWORD kFilterTextSize = 10000;

// Copies `text` into a fixed character array, cut to leave room for its zero.
template <std::size_t N> void CopyText(char (&field)[N], std::string_view text) {
    const std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

bool ReadDword(HKEY key, const char* name, DWORD* value) {
    DWORD data = 0;
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        size != sizeof data)
        return false;
    *value = data;
    return true;
}

std::string ReadText(HKEY key, const char* name) {
    std::string text(kFilterTextSize, '\0');
    DWORD size = kFilterTextSize;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    text.resize(std::min<DWORD>(size, kFilterTextSize));
    // A value stored without its terminating zero is taken up to its length.
    text.resize(strnlen(text.data(), text.size()));
    return text;
}

VARIANT BooleanVariant(BOOL value) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BOOL;
    variant.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return variant;
}

} // namespace

// ---------------------------------------------------------------- identity

CNoteStore* CNoteStore::Create(IUnknown* pUnkOuter) noexcept {
    try {
        return new CNoteStore(pUnkOuter);
    } catch (...) {
        return nullptr;
    }
}

CNoteStore::CNoteStore(IUnknown* pUnkOuter)
    : m_pUnkOuter(pUnkOuter), m_pHandler(std::make_unique<CNoteHandler>(this)) {}

CNoteStore::~CNoteStore() {
    m_pHandler.reset();
    InterlockedDecrement(&jottapc::g_cObjects);
}

IUnknown* CNoteStore::Identity() {
    return m_pUnkOuter != nullptr ? static_cast<IUnknown*>(&m_inner)
                                  : static_cast<IReplStore*>(this);
}

HRESULT CNoteStore::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IReplStore) {
        AddRef();
        *ppv = static_cast<IReplStore*>(this);
        return S_OK;
    }
    if (m_pUnkOuter != nullptr)
        return m_pUnkOuter->QueryInterface(riid, ppv);
    return E_NOINTERFACE;
}

ULONG CNoteStore::AddRef() {
    return m_pUnkOuter != nullptr ? m_pUnkOuter->AddRef() : AddRefOwn();
}

ULONG CNoteStore::Release() {
    return m_pUnkOuter != nullptr ? m_pUnkOuter->Release() : ReleaseOwn();
}

ULONG CNoteStore::AddRefOwn() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG CNoteStore::ReleaseOwn() {
    const LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT CNoteStore::InnerUnknown::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown) {
        AddRef();
        *ppv = static_cast<IUnknown*>(this);
        return S_OK;
    }
    if (riid == IID_IReplStore) {
        m_pStore->AddRef();
        *ppv = static_cast<IReplStore*>(m_pStore);
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG CNoteStore::InnerUnknown::AddRef() {
    return m_pStore->AddRefOwn();
}
ULONG CNoteStore::InnerUnknown::Release() {
    return m_pStore->ReleaseOwn();
}

// ---------------------------------------------------------------- guards

template <typename T, typename Body>
T CNoteStore::Guard(T onAutomationError, T onFailure, Body&& body) noexcept {
    return ValueAtComBoundary(
        [this](const AutomationException& error) { ReportDispatchError(error); }, onAutomationError,
        onFailure, std::forward<Body>(body));
}

template <typename Body>
HRESULT CNoteStore::GuardResult(HRESULT onAutomationError, Body&& body) noexcept {
    return ResultAtComBoundary(
        [this](const AutomationException& error) { ReportDispatchError(error); }, onAutomationError,
        std::forward<Body>(body));
}

void CNoteStore::ReportDispatchError(const AutomationException& error) const {
    ShowDispatchError(error, m_pNotify, ReportNotFound::No);
}

void CNoteStore::ReportHandlerError(const AutomationException& error) {
    if (m_bSyncInProgress) {
        const std::string text = DispatchErrorText(error);
        if (std::find(m_arrReportedInPass.begin(), m_arrReportedInPass.end(), text) !=
            m_arrReportedInPass.end())
            return;
        m_arrReportedInPass.push_back(text);
    }
    ReportDispatchError(error);
}

// ---------------------------------------------------------------- store and session

HRESULT CNoteStore::QueryDeviceKey(HKEY* key) const {
    const UINT code =
        (m_uFlags & ISF_SELECTED_DEVICE) != 0 ? QDC_SEL_DEVICE_KEY : QDC_CON_DEVICE_KEY;
    return m_pNotify->QueryDevice(code, reinterpret_cast<void**>(key));
}

void CNoteStore::ReadSettings(HKEY key) {
    DWORD value = 0;
    if (ReadDword(key, "StopColor", &value))
        m_lStopColor = static_cast<LONG>(value);
    if (ReadDword(key, "RealTime", &value))
        m_bRealTime = static_cast<BOOL>(value);
    // Any period the timer can hold is kept, whoever wrote it; 0 would make
    // the manager poll without pause, and a longer one overflow the timer.
    if (ReadDword(key, "RefreshDelay", &value) && value > 0 && value <= kMaxRefreshDelay)
        m_dwRefreshDelay = value;
    if (ReadDword(key, "IndividualSession", &value))
        m_bIndividualSession = static_cast<BOOL>(value);
    m_arrFilterCats = SplitCategories(ReadText(key, "FilterCat"), '\t');
}

HRESULT CNoteStore::Initialize(IReplNotify* pNotify, UINT uFlags) {
    if (pNotify == nullptr)
        return E_INVALIDARG;
    m_pNotify = pNotify;
    m_uFlags = uFlags;
    HKEY key = nullptr;
    const HRESULT hr = QueryDeviceKey(&key);
    if (FAILED(hr))
        return hr;
    return GuardResult(S_OK, [&]() -> HRESULT {
        try {
            ReadSettings(key);
        } catch (...) {
            RegCloseKey(key);
            throw;
        }
        RegCloseKey(key);
        if (!m_application.Create())
            return E_FAIL;
        try {
            m_session.Attach(m_application.GetNamespace("MAPI"));
            if (!m_session)
                return S_OK;
            const TextVariant empty("");
            const VARIANT flag = BooleanVariant(m_bIndividualSession);
            m_session.Logon(empty.Value(), empty.Value(), flag, flag);
            m_notesFolder.Attach(m_session.GetDefaultFolder(kNotesFolder));
            if (!m_notesFolder)
                return S_OK;
            m_strCurrentUser = m_session.GetCurrentUser();
            m_strFolderStoreId = m_notesFolder.GetStoreID();
        } catch (const AutomationException& error) {
            // Initialize reports every automation error, code 4096 too, and
            // counts as done with whatever of the session it has.
            ShowDispatchError(error, m_pNotify, ReportNotFound::Yes);
        }
        m_uFlags |= kInitialized;
        return hr;
    });
}

HRESULT CNoteStore::GetStoreInfo(STOREINFO* pStoreInfo) {
    if (pStoreInfo == nullptr)
        return E_POINTER;
    if (pStoreInfo->cbStruct != sizeof(STOREINFO))
        return E_INVALIDARG;
    pStoreInfo->uFlags = SCF_SINGLE_THREAD;
    if (m_bRealTime) {
        pStoreInfo->uFlags |= SCF_SIMULATE_RTS;
        pStoreInfo->uTimerRes = m_dwRefreshDelay * 1000;
    } else {
        pStoreInfo->uTimerRes = 0xFFFFFFFF;
    }
    CopyText(pStoreInfo->szProgId, kJotterwickStoreProgId);
    CopyText(pStoreInfo->szStoreDesc, LoadResourceString(IDS_STORE_DESCRIPTION));
    if (!IsInitialized())
        return S_OK;
    pStoreInfo->cbStoreId = static_cast<UINT>(m_strCurrentUser.size() + 1);
    if (pStoreInfo->cbMaxStoreId < pStoreInfo->cbStoreId)
        return E_OUTOFMEMORY;
    if (pStoreInfo->lpbStoreId == nullptr)
        return E_POINTER;
    std::memcpy(pStoreInfo->lpbStoreId, m_strCurrentUser.c_str(), pStoreInfo->cbStoreId);
    return S_OK;
}

HRESULT CNoteStore::ReportStatus(HREPLFLD, HREPLITEM, UINT uStatus, UINT) {
    switch (uStatus) {
    case RSC_BEGIN_SYNC:
        m_bSyncInProgress = TRUE;
        m_arrReportedInPass.clear();
        break;
    case RSC_END_SYNC:
        m_bSyncInProgress = FALSE;
        m_arrReportedInPass.clear();
        break;
    case RSC_RELEASE:
        if (m_session) {
            GuardResult(S_OK, [&] {
                m_session.Logoff();
                return S_OK;
            });
            m_session.Release();
        }
        break;
    default:
        break;
    }
    return S_OK;
}

int CNoteStore::CompareStoreIDs(LPBYTE lpbID1, UINT cbID1, LPBYTE lpbID2, UINT cbID2) {
    if (cbID1 != cbID2)
        return cbID1 < cbID2 ? -1 : 1;
    if (cbID1 == 0 || lpbID1 == lpbID2)
        return 0;
    if (lpbID1 == nullptr || lpbID2 == nullptr)
        return lpbID1 == nullptr ? -1 : 1;
    const int order = std::memcmp(lpbID1, lpbID2, cbID1);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

HRESULT CNoteStore::GetFolderInfo(LPSTR, HREPLFLD* phFolder, IUnknown** ppObjHandler) {
    if (phFolder == nullptr)
        return E_POINTER;
    if (*phFolder == nullptr) {
        auto* folder = new (std::nothrow) CReplFolder;
        if (folder == nullptr)
            return E_OUTOFMEMORY;
        *phFolder = folder->Handle();
    }
    if (ppObjHandler != nullptr)
        *ppObjHandler = static_cast<IReplObjHandler*>(m_pHandler.get());
    return S_OK;
}

HRESULT CNoteStore::IsFolderChanged(HREPLFLD, BOOL* pfChanged) {
    if (pfChanged != nullptr)
        *pfChanged = m_bSyncInProgress ? FALSE : TRUE;
    return S_OK;
}

bool CNoteStore::FindNoteItem(std::string_view entryId, OutlookNoteItem* item) {
    try {
        const TextVariant storeId(m_strFolderStoreId);
        item->Attach(m_session.GetItemFromID(entryId, storeId.Value()));
        return static_cast<bool>(*item);
    } catch (const AutomationException& error) {
        ReportDispatchError(error);
        return false;
    }
}

// ---------------------------------------------------------------- enumeration

HRESULT CNoteStore::HandOut(const EnumeratedNote& note, HREPLITEM* phItem, BOOL* pfExist) {
    std::unique_ptr<CReplItem> handle(new (std::nothrow) CReplItem);
    if (handle == nullptr)
        return E_OUTOFMEMORY;
    handle->SetKey(note.entryId);
    handle->SetModified(FileTimeFromOutlookDate(note.item.GetLastModificationTime()));
    *phItem = handle.release()->Handle();
    *pfExist = TRUE;
    return S_OK;
}

HRESULT CNoteStore::FindFirstItem(HREPLFLD, HREPLITEM* phItem, BOOL* pfExist) {
    if (phItem == nullptr || pfExist == nullptr)
        return E_POINTER;
    *pfExist = FALSE;
    return GuardResult(E_FAIL, [&]() -> HRESULT {
        m_items.clear();
        m_order.clear();
        m_nCursor = 0;
        OutlookItems items;
        items.Attach(m_notesFolder.GetItems());
        if (!items)
            return E_UNEXPECTED;
        const LONG count = items.GetCount();
        std::vector<EnumeratedNote> notes;
        notes.reserve(static_cast<std::size_t>(std::max<LONG>(count, 0)));
        for (LONG index = 1; index <= count; ++index) {
            OutlookNoteItem note;
            note.Attach(items.Item(index));
            if (!note)
                return E_UNEXPECTED;
            std::string entryId = note.GetEntryID();
            // A note that a key can't name whole is left out of synchronization
            // rather than handed out under a cut key that names no note.
            if (entryId.empty() || entryId.size() > CReplItem::kMaxKeyLength)
                continue;
            notes.push_back({std::move(entryId), std::move(note)});
        }
        // Unsigned byte order; equal EntryIDs keep the folder's order. The
        // positions are sorted, not the notes, which are costly to move.
        std::vector<std::uint32_t> order(notes.size());
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            const int byId = std::string_view(notes[a].entryId).compare(notes[b].entryId);
            return byId != 0 ? byId < 0 : a < b;
        });
        m_items = std::move(notes);
        m_order = std::move(order);
        if (m_order.empty())
            return S_OK;
        const HRESULT hr = HandOut(m_items[m_order.front()], phItem, pfExist);
        if (SUCCEEDED(hr))
            m_nCursor = 1;
        return hr;
    });
}

HRESULT CNoteStore::FindNextItem(HREPLFLD, HREPLITEM* phItem, BOOL* pfExist) {
    if (phItem == nullptr || pfExist == nullptr)
        return E_POINTER;
    *pfExist = FALSE;
    return GuardResult(E_FAIL, [&]() -> HRESULT {
        if (m_nCursor >= m_order.size())
            return S_OK;
        const HRESULT hr = HandOut(m_items[m_order[m_nCursor]], phItem, pfExist);
        if (SUCCEEDED(hr))
            ++m_nCursor;
        return hr;
    });
}

HRESULT CNoteStore::FindItemClose(HREPLFLD) {
    m_items.clear();
    m_order.clear();
    m_nCursor = 0;
    return S_OK;
}

// ---------------------------------------------------------------- items

int CNoteStore::CompareItem(HREPLITEM hItem1, HREPLITEM hItem2) {
    const CReplItem* item1 = CReplItem::FromHandle(hItem1);
    const CReplItem* item2 = CReplItem::FromHandle(hItem2);
    if (item1 == nullptr || item2 == nullptr)
        return (item1 != nullptr) - (item2 != nullptr);
    return CReplItem::CompareKeys(*item1, *item2);
}

BOOL CNoteStore::IsItemChanged(HREPLFLD, HREPLITEM hItem, HREPLITEM hItemComp) {
    return Guard<BOOL>(FALSE, FALSE, [&]() -> BOOL {
        const CReplItem* item = CReplItem::FromHandle(hItem);
        if (item == nullptr)
            return FALSE;
        if (hItemComp != nullptr) {
            const CReplItem* comparison = CReplItem::FromHandle(hItemComp);
            if (comparison == nullptr)
                return FALSE;
            return CompareFileTime(&item->Modified(), &comparison->Modified());
        }
        OutlookNoteItem note;
        if (!FindNoteItem(item->Key(), &note))
            return FALSE;
        const FILETIME current = FileTimeFromOutlookDate(note.GetLastModificationTime());
        return CompareFileTime(&item->Modified(), &current);
    });
}

bool CNoteStore::PassesCategoryFilter(const OutlookNoteItem& note) const {
    for (const std::string& name : SplitCategoryText(note.GetCategories(), ListSeparator())) {
        if (std::find(m_arrFilterCats.begin(), m_arrFilterCats.end(), name) !=
            m_arrFilterCats.end())
            return true;
    }
    return false;
}

BOOL CNoteStore::IsItemReplicated(HREPLFLD, HREPLITEM hItem) {
    if (hItem == nullptr)
        return TRUE;
    return Guard<BOOL>(FALSE, FALSE, [&]() -> BOOL {
        const CReplItem* item = CReplItem::FromHandle(hItem);
        OutlookNoteItem note;
        if (item == nullptr || !FindNoteItem(item->Key(), &note))
            return FALSE;
        if (note.GetColor() == m_lStopColor)
            return FALSE;
        if (m_arrFilterCats.empty())
            return TRUE;
        return PassesCategoryFilter(note) ? TRUE : FALSE;
    });
}

void CNoteStore::UpdateItem(HREPLFLD, HREPLITEM hItemDst, HREPLITEM hItemSrc) {
    Guard<int>(0, 0, [&] {
        CReplItem* destination = CReplItem::FromHandle(hItemDst);
        if (destination == nullptr)
            return 0;
        if (hItemSrc != nullptr) {
            if (const CReplItem* source = CReplItem::FromHandle(hItemSrc))
                destination->SetModified(source->Modified());
            return 0;
        }
        OutlookNoteItem note;
        if (FindNoteItem(destination->Key(), &note))
            destination->SetModified(FileTimeFromOutlookDate(note.GetLastModificationTime()));
        return 0;
    });
}

UINT CNoteStore::ObjectToBytes(HREPLOBJ hObject, LPBYTE lpb) {
    const CReplObject* object = CReplObject::FromHandle(hObject);
    return object != nullptr ? CReplObject::ToBytes(*object, lpb) : 0;
}

HREPLOBJ CNoteStore::BytesToObject(LPBYTE lpb, UINT cb) {
    CReplObject* object = CReplObject::FromBytes(lpb, cb);
    return object != nullptr ? object->Handle() : nullptr;
}

void CNoteStore::FreeObject(HREPLOBJ hObject) {
    delete CReplObject::FromHandle(hObject);
}

BOOL CNoteStore::CopyObject(HREPLOBJ hObjSrc, HREPLOBJ hObjDst) {
    const CReplObject* source = CReplObject::FromHandle(hObjSrc);
    CReplObject* destination = CReplObject::FromHandle(hObjDst);
    if (source == nullptr || destination == nullptr || source->Type() != destination->Type())
        return FALSE;
    if (source->Type() == CReplObject::kItemTag)
        static_cast<CReplItem*>(destination)->CopyFrom(*static_cast<const CReplItem*>(source));
    return TRUE;
}

HRESULT CNoteStore::IsValidObject(HREPLFLD hFolder, HREPLITEM hItem, UINT) {
    constexpr HRESULT kInvalidHandle = HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    if (hFolder != nullptr && CReplObject::FromHandle(hFolder)->Type() != CReplObject::kFolderTag)
        return kInvalidHandle;
    if (hItem == nullptr)
        return S_OK;
    const CReplItem* item = CReplItem::FromHandle(hItem);
    if (item == nullptr)
        return kInvalidHandle;
    return GuardResult(RERR_OBJECT_DELETED, [&] {
        OutlookNoteItem note;
        return FindNoteItem(item->Key(), &note) ? S_OK : RERR_OBJECT_DELETED;
    });
}

HRESULT CNoteStore::ActivateDialog(UINT, HWND hwndParent, HREPLFLD, IEnumReplItem*) {
    const BOOL realTime = m_bRealTime;
    const BOOL individualSession = m_bIndividualSession;
    const DWORD refreshDelay = m_dwRefreshDelay;
    try {
        const INT_PTR result = RunOptionsDialog(this, hwndParent);
        // A dialog that could not be shown changed nothing, but is no success.
        if (result == -1)
            return E_FAIL;
        if (result != IDOK)
            return S_OK;
        // The new values are in effect even when they cannot be saved.
        if (FAILED(SaveSettings()))
            return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    // A new timer or session needs the store loaded anew; the stop colour and
    // the categories are read at every IsItemReplicated.
    if (m_bRealTime != realTime || m_bIndividualSession != individualSession ||
        m_dwRefreshDelay != refreshDelay)
        return RERR_STORE_REPLACED;
    return S_OK;
}

HRESULT CNoteStore::SaveSettings() const {
    if (m_pNotify == nullptr)
        return E_UNEXPECTED;
    HKEY key = nullptr;
    const HRESULT hr = QueryDeviceKey(&key);
    if (FAILED(hr))
        return hr;
    const DWORD values[] = {static_cast<DWORD>(m_lStopColor), static_cast<DWORD>(m_bRealTime),
                            m_dwRefreshDelay, static_cast<DWORD>(m_bIndividualSession)};
    const char* const names[] = {"StopColor", "RealTime", "RefreshDelay", "IndividualSession"};
    LONG rc = ERROR_SUCCESS;
    for (std::size_t i = 0; i < std::size(values) && rc == ERROR_SUCCESS; ++i)
        rc = RegSetValueExA(key, names[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&values[i]),
                            sizeof(DWORD));
    if (rc == ERROR_SUCCESS) {
        std::string filter;
        for (const std::string& name : m_arrFilterCats)
            filter += name + '\t';
        rc = RegSetValueExA(key, "FilterCat", 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(filter.c_str()),
                            static_cast<DWORD>(filter.size() + 1));
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

HRESULT CNoteStore::GetObjTypeUIData(HREPLFLD, OBJUIDATA* pData) {
    if (pData == nullptr)
        return E_POINTER;
    if (pData->cbStruct != sizeof(OBJUIDATA))
        return E_INVALIDARG;
    AddIconResources();
    pData->hIconLarge = reinterpret_cast<HICON>(
        LoadImageW(nullptr, MAKEINTRESOURCEW(IDI_JOTTERWICK), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    pData->hIconSmall = reinterpret_cast<HICON>(
        LoadImageW(nullptr, MAKEINTRESOURCEW(IDI_JOTTERWICK), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    CopyText(pData->szName, LoadResourceString(IDS_TYPE_NAME));
    CopyText(pData->szSyncText, LoadResourceString(IDS_SYNC_TEXT));
    CopyText(pData->szTypeText, LoadResourceString(IDS_TYPE_TEXT));
    CopyText(pData->szPlTypeText, LoadResourceString(IDS_PLURAL_TYPE_TEXT));
    return S_OK;
}

HRESULT CNoteStore::GetConflictInfo(CONFINFO* pConfInfo) {
    if (pConfInfo == nullptr)
        return E_POINTER;
    if (pConfInfo->cbStruct != sizeof(CONFINFO))
        return E_INVALIDARG;
    return GuardResult(E_FAIL, [&]() -> HRESULT {
        OutlookNoteItem local;
        OutlookNoteItem remote;
        const bool hasLocal = pConfInfo->hLocalItem != nullptr;
        const bool hasRemote = pConfInfo->hRemoteItem != nullptr;
        const CReplItem* localItem = CReplItem::FromHandle(pConfInfo->hLocalItem);
        const CReplItem* remoteItem = CReplItem::FromHandle(pConfInfo->hRemoteItem);
        if (hasLocal && (localItem == nullptr || !FindNoteItem(localItem->Key(), &local)))
            return RERR_IGNORE;
        if (hasRemote && (remoteItem == nullptr || !FindNoteItem(remoteItem->Key(), &remote)))
            return RERR_IGNORE;
        const std::string localBody = hasLocal ? local.GetBody() : std::string();
        const std::string remoteBody = hasRemote ? remote.GetBody() : std::string();
        // Both versions say the same: nothing for the user to choose.
        if (hasLocal && hasRemote && localBody == remoteBody)
            return RERR_IGNORE;
        if (hasLocal)
            CopyText(pConfInfo->szLocalDesc, localBody);
        if (hasRemote)
            CopyText(pConfInfo->szRemoteDesc, remoteBody);
        return S_OK;
    });
}

HRESULT CNoteStore::RemoveDuplicates(LPSTR lpszObjType, UINT) {
    if (lpszObjType != nullptr && std::strcmp(lpszObjType, kJotterwickObjectType) != 0)
        return E_NOTIMPL;
    return GuardResult(S_OK, [&]() -> HRESULT {
        OutlookItems items;
        items.Attach(m_notesFolder.GetItems());
        if (!items)
            return E_UNEXPECTED;
        const LONG count = items.GetCount();
        std::vector<OutlookNoteItem> notes;
        std::vector<OutlookNoteFields> contents;
        notes.reserve(static_cast<std::size_t>(std::max<LONG>(count, 0)));
        contents.reserve(notes.capacity());
        // Every note is read before any is deleted, so that a failure leaves
        // the folder as it was.
        for (LONG index = 1; index <= count; ++index) {
            OutlookNoteItem note;
            note.Attach(items.Item(index));
            if (!note)
                return E_UNEXPECTED;
            contents.push_back({note.GetBody(), note.GetCategories(), note.GetColor()});
            notes.push_back(std::move(note));
        }
        // A note left out of synchronization (its EntryID does not fit a key)
        // is neither removed nor the reason another one is.
        auto takesPart = [&](std::size_t i) {
            const std::string entryId = notes[i].GetEntryID();
            return !entryId.empty() && entryId.size() <= CReplItem::kMaxKeyLength;
        };
        for (std::size_t i : FindDuplicateNotes(contents, takesPart))
            notes[i].Delete();
        return S_OK;
    });
}
