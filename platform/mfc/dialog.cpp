#include "platform/mfc/dialog.h"

#include "platform/mfc/data_exchange.h"
#include "platform/mfc/win_app.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

namespace {

// The dialog procedure behind every framework dialog: the CDialog is already
// attached (it subclassed the window at creation) and initialises itself.
INT_PTR AfxDlgProc(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hwnd));
    return dialog ? dialog->OnInitDialog() : TRUE;
}

} // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
    CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    bool attached = false;
    ui::HookNextWindowCreation([this, &attached](HWND hwnd) { attached = SubclassWindow(hwnd); });
    const INT_PTR result =
        ::DialogBoxParamW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(m_nIDTemplate)),
                          owner ? owner->m_hWnd : nullptr, AfxDlgProc, 0);
    if (!attached)
        ui::HookNextWindowCreation(nullptr);
    if (m_hWnd)
        UnsubclassWindow();
    return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    bool attached = false;
    ui::HookNextWindowCreation([this, &attached](HWND hwnd) { attached = SubclassWindow(hwnd); });
    HWND hwnd = ::CreateDialogParamW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(nIDTemplate)),
                                     pParentWnd ? pParentWnd->m_hWnd : nullptr, AfxDlgProc, 0);
    if (!attached)
        ui::HookNextWindowCreation(nullptr);
    return hwnd != nullptr;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult) {
    if (m_hWnd)
        ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    return m_hWnd && pMsg->message >= WM_KEYDOWN && pMsg->message <= WM_SYSKEYUP &&
           ::IsDialogMessageW(m_hWnd, pMsg);
}
