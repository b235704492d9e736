#include "platform/mfc/file_dialog.h"

#include "platform/ui/message_box.h"

#include <algorithm>

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCWSTR lpszDefExt, LPCWSTR lpszFileName,
                         DWORD dwFlags, LPCWSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog) {
    if (lpszFilter) {
        m_filter = lpszFilter;
        std::replace(m_filter.begin(), m_filter.end(), u'|', u'\0');
        m_filter.push_back(u'\0'); // the list ends with an empty string
    }
    if (lpszDefExt)
        m_defExt = lpszDefExt;
    if (lpszFileName) {
        const std::size_t n =
            std::min<std::size_t>(std::char_traits<char16_t>::length(lpszFileName), 259);
        std::copy_n(lpszFileName, n, m_buffer);
    }
    m_ofn.lStructSize = sizeof(OPENFILENAMEW);
    m_ofn.hwndOwner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_buffer;
    m_ofn.nMaxFile = 260;
    m_ofn.lpstrDefExt = m_defExt.empty() ? nullptr : m_defExt.c_str();
    m_ofn.Flags = dwFlags;
}

INT_PTR CFileDialog::DoModal() {
    const BOOL chosen = m_bOpenFileDialog ? GetOpenFileNameW(&m_ofn) : GetSaveFileNameW(&m_ofn);
    if (!chosen)
        return IDCANCEL;
    m_file = m_ofn.lpstrFile;
    return IDOK;
}

std::u16string CFileDialog::GetFileName() const {
    return m_file.substr(m_file.find_last_of(u'/') + 1);
}

std::u16string CFileDialog::GetFileExt() const {
    const std::u16string name = GetFileName();
    const std::size_t dot = name.find_last_of(u'.');
    return dot == std::u16string::npos ? std::u16string() : name.substr(dot + 1);
}
