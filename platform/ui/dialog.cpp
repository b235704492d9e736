// The dialog manager: dialogs from templates, the dialog window class
// ("#32770") with its default procedure, modal runs and dialog items.
#include "platform/ui/dialog.h"

#include "platform/ui/backend.h"
#include "platform/ui/gdi.h"
#include "platform/ui/resources.h"
#include "platform/ui/window_impl.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

using ui::detail::Find;

struct ModalRun {
    bool ended = false;
    INT_PTR result = IDCANCEL;
};

struct DialogState : ui::detail::ControlState {
    ModalRun* modal = nullptr; // set while DialogBox runs it
    bool ended = false;
    INT_PTR result = IDCANCEL;
    HFONT font = nullptr; // created from the template; deleted with the dialog
};

DialogState* State(HWND hwnd) {
    return ui::detail::ControlOf<DialogState>(hwnd);
}

std::vector<std::u16string>& ModalCaptions() {
    static std::vector<std::u16string> captions;
    return captions;
}

// Dialog units to pixels with the system font's cell.
int ToPixelsX(int units) {
    return units * ui::kCharWidth / 4;
}
int ToPixelsY(int units) {
    return units * ui::kLineHeight / 8;
}

INT_PTR CallDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(hwnd, DWLP_DLGPROC));
    return proc ? proc(hwnd, msg, wParam, lParam) : FALSE;
}

// Messages whose answer the dialog procedure returns directly rather than
// through DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) {
    return msg == WM_INITDIALOG || (msg >= WM_CTLCOLOREDIT && msg <= WM_CTLCOLORSTATIC);
}

LRESULT DialogWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        Find(hwnd)->control = std::make_unique<DialogState>();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return DefDlgProcW(hwnd, msg, wParam, lParam);
}

HWND FirstTabStop(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED))
            return child;
    }
    return nullptr;
}

HWND DefaultButton(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
            return child;
    return nullptr;
}

} // namespace

namespace ui::detail {

bool IsDialogWindow(HWND hwnd) {
    return ControlOf<DialogState>(hwnd) != nullptr;
}

void RegisterDialogClass() {
    RegisterSystemClass(u"#32770", DialogWindowProc);
}

} // namespace ui::detail

namespace ui {

bool DialogEnded(HWND dialog) {
    DialogState* s = State(dialog);
    return !s || s->ended;
}

std::vector<std::u16string> ModalDialogs() {
    return ModalCaptions();
}

} // namespace ui

LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    const INT_PTR handled = CallDialogProc(hDlg, Msg, wParam, lParam);
    if (!IsWindow(hDlg))
        return 0;
    if (handled)
        return AnswersDirectly(Msg) ? handled : GetWindowLongPtrW(hDlg, DWLP_MSGRESULT);
    switch (Msg) {
    case WM_CLOSE:
        // Closing a dialog is its Cancel, as on the platform.
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
        return 0;
    case WM_NCDESTROY:
        if (DialogState* s = State(hDlg); s && s->font)
            DeleteObject(s->font);
        return DefWindowProcW(hDlg, Msg, wParam, lParam);
    case WM_CTLCOLORDLG:
        return DefWindowProcW(hDlg, Msg, wParam, lParam);
    case WM_PAINT:
        ui::detail::PaintControl(hDlg, WM_CTLCOLORDLG);
        return 0;
    default:
        return DefWindowProcW(hDlg, Msg, wParam, lParam);
    }
}

