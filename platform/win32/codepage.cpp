#include "platform/win32/codepage.h"

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
    return platform::ToWideChar(&GetACP, CodePage, dwFlags, lpMultiByteStr, cbMultiByte,
                                lpWideCharStr, cchWideChar);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        BOOL* lpUsedDefaultChar) {
    return platform::ToMultiByte(&GetACP, CodePage, dwFlags, lpWideCharStr, cchWideChar,
                                 lpMultiByteStr, cbMultiByte, lpDefaultChar, lpUsedDefaultChar);
}

namespace win32 {

std::u16string AnsiToWide(std::string_view ansi) {
    return platform::AnsiToWide(&GetACP, ansi);
}

std::string WideToAnsi(std::u16string_view wide) {
    return platform::WideToAnsi(&GetACP, wide);
}

} // namespace win32
