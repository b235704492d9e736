// ANSI window functions: the W functions with the texts converted.
#include "platform/win32/user_ansi.h"

#include "platform/win32/codepage.h"

#include <algorithm>
#include <cstring>

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
    if (!lpNewItem || (uFlags & MF_SEPARATOR))
        return AppendMenuW(hMenu, uFlags, uIDNewItem, nullptr);
    const std::u16string text = win32::AnsiToWide(lpNewItem);
    return AppendMenuW(hMenu, uFlags, uIDNewItem, text.c_str());
}

int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    (void)hInstance;
    if (!lpBuffer || cchBufferMax <= 0)
        return 0;
    const auto text = ui::FindStringResource(uID);
    if (!text) {
        lpBuffer[0] = '\0';
        return 0;
    }
    const std::string ansi = win32::WideToAnsi(*text);
    const std::size_t n =
        std::min<std::size_t>(ansi.size(), static_cast<std::size_t>(cchBufferMax) - 1);
    std::memcpy(lpBuffer, ansi.data(), n);
    lpBuffer[n] = '\0';
    return static_cast<int>(n);
}
