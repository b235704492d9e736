// The document's category commands: a note's categories, the display filter
// and the synchronization filter, each picked in the categories pick list.
#include "device/app/categories_dlg.h"
#include "device/app/jotta_app.h"
#include "device/app/jotta_doc.h"
#include "device/app/jotta_view.h"
#include "device/app/note_store.h"

#include <algorithm>

namespace {

constexpr char16_t kSyncFilter[] = u"FilterSync";

bool Contains(const std::vector<std::u16string>& names, const std::u16string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

void FocusEditor(CJottaView* editor) {
    if (editor != nullptr)
        editor->GetEditCtrl().SetFocus();
}

} // namespace

void CJottaDoc::OnEditCategories() {
    if (CurrentNote(true) == 0)
        return;
    CCategoriesDlg dialog;
    dialog.m_arrOffered = LoadCategoryList();
    dialog.m_arrChosen = SplitCategories(m_categories);
    // A category the categories database does not know still shows, selected.
    for (const std::u16string& name : dialog.m_arrChosen)
        if (!Contains(dialog.m_arrOffered, name))
            dialog.m_arrOffered.push_back(name);
    if (dialog.DoModal() == IDOK) {
        const std::u16string chosen = JoinCategories(dialog.m_arrChosen);
        if (chosen != m_categories) {
            m_categories = chosen;
            SetModifiedFlag(TRUE);
        }
    }
    FocusEditor(FindEditorView());
}

void CJottaDoc::OnSyncFilter() {
    CJottaApp& app = App();
    CCategoriesDlg dialog;
    dialog.m_arrOffered = LoadCategoryList();
    dialog.m_arrChosen = SplitCategories(app.GetProfileString(kSettingsSection, kSyncFilter, u""));
    if (dialog.DoModal() == IDOK)
        app.WriteProfileString(kSettingsSection, kSyncFilter,
                               JoinCategories(dialog.m_arrChosen).c_str());
    FocusEditor(FindEditorView());
}

void CJottaDoc::OnViewFilterNotes() {
    CJottaApp& app = App();
    CCategoriesDlg dialog;
    dialog.m_arrOffered = LoadCategoryList();
    dialog.m_arrChosen = app.m_arrFilterCats;
    if (dialog.DoModal() != IDOK || !SaveModifiedNote(TRUE))
        return;
    app.m_arrFilterCats = dialog.m_arrChosen;
    SeekNote(SEEK_FIRST_NOTE);
    m_loadedNote = kNoLoadedNote;
    UpdateAllViews(nullptr);
}
