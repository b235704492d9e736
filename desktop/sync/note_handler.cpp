#include "desktop/sync/note_handler.h"

#include "desktop/sync/ansi_text.h"
#include "desktop/sync/automation_exception.h"
#include "desktop/sync/category_text.h"
#include "desktop/sync/com_boundary.h"
#include "desktop/sync/note_store.h"
#include "desktop/sync/outlook_note_item.h"
#include "desktop/sync/outlook_time.h"
#include "desktop/sync/repl_item.h"
#include "platform/base/kernel.h"
#include "shared/notes/note_packet.h"

#include <limits>
#include <memory>
#include <new>

namespace {

// Outlook's MAPI_E_OBJECT_CHANGED: the note was saved since it was read.
constexpr HRESULT kNoteChanged = static_cast<HRESULT>(0x80040109);

void WriteFields(const OutlookNoteItem& note, const CNoteHandler::OutlookFields& fields) {
    note.SetBody(fields.body);
    note.SetColor(static_cast<LONG>(fields.color));
    note.SetCategories(fields.categories);
    note.Save();
}

// Whether the note is the version the handle was handed out or last written
// with. A save since then is someone's edit: it is not written over or
// deleted unseen, and the service manager leaves the note for its next pass.
bool AsHandedOut(const OutlookNoteItem& note, const CReplItem& handle) {
    const FILETIME current = FileTimeFromOutlookDate(note.GetLastModificationTime());
    return CompareFileTime(&handle.Modified(), &current) == 0;
}

// Runs a save or deletion of a note checked with AsHandedOut: Outlook refuses
// it when the note was saved in the moment since it was fetched.
template <typename Change> HRESULT ChangeUnlessSaved(Change&& change) {
    try {
        change();
        return S_OK;
    } catch (const AutomationException& error) {
        if (error.Scode() == kNoteChanged)
            return kNoteChanged;
        throw;
    }
}

} // namespace

CNoteHandler::~CNoteHandler() {
    if (m_pPacket != nullptr)
        LocalFree(m_pPacket);
}

template <typename Body> HRESULT CNoteHandler::Guard(Body&& body) noexcept {
    return ResultAtComBoundary(
        [this](const AutomationException& error) { m_pStore->ReportHandlerError(error); }, E_FAIL,
        std::forward<Body>(body));
}

HRESULT CNoteHandler::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!(riid == IID_IUnknown))
        return E_NOINTERFACE;
    AddRef();
    *ppv = static_cast<IUnknown*>(this);
    return S_OK;
}

HRESULT CNoteHandler::Setup(REPLSETUP* pSetup) {
    if (pSetup == nullptr)
        return E_POINTER;
    (pSetup->fRead ? m_pReadSetup : m_pWriteSetup) = pSetup;
    return S_OK;
}

HRESULT CNoteHandler::Reset(REPLSETUP*) {
    return S_OK;
}

HRESULT CNoteHandler::GetPacket(LPBYTE* lppbData, DWORD* pcbData, DWORD) {
    if (lppbData == nullptr || pcbData == nullptr)
        return E_POINTER;
    return Guard([&]() -> HRESULT {
        const CReplItem* item =
            m_pReadSetup != nullptr ? CReplItem::FromHandle(m_pReadSetup->hItem) : nullptr;
        if (item == nullptr)
            return E_UNEXPECTED;
        OutlookNoteItem note;
        if (!m_pStore->FindNoteItem(item->Key(), &note))
            return E_UNEXPECTED;
        const HRESULT hr = BuildPacket(note);
        if (FAILED(hr))
            return hr;
        *lppbData = m_pPacket;
        *pcbData = m_cbPacket;
        return RWRN_LAST_PACKET;
    });
}

