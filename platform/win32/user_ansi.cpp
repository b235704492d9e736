#include "platform/win32/user_ansi.h"

#include "platform/win32/codepage.h"

#include <cstring>

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
