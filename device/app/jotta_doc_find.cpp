// The document's Find commands: the search for a string from the editor's
// selection on, then through the following notes in display order.
#include "device/app/jotta_app.h"
#include "device/app/jotta_doc.h"
#include "device/app/jotta_view.h"
#include "device/app/resource.h"
#include "device/app/search_dlg.h"
#include "platform/base/case_fold.h"
#include "platform/mfc/win_app.h"

namespace {
constexpr char16_t kSearching[] = u"Searching...";
} // namespace

CEOID CJottaDoc::FindNextNote(const std::u16string& lowered) {
    return m_notes.FindNextNote(lowered, App().m_arrFilterCats);
}

bool CJottaDoc::SelectInEditor(const std::u16string& lowered) {
    CJottaView* editor = FindEditorView();
    if (editor == nullptr)
        return false;
    CEdit& edit = editor->GetEditCtrl();
    edit.SetFocus();
    int start = 0;
    int end = 0;
    edit.GetSel(start, end);
    const std::u16string text = platform::LowerCase(edit.GetWindowText());
    const std::size_t from = std::min(static_cast<std::size_t>(std::max(end, 0)), text.size());
    const std::size_t at = text.find(lowered, from);
    if (at == std::u16string::npos)
        return false;
    edit.SetSel(static_cast<int>(at), static_cast<int>(at + lowered.size()));
    edit.SendMessage(EM_SCROLLCARET);
    return true;
}

void CJottaDoc::OnFind(UINT nID) {
    if (CurrentNote(true) == 0)
        return;
    CJottaApp& app = App();
    if (nID == ID_EXTRAS_FIND) {
        CSearchDlg dialog;
        dialog.m_strSearch = app.m_strLastFind;
        if (dialog.DoModal() != IDOK) {
            if (CJottaView* editor = FindEditorView())
                editor->GetEditCtrl().SetFocus();
            return;
        }
        app.m_strLastFind = dialog.m_strSearch;
    }
    CWaitCursor wait;
    const std::u16string lowered = platform::LowerCase(app.m_strLastFind);
    if (SelectInEditor(lowered))
        return;
    // The walk through the other notes may take a while: say what goes on.
    ui::SetStatusText(kSearching);
    const CEOID found = FindNextNote(lowered);
    ui::SetStatusText(u"");
    if (found == 0) {
        AfxMessageBox(IDS_NOT_FOUND, MB_OK | MB_ICONINFORMATION);
        return;
    }
    // Back on the note the editor shows, so that a save answered now
    // writes that note.
    SeekNote(m_loadedNote);
    if (!SaveModifiedNote(TRUE))
        return;
    m_loadedNote = kNoLoadedNote;
    SeekNote(found);
    UpdateAllViews(nullptr);
    SelectInEditor(lowered);
}
