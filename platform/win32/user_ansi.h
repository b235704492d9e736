// ANSI forms of the window functions the desktop programs call: each a thin
// conversion through the desktop's code page over the window system's W
// function (platform/ui).
#pragma once

#include "platform/ui/menu.h"
#include "platform/ui/resources.h"

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);

// Copies string `uID` of the resource table, in the ANSI code page, into
// the buffer (cut to fit, always ended); its length, 0 when there is none.
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
