#include "peers/activesync/desktop_provider.h"
#include "peers/activesync/object_handler.h"
#include "peers/activesync/result_text.h"

#include "platform/base/status.h"
#include "platform/com/objbase.h"
#include "platform/ui/icon.h"
#include "platform/win32/machine.h"

#include <algorithm>
#include <cstring>

namespace jsync {

using platform::Result;
using platform::Status;

namespace {

char kObjectType[] = "Jotterwick";

// BytesToObject is handed at least this many bytes: the store may read its
// own layout without looking at the length, so a short record must not let
// it read past the buffer.
constexpr std::size_t kHandleBuffer = kMaxHandleBytes;

STOREINFO EmptyStoreInfo() {
    STOREINFO info{};
    info.cbStruct = sizeof info;
    return info;
}

} // namespace

Result<std::unique_ptr<DesktopProvider>> DesktopProvider::Create(const CLSID& clsid) {
    void* created = nullptr;
    const HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IReplStore, &created);
    if (FAILED(hr) || created == nullptr) {
        // A refused library says which registry value named it.
        const std::string why = hr == E_ACCESSDENIED ? ": " + platform::LastErrorMessage() : "";
        return Status::Failure(ERROR_FILE_NOT_FOUND,
                               "cannot create the desktop store (" + ResultText(hr) + ")" + why);
    }
    std::unique_ptr<DesktopProvider> provider(
        new DesktopProvider(static_cast<IReplStore*>(created)));
    STOREINFO info = EmptyStoreInfo();
    if (const HRESULT before = provider->m_store->GetStoreInfo(&info); FAILED(before))
        return Status::Failure(ERROR_INVALID_DATA, "the desktop store gave no information (" +
                                                       ResultText(before) + ")");
    return provider;
}

DesktopProvider::~DesktopProvider() {
    m_folder.Reset();
    m_store->ReportStatus(nullptr, nullptr, RSC_RELEASE, 0);
    // The store's library stays loaded to the end of the process, as the
    // managers keep it: its never-freed caches stay reachable.
    m_store->Release();
}

Status DesktopProvider::Initialize(IReplNotify* notify) {
    if (const HRESULT hr = m_store->Initialize(notify, ISF_SELECTED_DEVICE); FAILED(hr)) {
        // Outlook is a program of its own: jsync never sets it up.
        CLSID outlook{};
        if (FAILED(CLSIDFromProgID(u"Outlook.Application", &outlook)))
            return Status::Failure(ERROR_FILE_NOT_FOUND,
                                   "the desktop store could not be initialised (" + ResultText(hr) +
                                       "): Outlook is not installed on the desktop " +
                                       win32::DesktopDirectory() +
                                       " (the Outlook stand-in sets itself up on first use: "
                                       "outlook-notes --desktop " +
                                       win32::DesktopDirectory() + " register)");
        return Status::Failure(ERROR_ACCESS_DENIED,
                               "the desktop store could not be initialised (" + ResultText(hr) +
                                   "): Outlook's message store " + win32::DesktopDirectory() +
                                   "/outlook.db could not be opened; if it is damaged or a "
                                   "dangling link, put it back from a backup, or move it away "
                                   "to start afresh");
    }
    STOREINFO info = EmptyStoreInfo();
    HRESULT hr = m_store->GetStoreInfo(&info);
    if (hr == E_OUTOFMEMORY || (SUCCEEDED(hr) && info.cbStoreId > 0)) {
        // The first call tells the identifier's size.
        if (info.cbStoreId == 0 || info.cbStoreId > kMaxStoreIdBytes)
            return Status::Failure(ERROR_INVALID_DATA,
                                   "the desktop store's identifier is unusable");
        m_storeId.assign(info.cbStoreId, 0);
        info = EmptyStoreInfo();
        info.cbMaxStoreId = static_cast<UINT>(m_storeId.size());
        info.lpbStoreId = m_storeId.data();
        hr = m_store->GetStoreInfo(&info);
    }
    if (FAILED(hr) || m_storeId.empty())
        return Status::Failure(ERROR_ACCESS_DENIED,
                               "the desktop store has no identity: is Outlook there? (" +
                                   ResultText(hr) + ")");
    m_storeId.resize(std::min<std::size_t>(m_storeId.size(), info.cbStoreId));
    if (info.uFlags & SCF_SIMULATE_RTS)
        m_timer = info.uTimerRes;
    return Status();
}

bool DesktopProvider::SameStore(const Bytes& stored) {
    return m_store->CompareStoreIDs(const_cast<LPBYTE>(stored.data()),
                                    static_cast<UINT>(stored.size()), m_storeId.data(),
                                    static_cast<UINT>(m_storeId.size())) == 0;
}

Status DesktopProvider::OpenFolder(const std::optional<Bytes>& persisted) {
    if (persisted) {
        auto folder = FromBytes(*persisted);
        if (folder.ok())
            m_folder = std::move(folder.value());
    }
    HREPLFLD folder = m_folder.get();
    IUnknown* handler = nullptr;
    const HRESULT hr = m_store->GetFolderInfo(kObjectType, &folder, &handler);
    if (FAILED(hr) || folder == nullptr || handler == nullptr)
        return Status::Failure(ERROR_INVALID_DATA,
                               "the desktop store gave no folder (" + ResultText(hr) + ")");
    if (folder != m_folder.get())
        m_folder = StoreHandle(m_store, folder);
    // The store hands out its IReplObjHandler as an IUnknown.
    m_handler = static_cast<IReplObjHandler*>(handler);
    return Status();
}

