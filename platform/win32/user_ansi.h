// The ANSI forms of the window functions the desktop programs call: each a
// thin conversion over the window system's W function (platform/ui) through
// the desktop's ANSI code page.
#pragma once

#include "platform/base/windef.h"
#include "platform/ui/dialog.h"
#include "platform/ui/menu.h"
#include "platform/ui/resources.h"

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);

// Copies string `uID` of the resource table, in the ANSI code page, into
// the buffer (cut to fit, always ended); its length, 0 when there is none.
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);

// SendDlgItemMessageW with the texts of the list-box messages converted:
// LB_ADDSTRING, LB_INSERTSTRING, LB_FINDSTRING, LB_FINDSTRINGEXACT and
// LB_SELECTSTRING take ANSI text in lParam; LB_GETTEXT fills an ANSI buffer
// (which the caller sizes by LB_GETTEXTLEN, in ANSI bytes). Other messages
// pass unchanged.
LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam);
