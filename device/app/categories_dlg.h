// CCategoriesDlg: the categories pick list (template 137), one dialog for a
// note's categories, the display filter and the synchronization filter. The
// list keeps its entries sorted and lets the person select any number.
#pragma once

#include "platform/mfc/controls.h"
#include "platform/mfc/dialog.h"

#include <string>
#include <vector>

class CCategoriesDlg : public CDialog {
public:
    explicit CCategoriesDlg(CWnd* pParent = nullptr);

    // Filled before the dialog opens: the names offered, in this order, and
    // those shown selected. A chosen name that is not offered is not shown.
    // On OK, m_arrChosen holds the selected names in the list's order.
    std::vector<std::u16string> m_arrOffered;
    std::vector<std::u16string> m_arrChosen;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    CListBox m_list;
};
