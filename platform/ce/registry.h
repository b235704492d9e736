// The handheld registry (Win32 registry API, wide-character forms).
// Keys and values live in the handheld's object store file.
#pragma once

#include "platform/base/winreg.h"

// All return ERROR_SUCCESS or a Win32 error code, as the platform does.
LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   HKEY* phkResult);
LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                     DWORD dwOptions, REGSAM samDesired, void* lpSecurityAttributes,
                     HKEY* phkResult, LPDWORD lpdwDisposition);
// Buffer rules of the platform: lpData null asks for the size only; a buffer
// too small gives ERROR_MORE_DATA with the needed size in *lpcbData and the
// buffer untouched; REG_SZ sizes count the terminating NUL in bytes.
LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData);
LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                    const BYTE* lpData, DWORD cbData);
LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);
LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
// RegCloseKey: platform/base/winreg.h.
