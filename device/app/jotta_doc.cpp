#include "device/app/jotta_doc.h"

#include "device/app/jotta_app.h"
#include "device/app/jotta_list_view.h"
#include "device/app/jotta_resources.h"
#include "device/app/jotta_view.h"
#include "device/app/note_info_dlg.h"
#include "device/app/rescue_file.h"
#include "device/app/resource.h"
#include "platform/base/unicode.h"
#include "platform/mfc/cmd_ui.h"
#include "platform/ui/resources.h"

#include <cstring>
#include <string>

IMPLEMENT_DYNCREATE(CJottaDoc, CDocument)

BEGIN_MESSAGE_MAP(CJottaDoc, CDocument)
ON_COMMAND(ID_NOTE_NEW, OnNoteNew)
ON_COMMAND(ID_NOTE_SAVE, OnNoteSave)
ON_UPDATE_COMMAND_UI(ID_NOTE_SAVE, OnUpdateNoteSave)
ON_COMMAND(ID_NOTE_DELETE, OnNoteDelete)
ON_UPDATE_COMMAND_UI(ID_NOTE_DELETE, OnUpdateNeedsNote)
ON_COMMAND(ID_NOTE_INFO, OnNoteInfo)
ON_UPDATE_COMMAND_UI(ID_NOTE_INFO, OnUpdateNeedsNote)
ON_COMMAND(ID_NOTE_PRINT, OnNotePrint)
ON_UPDATE_COMMAND_UI(ID_NOTE_PRINT, OnUpdateNeedsNote)
ON_COMMAND_RANGE(ID_COLOR_BLUE, ID_COLOR_WHITE, OnColor)
ON_UPDATE_COMMAND_UI_RANGE(ID_COLOR_BLUE, ID_COLOR_WHITE, OnUpdateColor)
ON_COMMAND(ID_EDIT_CATEGORIES, OnEditCategories)
ON_UPDATE_COMMAND_UI(ID_EDIT_CATEGORIES, OnUpdateNeedsNote)
ON_COMMAND(ID_EXTRAS_SYNCFILTER, OnSyncFilter)
ON_UPDATE_COMMAND_UI(ID_EXTRAS_SYNCFILTER, OnUpdateAlways)
ON_COMMAND(ID_VIEW_ALLNOTES, OnViewAllNotes)
ON_UPDATE_COMMAND_UI(ID_VIEW_ALLNOTES, OnUpdateViewAllNotes)
ON_COMMAND(ID_VIEW_FILTERNOTES, OnViewFilterNotes)
ON_UPDATE_COMMAND_UI(ID_VIEW_FILTERNOTES, OnUpdateViewFilterNotes)
ON_COMMAND_RANGE(ID_SORT_SUBJECT, ID_SORT_CREATED, OnSort)
ON_UPDATE_COMMAND_UI_RANGE(ID_SORT_SUBJECT, ID_SORT_CREATED, OnUpdateSort)
ON_COMMAND_RANGE(ID_EXTRAS_FIND, ID_EXTRAS_FINDNEXT, OnFind)
ON_UPDATE_COMMAND_UI_RANGE(ID_EXTRAS_FIND, ID_EXTRAS_FINDNEXT, OnUpdateNeedsNote)
ON_COMMAND(ID_EXTRAS_IMPORT, OnImport)
ON_COMMAND(ID_EXTRAS_EXPORT, OnExport)
ON_UPDATE_COMMAND_UI_RANGE(ID_EXTRAS_IMPORT, ID_EXTRAS_EXPORT, OnUpdateNeedsNote)
ON_COMMAND(ID_EXTRAS_DELETEDB, OnDeleteDatabase)
ON_COMMAND(ID_EDIT_UNDO, OnEditUndo)
ON_UPDATE_COMMAND_UI(ID_EDIT_UNDO, OnUpdateEditUndo)
ON_COMMAND_RANGE(ID_EDIT_COPY, ID_EDIT_CUT, OnEditCutCopy)
ON_UPDATE_COMMAND_UI_RANGE(ID_EDIT_COPY, ID_EDIT_CUT, OnUpdateEditCutCopy)
ON_COMMAND(ID_EDIT_PASTE, OnEditPaste)
ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, OnUpdateEditPaste)
END_MESSAGE_MAP()

