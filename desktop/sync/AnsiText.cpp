#include "desktop/sync/AnsiText.h"

#include "platform/win32/codepage.h"

#include <climits>

std::u16string AnsiToWide(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (units <= 0)
        return {};
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), units);
    wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return wide;
}

std::string WideToAnsi(std::u16string_view text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(text.size());
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return {};
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    const int written =
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, ansi.data(), bytes, nullptr, nullptr);
    ansi.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return ansi;
}

BSTR AnsiToBstr(std::string_view text) {
    const std::u16string wide = AnsiToWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string BstrToAnsi(BSTR text) {
    return text == nullptr ? std::string()
                           : WideToAnsi(std::u16string_view(text, SysStringLen(text)));
}
