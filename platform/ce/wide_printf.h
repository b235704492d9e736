// Wide formatting of the handheld's kernel (the services both machines share
// are in platform/base/kernel.h, which this includes).
#pragma once

#include "platform/base/kernel.h"

#include <cstdarg>

// wvsprintfW: %s (wide string), %u, %lu, %d, %i, %x, %c and %%. Never writes
// past `cchBuffer` characters (our bound, which callers pass): a longer text is
// cut and always terminated. Returns the number of characters written,
// without the terminator.
int wvsprintfW(LPWSTR buffer, std::size_t cchBuffer, LPCWSTR format, va_list args);
int wsprintfW(LPWSTR buffer, std::size_t cchBuffer, LPCWSTR format, ...);
