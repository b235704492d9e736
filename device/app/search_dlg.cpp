#include "device/app/search_dlg.h"

#include "device/app/resource.h"
#include "platform/mfc/data_exchange.h"

CSearchDlg::CSearchDlg(CWnd* pParent) : CDialog(IDD_SEARCH, pParent) {}

void CSearchDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_SEARCH_TEXT, m_strSearch);
}
