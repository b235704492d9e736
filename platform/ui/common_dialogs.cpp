// The file open and save dialogs.
#include "platform/ui/commdlg.h"

#include "platform/base/machine.h"
#include "platform/base/unicode.h"
#include "platform/ui/backend.h"
#include "platform/ui/message_box.h"
#include "platform/ui/printer_dc.h"

#include <algorithm>
#include <filesystem>

namespace {

DWORD g_extendedError = 0;

std::u16string FilterOf(LPCWSTR filter) {
    // Pairs of NUL-ended strings, the list ended by an empty one.
    std::u16string out;
    if (!filter)
        return out;
    for (LPCWSTR p = filter; *p; p += std::char_traits<char16_t>::length(p) + 1)
        out.append(p, std::char_traits<char16_t>::length(p) + 1);
    return out;
}

std::filesystem::path Resolve(const OPENFILENAMEW& ofn, const std::u16string& name) {
    std::filesystem::path path(unicode::ToUtf8(name));
    if (path.is_relative()) {
        const std::string base = ofn.lpstrInitialDir && *ofn.lpstrInitialDir
                                     ? unicode::ToUtf8(ofn.lpstrInitialDir)
                                     : ui::DocumentsFolder();
        path = std::filesystem::path(base) / path;
    }
    if (!path.has_extension() && ofn.lpstrDefExt && *ofn.lpstrDefExt)
        path += "." + unicode::ToUtf8(ofn.lpstrDefExt);
    return path.lexically_normal();
}

BOOL Run(LPOPENFILENAMEW ofn, ui::FileDialogKind kind) {
    g_extendedError = 0;
    if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEW)) {
        g_extendedError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
        g_extendedError = CDERR_INITIALIZATION;
        return FALSE;
    }
    ui::FileDialogPrompt prompt;
    prompt.kind = kind;
    prompt.owner = ofn->hwndOwner;
    prompt.title = ofn->lpstrTitle                    ? ofn->lpstrTitle
                   : kind == ui::FileDialogKind::Open ? u"Open"
                                                      : u"Save As";
    prompt.filter = FilterOf(ofn->lpstrFilter);
    prompt.defaultExtension = ofn->lpstrDefExt ? ofn->lpstrDefExt : u"";
    prompt.initialDirectory = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : u"";
    prompt.initialFile = ofn->lpstrFile;
    prompt.flags = ofn->Flags;
    for (;;) {
        const auto chosen = ui::CurrentBackend().ChooseFile(prompt);
        if (!chosen)
            return FALSE;
        const std::filesystem::path path = Resolve(*ofn, *chosen);
        const std::u16string full = unicode::ToUtf16(path.string());
        std::error_code error;
        const bool exists = std::filesystem::exists(path, error);
        // The platform's dialog stays open after these questions; the user chooses again.
        if (kind == ui::FileDialogKind::Open && (ofn->Flags & OFN_FILEMUSTEXIST) && !exists) {
            const std::u16string text =
                full + u"\nFile not found.\nPlease verify the correct file name was given.";
            MessageBoxW(ofn->hwndOwner, text.c_str(), prompt.title.c_str(),
                        MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        if (kind == ui::FileDialogKind::Save && (ofn->Flags & OFN_OVERWRITEPROMPT) && exists) {
            const std::u16string text = full + u" already exists.\nDo you want to replace it?";
            if (MessageBoxW(ofn->hwndOwner, text.c_str(), prompt.title.c_str(),
                            MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
                continue;
        }
        if (full.size() + 1 > ofn->nMaxFile) {
            // The platform puts the size needed into the buffer's first word.
            if (ofn->nMaxFile >= 1)
                ofn->lpstrFile[0] =
                    static_cast<WCHAR>(std::min<std::size_t>(full.size() + 1, 0xFFFF));
            g_extendedError = FNERR_BUFFERTOOSMALL;
            return FALSE;
        }
        std::copy(full.begin(), full.end(), ofn->lpstrFile);
        ofn->lpstrFile[full.size()] = 0;
        const std::size_t slash = full.find_last_of(u'/');
        const std::size_t nameAt = slash == std::u16string::npos ? 0 : slash + 1;
        const std::size_t dot = full.find_last_of(u'.');
        ofn->nFileOffset = static_cast<WORD>(nameAt);
        ofn->nFileExtension =
            static_cast<WORD>(dot == std::u16string::npos || dot < nameAt ? full.size() : dot + 1);
        if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
            const std::u16string name = full.substr(nameAt);
            const std::size_t n = std::min<std::size_t>(name.size(), ofn->nMaxFileTitle - 1);
            std::copy_n(name.data(), n, ofn->lpstrFileTitle);
            ofn->lpstrFileTitle[n] = 0;
        }
        return TRUE;
    }
}

} // namespace

BOOL GetOpenFileNameW(LPOPENFILENAMEW lpofn) {
    return Run(lpofn, ui::FileDialogKind::Open);
}
BOOL GetSaveFileNameW(LPOPENFILENAMEW lpofn) {
    return Run(lpofn, ui::FileDialogKind::Save);
}
DWORD CommDlgExtendedError() {
    return g_extendedError;
}

void ui::detail::SetCommDlgError(DWORD error) {
    g_extendedError = error;
}

std::string ui::DocumentsFolder() {
    platform::Machine* machine = platform::InstalledMachine();
    if (machine)
        return machine->Folder() + "/My Documents";
    std::error_code error;
    const auto here = std::filesystem::current_path(error);
    return error ? std::string(".") : here.string();
}
