#include "device/app/note_store.h"

#include "platform/base/test_hold.h"
#include "platform/ce/object_store.h"

#include <algorithm>
#include <cstdint>

namespace {

// The text of a new note (string 61204 of the notes program).
constexpr char16_t kNewNoteText[] = u"<New Note>";

constexpr SORTORDERSPEC kNoteSortOrders[3] = {
    {PROPID_NOTE_TITLE, 0},
    {PROPID_NOTE_CREATED, CEDB_SORT_DESCENDING},
    {PROPID_NOTE_MODIFIED, CEDB_SORT_DESCENDING},
};

HANDLE OpenByName(CEOID* oid) {
    *oid = 0;
    return CeOpenDatabase(oid, kNoteDatabaseName, 0, 0, nullptr);
}

// Gives a database created elsewhere (the provider creates it bare) the
// three sort orders; its type stays as it is.
void UpgradeNoteDatabase(HANDLE cursor, CEOID oid) {
    CEPROPVAL marker = NumberProp(PROPID_LEGACY_MARKER, 0);
    if (CeSeekDatabase(cursor, CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(&marker),
                       nullptr) != 0) {
        const CEOID current = CeSeekDatabase(cursor, CEDB_SEEK_CURRENT, 0, nullptr);
        if (current != 0)
            CeDeleteRecord(cursor, current);
    }
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDSORTSPEC;
    info.wNumSortOrder = 3;
    for (int i = 0; i < 3; ++i)
        info.rgSortSpecs[i] = kNoteSortOrders[i];
    CeSetDatabaseInfo(oid, &info);
}

bool SeekToNote(HANDLE cursor, CEOID note) {
    return note == kCurrentNote || CeSeekDatabase(cursor, CEDB_SEEK_CEOID, note, nullptr) == note;
}

// Writes a new record with all eight properties, never synchronized.
CEOID WriteNewNote(HANDLE cursor, const std::u16string& text, DWORD color,
                   const std::u16string& categories, FILETIME modified) {
    const std::u16string title = NoteTitleOf(text);
    CEPROPVAL props[] = {
        TimeProp(PROPID_NOTE_MODIFIED, modified),    TimeProp(PROPID_NOTE_CREATED, NowFileTime()),
        StringProp(PROPID_NOTE_TITLE, title),        StringProp(PROPID_NOTE_TEXT, text),
        TimeProp(PROPID_NOTE_SYNCTIME1, FILETIME{}), TimeProp(PROPID_NOTE_SYNCTIME2, FILETIME{}),
        NumberProp(PROPID_NOTE_COLOR, color),        StringProp(PROPID_NOTE_CATEGORIES, categories),
    };
    return CeWriteRecordProps(cursor, 0, 8, props);
}

// One part of a note after two changes from `base`; false when both changed it differently.
template <class T> bool MergePart(const T& base, const T& mine, const T& theirs, T* merged) {
    *merged = mine == base ? theirs : mine;
    return mine == base || theirs == base || mine == theirs;
}

} // namespace

HANDLE OpenNoteDatabase(CEOID* oidDatabase) {
    HANDLE cursor = OpenByName(oidDatabase);
    if (cursor == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return INVALID_HANDLE_VALUE;
        SORTORDERSPEC specs[3] = {kNoteSortOrders[0], kNoteSortOrders[1], kNoteSortOrders[2]};
        if (CeCreateDatabase(kNoteDatabaseName, NOTE_DB_TYPE, 3, specs) == 0)
            return INVALID_HANDLE_VALUE;
        return OpenByName(oidDatabase);
    }
    CEOIDINFO info{};
    if (CeOidGetInfo(*oidDatabase, &info) && info.infDatabase.wNumSortOrder != 3)
        UpgradeNoteDatabase(cursor, *oidDatabase);
    return cursor;
}

CEOID AddNewNote(HANDLE cursor, DWORD defaultColor, const std::u16string& categories) {
    return WriteNewNote(cursor, kNewNoteText, defaultColor, categories, FILETIME{});
}

CEOID AddNote(HANDLE cursor, const std::u16string& text, DWORD color,
              const std::u16string& categories) {
    return WriteNewNote(cursor, text, color, categories, NowFileTime());
}

std::optional<NoteContents> MergeNoteChanges(const NoteContents& base, const NoteContents& mine,
                                             const NoteContents& theirs) {
    NoteContents merged = theirs;
    if (!MergePart(base.text, mine.text, theirs.text, &merged.text) ||
        !MergePart(base.color, mine.color, theirs.color, &merged.color) ||
        !MergePart(base.categories, mine.categories, theirs.categories, &merged.categories))
        return std::nullopt;
    return merged;
}

