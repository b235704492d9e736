// Code-page conversions of the handheld, CP_ACP being the handheld's ANSI
// code page. The rules are those of platform/base/code_pages.h. In their own
// namespace: a process such as the service manager holds both machines'
// conversions, and the desktop's have the global names.
#pragma once

#include "platform/base/code_pages.h"

#include <string>
#include <string_view>

namespace ce {

// The handheld's ANSI code page: the value "ACP" of the handheld registry's
// HKLM key "SYSTEM\CurrentControlSet\Control\Nls\CodePage" when it names 932
// or 65001, else 1252 (also when the value is missing or names a code page
// the handheld does not have).
UINT GetACP();

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        BOOL* lpUsedDefaultChar);

// Whole-string conversions through the handheld's ANSI code page:
// unmappable characters become '?'.
std::u16string AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::u16string_view wide);

} // namespace ce
