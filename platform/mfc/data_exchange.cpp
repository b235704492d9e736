#include "platform/mfc/data_exchange.h"

#include "platform/mfc/win_app.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"

#include <string>

namespace {

std::u16string TextOf(HWND control) {
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, u'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    if (!control)
        m_bFailed = TRUE;
    m_hWndLastControl = control;
    return control;
}

void CDataExchange::Fail() {
    m_bFailed = TRUE;
    if (m_hWndLastControl) {
        ::SetFocus(m_hWndLastControl);
        ::SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::u16string& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control)
        return;
    if (pDX->m_bSaveAndValidate)
        value = TextOf(control);
    else
        ::SetWindowTextW(control, value.c_str());
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control)
        return;
    if (!pDX->m_bSaveAndValidate) {
        ::SetDlgItemInt(pDX->m_pDlgWnd->m_hWnd, nIDC, static_cast<UINT>(value), TRUE);
        return;
    }
    BOOL translated = FALSE;
    const UINT number = ::GetDlgItemInt(pDX->m_pDlgWnd->m_hWnd, nIDC, &translated, TRUE);
    if (!translated) {
        AfxMessageBox(u"Please enter an integer.", MB_OK | MB_ICONEXCLAMATION);
        pDX->Fail();
        return;
    }
    value = static_cast<int>(number);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control)
        return;
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control)
        return;
    if (pDX->m_bSaveAndValidate)
        value = -1;
    // The group: this button and the radio buttons after it up to the next WS_GROUP.
    int index = 0;
    for (HWND h = control; h; h = ::GetWindow(h, GW_HWNDNEXT), ++index) {
        if (h != control && (::GetWindowLongW(h, GWL_STYLE) & WS_GROUP))
            break;
        if (!(::SendMessageW(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            continue;
        if (pDX->m_bSaveAndValidate) {
            if (::SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            ::SendMessageW(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control)
        return;
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(control, LB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(control, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_LBString(CDataExchange* pDX, int nIDC, std::u16string& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control)
        return;
    if (!pDX->m_bSaveAndValidate) {
        ::SendMessageW(control, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(value.c_str()));
        return;
    }
    const LRESULT index = ::SendMessageW(control, LB_GETCURSEL, 0, 0);
    value.clear();
    if (index < 0)
        return;
    value.resize(static_cast<std::size_t>(
                     ::SendMessageW(control, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0)) +
                 1);
    value.resize(static_cast<std::size_t>(::SendMessageW(
        control, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(value.data()))));
}

void DDX_CBString(CDataExchange* pDX, int nIDC, std::u16string& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = TextOf(control);
        return;
    }
    if (::SendMessageW(control, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(value.c_str())) < 0)
        ::SetWindowTextW(control, value.c_str());
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control)
        return;
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(control, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control) {
    if (control.m_hWnd)
        return;
    HWND hwnd = pDX->PrepareCtrl(nIDC);
    if (hwnd && !control.SubclassWindow(hwnd))
        pDX->Fail();
}