HWND CreateDialogIndirectParamW(HINSTANCE hInstance, const DialogTemplate* lpTemplate,
                                HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    if (!lpTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const DialogTemplate& t = *lpTemplate;
    int x = ToPixelsX(t.x), y = ToPixelsY(t.y);
    const int width = ToPixelsX(t.cx), height = ToPixelsY(t.cy);
    RECT owner{};
    if (hWndParent && GetWindowRect(hWndParent, &owner)) {
        x += owner.left;
        y += owner.top;
    }
    const bool child = (t.style & WS_CHILD) != 0;
    HWND dialog = CreateWindowExW(t.exStyle, u"#32770", t.caption.c_str(), t.style & ~WS_VISIBLE, x,
                                  y, width, height, hWndParent, nullptr, hInstance, nullptr);
    if (!dialog)
        return nullptr;
    SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(lpDialogFunc));
    if (t.style & DS_CENTER && !child)
        CenterWindow(dialog, nullptr);

    HFONT font = nullptr;
    if (!t.fontName.empty()) {
        LOGFONTW lf{};
        lf.lfHeight = -(t.pointSize * 96 / 72);
        const std::size_t n = std::min<std::size_t>(t.fontName.size(), LF_FACESIZE - 1);
        std::copy_n(t.fontName.data(), n, lf.lfFaceName);
        font = CreateFontIndirectW(&lf);
        State(dialog)->font = font;
        SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    for (const DialogItemTemplate& item : t.items) {
        HWND control = CreateWindowExW(
            item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
            ToPixelsX(item.x), ToPixelsY(item.y), ToPixelsX(item.cx), ToPixelsY(item.cy), dialog,
            reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(item.id)), hInstance, nullptr);
        if (!control) {
            // A dialog with a control missing is no dialog, as on the platform.
            const DWORD error = GetLastError();
            DestroyWindow(dialog);
            SetLastError(error);
            return nullptr;
        }
        if (font)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    HWND focus = FirstTabStop(dialog);
    if (SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), dwInitParam) &&
        focus && IsWindow(focus)) {
        SetFocus(focus);
        if (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
            SendMessageW(focus, EM_SETSEL, 0, -1);
    }
    if (!IsWindow(dialog))
        return nullptr;
    if ((t.style & WS_VISIBLE) && !ui::DialogEnded(dialog))
        ShowWindow(dialog, SW_SHOWNORMAL);
    return dialog;
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE hInstance, const DialogTemplate* hDialogTemplate,
                                HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    if (!hDialogTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    DialogTemplate hidden = *hDialogTemplate;
    hidden.style &= ~WS_VISIBLE; // shown after WM_INITDIALOG, unless it ended there
    ModalRun run;
    HWND dialog =
        CreateDialogIndirectParamW(hInstance, &hidden, hWndParent, lpDialogFunc, dwInitParam);
    if (!dialog)
        return -1;
    // An EndDialog during WM_INITDIALOG has already ended it.
    DialogState* s = State(dialog);
    s->modal = &run;
    run = {s->ended, s->ended ? s->result : IDCANCEL};
    const bool ownerWasEnabled = hWndParent && IsWindowEnabled(hWndParent);
    if (ownerWasEnabled)
        EnableWindow(hWndParent, FALSE);
    ModalCaptions().push_back(hDialogTemplate->caption);
    if (!run.ended) {
        ShowWindow(dialog, SW_SHOWNORMAL);
        ui::CurrentBackend().RunModalDialog(dialog, hDialogTemplate->caption);
    }
    if (!run.ended && IsWindow(dialog)) {
        // The back end gave up on it: the user's Escape.
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        if (!run.ended)
            run = {true, IDCANCEL};
    }
    ModalCaptions().pop_back();
    if (ownerWasEnabled && IsWindow(hWndParent))
        EnableWindow(hWndParent, TRUE);
    if (IsWindow(dialog)) {
        State(dialog)->modal = nullptr;
        DestroyWindow(dialog);
    }
    if (hWndParent && IsWindow(hWndParent) && !GetParent(hWndParent))
        SetActiveWindow(hWndParent);
    return run.result;
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    const DialogTemplate* t = ui::FindDialogResource(lpTemplateName);
    if (!t) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return CreateDialogIndirectParamW(hInstance, t, hWndParent, lpDialogFunc, dwInitParam);
}

INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    const DialogTemplate* t = ui::FindDialogResource(lpTemplateName);
    if (!t) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    return DialogBoxIndirectParamW(hInstance, t, hWndParent, lpDialogFunc, dwInitParam);
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
    DialogState* s = State(hDlg);
    if (!s) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    s->ended = true;
    s->result = nResult;
    if (s->modal)
        *s->modal = {true, nResult};
    ShowWindow(hDlg, SW_HIDE);
    return TRUE;
}

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    std::vector<HWND> stops;
    for (HWND child = GetWindow(hDlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED))
            stops.push_back(child);
    }
    if (stops.empty())
        return nullptr;
    auto at = std::find(stops.begin(), stops.end(), hCtl);
    if (at == stops.end())
        return bPrevious ? stops.back() : stops.front();
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(stops.size());
    const std::ptrdiff_t i = ((at - stops.begin()) + (bPrevious ? n - 1 : 1)) % n;
    return stops[static_cast<std::size_t>(i)];
}

BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
    if (!lpMsg || !IsWindow(hDlg) || (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)))
        return FALSE;
    if (lpMsg->message == WM_KEYDOWN) {
        const LRESULT code =
            lpMsg->hwnd == hDlg ? 0 : SendMessageW(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam, 0);
        switch (lpMsg->wParam) {
        case VK_TAB:
            if (!(code & (DLGC_WANTTAB | DLGC_WANTALLKEYS))) {
                if (HWND next = GetNextDlgTabItem(hDlg, GetFocus(), GetKeyState(VK_SHIFT) < 0)) {
                    SetFocus(next);
                    if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
                        SendMessageW(next, EM_SETSEL, 0, -1);
                }
                return TRUE;
            }
            break;
        case VK_RETURN:
            if (!(code & DLGC_WANTALLKEYS)) {
                HWND focus = GetFocus();
                HWND button =
                    focus && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)
                        ? focus
                        : DefaultButton(hDlg);
                if (button && IsWindowEnabled(button))
                    SendMessageW(button, BM_CLICK, 0, 0);
                else if (!button)
                    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return TRUE;
            }
            break;
        case VK_ESCAPE:
            SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
            return TRUE;
        }
    }
    DispatchMessageW(lpMsg);
    return TRUE;
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect) {
    if (!State(hDlg) || !lpRect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *lpRect = {ToPixelsX(lpRect->left), ToPixelsY(lpRect->top), ToPixelsX(lpRect->right),
               ToPixelsY(lpRect->bottom)};
    return TRUE;
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
    if (!lpString || cchMax <= 0)
        return 0;
    lpString[0] = 0;
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? static_cast<UINT>(GetWindowTextW(item, lpString, cchMax)) : 0;
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? static_cast<BOOL>(
                      SendMessageW(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)))
                : FALSE;
}

UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned) {
    if (lpTranslated)
        *lpTranslated = FALSE;
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item)
        return 0;
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, u'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    std::size_t i = text.find_first_not_of(u' ');
    if (i == std::u16string::npos)
        return 0;
    const bool negative = bSigned && text[i] == u'-';
    if (negative || (bSigned && text[i] == u'+'))
        ++i;
    std::uint64_t value = 0;
    const std::size_t digits = i;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > (bSigned ? 0x80000000ull : 0xFFFFFFFFull))
            return 0;
    }
    if (i == digits || text.find_first_not_of(u' ', i) != std::u16string::npos ||
        (bSigned && !negative && value > 0x7FFFFFFF))
        return 0;
    if (lpTranslated)
        *lpTranslated = TRUE;
    return negative ? static_cast<UINT>(-static_cast<std::int64_t>(value))
                    : static_cast<UINT>(value);
}

BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
    const std::string digits =
        bSigned ? std::to_string(static_cast<INT>(uValue)) : std::to_string(uValue);
    const std::u16string text(digits.begin(), digits.end());
    return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    HWND item = GetDlgItem(hDlg, nIDButton);
    if (!item)
        return FALSE;
    SendMessageW(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    HWND item = GetDlgItem(hDlg, nIDButton);
    return item ? static_cast<UINT>(SendMessageW(item, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    if (!IsWindow(hDlg))
        return FALSE;
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        if (HWND item = GetDlgItem(hDlg, id))
            SendMessageW(item, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}
