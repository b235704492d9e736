// Dialog data exchange: DoDataExchange moves values between a window's
// controls and members, in the direction m_bSaveAndValidate says. A value
// that does not fit (e.g. text in a number field) shows the platform's
// message, puts the focus on the control and marks the exchange failed.
#pragma once

#include "platform/mfc/wnd.h"

#include <string>

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_pDlgWnd(pDlgWnd), m_bSaveAndValidate(bSaveAndValidate) {}
    // The control with id nID; marks the exchange failed when there is none.
    HWND PrepareCtrl(int nIDC);
    // Marks the exchange failed and gives the focus to the last control prepared.
    void Fail();

    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    BOOL m_bFailed = FALSE;
    HWND m_hWndLastControl = nullptr;
};

void DDX_Text(CDataExchange* pDX, int nIDC, std::u16string& value);
// "Please enter an integer." when the text is no number.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
// 0, 1 or 2 (indeterminate) of a check box.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// The index of the checked button in the group starting at nIDC; -1 for none.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// A list box's selected index (-1 none).
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
// A list box's selected item's text; loading selects the first item beginning with it.
void DDX_LBString(CDataExchange* pDX, int nIDC, std::u16string& value);
// A combo box's text; loading selects the first item beginning with it.
void DDX_CBString(CDataExchange* pDX, int nIDC, std::u16string& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
// Attaches `control` to the dialog's control (once).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);
