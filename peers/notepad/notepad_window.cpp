#include "peers/notepad/notepad_window.h"

#include "peers/notepad/text_file.h"
#include "platform/base/unicode.h"
#include "platform/ui/dialog.h"
#include "platform/win32/path.h"

#include <cstdio>
#include <vector>

namespace notepad {

namespace {

constexpr char16_t kAppName[] = u"Notepad";

// How a round of the dialog ended.
enum class Round { GaveUp, Saved, Exit };

struct Session {
    std::string hostPath;
    std::u16string name;
    std::u16string text;
    bool modified = false;
    Round round = Round::GaveUp;
};

std::u16string EditText(HWND dialog) {
    HWND edit = GetDlgItem(dialog, kEditId);
    const int length = GetWindowTextLengthW(edit);
    std::vector<char16_t> buffer(static_cast<std::size_t>(length) + 1, 0);
    GetWindowTextW(edit, buffer.data(), length + 1);
    return std::u16string(buffer.data(), static_cast<std::size_t>(length));
}

bool Modified(HWND dialog, const Session& session) {
    return session.modified || SendDlgItemMessageW(dialog, kEditId, EM_GETMODIFY, 0, 0) != 0;
}

// Saves the edit's text; says why on failure.
bool Save(HWND dialog, Session* session) {
    const std::u16string text = EditText(dialog);
    const platform::Status saved = WriteTextFile(session->hostPath, text);
    if (!saved.ok()) {
        MessageBoxW(dialog, unicode::ToUtf16(saved.message()).c_str(), kAppName,
                    MB_OK | MB_ICONERROR);
        return false;
    }
    session->text = text;
    session->modified = false;
    return true;
}

void Exit(HWND dialog, Session* session) {
    if (Modified(dialog, *session)) {
        const std::u16string question = u"The text in the " + session->name +
                                        u" file has changed.\n\nDo you want to save the changes?";
        switch (
            MessageBoxW(dialog, question.c_str(), kAppName, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDYES:
            if (!Save(dialog, session))
                return;
            break;
        case IDNO:
            session->modified = false;
            break;
        default:
            return;
        }
    }
    session->round = Round::Exit;
    EndDialog(dialog, IDCANCEL);
}

// The edit control as a text editor wants it: Tab leaves it for the
// buttons (the multi-line control would keep it), Ctrl+S saves.
WNDPROC g_editProc = nullptr;

LRESULT EditKeys(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND dialog = GetParent(edit);
    if (message == WM_KEYDOWN && wParam == VK_TAB) {
        SetFocus(GetNextDlgTabItem(dialog, edit, GetKeyState(VK_SHIFT) < 0));
        return 0;
    }
    if (message == WM_CHAR && wParam == u'\t')
        return 0;
    if (message == WM_CHAR && wParam == 0x13) { // Ctrl+S
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return 0;
    }
    return CallWindowProcW(g_editProc, edit, message, wParam, lParam);
}

INT_PTR NotepadProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<Session*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        session = reinterpret_cast<Session*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetDlgItemTextW(dialog, kEditId, session->text.c_str());
        SendDlgItemMessageW(dialog, kEditId, EM_SETMODIFY, FALSE, 0);
        g_editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            GetDlgItem(dialog, kEditId), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditKeys)));
        SetFocus(GetDlgItem(dialog, kEditId));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            // The text stays as edited while the next round opens.
            session->text = EditText(dialog);
            session->modified = Modified(dialog, *session);
            if (Save(dialog, session)) {
                session->round = Round::Saved;
                EndDialog(dialog, IDOK);
            }
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            session->text = EditText(dialog);
            session->modified = Modified(dialog, *session);
            Exit(dialog, session);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

DialogTemplate NotepadTemplate(const std::u16string& caption) {
    DialogTemplate dialog;
    dialog.caption = caption;
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT;
    dialog.cx = 280;
    dialog.cy = 170;
    dialog.fontName = u"MS Sans Serif";
    dialog.pointSize = 8;
    dialog.items = {
        {u"edit", u"", static_cast<WORD>(kEditId),
         WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
             ES_WANTRETURN,
         0, 4, 4, 272, 142},
        {u"button", u"&Save", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 4, 150, 50, 14},
        {u"button", u"E&xit", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 60, 150, 50, 14},
    };
    return dialog;
}

} // namespace

std::u16string CaptionFor(const std::string& desktopPath) {
    const std::string host = win32::HostPath(desktopPath);
    const auto slash = host.find_last_of('/');
    return unicode::ToUtf16(slash == std::string::npos ? host : host.substr(slash + 1)) + u" - " +
           kAppName;
}

int RunNotepad(const std::string& desktopPath) {
    Session session;
    session.hostPath = win32::HostPath(desktopPath);
    auto text = ReadTextFile(session.hostPath);
    if (!text.ok()) {
        std::fprintf(stderr, "notepad: %s\n", text.status().message().c_str());
        return 1;
    }
    session.text = std::move(text.value());
    const std::u16string caption = CaptionFor(desktopPath);
    const auto slash = session.hostPath.find_last_of('/');
    session.name = unicode::ToUtf16(
        slash == std::string::npos ? session.hostPath : session.hostPath.substr(slash + 1));
    const DialogTemplate dialog = NotepadTemplate(caption);
    for (;;) {
        session.round = Round::GaveUp;
        if (DialogBoxIndirectParamW(nullptr, &dialog, nullptr, NotepadProc,
                                    reinterpret_cast<LPARAM>(&session)) == -1) {
            std::fputs("notepad: cannot make the window\n", stderr);
            return 1;
        }
        if (session.round == Round::Exit)
            return 0;
        if (session.round == Round::GaveUp) {
            // Closed by the window system, not by the user's choice.
            if (!session.modified)
                return 0;
            std::fprintf(stderr, "notepad: closed without saving the changes to %s\n",
                         session.hostPath.c_str());
            return 1;
        }
    }
}

} // namespace notepad
