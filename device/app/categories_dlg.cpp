#include "device/app/categories_dlg.h"

#include "device/app/resource.h"
#include "platform/mfc/data_exchange.h"

CCategoriesDlg::CCategoriesDlg(CWnd* pParent) : CDialog(IDD_CATEGORIES, pParent) {}

void CCategoriesDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CATEGORY_LIST, m_list);
}

BOOL CCategoriesDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (const std::u16string& name : m_arrOffered) {
        m_list.AddString(name);
        // The list is sorted: the entry found is the one just added, unless
        // another differs from it in case alone.
        for (const std::u16string& chosen : m_arrChosen)
            if (chosen == name)
                if (const int at = m_list.FindString(-1, name); at != LB_ERR)
                    m_list.SetSel(at, TRUE);
    }
    return TRUE;
}

void CCategoriesDlg::OnOK() {
    m_arrChosen.clear();
    for (int i = 0; i < m_list.GetCount(); ++i)
        if (m_list.GetSel(i) > 0)
            m_arrChosen.push_back(m_list.GetText(i));
    CDialog::OnOK();
}
