// The code-page conversions of both machines: single-byte 1252, double-byte
// 932 (Shift-JIS) and UTF-8 (65001), with Windows' replacement rules. Each
// machine's MultiByteToWideChar and WideCharToMultiByte call these with the
// function that reads its own ANSI code page, which stands for CP_ACP and
// CP_OEMCP and is read only when the caller names one of them.
#pragma once

#include "platform/base/windef.h"

#include <string>
#include <string_view>

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD MB_PRECOMPOSED = 0x00000001;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;

namespace platform {

// Both: cbMultiByte / cchWideChar -1 means "up to and including the NUL"
// (the result then counts it); an explicit length converts exactly that many
// units. Output size 0 asks for the size needed. A buffer too small gives 0
// with ERROR_INSUFFICIENT_BUFFER and nothing written. Other failures: 0 with
// ERROR_INVALID_PARAMETER (null input, unknown code page) or ERROR_INVALID_FLAGS.
//
// Bytes that name no character become the code page's default Unicode
// character: in 932 (an orphan lead byte, an unassigned pair) U+30FB, in UTF-8
// U+FFFD; or they fail with ERROR_NO_UNICODE_TRANSLATION under
// MB_ERR_INVALID_CHARS. In 1252 the five unassigned bytes map to the C1
// control characters of the same value, as Windows does.
int ToWideChar(UINT (*machineCodePage)(), UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
               int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar);
// Characters the code page lacks become the default character ('?' unless
// lpDefaultChar gives another) and set *lpUsedDefaultChar; an unpaired
// surrogate counts as such a character. Windows' best-fit mappings (an
// accented letter to its plain one) are not made: every conversion behaves as
// with WC_NO_BEST_FIT_CHARS. lpDefaultChar and lpUsedDefaultChar
// must be null for CP_UTF8 (ERROR_INVALID_PARAMETER otherwise).
int ToMultiByte(UINT (*machineCodePage)(), UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr,
                int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                BOOL* lpUsedDefaultChar);

// Whole-string conversions through the machine's ANSI code page, for code
// behind the emulated surface: unmappable characters become '?'.
std::u16string AnsiToWide(UINT (*machineCodePage)(), std::string_view ansi);
std::string WideToAnsi(UINT (*machineCodePage)(), std::u16string_view wide);

} // namespace platform
