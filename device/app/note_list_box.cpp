#include "device/app/note_list_box.h"

#include "device/app/jotta_doc.h"
#include "device/app/jotta_list_view.h"

BEGIN_MESSAGE_MAP(CNoteListBox, CListBox)
ON_CONTROL_REFLECT(LBN_SELCHANGE, OnSelChange)
END_MESSAGE_MAP()

int CNoteListBox::FindNote(DWORD_PTR note) const {
    const int count = GetCount();
    for (int line = 0; line < count; ++line)
        if (GetItemData(line) == note)
            return line;
    return -1;
}

void CNoteListBox::OnSelChange() {
    auto* view = static_cast<CJottaListView*>(GetParent());
    CJottaDoc* doc = view->GetDocument();
    const int selected = GetCurSel();
    const auto note = static_cast<CEOID>(GetItemData(selected));
    if (selected >= 0 && doc->SaveModifiedNote(TRUE)) {
        // A save may have refilled the list (a new title moves its line under
        // the title order), so the line is found again by its note.
        const int line = FindNote(note);
        m_nCurSel = line >= 0 ? line : selected;
        doc->SeekNote(note);
        doc->m_loadedNote = kNoLoadedNote;
        doc->UpdateAllViews(view);
    }
    SetCurSel(m_nCurSel);
}