namespace {

// The colour commands in menu order of their identifiers: Blue, Yellow,
// Green, Red, White.
constexpr DWORD kColorOfCommand[] = {NoteBlue, NoteYellow, NoteGreen, NoteRed, NoteWhite};

DWORD ColorOfCommand(UINT nID) {
    return kColorOfCommand[nID - ID_COLOR_BLUE];
}

// Why the note database refused a write, from the last error.
std::u16string FailureReason(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
        return ResourceMessage(IDS_REASON_FULL, {});
    case ERROR_ACCESS_DENIED:
        return ResourceMessage(IDS_REASON_DENIED, {});
    case ERROR_WRITE_FAULT:
        return ResourceMessage(IDS_REASON_WRITE, {});
    default:
        return ResourceMessage(IDS_REASON_OTHER, unicode::ToUtf16(std::to_string(error)));
    }
}

} // namespace

CJottaApp& CJottaDoc::App() {
    return JottaApp();
}

BOOL CJottaDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument())
        return FALSE;
    {
        CWaitCursor wait;
        m_notes.Open(App().m_nSort);
    }
    m_loadedNote = kNoLoadedNote;
    SeekNote(SEEK_FIRST_NOTE);
    return TRUE;
}

BOOL CJottaDoc::SaveModified() {
    return SaveModifiedNote(TRUE);
}

CEOID CJottaDoc::CurrentNote(bool bCheckFilter) {
    return m_notes.CurrentNote(bCheckFilter, App().m_arrFilterCats);
}

bool CJottaDoc::SeekNote(CEOID target) {
    return m_notes.SeekNote(target, App().m_arrFilterCats);
}

int CJottaDoc::FillNoteList(NoteTitles& titles, std::vector<CEOID>& ids) {
    return m_notes.FillNoteList(titles, ids, App().m_arrFilterCats);
}

bool CJottaDoc::ReadNote(CEOID note, NoteContents* contents) {
    return m_notes.records() != INVALID_HANDLE_VALUE &&
           ::ReadNote(m_notes.records(), note, contents);
}

CJottaView* CJottaDoc::FindEditorView() const {
    for (CView* view : GetViews())
        if (std::strcmp(view->GetRuntimeClass()->m_lpszClassName, "CJottaView") == 0)
            return static_cast<CJottaView*>(view);
    return nullptr;
}

CJottaListView* CJottaDoc::FindListView() const {
    for (CView* view : GetViews())
        if (std::strcmp(view->GetRuntimeClass()->m_lpszClassName, "CJottaListView") == 0)
            return static_cast<CJottaListView*>(view);
    return nullptr;
}

bool CJottaDoc::SaveNote() {
    return !IsModified() || SaveEdit() == SaveResult::Stored;
}

CJottaDoc::SaveResult CJottaDoc::SaveEdit() {
    CJottaView* editor = FindEditorView();
    if (!editor || m_loadedNote == kNoLoadedNote)
        return SaveResult::NotKept;
    CWaitCursor wait;
    NoteContents mine;
    mine.text = editor->GetWindowText();
    mine.color = m_color;
    mine.categories = m_categories;

    // The note is written by its identifier, whether or not it still passes
    // the display filter: a synchronization may have moved it out.
    NoteContents written;
    const SaveOutcome outcome =
        SaveNoteChanges(m_notes.records(), m_loadedNote, m_base, mine, &written);
    if (outcome == SaveOutcome::Gone || outcome == SaveOutcome::Clashed)
        return KeepAsNewNote(mine,
                             outcome == SaveOutcome::Gone ? IDS_KEPT_DELETED : IDS_KEPT_BESIDE)
                   ? SaveResult::Stored
                   : ReportFailedSave(mine.text);
    if (outcome == SaveOutcome::Failed)
        return ReportFailedSave(mine.text);
    m_base = written;
    m_color = written.color;
    m_categories = written.categories;
    SetModifiedFlag(FALSE);
    if (written.text != mine.text) {
        m_loadedNote = kNoLoadedNote; // the editor shows the text that arrived
        UpdateAllViews(nullptr);
    } else {
        UpdateAllViews(editor);
    }
    return SaveResult::Stored;
}

