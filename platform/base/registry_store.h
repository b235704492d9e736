// The registry engine both machines' registries wrap: keys with
// case-insensitive names and typed values in one SQLite file per machine.
//
// Names are UTF-8 here; the wrappers convert from their own text (UTF-16 on
// the handheld, the ANSI code page on the desktop). Value bytes are stored as
// given: the Win32 buffer rules belong to the wrappers. Every function returns
// ERROR_SUCCESS or a Win32 error code and leaves out-parameters alone on failure.
//
// An HKEY handed out here knows the file it belongs to, so RegCloseKey
// (winreg.h) closes keys of either machine. A predefined root
// (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE) is resolved in the
// `rootFile` the wrapper passes; a key handle carries its own file.
#pragma once

#include "platform/base/winreg.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

// The most bytes a value holds. A stored value longer than this, or a
// REG_DWORD that is not four bytes, is damaged: reading it fails with
// ERROR_INVALID_DATA (named on standard error) and changes nothing.
constexpr std::size_t kMaxValueBytes = 1024 * 1024;

struct Value {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

enum class Disposition { CreatedNew, OpenedExisting };

// subKey is a backslash-separated path below parent ("" opens parent again).
LONG OpenKey(const std::string& rootFile, HKEY parent, std::string_view subKey, HKEY* result);
// Creates every missing key along the path.
LONG CreateKey(const std::string& rootFile, HKEY parent, std::string_view subKey, HKEY* result,
               Disposition* disposition);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some),
// with its values. Handles still open on it then fail with ERROR_KEY_DELETED.
LONG DeleteKey(const std::string& rootFile, HKEY parent, std::string_view subKey);

// name "" is the key's default value.
LONG QueryValue(const std::string& rootFile, HKEY key, std::string_view name, Value* value);
LONG SetValue(const std::string& rootFile, HKEY key, std::string_view name, DWORD type,
              std::span<const BYTE> data);
LONG DeleteValue(const std::string& rootFile, HKEY key, std::string_view name);
// The index-th value or subkey in case-insensitive name order;
// ERROR_NO_MORE_ITEMS past the last.
LONG EnumValue(const std::string& rootFile, HKEY key, DWORD index, Value* value);
LONG EnumKey(const std::string& rootFile, HKEY key, DWORD index, std::string* name);

} // namespace platform::registry