Bytes DesktopProvider::FolderBytes() {
    return ToBytes(m_folder.get());
}

void DesktopProvider::ReportStatus(UINT code) {
    m_store->ReportStatus(m_folder.get(), nullptr, code, 0);
}

bool DesktopProvider::IsFolderChanged() {
    BOOL changed = FALSE;
    return SUCCEEDED(m_store->IsFolderChanged(m_folder.get(), &changed)) && changed;
}

Result<std::vector<StoreHandle>> DesktopProvider::Enumerate() {
    std::vector<StoreHandle> items;
    HREPLITEM item = nullptr;
    BOOL exists = FALSE;
    HRESULT hr = m_store->FindFirstItem(m_folder.get(), &item, &exists);
    while (SUCCEEDED(hr) && exists) {
        if (item == nullptr) {
            hr = E_UNEXPECTED;
            break;
        }
        items.emplace_back(m_store, item);
        item = nullptr;
        exists = FALSE;
        hr = m_store->FindNextItem(m_folder.get(), &item, &exists);
    }
    m_store->FindItemClose(m_folder.get());
    // A broken enumeration must not make the notes not yet seen look deleted.
    if (FAILED(hr))
        return Status::Failure(ERROR_READ_FAULT, "the desktop notes could not be enumerated (" +
                                                     ResultText(hr) + ")");
    return items;
}

Result<StoreHandle> DesktopProvider::FromBytes(const Bytes& bytes) {
    if (bytes.empty() || bytes.size() > kMaxHandleBytes)
        return Status::Failure(ERROR_INVALID_DATA, "a persisted desktop handle of " +
                                                       std::to_string(bytes.size()) +
                                                       " bytes does not fit");
    Bytes buffer(std::max(bytes.size(), kHandleBuffer), 0);
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    StoreHandle handle(m_store,
                       m_store->BytesToObject(buffer.data(), static_cast<UINT>(bytes.size())));
    if (!handle || m_store->ObjectToBytes(handle.get(), nullptr) != bytes.size())
        return Status::Failure(ERROR_INVALID_DATA,
                               "the desktop store does not recognise a persisted handle");
    return handle;
}

Bytes DesktopProvider::ToBytes(HREPLOBJ handle) {
    const UINT size = m_store->ObjectToBytes(handle, nullptr);
    if (size == 0 || size > kMaxHandleBytes)
        return {};
    Bytes bytes(size, 0);
    if (m_store->ObjectToBytes(handle, bytes.data()) != size)
        return {};
    return bytes;
}

REPLSETUP DesktopProvider::Setup(bool read, HREPLITEM item) {
    REPLSETUP setup{};
    setup.cbStruct = sizeof setup;
    setup.fRead = read ? TRUE : FALSE;
    std::memcpy(setup.szObjType, kObjectType, sizeof kObjectType);
    setup.hItem = item;
    setup.hFolder = m_folder.get();
    return setup;
}

HRESULT DesktopProvider::GetPacket(HREPLITEM item, Bytes* packet) {
    m_readSetup = Setup(true, item);
    return ReadPacket(*m_handler, &m_readSetup, packet);
}

HRESULT DesktopProvider::SetPacket(HREPLITEM item, const Bytes& packet, StoreHandle* created) {
    m_writeSetup = Setup(false, item);
    HRESULT hr = m_handler->Setup(&m_writeSetup);
    if (FAILED(hr))
        return hr;
    hr = m_handler->SetPacket(const_cast<LPBYTE>(packet.data()), static_cast<DWORD>(packet.size()));
    if (item == nullptr && m_writeSetup.hItem != nullptr)
        *created = StoreHandle(m_store, m_writeSetup.hItem);
    if (SUCCEEDED(hr) && item == nullptr && !*created)
        return E_UNEXPECTED;
    return hr;
}

HRESULT DesktopProvider::DeleteObj(HREPLITEM item) {
    REPLSETUP setup = Setup(false, item);
    return m_handler->DeleteObj(&setup);
}

HRESULT DesktopProvider::ConflictInfo(HREPLITEM local, HREPLITEM remote) {
    CONFINFO info{};
    info.cbStruct = sizeof info;
    info.hFolder = m_folder.get();
    info.hLocalItem = local;
    info.hRemoteItem = remote;
    std::strcpy(info.szLocalName, "Desktop");
    std::strcpy(info.szRemoteName, "Handheld");
    return m_store->GetConflictInfo(&info);
}

Result<std::pair<std::string, std::string>> DesktopProvider::TypeNames() {
    OBJUIDATA data{};
    data.cbStruct = sizeof data;
    if (const HRESULT hr = m_store->GetObjTypeUIData(m_folder.get(), &data); FAILED(hr))
        return Status::Failure(ERROR_INVALID_DATA, "the desktop store gave no names for its "
                                                   "object type (" +
                                                       ResultText(hr) + ")");
    for (HICON icon : {data.hIconLarge, data.hIconSmall})
        if (icon)
            DestroyIcon(icon);
    // The store's texts, each cut at its field's end whatever it wrote.
    return std::pair(
        std::string(data.szName, strnlen(data.szName, sizeof data.szName)),
        std::string(data.szSyncText, strnlen(data.szSyncText, sizeof data.szSyncText)));
}

HRESULT DesktopProvider::ActivateDialog() {
    return m_store->ActivateDialog(OBJECT_TYPE_DIALOG, nullptr, m_folder.get(), nullptr);
}

} // namespace jsync
