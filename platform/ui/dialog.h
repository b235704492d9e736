// The dialog manager: dialog templates as data, modal and modeless dialogs
// with a dialog procedure, and the dialog-item functions. A modal dialog is
// handed to the back end while it runs (the headless back end's scripted
// user fills its fields by control id and presses a button).
#pragma once

#include "platform/ui/controls.h"
#include "platform/ui/message_box.h"
#include "platform/ui/winuser.h"

#include <string>
#include <vector>

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// Dialog styles.
constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_SETFOREGROUND = 0x0200;
constexpr DWORD DS_CENTER = 0x0800;

// One control of a dialog template. Sizes are in dialog units (a quarter of
// the font's character width, an eighth of its height).
struct DialogItemTemplate {
    std::u16string className; // "button", "edit", "static", "listbox", "combobox" or registered
    std::u16string text;
    WORD id = 0xFFFF; // 0xFFFF (IDC_STATIC) for controls nobody addresses
    DWORD style = 0;  // WS_CHILD is implied
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    std::u16string caption;
    DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::u16string fontName; // with pointSize: DS_SETFONT
    WORD pointSize = 0;
    std::vector<DialogItemTemplate> items;
};

constexpr WORD IDC_STATIC = 0xFFFF;

// Creates the dialog and its controls, sends WM_SETFONT and WM_INITDIALOG
// (with `dwInitParam`); visible when the template says WS_VISIBLE. Null when
// a control cannot be created.
HWND CreateDialogIndirectParamW(HINSTANCE hInstance, const DialogTemplate* lpTemplate,
                                HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam);
// Runs the dialog modally with its owner disabled; returns what EndDialog
// was given, or -1 when the dialog cannot be created.
INT_PTR DialogBoxIndirectParamW(HINSTANCE hInstance, const DialogTemplate* hDialogTemplate,
                                HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam);
// The same for a template of the resource table (ui::AddDialogResource).
HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam);
INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam);
// Ends a modal dialog (it closes when its dialog procedure returns); a
// modeless dialog is only hidden, as on the platform.
BOOL EndDialog(HWND hDlg, INT_PTR nResult);
LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);
// Tab, Enter and Escape for the dialog; TRUE when the message was the
// dialog's (it has then been handled).
BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg);
HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
BOOL MapDialogRect(HWND hDlg, LPRECT lpRect);

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax);
BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString);
UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned);
BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned);
BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck);
UINT IsDlgButtonChecked(HWND hDlg, int nIDButton);
BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam);

namespace ui {

// True once EndDialog was called for the dialog (or it no longer exists).
bool DialogEnded(HWND dialog);

// The caption of every dialog running modally, innermost last.
std::vector<std::u16string> ModalDialogs();

// Puts `value` into a control as a user would: an edit's whole text is
// replaced by typing (EN_CHANGE follows); a check box or radio button is
// clicked when its state differs from "0"/"1"; a list box gets exactly the
// items named (LF-separated) selected by clicks; a combo box selects the
// item equal to value, or takes it as text when it has a text field.
// False, with the reason in `problem`, when the control cannot take it.
bool EnterControlValue(HWND control, const std::u16string& value, std::string* problem);

} // namespace ui
