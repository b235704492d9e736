// The handheld registry: the wide-character Win32 functions over the registry
// engine, in the handheld's object store file. The platform's buffer rules
// are applied here; the engine keeps value bytes as they were given.
#include "platform/ce/registry.h"

#include "platform/base/registry_store.h"
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"

#include <cstring>

namespace {

namespace reg = platform::registry;

std::string StoreFile() {
    return ce::HandheldDirectory() + "/objectstore.db";
}

std::string Name(LPCWSTR name) {
    return name ? unicode::ToUtf8(std::u16string_view(name)) : std::string();
}

// Copies a value into a caller's buffer by the platform's rules. A REG_SZ
// stored without its terminator gets one when the buffer has room for it.
LONG CopyOut(const reg::Value& value, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    std::size_t needed = value.data.size();
    const bool addTerminator = value.type == REG_SZ && (needed < 2 || value.data[needed - 1] != 0 ||
                                                        value.data[needed - 2] != 0);
    if (lpData && lpcbData) {
        if (*lpcbData < needed) {
            *lpcbData = static_cast<DWORD>(needed + (addTerminator ? 2 : 0));
            return ERROR_MORE_DATA;
        }
        if (!value.data.empty())
            std::memcpy(lpData, value.data.data(), needed);
        if (addTerminator && *lpcbData >= needed + 2) {
            lpData[needed] = lpData[needed + 1] = 0;
            needed += 2;
        }
    } else if (lpData) {
        return ERROR_INVALID_PARAMETER;
    } else if (addTerminator) {
        needed += 2;
    }
    if (lpcbData)
        *lpcbData = static_cast<DWORD>(needed);
    if (lpType)
        *lpType = value.type;
    return ERROR_SUCCESS;
}

} // namespace

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, HKEY* phkResult) {
    return reg::OpenKey(StoreFile(), hKey, Name(lpSubKey), phkResult);
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM, void*,
                     HKEY* phkResult, LPDWORD lpdwDisposition) {
    reg::Disposition disposition{};
    LONG error = reg::CreateKey(StoreFile(), hKey, Name(lpSubKey), phkResult, &disposition);
    if (error == ERROR_SUCCESS && lpdwDisposition)
        *lpdwDisposition = disposition == reg::Disposition::CreatedNew ? REG_CREATED_NEW_KEY
                                                                       : REG_OPENED_EXISTING_KEY;
    return error;
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) {
    reg::Value value;
    LONG error = reg::QueryValue(StoreFile(), hKey, Name(lpValueName), &value);
    if (error != ERROR_SUCCESS)
        return error;
    return CopyOut(value, lpType, lpData, lpcbData);
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
    if (!lpData && cbData)
        return ERROR_INVALID_PARAMETER;
    if (dwType == REG_DWORD && cbData != sizeof(DWORD))
        return ERROR_INVALID_PARAMETER;
    if (dwType == REG_SZ && cbData % 2)
        return ERROR_INVALID_PARAMETER;
    return reg::SetValue(StoreFile(), hKey, Name(lpValueName), dwType,
                         std::span<const BYTE>(lpData, lpData ? cbData : 0));
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    return reg::DeleteValue(StoreFile(), hKey, Name(lpValueName));
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    return reg::DeleteKey(StoreFile(), hKey, Name(lpSubKey));
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcchValueName)
        return ERROR_INVALID_PARAMETER;
    reg::Value value;
    LONG error = reg::EnumValue(StoreFile(), hKey, dwIndex, &value);
    if (error != ERROR_SUCCESS)
        return error;
    const std::u16string name = unicode::ToUtf16(value.name);
    if (*lpcchValueName < name.size() + 1)
        return ERROR_MORE_DATA;
    // CopyOut refuses a small data buffer before anything is written.
    error = CopyOut(value, lpType, lpData, lpcbData);
    if (error != ERROR_SUCCESS)
        return error;
    std::memcpy(lpValueName, name.c_str(), (name.size() + 1) * sizeof(char16_t));
    *lpcchValueName = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}
