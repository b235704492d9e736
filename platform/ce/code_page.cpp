#include "platform/ce/code_page.h"

#include "platform/ce/registry.h"

namespace ce {

UINT GetACP() {
    constexpr UINT kDefault = 1252;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", 0,
                      0, &key) != ERROR_SUCCESS)
        return kDefault;
    WCHAR text[16] = {};
    DWORD type = 0;
    DWORD size = sizeof text - sizeof(WCHAR); // the last unit stays a NUL
    const LONG result =
        RegQueryValueExW(key, u"ACP", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return kDefault;
    const std::u16string_view named(text);
    if (named == u"932")
        return 932;
    if (named == u"65001")
        return CP_UTF8;
    return kDefault;
}

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

std::u16string AnsiToWide(std::string_view ansi) {
    return platform::AnsiToWide(&GetACP, ansi);
}

std::string WideToAnsi(std::u16string_view wide) {
    return platform::WideToAnsi(&GetACP, wide);
}

} // namespace ce
