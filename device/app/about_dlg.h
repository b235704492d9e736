// CAboutDlg: the About box (template 100), closed by its caption's OK button.
#pragma once

#include "platform/mfc/dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    // Centres the dialog on its owner.
    BOOL OnInitDialog() override;
};
