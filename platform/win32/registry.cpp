// The desktop registry: the ANSI registry functions over the shared registry
// engine, in <desktop>/registry.db.
#include "platform/win32/registry.h"

#include "platform/base/registry_store.h"
#include "platform/base/unicode.h"
#include "platform/win32/codepage.h"
#include "platform/win32/machine.h"

#include <algorithm>
#include <cstring>

namespace {

std::string RegistryFile() {
    return win32::DesktopDirectory() + "/registry.db";
}

// The engine names keys and values in UTF-8; the desktop's are ANSI.
std::string Name(LPCSTR ansi) {
    return ansi ? unicode::ToUtf8(win32::AnsiToWide(ansi)) : std::string();
}

std::string AnsiName(const std::string& utf8) {
    return win32::WideToAnsi(unicode::ToUtf16(utf8));
}

// A text stored without its terminating NUL is given one in the caller's
// buffer when there is room, so that it reads as a string.
bool NeedsTerminator(const platform::registry::Value& value) {
    return value.type == REG_SZ && (value.data.empty() || value.data.back() != 0);
}

// The Win32 rules for a value's data: size query, ERROR_MORE_DATA with the
// size and the buffer untouched, copy.
LONG DeliverData(const platform::registry::Value& value, LPDWORD lpType, LPBYTE lpData,
                 LPDWORD lpcbData) {
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    const auto size = static_cast<DWORD>(value.data.size());
    LONG result = ERROR_SUCCESS;
    if (lpData) {
        if (*lpcbData < size) {
            result = ERROR_MORE_DATA;
        } else {
            if (size)
                std::memcpy(lpData, value.data.data(), size);
            if (NeedsTerminator(value) && *lpcbData > size)
                lpData[size] = 0;
        }
    }
    if (lpType)
        *lpType = value.type;
    if (lpcbData)
        *lpcbData = size;
    return result;
}

} // namespace

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM, HKEY* phkResult) {
    if (!phkResult || ulOptions != 0)
        return ERROR_INVALID_PARAMETER;
    return platform::registry::OpenKey(RegistryFile(), hKey, Name(lpSubKey), phkResult);
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM, void*,
                     HKEY* phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult || !lpSubKey)
        return ERROR_INVALID_PARAMETER;
    platform::registry::Disposition disposition;
    const LONG result = platform::registry::CreateKey(RegistryFile(), hKey, Name(lpSubKey),
                                                      phkResult, &disposition);
    if (result == ERROR_SUCCESS && lpdwDisposition)
        *lpdwDisposition = disposition == platform::registry::Disposition::CreatedNew
                               ? REG_CREATED_NEW_KEY
                               : REG_OPENED_EXISTING_KEY;
    return result;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    platform::registry::Value value;
    const LONG result =
        platform::registry::QueryValue(RegistryFile(), hKey, Name(lpValueName), &value);
    if (result != ERROR_SUCCESS)
        return result;
    return DeliverData(value, lpType, lpData, lpcbData);
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
    if (Reserved || (!lpData && cbData))
        return ERROR_INVALID_PARAMETER;
    return platform::registry::SetValue(RegistryFile(), hKey, Name(lpValueName), dwType,
                                        std::span<const BYTE>(lpData, lpData ? cbData : 0));
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    return platform::registry::DeleteValue(RegistryFile(), hKey, Name(lpValueName));
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    // The platform refuses to delete the key itself through an empty name.
    if (!lpSubKey || !*lpSubKey)
        return ERROR_INVALID_PARAMETER;
    return platform::registry::DeleteKey(RegistryFile(), hKey, Name(lpSubKey));
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime) {
    if (!lpName || !lpcchName || lpReserved)
        return ERROR_INVALID_PARAMETER;
    std::string name;
    const LONG result = platform::registry::EnumKey(RegistryFile(), hKey, dwIndex, &name);
    if (result != ERROR_SUCCESS)
        return result;
    const std::string ansi = AnsiName(name);
    if (*lpcchName <= ansi.size())
        return ERROR_MORE_DATA;
    std::memcpy(lpName, ansi.c_str(), ansi.size() + 1);
    *lpcchName = static_cast<DWORD>(ansi.size());
    // Keys carry no class, and no write time is kept.
    if (lpClass && lpcchClass && *lpcchClass > 0)
        lpClass[0] = '\0';
    if (lpcchClass)
        *lpcchClass = 0;
    if (lpftLastWriteTime)
        *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    platform::registry::Value value;
    const LONG result = platform::registry::EnumValue(RegistryFile(), hKey, dwIndex, &value);
    if (result != ERROR_SUCCESS)
        return result;
    const std::string ansi = AnsiName(value.name);
    if (*lpcchValueName <= ansi.size())
        return ERROR_MORE_DATA;
    if (lpData && *lpcbData < value.data.size()) {
        *lpcbData = static_cast<DWORD>(value.data.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpValueName, ansi.c_str(), ansi.size() + 1);
    *lpcchValueName = static_cast<DWORD>(ansi.size());
    return DeliverData(value, lpType, lpData, lpcbData);
}

namespace win32 {

std::optional<std::string> ReadRegistryText(HKEY root, const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::string> text;
    DWORD type = 0, size = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    // Another process may grow the value between the size query and the read.
    while (result == ERROR_SUCCESS && type == REG_SZ) {
        std::string data(size, '\0');
        result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                  &size);
        if (result == ERROR_SUCCESS && type == REG_SZ) {
            data.resize(std::min<std::size_t>(size, data.find('\0')));
            text = std::move(data);
            break;
        }
        if (result == ERROR_MORE_DATA)
            result = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return text;
}

LONG WriteRegistryText(HKEY root, const std::string& path, const char* name,
                       const std::string& text) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return result;
}

} // namespace win32
