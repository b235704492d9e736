// Code-page conversions of the desktop, CP_ACP being the desktop's ANSI code
// page (GetACP). The rules are those of platform/base/code_pages.h.
#pragma once

#include "platform/base/code_pages.h"
#include "platform/win32/locale.h"

#include <string>
#include <string_view>

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        BOOL* lpUsedDefaultChar);

namespace win32 {

// Whole-string conversions through the desktop's ANSI code page:
// unmappable characters become '?'.
std::u16string AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::u16string_view wide);

} // namespace win32