bool CJottaDoc::KeepAsNewNote(const NoteContents& mine, UINT message) {
    const CEOID oid = AddNote(m_notes.records(), mine.text, mine.color, mine.categories);
    if (oid == 0)
        return false;
    // The editor's text now belongs to the new note.
    SeekNote(oid);
    m_loadedNote = oid;
    m_base = mine;
    SetModifiedFlag(FALSE);
    UpdateAllViews(FindEditorView());
    AfxMessageBox(message, MB_OK | MB_ICONINFORMATION);
    return true;
}

CJottaDoc::SaveResult CJottaDoc::ReportFailedSave(const std::u16string& text) {
    const std::u16string reason = FailureReason(GetLastError());
    const std::u16string file = FreeRescueFileName();
    if (!m_bEnding && AfxMessageBox(ResourceMessage(IDS_SAVE_FAILED, reason, file).c_str(),
                                    MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return SaveResult::NotKept;
    if (WriteRescueFile(file, text))
        return SaveResult::InFile;
    AfxMessageBox(ResourceMessage(IDS_RESCUE_FAILED, file).c_str(), MB_OK | MB_ICONEXCLAMATION);
    return SaveResult::NotKept;
}

BOOL CJottaDoc::SaveModifiedNote(BOOL bOfferCancel) {
    if (!IsModified())
        return TRUE;
    const int answer = AfxMessageBox(IDS_SAVE_CHANGES, (bOfferCancel ? MB_YESNOCANCEL : MB_YESNO) |
                                                           MB_ICONEXCLAMATION);
    if (answer != IDYES && answer != IDNO)
        return FALSE;
    if (answer == IDYES && SaveEdit() == SaveResult::NotKept)
        return FALSE; // the edit stays in the editor
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CJottaDoc::KeepEditAtEnd() {
    m_bEnding = true;
    if (IsModified() && SaveEdit() != SaveResult::NotKept)
        SetModifiedFlag(FALSE);
}

void CJottaDoc::OnNoteNew() {
    if (!SaveModifiedNote(TRUE))
        return;
    {
        CWaitCursor wait;
        const CEOID note = AddNewNote(m_notes.records(), static_cast<DWORD>(App().m_nDefaultColor),
                                      JoinCategories(App().m_arrFilterCats));
        if (note != 0)
            SeekNote(note);
        m_loadedNote = kNoLoadedNote;
        UpdateAllViews(nullptr);
    }
    if (CJottaView* editor = FindEditorView()) {
        editor->SetFocus();
        editor->GetEditCtrl().SetSel(0, -1);
        editor->SendMessage(EM_SCROLLCARET);
    }
}

void CJottaDoc::OnNoteSave() {
    SaveNote();
}

void CJottaDoc::OnUpdateNoteSave(CCmdUI* pCmdUI) {
    // An edit can be saved even when its note left the filter or the store.
    pCmdUI->Enable(IsModified() && m_loadedNote != kNoLoadedNote);
}

void CJottaDoc::OnNoteDelete() {
    if (CurrentNote(true) == 0)
        return;
    if (AfxMessageBox(IDS_SURE_TO_DELETE, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    CWaitCursor wait;
    if (DeleteNote(m_notes.records(), CurrentNote(false)))
        SeekNote(SEEK_FIRST_NOTE);
    SetModifiedFlag(FALSE);
    m_loadedNote = kNoLoadedNote;
    UpdateAllViews(nullptr);
}

void CJottaDoc::OnNoteInfo() {
    CNoteInfoDlg dialog;
    if (dialog.Fill(*this))
        dialog.DoModal();
}

void CJottaDoc::OnUpdateNeedsNote(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CurrentNote(true) != 0);
}

void CJottaDoc::OnUpdateAlways(CCmdUI* pCmdUI) {
    pCmdUI->Enable(TRUE);
}

void CJottaDoc::OnColor(UINT nID) {
    if (CurrentNote(true) == 0)
        return;
    m_color = ColorOfCommand(nID);
    SetModifiedFlag();
    UpdateAllViews(FindListView());
}

void CJottaDoc::OnUpdateColor(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CurrentNote(true) != 0);
    pCmdUI->SetCheck(m_color == ColorOfCommand(pCmdUI->m_nID) ? 1 : 0);
}

void CJottaDoc::OnSort(UINT nID) {
    App().m_nSort = static_cast<NoteSortOrder>(nID - ID_SORT_SUBJECT);
    CWaitCursor wait;
    m_notes.ChangeSortOrder(App().m_nSort);
    UpdateAllViews(FindEditorView());
}

void CJottaDoc::OnUpdateSort(CCmdUI* pCmdUI) {
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(App().m_nSort == pCmdUI->m_nID - ID_SORT_SUBJECT ? 1 : 0);
}

void CJottaDoc::OnViewAllNotes() {
    App().m_arrFilterCats.clear();
    if (CurrentNote(false) == 0)
        SeekNote(SEEK_FIRST_NOTE);
    UpdateAllViews(nullptr);
}

void CJottaDoc::OnUpdateViewAllNotes(CCmdUI* pCmdUI) {
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(App().m_arrFilterCats.empty() ? 1 : 0);
}

void CJottaDoc::OnUpdateViewFilterNotes(CCmdUI* pCmdUI) {
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(App().m_arrFilterCats.empty() ? 0 : 1);
}

void CJottaDoc::OnDeleteDatabase() {
    if (AfxMessageBox(IDS_DELETE_DATABASE, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        m_notes.DeleteDatabase();
}

void CJottaDoc::OnEditUndo() {
    CJottaView* editor = FindEditorView();
    if (editor && CurrentNote(true) != 0 && editor->GetEditCtrl().CanUndo())
        editor->GetEditCtrl().Undo();
}

void CJottaDoc::OnUpdateEditUndo(CCmdUI* pCmdUI) {
    CJottaView* editor = FindEditorView();
    pCmdUI->Enable(editor && CurrentNote(true) != 0 && editor->GetEditCtrl().CanUndo());
}

bool CJottaDoc::HasSelection() const {
    CJottaView* editor = FindEditorView();
    if (!editor)
        return false;
    int start = 0;
    int end = 0;
    editor->GetEditCtrl().GetSel(start, end);
    return start != end;
}

void CJottaDoc::OnEditCutCopy(UINT nID) {
    if (!HasSelection() || CurrentNote(true) == 0)
        return;
    FindEditorView()->SendMessage(nID == ID_EDIT_CUT ? WM_CUT : WM_COPY);
}

void CJottaDoc::OnUpdateEditCutCopy(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CurrentNote(true) != 0 && HasSelection());
}

void CJottaDoc::OnEditPaste() {
    CJottaView* editor = FindEditorView();
    if (editor && CurrentNote(true) != 0 && IsClipboardFormatAvailable(CF_UNICODETEXT))
        editor->SendMessage(WM_PASTE);
}

void CJottaDoc::OnUpdateEditPaste(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CurrentNote(true) != 0 && IsClipboardFormatAvailable(CF_UNICODETEXT));
}
