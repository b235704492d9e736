// CSetupDlg: the installer's main dialog (template 102) with Install,
// Cancel, View Readme and the About entry of its system menu;
// CSetupAboutDlg: the About dialog (template 100).
#pragma once

#include "platform/ui/winuser.h"

#include <string>

class CSetupDlg {
public:
    CSetupDlg() = default;

    // Runs the dialog; IDOK after Install, IDCANCEL after Cancel.
    INT_PTR DoModal();
    // The same dialog without its modal loop (it stays until destroyed).
    HWND Create();

    BOOL OnInitDialog();
    void OnSysCommand(UINT nID, LPARAM lParam);
    // The steps of the installation; the dialog then ends as accepted.
    void OnInstall();
    void OnViewReadme();

    // Unattended, the installation waits for the application manager it
    // starts, so that the handheld package is in its store when setup ends;
    // a manager that fails counts as a failed start.
    void WaitForManager(bool wait) { m_waitForManager = wait; }
    // Whether a step of the last installation failed.
    bool failed() const { return m_failed; }
    // Whether it found no application manager registered on the desktop.
    bool managerMissing() const { return m_managerMissing; }

    HWND m_hWnd = nullptr;

private:
    bool m_waitForManager = false;
    bool m_failed = false;
    bool m_managerMissing = false;

    static INT_PTR DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
    // Shows string `id` of the resource table in the installer's message box.
    void Message(UINT id, UINT icon) const;
};

class CSetupAboutDlg {
public:
    INT_PTR DoModal(HWND owner);
};

// The folder that holds the installer's program file, without a trailing
// separator.
std::string InstallerFolder();
