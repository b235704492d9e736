// CNoteInfoDlg: the Note Infos dialog (template 134), which shows the stored
// subject and times of the current note with its colour and categories as
// the document holds them (unsaved changes included). Changes nothing.
#pragma once

#include "platform/mfc/dialog.h"

#include <string>

class CJottaDoc;

class CNoteInfoDlg : public CDialog {
public:
    explicit CNoteInfoDlg(CWnd* pParent = nullptr);

    // Fills the five fields for the document's current note; false (nothing
    // filled) when there is no valid current note or it cannot be read.
    bool Fill(CJottaDoc& doc);

    std::u16string m_strSubject;
    std::u16string m_strCreated;
    std::u16string m_strModified;
    std::u16string m_strColorName;
    std::u16string m_strCategoryLines;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
