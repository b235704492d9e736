// The document's two handles on "Jotterwick Database" and the walks over
// them: the record cursor (no sort order; its current record is the current
// note) and the display cursor (the user's sort order; the order of the note
// list, of the search for the first note that passes the display filter, and
// of Find). Database failures are silent: operations answer success or
// failure and the program goes on. User-interface thread only.
#pragma once

#include "device/app/note_store.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// NoteSortOrder: the index of the display cursor's sort property.
using NoteSortOrder = WORD;
inline constexpr NoteSortOrder kSortBySubject = 0;
inline constexpr NoteSortOrder kSortByModified = 1;
inline constexpr NoteSortOrder kSortByCreated = 2;

// The property whose sort order of the database the display cursor uses.
CEPROPID SortPropertyOf(NoteSortOrder sort);

// SeekNote's target for "the first note in display order that passes the
// display filter".
inline constexpr CEOID SEEK_FIRST_NOTE = static_cast<CEOID>(-1);

// The note list's titles one after another in one block, each ended by a
// NUL: a long list costs no allocation per title, and its lines read their
// texts in order from one place.
class NoteTitles {
public:
    void Append(std::u16string_view title) {
        m_starts.push_back(m_block.size());
        m_block.append(title);
        m_block.push_back(u'\0');
    }
    std::size_t size() const { return m_starts.size(); }
    // The title of line `i`, ended by a NUL.
    const char16_t* operator[](std::size_t i) const { return m_block.c_str() + m_starts[i]; }
    // The units of all the titles, their NULs not counted.
    std::size_t Units() const { return m_block.size() - m_starts.size(); }

private:
    std::u16string m_block;
    std::vector<std::size_t> m_starts;
};

// The display filter: category names; empty means every note is shown.
using CategoryFilter = std::vector<std::u16string>;

// True when the filter is empty or one of the record's categories equals one
// of the filter's names exactly; false for a record without categories.
bool NotePassesFilter(NoteRecordProps& record, const CategoryFilter& filter);

class NoteCursors {
public:
    NoteCursors() = default;
    ~NoteCursors();
    NoteCursors(const NoteCursors&) = delete;
    NoteCursors& operator=(const NoteCursors&) = delete;

    // Opens (creating or upgrading) the database and both cursors, the
    // display cursor on `sort`. The cursors stay invalid when the database
    // can be neither opened nor created; every walk then finds no note.
    void Open(NoteSortOrder sort);
    // Closes both handles and deletes the database; nothing is reopened.
    bool DeleteDatabase();

    HANDLE records() const { return m_records; }
    HANDLE display() const { return m_display; }

    // Records in the database; 0 without one.
    DWORD RecordCount() const;

    // Makes `target` (a note's identifier, or SEEK_FIRST_NOTE) current.
    // For SEEK_FIRST_NOTE with a filter that no note passes, the first
    // record becomes current (not a valid note) and the answer is false.
    bool SeekNote(CEOID target, const CategoryFilter& filter);

    // The record cursor's current record; 0 when there is none or, with
    // `checkFilter`, when it does not pass the filter.
    CEOID CurrentNote(bool checkFilter, const CategoryFilter& filter);

    // Appends the title and identifier of every note that passes the
    // filter, in display order; the display cursor ends where it was.
    // Returns the number appended.
    int FillNoteList(NoteTitles& titles, std::vector<CEOID>& ids, const CategoryFilter& filter);

    // Find's walk: the next note after the current one in display order,
    // wrapping round and ending with the current note itself, that passes
    // the filter and whose stored text in lower case contains `lowered`; it
    // becomes current. 0 when none does (or a record cannot be read): the
    // current note stays current.
    CEOID FindNextNote(const std::u16string& lowered, const CategoryFilter& filter);

    // Reopens the display cursor on `sort` and puts it on the current note.
    void ChangeSortOrder(NoteSortOrder sort);

private:
    void CloseAll();
    // Moves the display cursor to the record cursor's current record.
    void AlignDisplay();

    CEOID m_oidDatabase = 0;
    HANDLE m_records = INVALID_HANDLE_VALUE;
    HANDLE m_display = INVALID_HANDLE_VALUE;
};
