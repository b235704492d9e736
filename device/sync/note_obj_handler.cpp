#include "device/sync/note_obj_handler.h"

#include "device/sync/provider_module.h"
#include "shared/notes/note_packet.h"

struct NoteFromDesktop {
    notepacket::DesktopNote packet;
    std::u16string title;
};

namespace {

DWORD Trace() {
    return Module().traceSwitch;
}

CEOID SetupOid(const REPLSETUP* setup) {
    return setup ? setup->oid : 0;
}

// The failure a record write or delete reports to the manager.
HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

} // namespace

CNoteObjHandler::~CNoteObjHandler() {
    if (m_pPacket)
        LocalFree(m_pPacket);
}

HRESULT CNoteObjHandler::QueryInterface(REFIID, void** ppv) {
    if (ppv)
        *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CNoteObjHandler::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG CNoteObjHandler::Release() {
    const LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT CNoteObjHandler::Setup(REPLSETUP* pSetup) {
    TraceLine(Trace(), u"Setup: Read = %u, CEOID = %u", pSetup->fRead, pSetup->oid);
    if (pSetup->fRead)
        m_pReadSetup = pSetup;
    else
        m_pWriteSetup = pSetup;
    return S_OK;
}

HRESULT CNoteObjHandler::Reset(REPLSETUP* pSetup) {
    TraceLine(Trace(), u"Reset: Read = %u, CEOID = %u", pSetup->fRead, pSetup->oid);
    return S_OK;
}

HRESULT CNoteObjHandler::GetPacket(LPBYTE* lppbData, DWORD* pcbData, DWORD) {
    const CEOID oid = SetupOid(m_pReadSetup);
    TraceLine(Trace(), u"GetPacket (Begin): CEOID %u", oid);
    if (!SeekToNote(oid))
        return RERR_OBJECT_DELETED;

    NoteRecordProps record;
    {
        ProviderLock lock;
        // The note may have gone since the first seek: then read nothing.
        if (!SeekToNote(oid) || record.ReadCurrent(Module().database) != oid)
            return RERR_OBJECT_DELETED;
    }
    const std::u16string text = record.Text(PROPID_NOTE_TEXT);
    const DWORD color = record.Number(PROPID_NOTE_COLOR);
    const bool hasCategories = record.Find(PROPID_NOTE_CATEGORIES) != nullptr;
    const std::u16string categories = record.Text(PROPID_NOTE_CATEGORIES);
    if (hasCategories) {
        // A filter that could not be read keeps every note it might hold back.
        if (const DWORD error = SyncFilterError(categories); error != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(error);
        if (MatchesSyncFilter(categories)) {
            TraceLine(Trace(), u"GetPacket: Filter condition hits");
            return RERR_DISCARD;
        }
    }

    const auto size = notepacket::DeviceNotePacketSize(categories.size(), text.size());
    if (size > 0xFFFFFFFFull)
        return E_OUTOFMEMORY;
    if (m_pPacket)
        LocalFree(m_pPacket);
    m_pPacket = static_cast<LPBYTE>(LocalAlloc(LMEM_ZEROINIT, size));
    if (!m_pPacket)
        return E_OUTOFMEMORY;
    notepacket::WriteDeviceNotePacket(m_pPacket, color, categories, text);
    *lppbData = m_pPacket;
    *pcbData = static_cast<DWORD>(size);

    TraceLine(Trace(), u"GetPacket: sCat %s", categories.c_str());
    TraceLine(Trace(), u"GetPacket: uLenCat %u", static_cast<UINT>(categories.size()));
    TraceLine(Trace(), u"GetPacket: uLenNote %u", static_cast<UINT>(text.size()));
    TraceLine(Trace(), u"GetPacket: Size %u", static_cast<UINT>(size));
    TraceLine(Trace(), u"GetPacket (End): CEOID %u", oid);
    return RWRN_LAST_PACKET;
}

HRESULT CNoteObjHandler::SetPacket(LPBYTE lpbData, DWORD cbData) {
    const CEOID oid = SetupOid(m_pWriteSetup);
    TraceLine(Trace(), u"SetPacket (Begin): CEOID %u", oid);
    NoteFromDesktop note;
    if (notepacket::ReadDesktopNotePacket(lpbData, cbData, &note.packet) !=
        notepacket::ReadResult::Ok)
        return E_INVALIDARG;
    note.title = NoteTitleOf(note.packet.text);
    const FILETIME now = NowFileTime();

    if (oid != 0 && SeekToNote(oid)) {
        bool vanished = false;
        const HRESULT hr = ChangeRecord(oid, note, now, &vanished);
        if (!vanished)
            return hr;
    }
    return CreateRecord(note, now);
}

HRESULT CNoteObjHandler::ChangeRecord(CEOID oid, const NoteFromDesktop& note, FILETIME now,
                                      bool* vanished) {
    TraceLine(Trace(), u"SetPacket (Change record): CEOID %u", oid);
    NoteRecordProps record;
    {
        ProviderLock lock;
        if (!SeekToNote(oid) || record.ReadCurrent(Module().database) != oid) {
            *vanished = true;
            return S_OK;
        }
    }
    TraceLine(Trace(), u"SetPacket: Properties read");
    const CEPROPID syncTime = PartnerSyncTimeProp();
    TraceLine(Trace(), u"SetPacket: Begin record modification");
    std::vector<CEPROPVAL> props = record.Copy();
    SetProp(props, StringProp(PROPID_NOTE_TEXT, note.packet.text));
    SetProp(props, StringProp(PROPID_NOTE_TITLE, note.title));
    SetProp(props, TimeProp(PROPID_NOTE_MODIFIED, now));
    SetProp(props, TimeProp(syncTime, now));
    SetProp(props, NumberProp(PROPID_NOTE_COLOR, note.packet.color));
    // The note keeps its own creation time; the desktop copy's is younger
    // when the note was made here. A record without one takes the packet's.
    if (record.Find(PROPID_NOTE_CREATED) == nullptr)
        SetProp(props, TimeProp(PROPID_NOTE_CREATED, note.packet.created));
    SetProp(props, StringProp(PROPID_NOTE_CATEGORIES, note.packet.categories));
    TraceLine(Trace(), u"SetPacket: Finished record modification");
    {
        ProviderLock lock;
        if (!SeekToNote(oid)) {
            *vanished = true;
            return S_OK;
        }
        if (CeWriteRecordProps(Module().database, oid, static_cast<WORD>(props.size()),
                               props.data()) == 0)
            return LastErrorResult();
    }
    TraceLine(Trace(), u"SetPacket (End): CEOID %u", oid);
    return S_OK;
}

HRESULT CNoteObjHandler::CreateRecord(const NoteFromDesktop& note, FILETIME now) {
    TraceLine(Trace(), u"SetPacket: Create new record");
    const bool partner1 = PartnerSyncTimeProp() == PROPID_NOTE_SYNCTIME1;
    CEPROPVAL props[] = {
        TimeProp(PROPID_NOTE_MODIFIED, now),
        TimeProp(PROPID_NOTE_CREATED, note.packet.created),
        StringProp(PROPID_NOTE_TITLE, note.title),
        StringProp(PROPID_NOTE_TEXT, note.packet.text),
        TimeProp(PROPID_NOTE_SYNCTIME1, partner1 ? now : FILETIME{}),
        TimeProp(PROPID_NOTE_SYNCTIME2, partner1 ? FILETIME{} : now),
        NumberProp(PROPID_NOTE_COLOR, note.packet.color),
        StringProp(PROPID_NOTE_CATEGORIES, note.packet.categories),
    };
    const CEOID created = CeWriteRecordProps(Module().database, 0, 8, props);
    if (m_pWriteSetup)
        m_pWriteSetup->oidNew = created;
    if (created == 0)
        return LastErrorResult();
    TraceLine(Trace(), u"Record with CEOID %lu created!", created);
    TraceLine(Trace(), u"SetPacket (End): CEOID %u", created);
    return S_OK;
}

HRESULT CNoteObjHandler::DeleteObj(REPLSETUP* pSetup) {
    const CEOID oid = pSetup->oid;
    TraceLine(Trace(), u"DeleteObj (Begin): CEOID %u", oid);
    if (!SeekToNote(oid)) {
        TraceLine(Trace(), u"DeleteObj (End): CEOID %u", oid);
        return RERR_OBJECT_DELETED;
    }
    ProviderLock lock;
    if (!SeekToNote(oid))
        return RERR_OBJECT_DELETED;
    const CEOID current = CeSeekDatabase(Module().database, CEDB_SEEK_CURRENT, 0, nullptr);
    if (current != oid)
        return RERR_OBJECT_DELETED;
    return CeDeleteRecord(Module().database, current) ? S_OK : LastErrorResult();
}
