// CJottaDoc: the one document of the notes program. It owns the two cursors
// on the note database, knows the current note, holds the loaded note's
// colour and categories while the user changes them, tracks unsaved changes
// and carries out the note commands. Its views are the note list
// (CJottaListView) and the editor (CJottaView). User-interface thread only.
#pragma once

#include "device/app/note_cursors.h"
#include "platform/mfc/document.h"

#include <string>
#include <vector>

class CCmdUI;
class CJottaApp;
class CJottaListView;
class CJottaView;

// m_loadedNote when the editor is to load the current note at its next update.
inline constexpr CEOID kNoLoadedNote = static_cast<CEOID>(-1);

class CJottaDoc : public CDocument {
    DECLARE_DYNCREATE(CJottaDoc)
public:
    CJottaDoc() = default;

    // Document start: opens the database and both cursors and makes the
    // first note that passes the display filter current.
    BOOL OnNewDocument() override;
    // Asked before the program ends: "Save changes?" with Yes, No and
    // Cancel; FALSE (Cancel, or a save that failed) keeps the program running.
    BOOL SaveModified() override;

    // The current record's identifier; 0 when there is none or, with
    // bCheckFilter, when it does not pass the display filter.
    CEOID CurrentNote(bool bCheckFilter);
    // Makes a note (or SEEK_FIRST_NOTE) current; false when it cannot.
    bool SeekNote(CEOID target);
    // Titles and identifiers of the notes that pass the filter, in display order.
    int FillNoteList(NoteTitles& titles, std::vector<CEOID>& ids);
    // The next note after the current one, in display order and wrapping
    // round, whose text contains `lowered` (see NoteCursors::FindNextNote).
    CEOID FindNextNote(const std::u16string& lowered);
    // Reads a stored note (moving the record cursor to it).
    bool ReadNote(CEOID note, NoteContents* contents);

    // Writes the editor's text, m_color and m_categories into the loaded
    // note when the document is modified (see SaveEdit). True when the edit
    // is in the note database and nothing is left unsaved.
    bool SaveNote();
    // Asks "Save changes?" when the document is modified: Yes, No and (when
    // bOfferCancel) Cancel. FALSE means stop, the edit staying in the
    // editor: Cancel, or Yes with a save that failed and whose text the
    // person did not have written to a file instead.
    BOOL SaveModifiedNote(BOOL bOfferCancel);
    // The program is ending with no one to ask (a termination signal): the
    // edit is saved as Yes to "Save changes?" would, and when the note
    // database refuses it, written to a file without asking.
    void KeepEditAtEnd();

    CJottaView* FindEditorView() const;
    CJottaListView* FindListView() const;

    CEOID m_loadedNote = kNoLoadedNote; // the note whose text the editor shows
    DWORD m_color = NoteBlue;           // the loaded note's colour, unsaved change included
    std::u16string m_categories;        // its categories (category format)
    // The loaded note as it was read: what the person's edit starts from, to
    // tell at a save what a synchronization changed in the store meanwhile.
    NoteContents m_base;

protected:
    void OnNoteNew();
    void OnNoteSave();
    void OnUpdateNoteSave(CCmdUI* pCmdUI);
    void OnNoteDelete();
    void OnNoteInfo();
    void OnUpdateNeedsNote(CCmdUI* pCmdUI);
    void OnUpdateAlways(CCmdUI* pCmdUI);
    void OnColor(UINT nID);
    void OnUpdateColor(CCmdUI* pCmdUI);
    void OnSort(UINT nID);
    void OnUpdateSort(CCmdUI* pCmdUI);
    void OnViewAllNotes();
    void OnUpdateViewAllNotes(CCmdUI* pCmdUI);
    void OnUpdateViewFilterNotes(CCmdUI* pCmdUI);
    void OnDeleteDatabase();
    void OnEditUndo();
    void OnUpdateEditUndo(CCmdUI* pCmdUI);
    void OnEditCutCopy(UINT nID);
    void OnUpdateEditCutCopy(CCmdUI* pCmdUI);
    void OnEditPaste();
    void OnUpdateEditPaste(CCmdUI* pCmdUI);
    // Find... (asking for the string first) and Find Next.
    void OnFind(UINT nID);
    // The note's text to a text file and from one.
    void OnExport();
    void OnImport();
    // The stored note, with a header of its facts, to the printer chosen.
    void OnNotePrint();
    // The three uses of the categories pick list.
    void OnEditCategories();
    void OnSyncFilter();
    void OnViewFilterNotes();

    DECLARE_MESSAGE_MAP()

private:
    // Where an edit went: into the note database, into a file (the database
    // refused it), or nowhere (it is still only in the editor).
    enum class SaveResult { Stored, InFile, NotKept };

    static CJottaApp& App();
    // Saves the edit without destroying a change that a synchronization made
    // to the note meanwhile: both changes go into the note when they touch
    // different parts; otherwise (or when the note is gone) the edit becomes
    // a new note and the person is told. A failed write is reported with
    // its reason, offering to write the text to a file.
    SaveResult SaveEdit();
    // Stores the edit as a new note beside the loaded one and makes it current.
    bool KeepAsNewNote(const NoteContents& mine, UINT message);
    // Tells why the edit could not be stored and offers to write it to a file.
    SaveResult ReportFailedSave(const std::u16string& text);
    bool m_bEnding = false; // see KeepEditAtEnd
    // The editor's selection is not empty.
    bool HasSelection() const;
    // Gives the editor the focus and selects the first occurrence of
    // `lowered` in its text (as shown, in lower case) from the end of its
    // selection on; false when there is none.
    bool SelectInEditor(const std::u16string& lowered);

    NoteCursors m_notes;
};

// The header printed above a note's text: its title, local creation and
// modification times, colour and categories between two rules.
std::u16string PrintedHeader(const NoteContents& note);
