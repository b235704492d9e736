// Locale information and code pages of the desktop (ANSI forms).
#pragma once

#include "platform/base/windef.h"

using LCID = DWORD;
using LCTYPE = DWORD;

constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCTYPE LOCALE_SLIST = 0x0000000C;
constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x00001004;

// LOCALE_SLIST: HKCU "Control Panel\International" "sList", "," when absent.
// LOCALE_IDEFAULTANSICODEPAGE: the ANSI code page as decimal text.
// cchData 0 asks for the size; otherwise the text and its NUL are copied.
// Returns the characters copied (or needed) including the NUL; 0 on failure
// with ERROR_INSUFFICIENT_BUFFER (buffer too small, nothing written) or
// ERROR_INVALID_FLAGS (another item) or ERROR_INVALID_PARAMETER.
int GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData);


// The desktop's ANSI code page: HKLM
// "SYSTEM\CurrentControlSet\Control\Nls\CodePage" "ACP" (decimal text): UTF-8
// (65001) when absent, so that a new desktop carries every character; 1252
// when it names a page the desktop does not have (it has 1252, 932 and
// 65001). Read afresh at every call, so a test can switch it.
UINT GetACP();