HRESULT CNoteHandler::BuildPacket(const OutlookNoteItem& note) {
    const std::string body = note.GetBody();
    const LONG color = note.GetColor();
    const std::string categories = note.GetCategories();
    const FILETIME created = FileTimeFromOutlookDate(note.GetCreationTime());
    const std::string list = CategoryListFromText(categories, ListSeparator());

    const auto size = notepacket::DesktopNotePacketSize(list.size(), body.size());
    if (size > std::numeric_limits<DWORD>::max())
        return E_OUTOFMEMORY;
    auto* block = static_cast<LPBYTE>(LocalAlloc(LMEM_ZEROINIT, static_cast<std::size_t>(size)));
    if (block == nullptr)
        return E_OUTOFMEMORY;
    notepacket::WriteDesktopNotePacket(block, static_cast<DWORD>(color), created,
                                       static_cast<DWORD>(list.size()), AnsiToWide(list),
                                       static_cast<DWORD>(body.size()), AnsiToWide(body));
    // The previous packet goes only now: a failed GetPacket keeps it.
    if (m_pPacket != nullptr)
        LocalFree(m_pPacket);
    m_pPacket = block;
    m_cbPacket = static_cast<DWORD>(size);
    return S_OK;
}

std::optional<CNoteHandler::OutlookFields> CNoteHandler::FieldsFromDevicePacket(const BYTE* data,
                                                                                DWORD size) {
    notepacket::DeviceNote packet;
    if (notepacket::ReadDeviceNotePacket(data, size, &packet) != notepacket::ReadResult::Ok)
        return std::nullopt;
    // Each text gets all the room its ANSI form needs, double-byte
    // characters included.
    OutlookFields fields;
    fields.color = packet.color;
    fields.categories =
        CategoryTextFromList(WideToAnsi(packet.categories), ListSeparator().front());
    fields.body = WideToAnsi(packet.text);
    return fields;
}

HRESULT CNoteHandler::SetPacket(LPBYTE lpbData, DWORD cbData) {
    if (cbData == 0)
        return E_UNEXPECTED;
    return Guard([&]() -> HRESULT {
        const std::optional<OutlookFields> fields = FieldsFromDevicePacket(lpbData, cbData);
        if (!fields)
            return E_UNEXPECTED;
        return WriteNote(*fields);
    });
}

HRESULT CNoteHandler::WriteNote(const OutlookFields& fields) {
    if (m_pWriteSetup == nullptr)
        return E_UNEXPECTED;
    OutlookNoteItem note;
    if (m_pWriteSetup->hItem != nullptr) {
        CReplItem* handle = CReplItem::FromHandle(m_pWriteSetup->hItem);
        if (handle == nullptr || !m_pStore->FindNoteItem(handle->Key(), &note))
            return E_UNEXPECTED;
        if (!AsHandedOut(note, *handle))
            return kNoteChanged;
        if (const HRESULT hr = ChangeUnlessSaved([&] { WriteFields(note, fields); }); FAILED(hr))
            return hr;
        handle->SetModified(FileTimeFromOutlookDate(note.GetLastModificationTime()));
        return S_OK;
    }
    CReplItem* handle = nullptr;
    const HRESULT hr = CreateNote(fields, &note, &handle);
    if (SUCCEEDED(hr))
        m_pWriteSetup->hItem = handle->Handle();
    return hr;
}

HRESULT CNoteHandler::CreateNote(const OutlookFields& fields, OutlookNoteItem* note,
                                 CReplItem** handle) {
    note->Attach(m_pStore->Application().CreateItem(kNoteItemType));
    if (!*note)
        return E_UNEXPECTED;
    // A new note that can't be handed back under its own key would be made
    // again at every pass: it is taken back out instead, leaving Outlook as
    // it was.
    auto takeBack = [&] {
        try {
            note->Delete();
        } catch (...) {
        }
    };
    try {
        auto created = std::make_unique<CReplItem>();
        WriteFields(*note, fields);
        if (!created->SetKey(note->GetEntryID())) {
            takeBack();
            return E_UNEXPECTED;
        }
        created->SetModified(FileTimeFromOutlookDate(note->GetLastModificationTime()));
        *handle = created.release();
        return S_OK;
    } catch (...) {
        takeBack();
        throw;
    }
}

HRESULT CNoteHandler::DeleteObj(REPLSETUP* pSetup) {
    if (pSetup == nullptr || pSetup->hItem == nullptr)
        return S_OK;
    return Guard([&]() -> HRESULT {
        const CReplItem* item = CReplItem::FromHandle(pSetup->hItem);
        OutlookNoteItem note;
        if (item == nullptr || !m_pStore->FindNoteItem(item->Key(), &note))
            return E_UNEXPECTED;
        if (!AsHandedOut(note, *item))
            return kNoteChanged;
        return ChangeUnlessSaved([&] { note.Delete(); });
    });
}
