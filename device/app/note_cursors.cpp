#include "device/app/note_cursors.h"

#include "platform/base/case_fold.h"

CEPROPID SortPropertyOf(NoteSortOrder sort) {
    switch (sort) {
    case kSortBySubject:
        return PROPID_NOTE_TITLE;
    case kSortByModified:
        return PROPID_NOTE_MODIFIED;
    default:
        return PROPID_NOTE_CREATED;
    }
}

bool NotePassesFilter(NoteRecordProps& record, const CategoryFilter& filter) {
    if (filter.empty())
        return true;
    if (record.Find(PROPID_NOTE_CATEGORIES) == nullptr)
        return false;
    for (const auto& category : SplitCategories(record.Text(PROPID_NOTE_CATEGORIES)))
        for (const auto& wanted : filter)
            if (category == wanted)
                return true;
    return false;
}

NoteCursors::~NoteCursors() {
    CloseAll();
}

void NoteCursors::CloseAll() {
    for (HANDLE* cursor : {&m_records, &m_display}) {
        if (*cursor != INVALID_HANDLE_VALUE)
            CloseHandle(*cursor);
        *cursor = INVALID_HANDLE_VALUE;
    }
}

void NoteCursors::Open(NoteSortOrder sort) {
    CloseAll();
    m_records = OpenNoteDatabase(&m_oidDatabase);
    if (m_records == INVALID_HANDLE_VALUE)
        return;
    CEOID oid = m_oidDatabase;
    m_display = CeOpenDatabase(&oid, nullptr, SortPropertyOf(sort), 0, nullptr);
}

bool NoteCursors::DeleteDatabase() {
    if (m_records == INVALID_HANDLE_VALUE && m_display == INVALID_HANDLE_VALUE)
        return false;
    return DeleteNoteDatabase(m_oidDatabase, {&m_records, &m_display});
}

DWORD NoteCursors::RecordCount() const {
    CEOIDINFO info{};
    if (m_records == INVALID_HANDLE_VALUE || !CeOidGetInfo(m_oidDatabase, &info))
        return 0;
    return info.infDatabase.wNumRecords;
}

void NoteCursors::AlignDisplay() {
    const CEOID current = CeSeekDatabase(m_records, CEDB_SEEK_CURRENT, 0, nullptr);
    if (current != 0)
        CeSeekDatabase(m_display, CEDB_SEEK_CEOID, current, nullptr);
}

bool NoteCursors::SeekNote(CEOID target, const CategoryFilter& filter) {
    if (RecordCount() == 0)
        return false;
    if (target != SEEK_FIRST_NOTE) {
        if (CeSeekDatabase(m_records, CEDB_SEEK_CURRENT, 0, nullptr) == target)
            return true;
        const bool moved = CeSeekDatabase(m_records, CEDB_SEEK_CEOID, target, nullptr) == target;
        AlignDisplay();
        return moved;
    }
    CEOID at = CeSeekDatabase(m_display, CEDB_SEEK_BEGINNING, 0, nullptr);
    if (filter.empty()) {
        return at != 0 && CeSeekDatabase(m_records, CEDB_SEEK_CEOID, at, nullptr) == at;
    }
    NoteRecordProps record;
    while (at != 0) {
        if (record.ReadCurrent(m_display) == at && NotePassesFilter(record, filter))
            return CeSeekDatabase(m_records, CEDB_SEEK_CEOID, at, nullptr) == at;
        at = CeSeekDatabase(m_display, CEDB_SEEK_CURRENT, 1, nullptr);
    }
    // No note passes: the first record is current but not a valid note.
    CeSeekDatabase(m_records, CEDB_SEEK_BEGINNING, 0, nullptr);
    AlignDisplay();
    return false;
}

CEOID NoteCursors::CurrentNote(bool checkFilter, const CategoryFilter& filter) {
    if (m_records == INVALID_HANDLE_VALUE)
        return 0;
    const CEOID current = CeSeekDatabase(m_records, CEDB_SEEK_CURRENT, 0, nullptr);
    if (current == 0 || !checkFilter || filter.empty())
        return current;
    NoteRecordProps record;
    return record.ReadCurrent(m_records) == current && NotePassesFilter(record, filter) ? current
                                                                                        : 0;
}

int NoteCursors::FillNoteList(NoteTitles& titles, std::vector<CEOID>& ids,
                              const CategoryFilter& filter) {
    if (m_display == INVALID_HANDLE_VALUE)
        return 0;
    DWORD remembered = 0;
    const bool hadPlace = CeSeekDatabase(m_display, CEDB_SEEK_CURRENT, 0, &remembered) != 0;
    ce::SetAutoSeekNext(m_display, TRUE);
    int appended = 0;
    if (CeSeekDatabase(m_display, CEDB_SEEK_BEGINNING, 0, nullptr) != 0) {
        // Each read moves the cursor one record on; a failed read is the end.
        // The list needs the title, the filter the categories: the note's
        // text is not copied out.
        const CEPROPID wanted[] = {PROPID_NOTE_TITLE, PROPID_NOTE_CATEGORIES};
        NoteRecordProps record;
        for (CEOID oid = record.ReadCurrent(m_display, wanted); oid != 0;
             oid = record.ReadCurrent(m_display, wanted)) {
            if (!NotePassesFilter(record, filter))
                continue;
            titles.Append(record.TextView(PROPID_NOTE_TITLE));
            ids.push_back(oid);
            ++appended;
        }
    }
    ce::SetAutoSeekNext(m_display, FALSE);
    if (hadPlace && remembered <= RecordCount())
        CeSeekDatabase(m_display, CEDB_SEEK_BEGINNING, remembered, nullptr);
    return appended;
}

CEOID NoteCursors::FindNextNote(const std::u16string& lowered, const CategoryFilter& filter) {
    const CEOID start = CurrentNote(false, filter);
    if (start == 0 || m_display == INVALID_HANDLE_VALUE)
        return 0;
    // Each record once at most, even when the start note went meanwhile and
    // the walk never meets it again.
    DWORD left = RecordCount() + 1;
    NoteRecordProps record;
    CEOID cur = 0;
    do {
        // Each note is read where the display cursor stands; the record
        // cursor follows only to the note found, which saves a seek a note.
        cur = CeSeekDatabase(m_display, CEDB_SEEK_CURRENT, 1, nullptr);
        if (cur == 0)
            cur = CeSeekDatabase(m_display, CEDB_SEEK_BEGINNING, 0, nullptr);
        if (cur == 0 || record.ReadCurrent(m_display) != cur)
            break;
        if (NotePassesFilter(record, filter) &&
            platform::LowerCase(record.Text(PROPID_NOTE_TEXT)).find(lowered) !=
                std::u16string::npos &&
            CeSeekDatabase(m_records, CEDB_SEEK_CEOID, cur, nullptr) == cur)
            return cur;
    } while (cur != start && --left > 0);
    SeekNote(start, filter);
    return 0;
}

void NoteCursors::ChangeSortOrder(NoteSortOrder sort) {
    if (m_display != INVALID_HANDLE_VALUE)
        CloseHandle(m_display);
    m_display = INVALID_HANDLE_VALUE;
    if (m_records == INVALID_HANDLE_VALUE)
        return;
    CEOID oid = m_oidDatabase;
    m_display = CeOpenDatabase(&oid, nullptr, SortPropertyOf(sort), 0, nullptr);
    AlignDisplay();
}
