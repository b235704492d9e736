// CSearchDlg: "Search for Notes" (template 130), which asks for the string
// that Find looks for in the texts of the notes.
#pragma once

#include "platform/mfc/dialog.h"

#include <string>

class CSearchDlg : public CDialog {
public:
    explicit CSearchDlg(CWnd* pParent = nullptr);

    std::u16string m_strSearch;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
