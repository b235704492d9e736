// Fuzzes every reader of stored note records on records of any properties
// and types (the input is a record in its stored form): the notes program's
// read, save and display filter, and the provider's change check and packet.
// Nothing may crash; a property of another type than the note record's reads
// as missing, so the packet carries no text taken from one.
#include "device/app/note_cursors.h"
#include "device/sync/jottadev.h"
#include "platform/ce/machine.h"
#include "platform/ce/property_blob.h"
#include "shared/notes/note_packet.h"
#include "tools/ceutil/property_text.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Store {
    HANDLE cursor = INVALID_HANDLE_VALUE;
    CEOID database = 0;
    IReplObjHandler* handler = nullptr;
};

Store& OpenStore() {
    static Store store = [] {
        char directory[] = "/tmp/note_record_fuzz.XXXXXX";
        if (!mkdtemp(directory))
            std::abort();
        ce::SetHandheldDirectory(directory);
        Store s;
        s.cursor = OpenNoteDatabase(&s.database);
        if (s.cursor == INVALID_HANDLE_VALUE ||
            !InitObjType(const_cast<LPWSTR>(u"Jotterwick"), &s.handler, 1))
            std::abort();
        return s;
    }();
    return store;
}

void ReadThroughTheProvider(Store& store, CEOID oid, const std::u16string& storedText) {
    OBJNOTIFY notify{};
    notify.cbStruct = sizeof notify;
    notify.uFlags = ONF_RECORD | ONF_CHANGED;
    notify.oidObject = oid;
    notify.oidInfo.wObjType = OBJTYPE_RECORD;
    notify.oidInfo.infRecord.oidParent = store.database;
    ObjectNotify(&notify);

    REPLSETUP setup{};
    setup.fRead = TRUE;
    setup.oid = oid;
    store.handler->Setup(&setup);
    BYTE* packet = nullptr;
    DWORD size = 0;
    if (store.handler->GetPacket(&packet, &size, 4096) != RWRN_LAST_PACKET)
        return;
    notepacket::DeviceNote sent;
    if (notepacket::ReadDeviceNotePacket(packet, size, &sent) != notepacket::ReadResult::Ok ||
        sent.text != storedText)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto decoded = ce::DecodeProperties(std::span<const BYTE>(data, size));
    if (!decoded.ok() || decoded.value().empty())
        return 0;
    std::vector<CEPROPVAL> values;
    for (ce::Property& property : decoded.value())
        values.push_back(ceutil::ToPropVal(property));
    // The text the record holds as a string, if it holds one.
    const ce::Property* text = ce::FindProperty(decoded.value(), PropNumber(PROPID_NOTE_TEXT));
    const std::u16string storedText =
        text && text->type() == CEVT_LPWSTR ? text->text : std::u16string();

    Store& store = OpenStore();
    const CEOID oid =
        CeWriteRecordProps(store.cursor, 0, static_cast<WORD>(values.size()), values.data());
    if (oid == 0)
        return 0;

    NoteContents contents;
    if (!ReadNote(store.cursor, oid, &contents) || contents.text != storedText)
        std::abort();
    NoteTitleOf(contents.text);
    SplitCategories(contents.categories);
    NoteRecordProps record;
    if (CeSeekDatabase(store.cursor, CEDB_SEEK_CEOID, oid, nullptr) != oid ||
        record.ReadCurrent(store.cursor) != oid)
        std::abort();
    NotePassesFilter(record, CategoryFilter{u"Work"});
    for (CEPROPID id :
         {PROPID_NOTE_MODIFIED, PROPID_NOTE_CREATED, PROPID_NOTE_SYNCTIME1, PROPID_NOTE_SYNCTIME2})
        record.Time(id);
    record.Number(PROPID_NOTE_COLOR);
    record.Text(PROPID_NOTE_TITLE);

    ReadThroughTheProvider(store, oid, storedText);

    // Saving puts every note property in place with its own type.
    if (WriteNote(store.cursor, oid, u"Saved\r\ntext", NoteRed, u"Work\n")) {
        if (!ReadNote(store.cursor, oid, &contents) || contents.text != u"Saved\r\ntext" ||
            contents.color != NoteRed || contents.categories != u"Work\n")
            std::abort();
    }
    CeDeleteRecord(store.cursor, oid);
    return 0;
}
