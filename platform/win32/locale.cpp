// Locale information and the ANSI code page, read from the desktop registry.
#include "platform/win32/locale.h"

#include "platform/base/registry_store.h"
#include "platform/base/winreg.h"
#include "platform/win32/codepage.h"
#include "platform/win32/machine.h"

#include <cstring>
#include <optional>
#include <string>

namespace {

// A desktop whose registry names no code page carries every character.
constexpr UINT kDefaultCodePage = CP_UTF8;
// A code page the desktop does not have.
constexpr UINT kFallbackCodePage = 1252;
constexpr LCTYPE kNoUserOverride = 0x80000000;

// A REG_SZ of the desktop registry as text (up to its first NUL); nullopt when
// the key or value is missing or not text. Key and value names here are ASCII,
// which the engine's UTF-8 names read unchanged.
std::optional<std::string> ReadText(HKEY root, const char* subKey, const char* valueName) {
    const std::string file = win32::DesktopDirectory() + "/registry.db";
    HKEY key = nullptr;
    if (platform::registry::OpenKey(file, root, subKey, &key) != ERROR_SUCCESS)
        return std::nullopt;
    platform::registry::Value value;
    const LONG result = platform::registry::QueryValue(file, key, valueName, &value);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || value.type != REG_SZ)
        return std::nullopt;
    std::string text(value.data.begin(), value.data.end());
    text.resize(std::strlen(text.c_str()));
    return text;
}

int Deliver(const std::string& text, LPSTR buffer, int cch) {
    const int needed = static_cast<int>(text.size()) + 1;
    if (cch == 0)
        return needed;
    if (cch < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), static_cast<std::size_t>(needed));
    return needed;
}

} // namespace

UINT GetACP() {
    const auto text =
        ReadText(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP");
    if (!text)
        return kDefaultCodePage;
    if (*text == "932" || *text == "65001")
        return static_cast<UINT>(std::stoul(*text));
    return kFallbackCodePage;
}

int GetLocaleInfoA(LCID, LCTYPE LCType, LPSTR lpLCData, int cchData) {
    if (cchData < 0 || (cchData > 0 && !lpLCData)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    switch (LCType & ~kNoUserOverride) {
    case LOCALE_SLIST: {
        // The user's override is the only source here; without it, the
        // locale's own separator.
        std::optional<std::string> separator;
        if (!(LCType & kNoUserOverride))
            separator = ReadText(HKEY_CURRENT_USER, "Control Panel\\International", "sList");
        return Deliver(separator.value_or(","), lpLCData, cchData);
    }
    case LOCALE_IDEFAULTANSICODEPAGE:
        return Deliver(std::to_string(GetACP()), lpLCData, cchData);
    default:
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
}
