// ANSI window functions: the W functions with the texts converted.
#include "platform/win32/user_ansi.h"

#include "platform/win32/codepage.h"

#include <algorithm>
#include <cstring>

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
    if (!lpNewItem || (uFlags & MF_SEPARATOR))
        return AppendMenuW(hMenu, uFlags, uIDNewItem, nullptr);
    const std::u16string text = win32::AnsiToWide(lpNewItem);
    return AppendMenuW(hMenu, uFlags, uIDNewItem, text.c_str());
}

int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    (void)hInstance;
    if (!lpBuffer || cchBufferMax <= 0)
        return 0;
    const auto text = ui::FindStringResource(uID);
    if (!text) {
        lpBuffer[0] = '\0';
        return 0;
    }
    const std::string ansi = win32::WideToAnsi(*text);
    const std::size_t n =
        std::min<std::size_t>(ansi.size(), static_cast<std::size_t>(cchBufferMax) - 1);
    std::memcpy(lpBuffer, ansi.data(), n);
    lpBuffer[n] = '\0';
    return static_cast<int>(n);
}

LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (Msg) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING: {
        const auto* ansi = reinterpret_cast<LPCSTR>(lParam);
        const std::u16string wide = win32::AnsiToWide(ansi ? ansi : "");
        return SendDlgItemMessageW(hDlg, nIDDlgItem, Msg, wParam,
                                   reinterpret_cast<LPARAM>(wide.c_str()));
    }
    case LB_GETTEXT:
    case LB_GETTEXTLEN: {
        const LRESULT length = SendDlgItemMessageW(hDlg, nIDDlgItem, LB_GETTEXTLEN, wParam, 0);
        if (length == LB_ERR)
            return LB_ERR;
        std::u16string wide(static_cast<std::size_t>(length) + 1, u'\0');
        SendDlgItemMessageW(hDlg, nIDDlgItem, LB_GETTEXT, wParam,
                            reinterpret_cast<LPARAM>(wide.data()));
        wide.resize(static_cast<std::size_t>(length));
        const std::string ansi = win32::WideToAnsi(wide);
        if (Msg == LB_GETTEXT && lParam)
            std::memcpy(reinterpret_cast<char*>(lParam), ansi.c_str(), ansi.size() + 1);
        return static_cast<LRESULT>(ansi.size());
    }
    default:
        return SendDlgItemMessageW(hDlg, nIDDlgItem, Msg, wParam, lParam);
    }
}
