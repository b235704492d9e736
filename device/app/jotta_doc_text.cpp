// The document's Import and Export: a note's text from and to a plain text
// file in the handheld's ANSI code page, line breaks as they stand.
#include "device/app/jotta_doc.h"
#include "device/app/jotta_resources.h"
#include "device/app/jotta_view.h"
#include "device/app/resource.h"
#include "platform/base/byte_order.h"
#include "platform/base/unicode.h"
#include "platform/base/whole_file.h"
#include "platform/ce/code_page.h"
#include "platform/mfc/file_dialog.h"
#include "platform/mfc/win_app.h"
#include "platform/ui/resources.h"

#include <algorithm>
#include <optional>
#include <string_view>

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

// A file's text: UTF-8 or UTF-16 after their byte-order marks (such a file
// is never meant as ANSI text), else ANSI text in the handheld's code page.
// nullopt for UTF-16 of an odd number of bytes.
std::optional<std::u16string> TextOfFile(const std::string& bytes) {
    const auto starts = [&](std::string_view mark) { return bytes.rfind(mark, 0) == 0; };
    if (starts("\xEF\xBB\xBF"))
        return unicode::ToUtf16(std::string_view(bytes).substr(3));
    const bool little = starts("\xFF\xFE");
    if (!little && !starts("\xFE\xFF"))
        return ce::AnsiToWide(bytes);
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    const auto units = std::span(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
    return LoadUtf16(units.subspan(2), little ? std::endian::little : std::endian::big);
}

// How many characters of `text` the handheld's code page has no form for:
// each became one '?' in `ansi`.
std::size_t ReplacedCharacters(const std::u16string& text, const std::string& ansi) {
    const std::u16string back = ce::AnsiToWide(ansi);
    const auto marks = [](const std::u16string& s) {
        return static_cast<std::size_t>(std::count(s.begin(), s.end(), u'?'));
    };
    return marks(back) > marks(text) ? marks(back) - marks(text) : 0;
}

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
    const std::u16string text = editor->GetEditCtrl().GetWindowText();
    const std::string bytes = ce::WideToAnsi(text);
    const platform::Status written = platform::WriteWholeFile(
        unicode::ToUtf8(dialog.GetPathName()), bytes, platform::ExistingFile::Replace, 0600);
    if (!written.ok()) {
        AfxMessageBox(ResourceMessage(IDS_EXPORT_FAILED, dialog.GetPathName(),
                                      unicode::ToUtf16(written.message()))
                          .c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (const std::size_t replaced = ReplacedCharacters(text, bytes); replaced > 0)
        AfxMessageBox(ResourceMessage(IDS_EXPORT_REPLACED, dialog.GetPathName(),
                                      unicode::ToUtf16(std::to_string(replaced)))
                          .c_str(),
                      MB_OK | MB_ICONINFORMATION);
}

void CJottaDoc::OnImport() {
    CJottaView* editor = FindEditorView();
    if (CurrentNote(true) == 0 || editor == nullptr || !SaveModifiedNote(TRUE))
        return;
    TextFileDialog dialog(true, 0);
    if (dialog.DoModal() != IDOK)
        return;
    CWaitCursor wait;
    const auto bytes = platform::ReadWholeFile(unicode::ToUtf8(dialog.GetPathName()), kImportLimit);
    if (!bytes.ok()) {
        AfxMessageBox(ResourceMessage(IDS_IMPORT_FAILED, dialog.GetPathName(),
                                      unicode::ToUtf16(bytes.status().message()))
                          .c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const auto text = TextOfFile(bytes.value());
    if (!text) {
        AfxMessageBox(ResourceMessage(IDS_IMPORT_FAILED, dialog.GetPathName(),
                                      u"its UTF-16 text ends in half a character")
                          .c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    editor->GetEditCtrl().SetWindowText(*text);
    SetModifiedFlag(TRUE);
    UpdateAllViews(editor);
}
