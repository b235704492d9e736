// CFileDialog: the file open or save dialog with the framework's filter form
// ("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||": description and pattern
// pairs separated by bars).
#pragma once

#include "platform/mfc/wnd.h"
#include "platform/ui/commdlg.h"

#include <string>

class CFileDialog {
public:
    CFileDialog(BOOL bOpenFileDialog, LPCWSTR lpszDefExt = nullptr, LPCWSTR lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                LPCWSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK with the chosen file, IDCANCEL when the user cancelled or the dialog failed.
    INT_PTR DoModal();
    // The full path chosen, its name, and its extension (without the dot).
    std::u16string GetPathName() const { return m_file; }
    std::u16string GetFileName() const;
    std::u16string GetFileExt() const;

    OPENFILENAMEW m_ofn{};

private:
    BOOL m_bOpenFileDialog;
    std::u16string m_filter; // NUL-separated, as the platform takes it
    std::u16string m_defExt;
    std::u16string m_file;
    WCHAR m_buffer[260] = {};
};
