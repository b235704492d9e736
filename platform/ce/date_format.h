// Date and time formatting of the handheld (GetDateFormatW, GetTimeFormatW)
// in its default locale, en-US: short date "M/d/yyyy", time "h:mm:ss tt".
#pragma once

#include "platform/base/windef.h"

// Every locale formats as the default one (LOCALE_SYSTEM_DEFAULT 0x0800,
// LOCALE_USER_DEFAULT 0x0400 ...).
using LCID = DWORD;

// Formats `lpDate` (null: now, local) by `lpFormat`, a picture of d, dd, ddd,
// dddd, M, MM, MMM, MMMM, y, yy, yyyy and 'quoted' text; null takes the
// locale's short date. Flags must be 0. With cchDate 0 returns the size
// needed (NUL included) and writes nothing; otherwise the characters written
// (NUL included), or 0 with ERROR_INSUFFICIENT_BUFFER (buffer untouched),
// ERROR_INVALID_FLAGS or ERROR_INVALID_PARAMETER (a date out of range).
int GetDateFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCWSTR lpFormat,
                   LPWSTR lpDateStr, int cchDate);
// The same for times: h, hh (12-hour), H, HH, m, mm, s, ss, t, tt (AM/PM)
// and 'quoted' text; null takes the locale's "h:mm:ss tt".
int GetTimeFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCWSTR lpFormat,
                   LPWSTR lpTimeStr, int cchTime);
