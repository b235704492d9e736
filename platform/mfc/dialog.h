// CDialog: a dialog from a template of the resource table, modal (DoModal)
// or modeless (Create), with data exchange: OnInitDialog loads the controls
// (UpdateData(FALSE)), OK saves them (UpdateData(TRUE)) and ends the dialog
// only when every value fits.
#pragma once

#include "platform/mfc/wnd.h"
#include "platform/ui/dialog.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT nIDTemplate = 0, CWnd* pParentWnd = nullptr);

    // Runs the dialog owned by the parent given, else the main window. Returns
    // what EndDialog was given; -1 when the dialog cannot be created.
    virtual INT_PTR DoModal();
    // A modeless dialog; the parent given or none.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    using CWnd::Create;
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int nResult);
    // Tab, Enter and Escape of a modeless dialog run by the program's loop.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()
};
