#include "platform/mfc/controls.h"

IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)

void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
    DWORD start = 0, end = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    nStartChar = static_cast<int>(start);
    nEndChar = static_cast<int>(end);
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), nEndChar);
    if (!bNoScroll)
        SendMessage(EM_SCROLLCARET);
}

std::u16string CListBox::GetText(int nIndex) const {
    const LRESULT length = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex));
    if (length < 0)
        return {};
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    text.resize(static_cast<std::size_t>(SendMessage(LB_GETTEXT, static_cast<WPARAM>(nIndex),
                                                     reinterpret_cast<LPARAM>(text.data()))));
    return text;
}
