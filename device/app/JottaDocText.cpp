// The document's Import and Export: a note's text from and to a plain text
// file in the handheld's ANSI code page, line breaks as they stand.
#include "device/app/JottaDoc.h"
#include "device/app/JottaResources.h"
#include "device/app/JottaView.h"
#include "device/app/TextFile.h"
#include "device/app/resource.h"
#include "platform/base/unicode.h"
#include "platform/ce/code_page.h"
#include "platform/mfc/FileDialog.h"
#include "platform/mfc/WinApp.h"
#include "platform/ui/resources.h"

namespace {

// More than any note can hold: a larger file is refused whole.
constexpr std::size_t kImportLimit = 8 * 1024 * 1024;

// The file dialog of both commands: "txt" and the text files' filter.
class TextFileDialog : public CFileDialog {
public:
    TextFileDialog(bool open, DWORD flags)
        : CFileDialog(open, Resource(IDS_TEXT_EXTENSION).c_str(), nullptr, flags,
                      Resource(IDS_TEXT_FILTER).c_str(), nullptr) {}

private:
    static std::u16string Resource(UINT id) { return ui::FindStringResource(id).value_or(u""); }
};

} // namespace

void CJottaDoc::OnExport() {
    CJottaView* editor = FindEditorView();
    if (CurrentNote(true) == 0 || editor == nullptr)
        return;
    TextFileDialog dialog(false, OFN_OVERWRITEPROMPT);
    if (dialog.DoModal() != IDOK)
        return;
    CWaitCursor wait;
    // The text as the person sees it, unsaved changes included.
    const std::string bytes = ce::WideToAnsi(editor->GetEditCtrl().GetWindowText());
    std::u16string reason;
    if (!WriteWholeFile(unicode::ToUtf8(dialog.GetPathName()), bytes, Replace::Yes, &reason))
        AfxMessageBox(ResourceMessage(IDS_EXPORT_FAILED, dialog.GetPathName(), reason).c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
}

void CJottaDoc::OnImport() {
    CJottaView* editor = FindEditorView();
    if (CurrentNote(true) == 0 || editor == nullptr || !SaveModifiedNote(TRUE))
        return;
    TextFileDialog dialog(true, 0);
    if (dialog.DoModal() != IDOK)
        return;
    CWaitCursor wait;
    std::u16string reason;
    const auto bytes = ReadWholeFile(unicode::ToUtf8(dialog.GetPathName()), kImportLimit, &reason);
    if (!bytes) {
        AfxMessageBox(ResourceMessage(IDS_IMPORT_FAILED, dialog.GetPathName(), reason).c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    editor->GetEditCtrl().SetWindowText(ce::AnsiToWide(*bytes));
    SetModifiedFlag(TRUE);
    UpdateAllViews(editor);
}