bool ReadNote(HANDLE cursor, CEOID note, NoteContents* contents) {
    NoteRecordProps record;
    if (!SeekToNote(cursor, note) || record.ReadCurrent(cursor) == 0)
        return false;
    contents->text = record.Text(PROPID_NOTE_TEXT);
    contents->color = record.Number(PROPID_NOTE_COLOR);
    contents->created = record.Time(PROPID_NOTE_CREATED);
    contents->modified = record.Time(PROPID_NOTE_MODIFIED);
    contents->categories = record.Text(PROPID_NOTE_CATEGORIES);
    return true;
}

namespace {

std::uint64_t Ticks(const FILETIME& time) {
    return std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime;
}

// Now, or just after the record's own times when the clock has not moved past
// them: a save within the clock tick of a synchronization stamp (or with the
// clock set back) must still leave the note later than its stamps, or the
// change would count as synchronized.
FILETIME SaveTime(NoteRecordProps& record) {
    std::uint64_t latest = 0;
    for (CEPROPID propid : {PROPID_NOTE_MODIFIED, PROPID_NOTE_SYNCTIME1, PROPID_NOTE_SYNCTIME2})
        latest = std::max(latest, Ticks(record.Time(propid)));
    const std::uint64_t now = std::max(Ticks(NowFileTime()), latest + 1);
    return FILETIME{static_cast<DWORD>(now), static_cast<DWORD>(now >> 32)};
}

} // namespace

bool WriteNote(HANDLE cursor, CEOID note, const std::u16string& text, DWORD color,
               const std::u16string& categories) {
    NoteRecordProps record;
    if (!SeekToNote(cursor, note))
        return false;
    const CEOID oid = record.ReadCurrent(cursor);
    if (oid == 0)
        return false;
    const std::u16string title = NoteTitleOf(text);
    std::vector<CEPROPVAL> props = record.Copy();
    SetProp(props, StringProp(PROPID_NOTE_TEXT, text));
    SetProp(props, StringProp(PROPID_NOTE_TITLE, title));
    SetProp(props, NumberProp(PROPID_NOTE_COLOR, color));
    SetProp(props, StringProp(PROPID_NOTE_CATEGORIES, categories));
    SetProp(props, TimeProp(PROPID_NOTE_MODIFIED, SaveTime(record)));
    if (CeWriteRecordProps(cursor, oid, static_cast<WORD>(props.size()), props.data()) == 0)
        return false;
    return SeekToNote(cursor, oid);
}

SaveOutcome SaveNoteChanges(HANDLE cursor, CEOID note, const NoteContents& base,
                            const NoteContents& mine, NoteContents* saved) {
    auto hold = ce::HoldStoreForWriting();
    if (!hold.ok()) {
        SetLastError(hold.status().code());
        return SaveOutcome::Failed;
    }
    NoteContents stored;
    if (!ReadNote(cursor, note, &stored))
        return SaveOutcome::Gone;
    const std::optional<NoteContents> merged = MergeNoteChanges(base, mine, stored);
    if (!merged)
        return SaveOutcome::Clashed;
    platform::TestHold("JOTTERWICK_NOTES_HOLD_SAVE");
    if (!WriteNote(cursor, note, merged->text, merged->color, merged->categories))
        return SaveOutcome::Failed;
    if (const platform::Status committed = hold.value()->Commit(); !committed.ok()) {
        SetLastError(committed.code());
        return SaveOutcome::Failed;
    }
    *saved = *merged;
    return SaveOutcome::Written;
}

bool DeleteNote(HANDLE cursor, CEOID note) {
    if (!SeekToNote(cursor, note))
        return false;
    const CEOID current = CeSeekDatabase(cursor, CEDB_SEEK_CURRENT, 0, nullptr);
    return current != 0 && CeDeleteRecord(cursor, current);
}

bool DeleteNoteDatabase(CEOID oidDatabase, std::vector<HANDLE*> cursors) {
    for (HANDLE* cursor : cursors) {
        if (*cursor != INVALID_HANDLE_VALUE)
            CloseHandle(*cursor);
        *cursor = INVALID_HANDLE_VALUE;
    }
    return CeDeleteDatabase(oidDatabase);
}

std::vector<std::u16string> LoadCategoryList() {
    std::vector<std::u16string> names;
    CEOID oid = 0;
    HANDLE db = CeOpenDatabase(&oid, kCategoriesDatabaseName, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE)
        return names;
    NoteRecordProps record;
    for (CEOID at = CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr); at != 0;
         at = CeSeekDatabase(db, CEDB_SEEK_CURRENT, 1, nullptr)) {
        if (record.ReadCurrent(db) != 0 && record.Find(PROPID_CATEGORY_NAME) != nullptr)
            names.push_back(record.Text(PROPID_CATEGORY_NAME));
    }
    CloseHandle(db);
    return names;
}
