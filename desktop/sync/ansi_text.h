// Conversions between the desktop's ANSI texts (the system code page, CP_ACP)
// and UTF-16. Characters the code page lacks become its default character.
#pragma once

#include "platform/com/oleauto.h"

#include <string>
#include <string_view>

std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);
// A new BSTR (the caller frees it), or null when out of memory.
BSTR AnsiToBstr(std::string_view text);
std::string BstrToAnsi(BSTR text);
