#include "desktop/sync/ansi_text.h"

#include "desktop/sync/code_page_snapshot.h"
#include "platform/win32/codepage.h"

#include <climits>

std::u16string AnsiToWide(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    // A byte never makes more than one UTF-16 unit.
    const int length = static_cast<int>(text.size());
    std::u16string wide(text.size(), u'\0');
    const int written = MultiByteToWideChar(CodePageSnapshot::Current(), 0, text.data(), length,
                                            wide.data(), length);
    wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return wide;
}

std::string WideToAnsi(std::u16string_view text) {
    if (text.empty() || text.size() > INT_MAX / 3)
        return {};
    // A UTF-16 unit takes at most three bytes in the desktop's code pages
    // (UTF-8; two in the double-byte ones): one call, without asking for the
    // size first.
    const int length = static_cast<int>(text.size());
    std::string ansi(3 * text.size(), '\0');
    const int written =
        WideCharToMultiByte(CodePageSnapshot::Current(), 0, text.data(), length, ansi.data(),
                            static_cast<int>(ansi.size()), nullptr, nullptr);
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
