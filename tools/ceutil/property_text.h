// Properties as ceutil reads and writes them on the command line:
// NUMBER:TYPE=VALUE, with TYPE one of i2, ui2, i4, ui4, bool, filetime,
// lpwstr, blob.
#pragma once

#include "platform/base/status.h"
#include "platform/ce/property_blob.h"

#include <optional>
#include <string>

namespace ceutil {

// The type's name ("ui4"), or null for a type ceutil does not know.
const char* TypeName(WORD type);
std::optional<WORD> TypeFromName(const std::string& name);

// Parses NUMBER:TYPE=VALUE. NUMBER is decimal or 0x-hex; lpwstr values take
// the escapes \r \n \t \\; blob values are hex digits; filetime is a decimal
// 64-bit count. Failure: ERROR_INVALID_PARAMETER with what was wrong.
platform::Result<ce::Property> ParseProperty(const std::string& text);

// The value as it is written on the command line (lpwstr unquoted, escaped).
std::string ValueText(const ce::Property& property);
// Escapes \ CR LF TAB as the command line takes them, and " as \".
std::string EscapeText(const std::u16string& text);

// A property as a CEPROPVAL pointing into the property's own storage.
CEPROPVAL ToPropVal(ce::Property& property);

} // namespace ceutil
