// The note-store operations of the notes program on "Jotterwick Database".
// Each takes the record cursor it works on (a handle opened without a sort
// order). Failures are silent: every operation answers success or failure
// (or identifier 0) and the caller goes on.
#pragma once

#include "device/sync/note_record.h"

#include <optional>
#include <string>
#include <vector>

// ReadNote's marker for "the record at the cursor's current position".
inline constexpr CEOID kCurrentNote = 0;

struct NoteContents {
    std::u16string text;
    DWORD color = 0;
    FILETIME created{};
    FILETIME modified{};
    std::u16string categories; // category format, empty when the record has none
};

// Opens the note database, creating it with type 97 and the three sort
// orders (title; creation and modification time newest first) when it does
// not exist, and giving a database with another number of sort orders the
// three (deleting in passing the first record whose property 10 is 0).
// Returns the record cursor, INVALID_HANDLE_VALUE when the database can
// neither be opened nor created; *oidDatabase receives its identifier.
HANDLE OpenNoteDatabase(CEOID* oidDatabase);

// A new note: "<New Note>", created now, never modified or synchronized, of
// the given colour and categories (the display filter's, in category format).
// Returns its identifier, 0 on failure.
CEOID AddNewNote(HANDLE cursor, DWORD defaultColor, const std::u16string& categories);

// A new note with this text, colour and categories, created and modified now.
// Returns its identifier, 0 on failure.
CEOID AddNote(HANDLE cursor, const std::u16string& text, DWORD color,
              const std::u16string& categories);

// Joins two changes of one note made from the same `base`: the person's
// (`mine`) and one that arrived in the store meanwhile (`theirs`). Text,
// colour and categories are each taken from the side that changed them.
// nullopt when both changed one of them differently: the two cannot be one
// note. Times are not looked at.
std::optional<NoteContents> MergeNoteChanges(const NoteContents& base, const NoteContents& mine,
                                             const NoteContents& theirs);

// Reads one note: `note` is moved to first, or kCurrentNote reads where the
// cursor stands. False when there is no such record.
bool ReadNote(HANDLE cursor, CEOID note, NoteContents* contents);

// Stores a changed note: text, title, colour, categories and the modification
// time now (just past the record's modification and synchronization times
// when the clock has not moved past them); every other property (creation and synchronization
// times) goes back as read. On success the cursor stands on the note.
bool WriteNote(HANDLE cursor, CEOID note, const std::u16string& text, DWORD color,
               const std::u16string& categories);

// How a save of the person's edit of a note went.
enum class SaveOutcome {
    Written, // the edit, joined with any change that arrived meanwhile
    Gone,    // the note was deleted meanwhile (or cannot be read): nothing written
    Clashed, // a change that arrived meanwhile changed the same part: nothing written
    Failed,  // the store could not be read or written (last error set)
};

// Saves `mine`, the person's edit of `note` begun from `base`, joined with
// what the note holds now (MergeNoteChanges). The store is held from the
// read of the note to its write, so that a write of another program (a
// synchronization receiving a desktop edit) cannot come between them and
// be lost. *saved: what was written.
SaveOutcome SaveNoteChanges(HANDLE cursor, CEOID note, const NoteContents& base,
                            const NoteContents& mine, NoteContents* saved);

// Deletes one note record.
bool DeleteNote(HANDLE cursor, CEOID note);

// Closes the cursors given and deletes the database; the result is not
// looked at by the program.
bool DeleteNoteDatabase(CEOID oidDatabase, std::vector<HANDLE*> cursors);

// The category names of "\Categories Database", in the order it yields them.
std::vector<std::u16string> LoadCategoryList();
