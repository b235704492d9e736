// The desktop registry (Win32 registry API, ANSI forms).
//
// Keys and values live in <desktop>/registry.db (see machine.h), under the
// roots HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER. Key
// names are case-insensitive. The handheld registry (platform/ce/registry.h)
// owns the wide forms; RegCloseKey (platform/base/winreg.h) closes keys of
// either machine.
//
// Values the desktop itself reads:
//   HKCU "Control Panel\International" "sList"                 list separator (",")
//   HKLM "SYSTEM\CurrentControlSet\Control\Nls\CodePage" "ACP" ANSI code page ("1252")
#pragma once

#include "platform/base/winreg.h"

// All return ERROR_SUCCESS or a Win32 error code, as the platform does, and
// leave out-parameters alone on failure.
LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult);
LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, void* lpSecurityAttributes, HKEY* phkResult,
                     LPDWORD lpdwDisposition);
// Buffer rules of the platform: lpData null asks for the size only; a buffer
// too small gives ERROR_MORE_DATA with the needed size in *lpcbData and the
// buffer untouched; REG_SZ sizes count the terminating NUL. A REG_SZ stored
// without its NUL is given one when the buffer has room for it.
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData);
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData);
LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
// Deletes a key without subkeys (ERROR_ACCESS_DENIED when it has some).
LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
// Subkeys in name order; ERROR_NO_MORE_ITEMS past the last. *lpcchName counts
// characters without the NUL on success; too small: ERROR_MORE_DATA.
LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime);
LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);

#include <optional>
#include <string>

namespace win32 {

// The text of the REG_SZ value `name` (null: the key's default value) of
// root\path, up to its first NUL; nullopt when the key or value is missing or
// the value holds another type.
std::optional<std::string> ReadRegistryText(HKEY root, const std::string& path, const char* name);

// Creates root\path as needed and sets its REG_SZ value `name` (null: the
// default value). Returns ERROR_SUCCESS or the failing call's error.
LONG WriteRegistryText(HKEY root, const std::string& path, const char* name,
                       const std::string& text);

} // namespace win32
